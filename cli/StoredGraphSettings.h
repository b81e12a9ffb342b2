#pragma once

#include "core/app/OptionsModel.h"
#include "core/app/TraceColours.h"
#include "core/graph/GraphSettingsSource.h"

// The colours and the over-range drawing the user chose in the desktop program.
class StoredGraphSettings final : public GraphSettingsSource {
public:
    explicit StoredGraphSettings(const SettingsStore& settings)
        : colours_(TraceColours::Load(settings)),
          dashed_(DocumentOptions::Load(settings).dashedOverload) {}
    const TraceColours& GraphColours() const override { return colours_; }
    bool DashedOverload() const override { return dashed_; }

private:
    TraceColours colours_;
    bool dashed_;
};

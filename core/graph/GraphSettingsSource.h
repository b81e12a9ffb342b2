#pragma once

#include "core/app/TraceColours.h"
#include "core/graph/GraphTheme.h"

// Where a graph takes its colours and the dashed over-range option from.
class GraphSettingsSource {
public:
    virtual const TraceColours& GraphColours() const = 0;
    virtual bool DashedOverload() const = 0;
    // On screen; print-outs are always light.
    virtual GraphTheme Theme() const { return {}; }

protected:
    ~GraphSettingsSource() = default;
};

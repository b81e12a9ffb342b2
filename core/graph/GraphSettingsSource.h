#pragma once

#include "core/app/TraceColours.h"

// Where a graph takes its colours and the dashed over-range option from.
class GraphSettingsSource {
public:
    virtual const TraceColours& GraphColours() const = 0;
    virtual bool DashedOverload() const = 0;

protected:
    ~GraphSettingsSource() = default;
};

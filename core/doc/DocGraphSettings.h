#pragma once

#include "core/doc/CVexloDoc.h"
#include "core/graph/GraphSettingsSource.h"

// The document's colours and options, as the graphs of its views see them.
class DocGraphSettings final : public GraphSettingsSource {
public:
    explicit DocGraphSettings(const CVexloDoc& doc) : doc_(doc) {}

    const TraceColours& GraphColours() const override { return doc_.Colours(); }
    bool DashedOverload() const override { return doc_.Options().dashedOverload; }
    GraphTheme Theme() const override { return theme_; }
    // The theme of the widget that draws with these settings.
    void SetTheme(const GraphTheme& theme) { theme_ = theme; }

private:
    const CVexloDoc& doc_;
    GraphTheme theme_;
};

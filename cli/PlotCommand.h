#pragma once

#include <QString>
#include <cstdio>
#include <optional>
#include <vector>

class CRecSession;
class SettingsStore;

// The --out that sends the picture to the standard output.
inline constexpr const char* kPlotToStandardOutput = "-";

struct PlotRequest {
    QString out;    // .png or .pdf; "-" for the standard output
    QString format; // "png" or "pdf"; empty: the extension of `out`
    int width = 1200;
    int height = 600;
    std::optional<double> from; // seconds from the start of the recording
    std::optional<double> to;
    std::optional<double> cursor; // seconds from the start of the recording
    bool describe = false;
};

// Draws the session's trend graph as the session page does, into an image or a PDF page;
// with `describe`, prints what was drawn as JSON, with the page's channel line for that
// window and cursor. Returns the exit status.
int RunPlot(const CRecSession& session, const SettingsStore& settings, const PlotRequest& request,
            std::FILE* out);

// The sessions on one graph, aligned on their clock times, each in its own colour with a
// legend; the window and the cursor count seconds from the earliest start. Sessions that
// cannot share a graph are refused with the reason.
int RunOverlayPlot(const std::vector<const CRecSession*>& sessions, const SettingsStore& settings,
                   const PlotRequest& request, std::FILE* out);

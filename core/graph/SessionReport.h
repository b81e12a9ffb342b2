#pragma once

#include "core/app/TraceColours.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/Printout.h"
#include "core/graph/ReportOptions.h"
#include "core/graph/SessionChannelLine.h"
#include "core/session/SessionTable.h"

#include <optional>

class CRecSession;

// What of a session's page its print-out shows: the graph's window and value range, where the
// cursor stands and whether the minimum/maximum display is on. The page gives its own; a
// session never shown gets the whole recording, scaled as a screen would.
struct SessionPrintView {
    GraphViewState graph;
    // Seconds from the session's start, in the graph's time frame; none: no cursor.
    std::optional<double> cursorSeconds;
    bool minMax = false;

    // The view of a page's graph as last drawn: its state and, when that drawing was of its
    // session and had a cursor, the time of the value the cursor read.
    static SessionPrintView OfGraph(const CTrendGraph& graph, bool minMax);
};

// The colours and over-range drawing a report draws its graph with: its own copy, so that the
// report stands alone. The default is the program's.
class ReportGraphSettings final : public GraphSettingsSource {
public:
    ReportGraphSettings() = default;
    explicit ReportGraphSettings(const GraphSettingsSource& from)
        : colours_(from.GraphColours()), dashed_(from.DashedOverload()) {}
    const TraceColours& GraphColours() const override { return colours_; }
    bool DashedOverload() const override { return dashed_; }

private:
    TraceColours colours_;
    bool dashed_ = true;
};

// The printed report of a session, in landscape: page 1 the title, the comments and the
// parameters; page 2 the channel line and the trend graph of the view; then the sample table,
// averaged as the options say. The report draws its own graph of the session, so that nothing
// another page drew reaches it, and takes the channel line from that drawing.
class SessionReport final : public Printout {
public:
    // The session must outlive the report.
    SessionReport(const CRecSession& session, const SessionPrintView& view,
                  const ReportOptions& options, const ReportGraphSettings& settings = {});

    int PageCount(const PageLayout& layout) const override;
    void DrawPage(Canvas& canvas, const PageLayout& layout, int page) override;
    // The session's name.
    QString DocumentName() const override;

    // Rows of the sample table on one page.
    static int TableRowsPerPage(const PageLayout& layout);
    int64_t TableRowCount() const { return table_.rows; }
    // The channel line as page 2 last printed it; none before.
    const std::optional<SessionChannelLine>& PrintedChannelLine() const { return printedLine_; }

private:
    void DrawParameters(Canvas& canvas, const PageLayout& layout);
    void DrawGraphPage(Canvas& canvas, const PageLayout& layout);
    // Lays the graph out below the channel line its own drawing gives, its cursor on the
    // view's time.
    void PlaceGraph(Canvas& canvas, const PageLayout& layout);
    void MeasureGraphAt(Canvas& canvas, const GraphRect& area);
    ChannelLineCells LineCells(const SessionChannelLine& line) const;
    void DrawSamplePage(Canvas& canvas, const PageLayout& layout, int tablePage);
    std::vector<QString> SampleRow(int64_t row) const;

    const CRecSession& session_;
    SessionPrintView view_;
    ReportOptions options_;
    ReportGraphSettings settings_;
    CTrendGraph graph_;
    ReportTable table_;
    SessionTable cells_;
    std::optional<SessionChannelLine> printedLine_;
};

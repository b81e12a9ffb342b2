#pragma once

#include "core/app/TraceColours.h"
#include "core/graph/Printout.h"
#include "core/graph/ReportOptions.h"
#include "core/session/SessionTable.h"

class CRecSession;
class CTrendGraph;

// The printed report of a session, in landscape: page 1 the title, the comments and the
// parameters; page 2 the channel line and the trend graph as the screen shows them (its value
// range, window and cursor); then the sample table, averaged as the options say.
class SessionReport final : public Printout {
public:
    // The graph is drawn on page 2 and given back its own rectangle afterwards; the session
    // and the graph must outlive the report.
    SessionReport(const CRecSession& session, CTrendGraph& graph, const ReportOptions& options,
                  const QString& title, bool minMax, const TraceColours& colours);

    int PageCount(const PageLayout& layout) const override;
    void DrawPage(Canvas& canvas, const PageLayout& layout, int page) override;

    // Rows of the sample table on one page.
    static int TableRowsPerPage(const PageLayout& layout);
    int64_t TableRowCount() const { return table_.rows; }

private:
    void DrawParameters(Canvas& canvas, const PageLayout& layout);
    void DrawGraphPage(Canvas& canvas, const PageLayout& layout);
    void DrawSamplePage(Canvas& canvas, const PageLayout& layout, int tablePage);
    std::vector<QString> SampleRow(int64_t row) const;

    const CRecSession& session_;
    CTrendGraph& graph_;
    ReportOptions options_;
    QString title_;
    bool minMax_;
    TraceColours colours_;
    ReportTable table_;
    SessionTable cells_;
};

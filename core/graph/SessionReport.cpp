#include "core/graph/SessionReport.h"

#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/graph/SessionChannelLine.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionParams.h"

#include <algorithm>

namespace {

QString LimitText(const std::optional<double>& limit, const QString& unit) {
    if (!limit)
        return ResourceString(TextId::kReportNoLimit);
    return SessionFigureTexts::Limit(limit) + u' ' + unit;
}

// The limits and ΔH/R behind the figures of the graph page, when the session has any.
void AddFigureRows(const CRecSession& session, std::vector<PrintedNameValue>& rows) {
    const SessionFigures& figures = session.Figures();
    const bool mkt = figures.showMkt && session.Flags().temperature;
    if (!figures.limits.Any() && !mkt)
        return;
    rows.push_back({});
    rows.push_back({ResourceString(TextId::kReportFigures), QString(), true});
    if (figures.limits.Any()) {
        rows.push_back({ResourceString(TextId::kAlarmHighLabel),
                        LimitText(figures.limits.high, session.DisplayUnits()), false});
        rows.push_back({ResourceString(TextId::kAlarmLowLabel),
                        LimitText(figures.limits.low, session.DisplayUnits()), false});
    }
    if (mkt)
        rows.push_back({ResourceString(TextId::kMktActivationLabel),
                        QString::number(figures.mktActivationKelvin, 'f', 0), false});
}

} // namespace

SessionPrintView SessionPrintView::OfGraph(const CTrendGraph& graph, bool minMax) {
    SessionPrintView view{graph.ViewState(), std::nullopt, minMax};
    // The time of the value the cursor read rather than of its pixel, so that a page of
    // another scale reads that value too, even when the cursor stood on the edge between two
    // columns. A graph that last drew another session has no cursor of this one.
    const PointRange drawn = graph.VisiblePoints(0, 0);
    if (graph.CursorEnabled() && graph.CursorIndex() >= 0 && drawn.end > drawn.first)
        view.cursorSeconds =
            graph.CursorTime().InSeconds() - static_cast<double>(graph.SessionStart());
    return view;
}

SessionReport::SessionReport(const CRecSession& session, const SessionPrintView& view,
                             const ReportOptions& options, const ReportGraphSettings& settings)
    : session_(session), view_(view), options_(options), settings_(settings),
      table_(ReportTable::Of(session, options)), cells_(session, table_.grouping) {
    graph_.SetSettingsSource(&settings_);
    graph_.SetChannelSource(&session_);
    graph_.SetUnitText(session_.DisplayUnits());
    if (view_.cursorSeconds)
        graph_.EnableCursor();
    // A print-out shows the view's value range as it is.
    graph_.SetAutomaticScaling(false);
    graph_.RestoreViewState(view_.graph);
}

int SessionReport::TableRowsPerPage(const PageLayout& layout) {
    // The header row takes one line of the page.
    return std::max(1, (layout.contentBottom - layout.contentTop) / layout.lineHeight - 1);
}

int SessionReport::PageCount(const PageLayout& layout) const {
    const int64_t perPage = TableRowsPerPage(layout);
    const int64_t tablePages = (table_.rows + perPage - 1) / perPage;
    return static_cast<int>(std::min<int64_t>(2 + tablePages, INT32_MAX));
}

QString SessionReport::DocumentName() const {
    return session_.SessionName().isEmpty() ? SessionPageTitle(session_) : session_.SessionName();
}

void SessionReport::DrawPage(Canvas& canvas, const PageLayout& layout, int page) {
    DrawRunningHeader(canvas, layout, options_.includeHeader ? session_.ReportHeader() : QString(),
                      page);
    if (page == 1)
        DrawParameters(canvas, layout);
    else if (page == 2)
        DrawGraphPage(canvas, layout);
    else
        DrawSamplePage(canvas, layout, page - 3);
    if (options_.includeFooter && !session_.ReportFooter().isEmpty()) {
        canvas.SetPen({PenStyleType::Solid, 1, 0});
        canvas.Text({layout.page.left, layout.FooterY()}, session_.ReportFooter());
    }
}

void SessionReport::DrawParameters(Canvas& canvas, const PageLayout& layout) {
    DrawPageTitle(canvas, layout, SessionPageTitle(session_));
    const int l = layout.lineHeight;
    int y = layout.contentTop + 2 * l;
    if (options_.includeComments && !session_.Comments().isEmpty()) {
        const auto measure = [&canvas](const QString& s) { return canvas.MeasureText(s).width; };
        canvas.SetPen({PenStyleType::Solid, 1, 0});
        for (const QString& line : WrapWords(session_.Comments(), layout.page.Width(), measure)) {
            canvas.Text({layout.page.left, y}, line);
            y += l;
        }
        y += l;
    }
    std::vector<PrintedNameValue> rows;
    for (const SessionParamsRow& row : BuildSessionParams(session_))
        rows.push_back({row.label, row.value, row.header});
    AddFigureRows(session_, rows);
    DrawNameValueList(canvas, layout, y, rows);
}

ChannelLineCells SessionReport::LineCells(const SessionChannelLine& line) const {
    ChannelLineCells cells;
    cells.texts = line.texts;
    cells.colour = settings_.GraphColours().TraceColourOfGroup(session_.Entry().ColourGroup);
    for (std::size_t c = 0; c < line.columns.size(); ++c) {
        cells.headers.push_back(ChanListHeaderText(line.columns[c].kind));
        if (line.columns[c].kind == ChanListHeaderType::Colour)
            cells.colourColumn = static_cast<int>(c);
    }
    return cells;
}

void SessionReport::MeasureGraphAt(Canvas& canvas, const GraphRect& area) {
    graph_.SetOuterRect(area);
    MeasureGraph(canvas, graph_, true);
    if (!view_.cursorSeconds)
        return;
    // Placed by the screen's rule at this page's scale, the cursor keeps its column's time,
    // by which the printer drawing finds the same column.
    graph_.PlaceCursorAtTime(*view_.cursorSeconds);
    MeasureGraph(canvas, graph_, true);
}

void SessionReport::PlaceGraph(Canvas& canvas, const PageLayout& layout) {
    // The line's height follows its texts, which follow the plot's width, which the value
    // labels may change with the plot's height: a few rounds settle it.
    constexpr int kRounds = 4;
    int lineBottom = layout.contentTop + 2 * layout.lineHeight;
    for (int round = 0; round < kRounds; ++round) {
        MeasureGraphAt(canvas, GraphAreaBelow(layout, lineBottom));
        const int bottom = ChannelLineBottom(
            canvas, layout, LineCells(SessionChannelLine::Of(session_, graph_, view_.minMax)));
        if (bottom == lineBottom)
            return;
        lineBottom = bottom;
    }
    MeasureGraphAt(canvas, GraphAreaBelow(layout, lineBottom));
}

void SessionReport::DrawGraphPage(Canvas& canvas, const PageLayout& layout) {
    PlaceGraph(canvas, layout);
    graph_.Draw(canvas);
    // The figures of the drawing on this page, its cursor's column included.
    printedLine_ = SessionChannelLine::Of(session_, graph_, view_.minMax);
    DrawChannelLine(canvas, layout, LineCells(*printedLine_));
}

std::vector<QString> SessionReport::SampleRow(int64_t row) const {
    const int r = static_cast<int>(row);
    return {cells_.Cell(r, 0), cells_.Cell(r, 1), cells_.Cell(r, SessionTable::kValueColumn)};
}

void SessionReport::DrawSamplePage(Canvas& canvas, const PageLayout& layout, int tablePage) {
    const int64_t perPage = TableRowsPerPage(layout);
    const int64_t first = tablePage * perPage;
    const int64_t end = std::min(table_.rows, first + perPage);
    if (first >= end)
        return;
    std::vector<QString> headers;
    for (int c = 0; c < SessionTable::kColumnCount; ++c)
        headers.push_back(cells_.Header(c));
    // The widest value texts decide the value column, whichever page this is.
    std::vector<QString> widest = SampleRow(first);
    widest[SessionTable::kValueColumn] =
        ChannelTexts(session_.ChanData()).ValueText(OverRangeValue, session_.DisplayUnits());
    PrintedTable table(canvas, layout, layout.page.left,
                       PrintedTable::Fit(canvas, layout, headers, {widest, SampleRow(end - 1)}));
    int y = table.DrawHeader(layout.contentTop);
    for (int64_t row = first; row < end; ++row)
        y = table.DrawRow(y, SampleRow(row));
}

#include "core/graph/PagePrintouts.h"

#include "core/graph/CTrendGraph.h"

#include <algorithm>
#include <utility>

ListPrintout::ListPrintout(QString title, std::vector<QString> headers,
                           std::vector<std::vector<QString>> rows)
    : title_(std::move(title)), headers_(std::move(headers)), rows_(std::move(rows)) {}

int ListPrintout::RowsOnFirstPage(const PageLayout& layout) const {
    // Below the title, a blank line and the header row.
    const int top = layout.contentTop + 3 * layout.lineHeight;
    return std::max(1, (layout.contentBottom - top) / layout.lineHeight);
}

int ListPrintout::RowsPerLaterPage(const PageLayout& layout) const {
    return std::max(1, (layout.contentBottom - layout.contentTop) / layout.lineHeight - 1);
}

int ListPrintout::PageCount(const PageLayout& layout) const {
    const auto rows = static_cast<int64_t>(rows_.size());
    const int64_t first = RowsOnFirstPage(layout);
    if (rows <= first)
        return 1;
    const int64_t later = RowsPerLaterPage(layout);
    return static_cast<int>(1 + (rows - first + later - 1) / later);
}

void ListPrintout::DrawPage(Canvas& canvas, const PageLayout& layout, int page) {
    DrawRunningHeader(canvas, layout, title_, page);
    int y = layout.contentTop;
    std::size_t first = 0;
    std::size_t count = static_cast<std::size_t>(RowsOnFirstPage(layout));
    if (page == 1) {
        DrawPageTitle(canvas, layout, title_);
        y += 2 * layout.lineHeight;
    } else {
        first = count + static_cast<std::size_t>(page - 2) * RowsPerLaterPage(layout);
        count = static_cast<std::size_t>(RowsPerLaterPage(layout));
    }
    PrintedTable table(canvas, layout, layout.page.left,
                       PrintedTable::Fit(canvas, layout, headers_, rows_));
    y = table.DrawHeader(y);
    for (std::size_t r = first; r < rows_.size() && r < first + count; ++r)
        y = table.DrawRow(y, rows_[r]);
}

InstrumentPrintout::InstrumentPrintout(InstrumentPageContent content, CTrendGraph& graph)
    : content_(std::move(content)), graph_(graph) {}

void InstrumentPrintout::DrawPage(Canvas& canvas, const PageLayout& layout, int page) {
    DrawRunningHeader(canvas, layout, content_.title, page);
    if (page == 1) {
        DrawPageTitle(canvas, layout, content_.title);
        std::vector<PrintedNameValue> rows;
        for (const auto& [name, value] : content_.status)
            rows.push_back({name, value});
        DrawNameValueList(canvas, layout, layout.contentTop + 2 * layout.lineHeight, rows);
        return;
    }
    DrawChannelLineAndGraph(canvas, layout,
                            {content_.channelHeaders, content_.channelTexts, content_.colourColumn,
                             content_.traceColour},
                            graph_);
}

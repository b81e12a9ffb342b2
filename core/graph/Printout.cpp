#include "core/graph/Printout.h"

#include "core/common/StringTable.h"
#include "core/graph/CGraphClass.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

constexpr ColorRef kInk = 0x000000;
constexpr ColorRef kGrid = 0x808080;

// Takes a drawing's measures and nothing else, so that a graph settles the width of its
// labels, and the cursor its column, before the one drawing that reaches the page.
class MeasuringCanvas final : public Canvas {
public:
    MeasuringCanvas(Canvas& page, bool printer) : page_(page), printer_(printer) {}
    void SetPen(const GraphPen&) override {}
    void Line(GraphPoint, GraphPoint) override {}
    void Text(GraphPoint, const QString&) override {}
    TextExtent MeasureText(const QString& text) const override { return page_.MeasureText(text); }
    void FillRect(const GraphRect&, ColorRef) override {}
    void FrameRect(const GraphRect&, ColorRef) override {}
    bool IsPrinter() const override { return printer_; }

private:
    Canvas& page_;
    bool printer_;
};

// The columns of each table the channel line takes, as [first, end): as many as fit the
// page's width, and at least one.
std::vector<std::pair<std::size_t, std::size_t>> LineTables(const std::vector<PrintColumn>& columns,
                                                            int width) {
    std::vector<std::pair<std::size_t, std::size_t>> tables;
    std::size_t first = 0;
    while (first < columns.size()) {
        std::size_t end = first + 1;
        int used = columns[first].width;
        while (end < columns.size() && used + columns[end].width <= width)
            used += columns[end++].width;
        tables.emplace_back(first, end);
        first = end;
    }
    return tables;
}

} // namespace

PrintedTable::PrintedTable(Canvas& canvas, const PageLayout& layout, int left,
                           std::vector<PrintColumn> columns)
    : canvas_(canvas), layout_(layout), left_(left), columns_(std::move(columns)) {}

std::vector<PrintColumn> PrintedTable::Fit(Canvas& canvas, const PageLayout& layout,
                                           const std::vector<QString>& headers,
                                           const std::vector<std::vector<QString>>& sampleRows) {
    std::vector<PrintColumn> columns;
    const int gap = 2 * layout.nWidth;
    for (std::size_t c = 0; c < headers.size(); ++c) {
        // Headers are drawn in bold.
        canvas.SetBold(true);
        int widest = canvas.MeasureText(headers[c]).width;
        canvas.SetBold(false);
        for (const auto& row : sampleRows)
            if (c < row.size())
                widest = std::max(widest, canvas.MeasureText(row[c]).width);
        columns.push_back({headers[c], widest + gap});
    }
    return columns;
}

int PrintedTable::Width() const {
    return std::accumulate(columns_.begin(), columns_.end(), 0,
                           [](int sum, const PrintColumn& c) { return sum + c.width; });
}

QString PrintedTable::Fitted(const QString& text, int width) const {
    if (canvas_.MeasureText(text).width <= width)
        return text;
    const QString ellipsis = QStringLiteral("…");
    qsizetype low = 0;
    qsizetype high = text.size();
    // The longest beginning that fits with the ellipsis.
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (canvas_.MeasureText(text.left(mid) + ellipsis).width <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(low) + ellipsis;
}

void PrintedTable::DrawGrid(int y) {
    const int l = layout_.lineHeight;
    canvas_.FrameRect({left_, y, left_ + Width() + 1, y + l + 1}, kGrid);
    int x = left_;
    canvas_.SetPen({PenStyleType::Solid, 1, kGrid});
    for (std::size_t c = 0; c + 1 < columns_.size(); ++c) {
        x += columns_[c].width;
        canvas_.Line({x, y}, {x, y + l});
    }
}

int PrintedTable::DrawHeader(int y) {
    std::vector<QString> headers;
    for (const auto& column : columns_)
        headers.push_back(column.header);
    return DrawRow(y, headers, true);
}

int PrintedTable::DrawRow(int y, const std::vector<QString>& cells, bool bold) {
    DrawGrid(y);
    canvas_.SetBold(bold);
    canvas_.SetPen({PenStyleType::Solid, 1, kInk});
    const int gap = layout_.nWidth;
    const int textTop =
        y + std::max(0, (layout_.lineHeight - canvas_.MeasureText(QStringLiteral("n")).height) / 2);
    int x = left_;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (c < cells.size() && !cells[c].isEmpty())
            canvas_.Text({x + gap, textTop}, Fitted(cells[c], columns_[c].width - 2 * gap));
        x += columns_[c].width;
    }
    canvas_.SetBold(false);
    return y + layout_.lineHeight;
}

int PrintedTable::DrawRowWithSwatch(int y, const std::vector<QString>& cells, int column,
                                    ColorRef colour) {
    int x = left_;
    for (int c = 0; c < column && c < static_cast<int>(columns_.size()); ++c)
        x += columns_[static_cast<std::size_t>(c)].width;
    const int next = DrawRow(y, cells);
    if (column >= 0 && column < static_cast<int>(columns_.size())) {
        const int inset = std::max(1, layout_.lineHeight / 6);
        canvas_.FillRect({x + inset, y + inset,
                          x + columns_[static_cast<std::size_t>(column)].width - inset + 1,
                          y + layout_.lineHeight - inset + 1},
                         colour);
    }
    return next;
}

void DrawRunningHeader(Canvas& canvas, const PageLayout& layout, const QString& text, int page) {
    canvas.SetPen({PenStyleType::Solid, 1, kInk});
    const int y = layout.HeaderY();
    if (!text.isEmpty())
        canvas.Text({layout.page.left, y}, text);
    const QString number = QString::number(page);
    canvas.Text({layout.page.right - canvas.MeasureText(number).width, y}, number);
}

int DrawPageTitle(Canvas& canvas, const PageLayout& layout, const QString& title) {
    canvas.SetPen({PenStyleType::Solid, 1, kInk});
    canvas.SetBold(true);
    canvas.Text({layout.page.left, layout.contentTop}, title);
    canvas.SetBold(false);
    return layout.contentTop + layout.lineHeight;
}

void DrawNameValueList(Canvas& canvas, const PageLayout& layout, int y,
                       const std::vector<PrintedNameValue>& rows) {
    std::vector<std::vector<QString>> texts;
    for (const auto& row : rows)
        texts.push_back({row.name, row.value});
    PrintedTable table(
        canvas, layout, layout.page.left,
        PrintedTable::Fit(canvas, layout,
                          {ResourceString(TextId::kName), ResourceString(TextId::kValue)}, texts));
    y = table.DrawHeader(y);
    for (std::size_t r = 0; r < rows.size() && y + layout.lineHeight <= layout.contentBottom; ++r) {
        const bool gap = rows[r].name.isEmpty() && rows[r].value.isEmpty() && !rows[r].bold;
        y = gap ? y + layout.lineHeight : table.DrawRow(y, texts[r], rows[r].bold);
    }
}

int ChannelLineBottom(Canvas& canvas, const PageLayout& layout, const ChannelLineCells& line) {
    const std::vector<PrintColumn> columns =
        PrintedTable::Fit(canvas, layout, line.headers, {line.texts});
    const auto tables = static_cast<int>(LineTables(columns, layout.page.Width()).size());
    return layout.contentTop + 2 * layout.lineHeight * tables;
}

int DrawChannelLine(Canvas& canvas, const PageLayout& layout, const ChannelLineCells& line) {
    // A line wider than the page goes on in a table below, cut between two columns.
    const std::vector<PrintColumn> columns =
        PrintedTable::Fit(canvas, layout, line.headers, {line.texts});
    int y = layout.contentTop;
    for (const auto& [first, end] : LineTables(columns, layout.page.Width())) {
        PrintedTable table(canvas, layout, layout.page.left,
                           {columns.begin() + static_cast<std::ptrdiff_t>(first),
                            columns.begin() + static_cast<std::ptrdiff_t>(end)});
        std::vector<QString> cells;
        for (std::size_t c = first; c < end && c < line.texts.size(); ++c)
            cells.push_back(line.texts[c]);
        const int swatch = line.colourColumn - static_cast<int>(first);
        y = table.DrawHeader(y);
        y = table.DrawRowWithSwatch(y, cells, swatch < static_cast<int>(cells.size()) ? swatch : -1,
                                    line.colour);
    }
    return y;
}

GraphRect GraphAreaBelow(const PageLayout& layout, int y) {
    return {layout.page.left, y + layout.lineHeight, layout.page.right, layout.contentBottom};
}

void MeasureGraph(Canvas& canvas, CGraphClass& graph, bool asScreen) {
    MeasuringCanvas measuring(canvas, !asScreen && canvas.IsPrinter());
    graph.Draw(measuring);
}

void DrawChannelLineAndGraph(Canvas& canvas, const PageLayout& layout, const ChannelLineCells& line,
                             CGraphClass& graph) {
    const int y = DrawChannelLine(canvas, layout, line);
    const GraphRect screen = graph.OuterRect();
    graph.SetOuterRect(GraphAreaBelow(layout, y));
    MeasureGraph(canvas, graph, false);
    graph.Draw(canvas);
    graph.SetOuterRect(screen);
}

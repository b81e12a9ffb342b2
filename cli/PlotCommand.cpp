#include "cli/PlotCommand.h"

#include "cli/ChannelLineJson.h"
#include "cli/CommandFiles.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "cli/PrintedGraph.h"
#include "cli/StoredGraphSettings.h"
#include "core/app/TraceColours.h"
#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/export/DateTimeTextCache.h"
#include "core/graph/COverlayGraph.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/OverlaySessions.h"
#include "core/graph/SessionChannelLine.h"
#include "core/session/CRecSession.h"
#include "gui/graph/QtCanvas.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// Passes every call on and keeps what a description of the drawing needs.
class DescribingCanvas final : public Canvas {
public:
    struct DrawnText {
        GraphPoint at;
        QString text;
    };
    struct DrawnLine {
        GraphPoint from, to;
        GraphPen pen;
    };

    DescribingCanvas(Canvas& inner, int width) : inner_(inner), width_(width) {}

    void SetPen(const GraphPen& pen) override {
        pen_ = pen;
        inner_.SetPen(pen);
    }
    void Line(GraphPoint from, GraphPoint to) override {
        lines.push_back({from, to, pen_});
        inner_.Line(from, to);
    }
    void Text(GraphPoint topLeft, const QString& text) override {
        texts.push_back({topLeft, text});
        inner_.Text(topLeft, text);
    }
    TextExtent MeasureText(const QString& text) const override { return inner_.MeasureText(text); }
    void FillRect(const GraphRect& rect, ColorRef colour) override {
        // The background of a second pass: only the last drawing counts.
        if (rect.Width() * 10 >= width_ * 9)
            Clear();
        inner_.FillRect(rect, colour);
    }
    void FrameRect(const GraphRect& rect, ColorRef colour) override {
        inner_.FrameRect(rect, colour);
    }
    bool IsPrinter() const override { return inner_.IsPrinter(); }

    void Clear() {
        lines.clear();
        texts.clear();
    }

    std::vector<DrawnLine> lines;
    std::vector<DrawnText> texts;

private:
    Canvas& inner_;
    int width_;
    GraphPen pen_;
};

bool Within(const GraphRect& r, GraphPoint p) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

std::string Describe(const CRecSession& session, const CTrendGraph& graph,
                     const DescribingCanvas& drawn, ColorRef trace, const QString& unit) {
    const GraphRect plot = graph.InnerRect();
    std::vector<int> gridX;
    std::vector<DescribingCanvas::DrawnText> labels;
    QString division, span;
    std::int64_t segments = 0;
    for (const auto& line : drawn.lines) {
        const bool vertical = line.from.x == line.to.x;
        if (line.pen.style == PenStyleType::Dot && vertical &&
            std::abs(line.to.y - line.from.y) > plot.Height() / 2)
            gridX.push_back(line.from.x);
        else if (line.pen.style == PenStyleType::Solid && line.pen.colour == trace &&
                 Within(plot, line.from) && Within(plot, line.to))
            ++segments;
    }
    for (const auto& text : drawn.texts) {
        if (text.at.x < plot.left && text.at.y < plot.bottom && text.text != unit)
            labels.push_back(text);
        else if (text.text.contains(QStringLiteral("/Div")))
            division = text.text;
        else if (text.at.y >= plot.bottom && text.text.contains(u'(') && span.isEmpty() &&
                 text.at.x > plot.left + plot.Width() / 4 &&
                 text.at.x < plot.right - plot.Width() / 4)
            span = text.text;
    }
    std::sort(gridX.begin(), gridX.end());
    gridX.erase(std::unique(gridX.begin(), gridX.end()), gridX.end());
    std::stable_sort(labels.begin(), labels.end(),
                     [](const auto& a, const auto& b) { return a.at.y < b.at.y; });

    using namespace JsonText;
    const ValueRange& range = graph.CurrentValueRange();
    std::string json =
        "{\"lowest\": " + Number(range.lowest) + ", \"highest\": " + Number(range.highest);
    json += ", \"division_text\": " + String(division) + ", \"span_text\": " + String(span);
    json += ", \"grid_x\": [";
    for (std::size_t i = 0; i < gridX.size(); ++i)
        json += (i ? ", " : "") + Number(std::int64_t{gridX[i]});
    json += "], \"value_labels\": [";
    for (std::size_t i = 0; i < labels.size(); ++i)
        json += (i ? ", " : "") + String(labels[i].text);
    json += "], \"plot\": {\"left\": " + Number(std::int64_t{plot.left}) +
            ", \"top\": " + Number(std::int64_t{plot.top}) +
            ", \"right\": " + Number(std::int64_t{plot.right}) +
            ", \"bottom\": " + Number(std::int64_t{plot.bottom}) + "}";
    json += ", \"segments\": " + Number(segments);
    // The value the cursor was drawn on, timed as `values --json` times it.
    if (graph.CursorEnabled() && graph.CursorIndex() >= 0)
        json += ", \"cursor\": {\"index\": " + Number(graph.CursorIndex()) +
                ", \"t\": " + Number(graph.CursorTime().InSeconds()) + ", \"iso\": \"" +
                DateTimeTextCache().IsoAt(graph.CursorTime().seconds, graph.CursorTime().ms) +
                "\", \"text\": " + String(graph.CursorLabel()) + "}";
    // The page opens with its minimum/maximum display off.
    json +=
        ", \"channel_line\": " + ChannelLineJson(SessionChannelLine::Of(session, graph, false)) +
        "}\n";
    return json;
}

// Draws with `drawOnce` until the drawing is the one asked for: a first drawing gives the
// graph the recording's time frame the window is measured in, and a window's drawing the
// pixel scale the cursor is placed by.
void DrawAsAsked(CGraphClass& graph, const PlotRequest& request,
                 const std::function<void()>& drawOnce) {
    drawOnce();
    if (request.from || request.to) {
        SetAskedWindow(graph, request.from, request.to);
        drawOnce();
    }
    if (request.cursor) {
        graph.PlaceCursorAtTime(*request.cursor);
        drawOnce();
    }
}

void Draw(const CRecSession& session, CTrendGraph& graph, QPaintDevice& device,
          const PlotRequest& request, std::string& description, ColorRef trace,
          const QString& unit) {
    if (request.cursor)
        graph.EnableCursor();
    DrawAsAsked(graph, request, [&] {
        QPainter painter(&device);
        painter.fillRect(QRect(0, 0, request.width, request.height), Qt::white);
        QtCanvas canvas(painter, false);
        DescribingCanvas recorder(canvas, request.width);
        graph.MarkDirty();
        graph.Draw(recorder);
        description = Describe(session, graph, recorder, trace, unit);
    });
}

// The picture is made whole in memory first, so that a failure sends nothing at all.
bool WriteToStandardOutput(const std::function<bool(QIODevice&)>& write) {
    QBuffer picture;
    picture.open(QIODevice::WriteOnly);
    if (!write(picture))
        return false;
    const QByteArray& bytes = picture.data();
    return std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) ==
               static_cast<std::size_t>(bytes.size()) &&
           std::fflush(stdout) == 0;
}

// Writes the image or the PDF page that `draw` paints beside the destination, and puts it in
// place only once whole; false when it could not be written, the destination as it was.
bool WritePicture(const PlotRequest& request, const std::function<void(QPaintDevice&)>& draw) {
    const QByteArray format = request.format.isEmpty()
                                  ? QFileInfo(request.out).suffix().toLower().toLatin1()
                                  : request.format.toLatin1();
    const bool pdf = format == "pdf";
    const auto write = [&](QIODevice& file) {
        if (pdf) {
            QPdfWriter writer(&file);
            writer.setResolution(96);
            writer.setPageSize(
                QPageSize(QSizeF(request.width * 0.75, request.height * 0.75), QPageSize::Point));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            draw(writer);
            return true;
        }
        QImage image(request.width, request.height, QImage::Format_RGB32);
        draw(image);
        return image.save(&file, format.constData());
    };
    if (request.out == QLatin1StringView(kPlotToStandardOutput))
        return WriteToStandardOutput(write);
    return CommandFiles::WriteWhole(request.out, write);
}

int NotWritten(const PlotRequest& request) {
    return Refuse(CliExit::kRefused, FormatResource(TextId::kCliCannotWriteImage, {request.out}));
}

std::string DescribeOverlay(const COverlayGraph& graph, bool cursor) {
    using namespace JsonText;
    const ValueRange& range = graph.CurrentValueRange();
    std::string json =
        "{\"origin\": " +
        String(
            FormatDateTimeText(CalendarDateTime::FromLocalTimeStamp(graph.Timeline().Origin()))) +
        ", \"origin_iso\": \"" + DateTimeTextCache().IsoAt(graph.Timeline().Origin(), 0) +
        "\", \"total_span\": " + Number(graph.TotalSpan()) +
        ", \"view_start\": " + Number(graph.ViewStart()) +
        ", \"view_span\": " + Number(graph.ViewSpan()) + ", \"lowest\": " + Number(range.lowest) +
        ", \"highest\": " + Number(range.highest);
    if (cursor)
        json += ", \"cursor_time\": " + Number(graph.CursorTime());
    json += ", \"sessions\": [";
    for (int s = 0; s < graph.SessionCount(); ++s) {
        const ColorRef c = graph.TraceColour(s);
        json += std::string(s ? ", " : "") +
                "{\"name\": " + String(OverlayName(graph.SessionAt(s))) + ", \"colour\": " +
                String(QStringLiteral("#%1%2%3")
                           .arg(RedOf(c), 2, 16, QLatin1Char('0'))
                           .arg(GreenOf(c), 2, 16, QLatin1Char('0'))
                           .arg(BlueOf(c), 2, 16, QLatin1Char('0')));
        if (cursor)
            json += ", \"cursor\": " + String(graph.CursorReading(s));
        json += "}";
    }
    return json + "]}\n";
}

} // namespace

int RunPlot(const CRecSession& session, const SettingsStore& settings, const PlotRequest& request,
            std::FILE* out) {
    const StoredGraphSettings graphSettings(settings);
    CTrendGraph graph;
    graph.SetSettingsSource(&graphSettings);
    graph.SetChannelSource(&session);
    graph.SetUnitText(session.DisplayUnits());
    graph.SetOuterRect({0, 0, request.width, request.height});
    const ColorRef trace =
        graphSettings.GraphColours().TraceColourOfGroup(session.Entry().ColourGroup);

    std::string description;
    const bool written = WritePicture(request, [&](QPaintDevice& device) {
        Draw(session, graph, device, request, description, trace, session.DisplayUnits());
    });
    if (!written)
        return NotWritten(request);
    if (request.describe)
        std::fputs(description.c_str(), out);
    return 0;
}

int RunOverlayPlot(const std::vector<const CRecSession*>& sessions, const SettingsStore& settings,
                   const PlotRequest& request, std::FILE* out) {
    if (const std::optional<QString> refusal = OverlayRefusal(sessions))
        return Refuse(CliExit::kRefused, *refusal);
    const StoredGraphSettings graphSettings(settings);
    COverlayGraph graph;
    graph.SetSettingsSource(&graphSettings);
    graph.SetSessions(sessions);
    graph.SetOuterRect({0, 0, request.width, request.height});
    if (request.cursor)
        graph.EnableCursor();

    const bool written = WritePicture(request, [&](QPaintDevice& device) {
        DrawAsAsked(graph, request, [&] {
            QPainter painter(&device);
            painter.fillRect(QRect(0, 0, request.width, request.height), Qt::white);
            QtCanvas canvas(painter, false);
            graph.MarkDirty();
            graph.Draw(canvas);
        });
    });
    if (!written)
        return NotWritten(request);
    if (request.describe)
        std::fputs(DescribeOverlay(graph, request.cursor.has_value()).c_str(), out);
    return 0;
}

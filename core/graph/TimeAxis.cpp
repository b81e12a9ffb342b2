#include "core/graph/TimeAxis.h"

#include "core/common/DurationFormat.h"
#include "core/common/TimeFormat.h"
#include "core/graph/AxisTextPlacer.h"
#include "core/graph/PixelMath.h"
#include "core/graph/TimeDivision.h"

#include <cmath>

namespace {

// More grid lines than this means a division far below a pixel; also bounds the loop.
constexpr int kMaxTimeLines = 100;

struct EdgeTexts {
    QString date;
    QString time;
};

EdgeTexts EdgeTextsAt(qint64 sessionStart, double offset) {
    const double whole = std::floor(offset);
    const qint64 t = sessionStart + static_cast<qint64>(whole);
    const int ms = static_cast<int>((offset - whole) * 1000.0);
    return {FormatShortDate(t), FormatTimeOfDay(t, ms)};
}

// The texts of one plot edge go together: a date without its time would mislead.
void DrawEdgeIfFits(AxisTextPlacer& texts, const EdgeTexts& edge, int x, int upper, int lower,
                    bool rightAligned) {
    const auto at = [&](const QString& text, int y) {
        const GraphRect box = texts.BoxAt({x, y}, text);
        return rightAligned ? box.Offset(-box.Width(), 0) : box;
    };
    const GraphRect date = at(edge.date, upper);
    const GraphRect time = at(edge.time, lower);
    if (!texts.Fits(date) || !texts.Fits(time))
        return;
    texts.Draw(date, edge.date);
    texts.Draw(time, edge.time);
}

void DrawCentredIfFits(AxisTextPlacer& texts, const GraphRect& plot, int y, const QString& text) {
    const GraphRect box = texts.BoxAt({0, y}, text);
    texts.DrawIfFits({plot.left + (plot.Width() - box.Width()) / 2, y}, text);
}

} // namespace

void DrawTimeAxis(Canvas& canvas, const TimeAxisLayout& axis) {
    const GraphRect& plot = axis.plot;
    const int cursorRow = axis.cursorRow ? axis.lineHeight : 0;
    const int upper = plot.bottom + axis.lineHeight / 2 + cursorRow;
    const int lower = plot.bottom + 3 * axis.lineHeight / 2 + cursorRow;

    // The edges first, then what is centred between them where there is room.
    AxisTextPlacer texts(canvas, plot.left, plot.right);
    DrawEdgeIfFits(texts, EdgeTextsAt(axis.sessionStart, axis.viewStart), plot.left, upper, lower,
                   false);
    DrawEdgeIfFits(texts, EdgeTextsAt(axis.sessionStart, axis.viewStart + axis.viewSpan),
                   plot.right, upper, lower, true);

    const TimeDivision division = ChooseTimeDivision(axis.viewSpan);
    canvas.SetPen({PenStyleType::Dot, 1, axis.ink});
    canvas.Line({plot.left, plot.top}, {plot.left, plot.bottom});
    if (division.seconds > 0.0) {
        for (int i = 1; i < kMaxTimeLines; ++i) {
            const double q = i * division.seconds;
            if (!(q < axis.viewSpan))
                break;
            const int x = plot.left + TruncateToPixel(q * axis.pixelsPerSecond) + 1;
            canvas.Line({x, plot.top}, {x, plot.bottom});
        }
    }
    DrawCentredIfFits(texts, plot, lower, division.text);
    DrawCentredIfFits(texts, plot, upper, FormatDurationClock(axis.viewSpan).Joined());
}

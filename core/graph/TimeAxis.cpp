#include "core/graph/TimeAxis.h"

#include "core/common/DurationFormat.h"
#include "core/common/TimeFormat.h"
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

void Centred(Canvas& canvas, const GraphRect& plot, int y, const QString& text) {
    if (text.isEmpty())
        return;
    const int width = canvas.MeasureText(text).width;
    canvas.Text({plot.left + (plot.Width() - width) / 2, y}, text);
}

} // namespace

void DrawTimeAxis(Canvas& canvas, const TimeAxisLayout& axis) {
    const GraphRect& plot = axis.plot;
    const int cursorRow = axis.cursorRow ? axis.lineHeight : 0;
    const int upper = plot.bottom + axis.lineHeight / 2 + cursorRow;
    const int lower = plot.bottom + 3 * axis.lineHeight / 2 + cursorRow;

    const EdgeTexts left = EdgeTextsAt(axis.sessionStart, axis.viewStart);
    canvas.Text({plot.left, upper}, left.date);
    canvas.Text({plot.left, lower}, left.time);
    const EdgeTexts right = EdgeTextsAt(axis.sessionStart, axis.viewStart + axis.viewSpan);
    canvas.Text({plot.right - canvas.MeasureText(right.date).width, upper}, right.date);
    canvas.Text({plot.right - canvas.MeasureText(right.time).width, lower}, right.time);

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
    Centred(canvas, plot, lower, division.text);
    Centred(canvas, plot, upper, FormatDurationClock(axis.viewSpan).Joined());
}

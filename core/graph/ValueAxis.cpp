#include "core/graph/ValueAxis.h"

#include "core/common/StringTable.h"
#include "core/common/ValueFormat.h"
#include "core/graph/PixelMath.h"

#include <algorithm>
#include <cmath>

namespace {

// More lines than this would crowd the axis; also bounds the loop on absurd ranges.
constexpr int kMaxValueLines = 1000;

double NormalisedStep(double u) {
    double magnitude = 1.0;
    for (;;) {
        if (std::fabs(u - 1.0) < 0.0001)
            return magnitude;
        if (u > 10.0) {
            u /= 10.0;
            magnitude *= 10.0;
        } else if (u < 1.0) {
            u *= 10.0;
            magnitude /= 10.0;
        } else {
            return std::floor(u) * magnitude;
        }
    }
}

// Lines are multiples of the step counted from −divisions × step; the first is the one at
// (or within a thousandth of a step of) the lowest value, on the side away from zero.
double FirstLineValue(double lowest, double step, int divisions) {
    const double start = -divisions * step;
    const double slack = step / 1000.0;
    if (lowest < 0.0)
        return std::min(start, std::floor((lowest + slack) / step) * step);
    return std::max(start, std::ceil((lowest - slack) / step) * step);
}

QString LabelText(const ValueAxisLayout& axis, double v, double step, int decimals) {
    const double shown = v * axis.labelMultiplier;
    const bool zero = std::fabs(shown) < step / 1000.0;
    QString text = zero ? QStringLiteral("0") : FormatFixed(shown, decimals);
    if (axis.twoState) {
        const bool off = zero == axis.polarity;
        text += u' ' + ResourceString(off ? TextId::kOff : TextId::kOn);
    }
    return text;
}

} // namespace

ValueAxisSteps ChooseValueAxisSteps(int plotHeight, double pixelsPerUnit, double labelStep,
                                    int lineHeight) {
    ValueAxisSteps out;
    if (pixelsPerUnit != 0.0) {
        const double u = std::fabs(plotHeight / 10.0 / pixelsPerUnit);
        out.step = u == 0.0 ? 1.0 : std::max(NormalisedStep(u), labelStep);
    }
    const int lineRoom = lineHeight * 15 / 10;
    while (out.divisions > 0 && plotHeight < lineRoom * out.divisions) {
        out.divisions /= 2;
        out.step *= 2.0;
    }
    return out;
}

int ValueLabelDecimals(double lineStep) {
    int decimals = 0;
    for (double s = lineStep; s > 0.0 && s < 1.0 && decimals < 15; s *= 10.0)
        ++decimals;
    return decimals;
}

int DrawValueAxis(Canvas& canvas, const ValueAxisLayout& axis) {
    const GraphRect& plot = axis.plot;
    const int lineHeight = canvas.MeasureText(QStringLiteral("Hg")).height;
    const ValueAxisSteps steps =
        ChooseValueAxisSteps(plot.Height(), axis.pixelsPerUnit, axis.labelStep, lineHeight);
    canvas.SetPen({PenStyleType::Dot, 1, axis.ink});

    const int bound = plot.top - canvas.MeasureText(QStringLiteral("0")).height / 2;
    const double stepPixels = steps.step * axis.pixelsPerUnit;
    const double lineStep = stepPixels > 0.0 && (plot.bottom - bound) / stepPixels > 10.0
                                ? 2.0 * steps.step
                                : steps.step;

    const int unitWidth = canvas.MeasureText(axis.unitText).width;
    if (!axis.unitText.isEmpty())
        canvas.Text({axis.drawing.left + 2, plot.top + plot.Height() * 43 / 100}, axis.unitText);
    if (!(stepPixels > 0.0) || !std::isfinite(stepPixels))
        return 0;

    const int decimals = ValueLabelDecimals(lineStep);
    const int labelRight = plot.left - axis.charWidth / 2;
    const int labelMinLeft = axis.drawing.left + unitWidth + 4;
    const double first = FirstLineValue(axis.lowest, steps.step, steps.divisions);
    int widest = 0;
    for (int i = 0; i < kMaxValueLines; ++i) {
        const double v = first + i * lineStep;
        const int y = plot.bottom - TruncateToPixel((v - axis.lowest) * axis.pixelsPerUnit + 0.5);
        if (y < bound)
            break;
        if (y > plot.bottom)
            continue;
        canvas.Line({plot.left, y}, {plot.right, y});
        const QString label = LabelText(axis, v, steps.step, decimals);
        const TextExtent size = canvas.MeasureText(label);
        canvas.Text({std::max(labelRight - size.width, labelMinLeft), y - size.height / 2}, label);
        widest = std::max(widest, size.width);
    }
    return widest;
}

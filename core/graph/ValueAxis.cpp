#include "core/graph/ValueAxis.h"

#include "core/common/StringTable.h"
#include "core/common/ValueFormat.h"
#include "core/graph/AxisTextPlacer.h"
#include "core/graph/PixelMath.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// More lines than this would crowd the axis; also bounds the loop on absurd ranges.
constexpr double kMaxValueLines = 1000.0;
// Beyond this a double no longer tells one step count from the next.
constexpr double kLargestStepCount = 4503599627370496.0; // 2^52
// A double carries no more meaningful decimals than this.
constexpr int kMaxLabelDecimals = 15;
// How far a quotient may miss a whole number and still count as one.
constexpr double kWholeSlack = 1e-9;

bool IsWhole(double x) {
    return std::fabs(x - std::round(x)) <= kWholeSlack * std::max(1.0, std::fabs(x));
}

// Division of values by a step leaves a rounding error that grows with the quotient.
double StepSlack(double quotient) {
    return kWholeSlack + std::fabs(quotient) * 1e-15;
}

QString LabelText(const ValueAxisLayout& axis, double v, int decimals) {
    const bool zero = v == 0.0;
    QString text = zero ? QStringLiteral("0") : FormatFixed(v, decimals);
    if (axis.twoState) {
        const bool off = zero == axis.polarity;
        text += u' ' + ResourceString(off ? TextId::kOff : TextId::kOn);
    }
    return text;
}

} // namespace

int ValueAxisDivisions(int plotHeight, int lineHeight) {
    const int lineRoom = lineHeight * 15 / 10;
    int divisions = 10;
    while (divisions > 0 && plotHeight < lineRoom * divisions)
        divisions /= 2;
    return divisions;
}

double ValueLineStep(double span, int divisions, double labelStep) {
    const double finest = labelStep > 0.0 && std::isfinite(labelStep) ? labelStep : 0.0;
    const double wanted = std::max(span / std::max(1, divisions), finest);
    if (!(wanted > 0.0) || !std::isfinite(wanted))
        return finest > 0.0 ? finest : 1.0;
    const int finestDecimals = finest > 0.0 ? ValueLabelDecimals(finest) : kMaxLabelDecimals;
    const double atLeast = wanted * (1.0 - kWholeSlack);
    double magnitude = std::pow(10.0, std::floor(std::log10(wanted)));
    // The next decade's 1 always serves, so two decades are enough.
    for (int decade = 0; decade < 2; ++decade, magnitude *= 10.0) {
        for (const double factor : std::array{1.0, 2.0, 2.5, 5.0}) {
            const double step = factor * magnitude;
            if (step < atLeast)
                continue;
            if (factor == 2.5 && ValueLabelDecimals(step) > finestDecimals)
                continue;
            return step;
        }
    }
    return magnitude;
}

int ValueLabelDecimals(double lineStep) {
    if (!(lineStep > 0.0) || !std::isfinite(lineStep))
        return 0;
    for (int decimals = 0; decimals < kMaxLabelDecimals; ++decimals)
        if (IsWhole(lineStep * std::pow(10.0, decimals)))
            return decimals;
    return kMaxLabelDecimals;
}

ValueGrid ChooseValueGrid(double lowest, double highest, int divisions, double labelStep) {
    if (!std::isfinite(lowest) || !std::isfinite(highest) || highest < lowest)
        return {};
    ValueGrid grid;
    grid.step = ValueLineStep(highest - lowest, divisions, labelStep);
    if (!std::isfinite(grid.step))
        return {};
    grid.decimals = ValueLabelDecimals(grid.step);
    const double low = lowest / grid.step;
    const double high = highest / grid.step;
    const double first = std::ceil(low - StepSlack(low));
    const double last = std::floor(high + StepSlack(high));
    if (std::max(std::fabs(first), std::fabs(last)) > kLargestStepCount ||
        last - first >= kMaxValueLines)
        return grid;
    for (double k = first; k <= last; ++k)
        grid.values.push_back(k * grid.step);
    return grid;
}

int DrawValueAxis(Canvas& canvas, const ValueAxisLayout& axis) {
    const GraphRect& plot = axis.plot;
    canvas.SetPen({PenStyleType::Dot, 1, axis.ink});
    const int unitWidth = canvas.MeasureText(axis.unitText).width;
    if (!axis.unitText.isEmpty())
        canvas.Text({axis.drawing.left + 2, plot.top + plot.Height() * 43 / 100}, axis.unitText);
    if (!(axis.pixelsPerUnit > 0.0) || !std::isfinite(axis.pixelsPerUnit))
        return 0;

    const int lineHeight = canvas.MeasureText(QStringLiteral("Hg")).height;
    const double highest = axis.lowest + plot.Height() / axis.pixelsPerUnit;
    const ValueGrid grid = ChooseValueGrid(
        axis.lowest, highest, ValueAxisDivisions(plot.Height(), lineHeight), axis.labelStep);
    const int labelRight = plot.left - axis.charWidth / 2;
    const int labelMinLeft = axis.drawing.left + unitWidth + 4;
    AxisTextPlacer labels(canvas, labelMinLeft, axis.drawing.right);
    int widest = 0;
    for (const double v : grid.values) {
        const int y = plot.bottom - TruncateToPixel((v - axis.lowest) * axis.pixelsPerUnit + 0.5);
        if (y < plot.top || y > plot.bottom)
            continue;
        canvas.Line({plot.left, y}, {plot.right, y});
        const QString label = LabelText(axis, v, grid.decimals);
        const TextExtent size = canvas.MeasureText(label);
        if (labels.DrawIfFits(
                {std::max(labelRight - size.width, labelMinLeft), y - size.height / 2}, label))
            widest = std::max(widest, size.width);
    }
    return widest;
}

#pragma once

// The resistance bridges of the loggers (the RTD input, the thermocouple's cold-junction
// sensor) are dividers: a reference resistor in series with the sensor, the converter reading
// the sensor's share of the reference voltage as `count` out of `fullScaleCount`. This is the
// one place that turns such a count back into the sensor's resistance, ref·n/(full−n).
//
// - A count at or past full scale is an open sensor arm: +infinity. The resistance grows
//   without bound as the count approaches full scale, so infinity is its limit and keeps the
//   result monotone; the RTD conversion reads it as over range, as it does any resistance
//   above its 550 °C end, instead of a division by zero or a negative resistance past it.
// - A count at or below zero is a shorted arm: 0 ohms (never a negative resistance), which
//   the RTD conversion reads as under range.
// - A full-scale count that is not positive, or a NaN anywhere, leaves no way to convert the
//   count: NaN, which callers show as no value.
double DividerResistance(double referenceOhms, double count, double fullScaleCount);

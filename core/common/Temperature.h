#pragma once

#include <span>

enum class TcStatusType : int { Ok = 1, BadType = 2, BelowRange = 3, AboveRange = 4 };

struct TcResult {
    double celsius = 0.0; // 0 unless status is Ok
    TcStatusType status = TcStatusType::BadType;
};

// Inverse ITS-90 thermocouple functions; type index in "JKTNERSB" order, EMF in mV with the
// reference junction at 0 °C. The range limits themselves are in range.
TcResult ThermocoupleMvToCelsius(unsigned typeIndex, double emfMv);
// The same over many EMFs, each replaced by its °C or by the marker of its state: under or over
// the range, or no value for a NaN or infinite EMF (or an unknown type). Kept apart from the
// single conversion so that a load evaluates its polynomials back to back.
void ThermocoupleMvToCelsiusInPlace(unsigned typeIndex, std::span<double> emfMv);

struct CelsiusRange {
    double low;
    double high;
};
// The measuring range of a thermocouple type as the instrument page gives it, in °C; an index
// outside 0 to 7 takes J's range.
CelsiusRange ThermocoupleRangeCelsius(int typeIndex);

// Callendar-Van Dusen inverted by bisection; below -70 °C gives UnderRangeValue, above 550 °C
// OverRangeValue.
double RtdResistanceToCelsius(double nominalOhms, double measuredOhms);

// The user's temperature unit is °C or °F; these are the one conversion between them and the
// absolute scale the kinetic formulas need.
constexpr double CelsiusToDisplay(double celsius, bool fahrenheit) {
    return fahrenheit ? celsius * 1.8 + 32.0 : celsius;
}
constexpr double DisplayToCelsius(double value, bool fahrenheit) {
    return fahrenheit ? (value - 32.0) / 1.8 : value;
}
constexpr double DisplayToKelvin(double value, bool fahrenheit) {
    return DisplayToCelsius(value, fahrenheit) + 273.15;
}
constexpr double KelvinToDisplay(double kelvin, bool fahrenheit) {
    return CelsiusToDisplay(kelvin - 273.15, fahrenheit);
}

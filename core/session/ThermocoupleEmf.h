#pragma once

// The EMF (mV) at which the inverse thermocouple function gives `celsius`, found by bisection.
double ThermocoupleCelsiusToMv(int tcIndex, double celsius);

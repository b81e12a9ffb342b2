#pragma once

// Who knows the user's temperature unit (the document, in the program).
class TemperatureUnitSource {
public:
    virtual ~TemperatureUnitSource() = default;
    virtual bool UseFahrenheit() const = 0;
};

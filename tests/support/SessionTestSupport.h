#pragma once

#include "core/common/TemperatureUnitSource.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "support/SessionImageBuilder.h"

#include <memory>

class FixedTemperatureUnit final : public TemperatureUnitSource {
public:
    explicit FixedTemperatureUnit(bool fahrenheit) : fahrenheit_(fahrenheit) {}
    bool UseFahrenheit() const override { return fahrenheit_; }

private:
    bool fahrenheit_;
};

inline const TemperatureUnitSource* Celsius() {
    static const FixedTemperatureUnit unit(false);
    return &unit;
}

inline const TemperatureUnitSource* Fahrenheit() {
    static const FixedTemperatureUnit unit(true);
    return &unit;
}

inline std::unique_ptr<CRecSession> ReadImage(const QByteArray& image,
                                              const TemperatureUnitSource* units = Celsius(),
                                              const QString& path = QString()) {
    auto session = std::make_unique<CRecSession>(units);
    session->SetPath(path);
    const Outcome read = ReadSessionImage(*session, image, false);
    return read ? std::move(session) : nullptr;
}

inline std::unique_ptr<CRecSession> ReadImage(const SessionImageBuilder& builder,
                                              const TemperatureUnitSource* units = Celsius()) {
    return ReadImage(builder.Build(), units);
}

#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class InstrumentPort;

enum class RecordModeType { None, Now, Schedule };

// What OK in the configuration window sends.
struct ConfigurationChoice {
    float lowScale = 0.0f;
    float highScale = 1.0f;
    QString units; // only the first 4 characters reach the logger
    int tcIndex = 0;
    bool cjc = false;
    bool risingEdge = true;
    int filterSize = 1;
    // With None no recording is scheduled.
    RecordModeType mode = RecordModeType::None;
    uint32_t start = 0; // instrument time value
    uint32_t durationSeconds = 0;
};

// The settings as the fixed series of command blocks, queued on the link; the series stops at
// the first block that cannot be written. Once it ended the live data is cleared, its samples
// having been taken under the old settings, the next status is processed in full, and
// `problem` hears what went wrong: nothing, or which settings reached the logger and which not.
void SendConfiguration(InstrumentPort& port, const ConfigurationChoice& choice,
                       std::function<void(const QString& problem)> problem);

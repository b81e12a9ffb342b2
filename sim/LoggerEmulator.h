#pragma once

#include "sim/EmulatedClock.h"
#include "sim/FlashProgrammer.h"
#include "sim/LoggerCommand.h"
#include "sim/RecordingMemory.h"
#include "sim/SignalModel.h"
#include "sim/SimulatedFaults.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

struct LoggerSettings {
    int modelCode = 0;
    QString serialNumber = QStringLiteral("100001");
    QString firmwareVersion = QStringLiteral("3.02");
    qint64 memorySize = 2048000;
    double speed = 1.0;
    // A finished recording of this length, ending when the logger starts; 0: empty memory.
    qint64 demoRecordingSeconds = 0;
    LoggerFaults faults;
};

// How long the demonstration logger's recording lasts: a few hours, enough to zoom around.
inline constexpr qint64 kDemoRecordingSeconds = 3 * 3600;

// The logger that --simulate starts: a finished recording ready to download.
LoggerSettings DemoLoggerSettings(int modelCode);

// What the logger keeps of its configuration commands.
struct LoggerConfiguration {
    float lowScale = 0.0f;
    float highScale = 1.0f;
    QString units;
    int tcIndex = 1;
    bool cjc = true;
    bool polarity = true;
    int filterSize = 1;
};

enum class RecordingPhaseType { Idle, Waiting, Recording, Finished };

enum class CommandOutcomeType {
    Invalid, // not a well-formed block: ignored
    Refused, // well formed, but not acted on in the present state
    Done,
};

// A mailbox block and what the logger made of it.
struct ReceivedCommand {
    std::uint8_t code = 0;
    CommandOutcomeType outcome = CommandOutcomeType::Invalid;
};

// One logger of any model: clock, configuration, recording memory, erase, schedule and
// flash mode, and the texts it keeps on its drive. Not thread-safe; cheap to call often.
class LoggerEmulator {
public:
    LoggerEmulator(const Clock& clock, const LoggerSettings& settings);

    // Brings the logger up to the clock's present time. Everything else reads the state of
    // the last call.
    void Advance();
    CommandOutcomeType HandleCommand(const std::uint8_t* block);
    // Brings the logger up to date, then acts on one mailbox block.
    ReceivedCommand ReceiveBlock(const std::uint8_t* block);

    QByteArray StatusText() const;
    QByteArray ConfigText() const;
    // What a read of the mailbox gives: the acknowledgement map in flash mode, else zeros.
    QByteArray ControlReadBack() const;
    qint64 ReadRecord(qint64 offset, char* buffer, qint64 size) const;
    const QByteArray& RecordBytes() const { return memory_.Bytes(); }
    quint64 RecordRevision() const { return memory_.Revision(); }

    int ModelCode() const { return settings_.modelCode; }
    const LoggerConfiguration& Configuration() const { return config_; }
    RecordingPhaseType Phase() const { return phase_; }
    int RecordingState() const;
    qint64 MemorySize() const { return memory_.Size(); }
    // As reported: falls towards 0 while erasing.
    qint64 MemoryUsed() const;
    bool Erasing() const { return erase_.has_value(); }
    qint64 InstrumentSeconds() const { return clock_.InstrumentSeconds(); }
    qint64 SampleCount() const { return memory_.SampleCount(); }
    const FlashProgrammer& Flash() const { return flash_; }
    FlashProgrammer& Flash() { return flash_; }
    void SetSpeed(double speed) { clock_.SetSpeed(speed); }

private:
    struct EraseJob {
        qint64 startRealMs = 0;
        qint64 durationMs = 0;
        qint64 usedAtStart = 0;
    };

    void Progress();
    CommandOutcomeType Act(const CommandBlockView& command);
    CommandOutcomeType Schedule(qint64 startSeconds, qint64 durationSeconds);
    CommandOutcomeType StartErase();
    CommandOutcomeType SetScalesAndUnits(const std::uint8_t* payload);
    void BeginRecording(qint64 startElapsedMs);
    void RecordPast(qint64 durationSeconds);
    void TakeDueSamples();
    void FinishRecording(qint64 endInstrumentSeconds);
    QByteArray HeaderText() const;
    qint64 SampleIntervalMs() const;
    bool CanStartRecording() const;

    LoggerSettings settings_;
    EmulatedClock clock_;
    SignalModel signals_;
    ConverterConstants converter_;
    LoggerConfiguration config_;
    RecordingMemory memory_;
    FlashProgrammer flash_;
    std::optional<EraseJob> erase_;

    RecordingPhaseType phase_ = RecordingPhaseType::Idle;
    qint64 recStartSeconds_ = 0; // planned, then actual
    qint64 recEndSeconds_ = 0;
    qint64 recDurationSeconds_ = 0; // 0: until the memory is full
    qint64 recStartElapsedMs_ = 0;
    qint64 sampleLimit_ = 0;
};

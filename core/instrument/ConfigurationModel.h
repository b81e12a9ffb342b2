#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/instrument/ConfigurationCommands.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <utility>

class Clock;
class InstrumentPort;
struct InstrumentState;
class UserInterface;

// Which groups of the configuration window show for the model's kind of channel.
struct ConfigGroups {
    bool scale = false;
    bool pulseLabel = false; // the scale group reads "Impulsions par seconde"
    bool thermocouple = false;
    bool edge = false;
    bool filter = false;
};

enum class MemorySignType { Less, Equal, Greater };

struct ConfigAcceptResult {
    // Queued on the link.
    bool sent = false;
    // When not sent: the message that keeps the window open; empty when OK was disabled.
    QString message;
};

// The rules of the configuration window (`CConfigDlg`) for a dialog or a command line to bind
// to. Initial values come from the document at construction; the enabling follows the
// document's latest status, so it stays right while the monitor keeps polling.
class ConfigurationModel {
public:
    static constexpr int kUnitsLimit = 4;
    static constexpr int kFilterSizes = 10;
    // J, K, T, N, E, R and S; type B has no button.
    static constexpr int kTcButtons = 7;
    static constexpr int kEraseWatchIntervalMs = 250;
    // A logger that never starts the erase it was sent does not keep the window locked.
    static constexpr qint64 kEraseStartTimeoutMs = 10000;

    static QString MemoryNoteText();
    static QString PulseScaleLabel();

    ConfigurationModel(InstrumentPort& port, const Clock& clock);

    ConfigGroups Groups() const;
    QString InputLowText() const;
    QString InputHighText() const;
    QString TotalText() const;

    // Recording: neither radio is chosen at first; none can be while the memory is in use.
    RecordModeType RecordMode() const;
    bool RadiosEnabled() const;
    // False when the radios are disabled.
    bool SetRecordMode(RecordModeType mode);
    bool DatesEditable() const { return RecordMode() == RecordModeType::Schedule; }
    bool ResetEnabled() const { return DatesEditable(); }
    bool DurationListEnabled() const { return RecordMode() != RecordModeType::None; }

    const CalendarDateTime& Start() const { return start_; }
    const CalendarDateTime& End() const { return end_; }
    void SetStart(const CalendarDateTime& start);
    void SetEnd(const CalendarDateTime& end);
    // RecordingDurations::kNoEntry when end − start matches no fixed entry.
    int DurationEntry() const { return durationEntry_; }
    void SelectDuration(int entry);
    // "Réinitialiser la date/l’heure".
    void ResetDates();
    qint64 SpanSeconds() const;
    // Beside the list, with "Maximum" or no entry selected.
    QString DurationNote() const;

    qint64 TotalMemory() const { return totalMemory_; }
    qint64 MemoryNeeded() const;
    QString MemoryNeededText() const;
    MemorySignType MemorySign() const;
    QString MemorySignText() const;
    bool MemoryNoteShown() const;
    bool OkEnabled() const;
    bool EraseShown() const;
    bool EraseEnabled() const;
    bool SetClockEnabled() const;
    const QString& ClockText() const { return clockText_; }

    double ScaledLow() const { return scaledLow_; }
    double ScaledHigh() const { return scaledHigh_; }
    void SetScaledLow(double value) { scaledLow_ = value; }
    void SetScaledHigh(double value) { scaledHigh_ = value; }
    // As the scale edits hold them; a text that is no number is refused on OK.
    void SetScaledLowText(const QString& text) { scaledLow_ = NumberOrNaN(text); }
    void SetScaledHighText(const QString& text) { scaledHigh_ = NumberOrNaN(text); }
    const QString& Units() const { return units_; }
    void SetUnits(const QString& units) { units_ = units; }
    // -1 for a type without a button.
    int TcButton() const { return tcIndex_ < kTcButtons ? tcIndex_ : -1; }
    void SetTcButton(int button);
    bool ColdJunction() const { return cjc_; }
    void SetColdJunction(bool on) { cjc_ = on; }
    bool RisingEdge() const { return rising_; }
    void SetRisingEdge(bool on) { rising_ = on; }
    int FilterIndex() const { return filterSize_ - 1; }
    void SetFilterIndex(int index);

    // "Effacer la mémoire": asks, sends EraseMemory and starts watching the erase.
    bool StartErase(UserInterface& ui);
    bool EraseWatchRunning() const { return watch_ != WatchType::Off; }
    // Every kEraseWatchIntervalMs while EraseWatchRunning().
    void EraseWatchTick();

    // After the set-clock operation succeeded with `sent`.
    void ClockWasSet(const CalendarDateTime& sent);

    // OK: corrects a schedule that starts too early, validates, queues the settings; they stop
    // at the first block that cannot be written, and `problem` hears how they ended (empty
    // when all were written).
    ConfigAcceptResult Accept(std::function<void(const QString& problem)> problem = {});

private:
    enum class WatchType { Off, WaitingForStart, Erasing };

    static double NumberOrNaN(const QString& text);

    InstrumentState Now() const;
    CalendarDateTime LoggerClock(const InstrumentState& state) const;
    void RecomputeEntry();
    bool ScalesAcceptable() const;
    void ApplyScheduleMinimums(const InstrumentState& state);
    // The recording's first and last second as the logger will be told them.
    std::pair<CalendarDateTime, CalendarDateTime> RecordingSpan(const InstrumentState& state) const;
    // A value OK refuses: a scale out of range, units the logger cannot keep, a recording
    // outside the logger's clock. Empty when there is none.
    QString ValueProblem(const InstrumentState& state) const;
    ConfigurationChoice Choice(const InstrumentState& state) const;

    InstrumentPort& port_;
    const Clock& clock_;
    int modelIndex_;
    qint64 totalMemory_;
    RecordModeType mode_ = RecordModeType::None;
    CalendarDateTime start_;
    CalendarDateTime end_;
    int durationEntry_;
    QString clockText_;
    double scaledLow_;
    double scaledHigh_;
    QString units_;
    int tcIndex_;
    bool cjc_;
    bool rising_;
    int filterSize_;
    WatchType watch_ = WatchType::Off;
    qint64 watchStartMs_ = 0;
};

#pragma once

#include "cli/InterruptWatch.h"
#include "core/common/Clock.h"
#include "core/instrument/InstrumentPort.h"
#include "platform/QtSettingsStore.h"

#include <chrono>
#include <memory>

class CVexloDoc;
class DriveBackend;
class UserInterface;

// The document and its connection to the logger, run as the desktop runs them: the monitor
// pumped at the main window's 10 ms pace.
class InstrumentConnection {
public:
    // `simulatedModel` 0..9 takes an emulated logger in the process, -1 the drives.
    InstrumentConnection(int simulatedModel, UserInterface& ui);
    ~InstrumentConnection();
    InstrumentConnection(const InstrumentConnection&) = delete;
    InstrumentConnection& operator=(const InstrumentConnection&) = delete;

    // Connects and waits for a full status (clock seen running, configuration read); false
    // when none came within `limit`, or on an interrupt.
    bool Connect(std::chrono::milliseconds limit);
    // Why the last Connect() failed: a logger was found whose clock stood still.
    bool ClockStoodStill() const { return clockStoodStill_; }
    // One turn of the main window's timer.
    void Pump();
    // Turns the timer until the queued commands have been written or refused; each is bounded
    // by the link's limit.
    void PumpCommands();
    // Ctrl-C or a termination came: stop waiting, clean up, end.
    bool Interrupted() const { return interrupts_.Pending(); }
    // Forgets the interrupts that came, once the user was asked what they meant.
    void ConsumeInterrupts() { interrupts_.Consume(); }

    InstrumentPort& Port() { return port_; }
    InstrumentState State() const { return port_.State(); }
    CVexloDoc& Doc() { return *doc_; }
    SettingsStore& Settings() { return settings_; }
    const Clock& ClockSource() const { return clock_; }

private:
    // First, so that the link's thread inherits the held-back signals and they are released last.
    InterruptWatch interrupts_;
    QtSettingsStore settings_;
    SystemClock clock_;
    std::unique_ptr<DriveBackend> drives_;
    std::unique_ptr<CVexloDoc> doc_;
    MonitorInstrumentPort port_;
    bool clockStoodStill_ = false;
};

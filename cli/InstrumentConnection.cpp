#include "cli/InstrumentConnection.h"

#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "platform/PosixDriveBackend.h"
#include "sim/SimulatedDrive.h"

#include <thread>

namespace {

constexpr auto kTimerTurn = std::chrono::milliseconds(10);

std::unique_ptr<DriveBackend> MakeDrives(int simulatedModel, const Clock& clock) {
    if (simulatedModel < 0)
        return std::make_unique<PosixDriveBackend>();
    return std::make_unique<SimulatedDrive>(clock, DemoLoggerSettings(simulatedModel));
}

} // namespace

InstrumentConnection::InstrumentConnection(int simulatedModel, UserInterface& ui)
    : drives_(MakeDrives(simulatedModel, clock_)),
      doc_(std::make_unique<CVexloDoc>(settings_, *drives_, clock_, ui)), port_(doc_->Monitor()) {}

InstrumentConnection::~InstrumentConnection() = default;

bool InstrumentConnection::Connect(std::chrono::milliseconds limit) {
    CInstrumentMonitor& monitor = doc_->Monitor();
    clockStoodStill_ = false;
    monitor.Connect();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (monitor.ProcessedStatusCount() == 0 && std::chrono::steady_clock::now() < deadline &&
           !Interrupted()) {
        Pump();
        // No logger yet, or one dropped: look again, as a device change would make the
        // program do.
        if (!monitor.IsConnected() && monitor.Phase() != MonitorPhaseType::Scanning) {
            clockStoodStill_ = clockStoodStill_ || monitor.ClockStoodStill();
            monitor.Connect();
        }
    }
    return monitor.ProcessedStatusCount() > 0 && monitor.IsConnected();
}

void InstrumentConnection::PumpCommands() {
    while (!doc_->Monitor().CommandsIdle())
        Pump();
}

void InstrumentConnection::Pump() {
    std::this_thread::sleep_for(kTimerTurn);
    doc_->Monitor().MonitorTick();
}

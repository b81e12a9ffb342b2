#pragma once

#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

// A document over the real link and an emulated logger whose time the test moves, 10 ms per
// monitor tick, each tick waiting for the link to finish what it was asked.
class EmulatedDocument {
public:
    // The document, not yet connected: views made now see every status from the first.
    CVexloDoc& Open(int modelCode) {
        LoggerSettings logger;
        logger.modelCode = modelCode;
        drive = std::make_unique<SimulatedDrive>(clock, logger);
        doc = std::make_unique<CVexloDoc>(settings, *drive, clock, ui);
        doc->Monitor().SetLinkPassInterval(1);
        return *doc;
    }

    // False when `done` still fails after 40 s of logger time.
    bool TickUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 4000 && !done(); ++i) {
            if (CInstComm* link = doc->Monitor().Link()) {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (!link->IsIdle() && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            clock.AdvanceMs(10);
            doc->Monitor().MonitorTick();
            QCoreApplication::processEvents();
        }
        return done();
    }

    ManualClock clock{1733650000, 0};
    MemorySettingsStore settings;
    ScriptedUserInterface ui;
    std::unique_ptr<SimulatedDrive> drive;
    std::unique_ptr<CVexloDoc> doc;
};

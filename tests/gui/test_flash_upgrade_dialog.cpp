#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "gui/dialogs/CFlashUpgradeDlg.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/EmulatedFlashChannel.h"
#include "support/IntelHexBuilder.h"
#include "support/ScriptedUserInterface.h"

#include <QApplication>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

class FlashUpgradeWindow : public testing::Test {
protected:
    FlashUpgradeWindow() : job_(link_, IntelHexImage(IntelHexBuilder::Firmware(5000)), clock_) {
        link_.transferMs = 10;
    }

    // Runs the window's own timer until `done` or 20 s.
    static void WaitFor(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    ManualClock clock_{1733650000, 0};
    SimulatedDrive drive_{clock_, LoggerSettings{}};
    EmulatedFlashChannel link_{drive_, &clock_};
    FlashUpgradeJob job_;
    ScriptedUserInterface ui_;
};

TEST_F(FlashUpgradeWindow, ProgrammingEndsWithOkOnly) {
    CFlashUpgradeDlg window(job_, ui_);
    window.show();
    EXPECT_EQ(window.windowTitle(), ResourceString(TextId::kFlashUpgradeTitle));
    EXPECT_FALSE(window.OkEnabled());
    EXPECT_TRUE(window.CancelEnabled());
    WaitFor([&] { return !job_.Running(); });
    ASSERT_EQ(job_.State(), FlashStateType::Finished);
    QApplication::processEvents();
    EXPECT_EQ(window.Text(), ResourceString(TextId::kFirmwareDone));
    EXPECT_EQ(window.Position(), 5000);
    EXPECT_TRUE(window.OkEnabled());
    EXPECT_FALSE(window.CancelEnabled());
    EXPECT_TRUE(window.isVisible()); // until the user presses OK
    window.reject();                 // Escape once done closes without a question
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(ui_.Events().empty());
}

TEST_F(FlashUpgradeWindow, CancelAsksAndNoGoesOn) {
    CFlashUpgradeDlg window(job_, ui_);
    window.show();
    WaitFor([&] { return job_.Done() > 0; });
    ui_.Answer(AnswerType::No);
    window.reject();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(ui_.Events().size(), 1u);
    EXPECT_EQ(ui_.Events()[0].text, ResourceString(TextId::kConfirmCancelFirmware));
    ASSERT_TRUE(job_.Running());
    ui_.Answer(AnswerType::Yes);
    window.reject();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(job_.State(), FlashStateType::Cancelled);
    EXPECT_TRUE(job_.LeftIncomplete());
}

// Cancelled before a page went out, the window stays until the logger has left flash mode.
TEST_F(FlashUpgradeWindow, CancelBeforeAnyPageClosesOnceFlashModeEnded) {
    link_.failingCode = 0x42;
    link_.pagesBeforeFailing = 0;
    CFlashUpgradeDlg window(job_, ui_);
    window.show();
    WaitFor([&] { return job_.CurrentStep() == FlashStepType::SendPage; });
    ui_.Answer(AnswerType::Yes);
    window.reject();
    EXPECT_TRUE(window.isVisible()) << "ending flash mode";
    EXPECT_FALSE(window.CancelEnabled());
    ASSERT_TRUE(job_.Running());
    link_.failingCode = 0;
    WaitFor([&] { return !window.isVisible(); });
    EXPECT_EQ(job_.State(), FlashStateType::Cancelled);
    EXPECT_FALSE(job_.LeftIncomplete());
    EXPECT_EQ(link_.endWrites, 1);
}

TEST_F(FlashUpgradeWindow, AGivenUpProgrammingSaysTheFirmwareIsIncomplete) {
    link_.pagesBeforeFailing = 2;
    CFlashUpgradeDlg window(job_, ui_);
    window.show();
    WaitFor([&] { return !job_.Running(); });
    QApplication::processEvents();
    EXPECT_EQ(job_.State(), FlashStateType::Failed);
    EXPECT_EQ(window.Text(), ResourceString(TextId::kFirmwareIncomplete));
    EXPECT_TRUE(window.OkEnabled());
    EXPECT_FALSE(window.CancelEnabled());
}

} // namespace

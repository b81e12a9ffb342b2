#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/FlashLink.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "gui/dialogs/CFlashUpgradeDlg.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/IntelHexBuilder.h"
#include "support/ScriptedUserInterface.h"

#include <QApplication>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The emulated logger's mailbox and status file, read at once; refusing every write on demand.
class DirectFlashLink final : public FlashLink {
public:
    explicit DirectFlashLink(SimulatedDrive& drive) : drive_(drive) {}
    qint64 WriteControlBlock(const ControlBlock& block) override {
        if (refuseWrites && block.Code() == 0x41)
            return 0;
        return drive_.WriteFile(drive_.LoggerRoot(), DriveFileType::Control, 0,
                                reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize);
    }
    qint64 ReadControlBlock(std::uint8_t* buffer512) override {
        return drive_.ReadFile(drive_.LoggerRoot(), DriveFileType::Control, 0,
                               reinterpret_cast<char*>(buffer512), ControlBlock::kSize);
    }
    void RequestStatusRead() override {
        QByteArray text(CInstComm::kTextReadSize, '\0');
        status_ = text.left(drive_.ReadFile(drive_.LoggerRoot(), DriveFileType::Status, 0,
                                            text.data(), text.size()));
    }
    bool StatusReadPending() const override { return false; }
    QByteArray StatusText() const override { return status_; }

    bool refuseWrites = false;

private:
    SimulatedDrive& drive_;
    QByteArray status_;
};

class FlashUpgradeWindow : public testing::Test {
protected:
    FlashUpgradeWindow() : job_(link_, IntelHexImage(IntelHexBuilder::Firmware(5000)), clock_) {}

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
    DirectFlashLink link_{drive_};
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
}

TEST_F(FlashUpgradeWindow, AGivenUpProgrammingSaysTheFirmwareIsIncomplete) {
    link_.refuseWrites = true;
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

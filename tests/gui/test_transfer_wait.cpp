#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"
#include "gui/instrument/TransferWaitDialog.h"
#include "support/StallingDrive.h"

#include <QApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kRoot = QStringLiteral("/logger");

class TransferWaitWindow : public testing::Test {
protected:
    void SetUp() override {
        link_.SetTransferWait(&wait_);
        link_.Start();
        link_.RequestScan();
        for (int i = 0; i < 2000 && !link_.IsIdle(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(link_.DriveRoot(), kRoot);
        window_.show();
    }
    void TearDown() override {
        drive_.Stall(false);
        link_.Stop();
    }

    QProgressDialog* Waiting() const {
        return window_.findChild<QProgressDialog*>(QStringLiteral("transferWait"));
    }

    QWidget window_;
    StallingDrive drive_{kRoot};
    TransferWaitDialog wait_{&window_};
    CInstComm link_{drive_, std::chrono::milliseconds(1)};
};

} // namespace

TEST_F(TransferWaitWindow, AQuickWriteShowsNothing) {
    EXPECT_EQ(link_.WriteControlBlock(ControlBlock::StartRecording()), 512);
    EXPECT_EQ(Waiting(), nullptr);
}

// A stalled write: the window keeps running its events, shows that it waits, and "Annuler"
// ends the wait as a failed write.
TEST_F(TransferWaitWindow, AStalledWriteShowsTheWaitAndCancelEndsIt) {
    drive_.Stall(true);
    bool sawWait = false;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QTimer::singleShot(TransferWaitDialog::kShowAfterMs + 300, [&] {
        QProgressDialog* dialog = Waiting();
        sawWait = dialog && dialog->isVisible() && dialog->isModal() &&
                  dialog->labelText() == u"Attente de l’instrument..."_qs;
        if (dialog)
            if (auto* cancel = dialog->findChild<QPushButton*>())
                cancel->click();
    });
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(link_.WriteControlBlock(ControlBlock::StartRecording()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begun,
              std::chrono::milliseconds(CInstComm::kTransferLimitMs));
    EXPECT_TRUE(sawWait);
    EXPECT_GT(ticks, 20) << "the event loop kept turning";
    QApplication::processEvents();
    EXPECT_EQ(Waiting(), nullptr);
}

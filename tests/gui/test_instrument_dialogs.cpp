#include "core/instrument/DownloadJob.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"
#include "gui/dialogs/CConfigDlg.h"
#include "gui/dialogs/CDownloadDlg.h"
#include "support/EmulatedDocument.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The configuration and download windows over the real link and an emulated logger whose
// time the test moves.
class InstrumentDialogs : public testing::Test {
protected:
    void Connect(int model) {
        rig_.Open(model);
        port_ = std::make_unique<MonitorInstrumentPort>(rig_.doc->Monitor());
        rig_.doc->Monitor().Connect();
        TickUntil([&] { return rig_.doc->Monitor().ProcessedStatusCount() >= 2; });
    }

    void TickUntil(const std::function<bool()>& done) { ASSERT_TRUE(rig_.TickUntil(done)); }

    // Five seconds recorded and stopped, so that the memory holds something.
    void RecordSomething() {
        ASSERT_EQ(RecordingCommand(*port_, ui_), CommandResultType::Sent);
        TickUntil([&] { return port_->State().Recording(); });
        clock_.AdvanceMs(5000);
        ui_.Answer(AnswerType::Yes);
        ASSERT_EQ(RecordingCommand(*port_, ui_), CommandResultType::Sent);
        TickUntil([&] { return !port_->State().Recording() && port_->State().MemoryInUse(); });
        // The link's own status read, which the download starts from, catches up too.
        const int seen = rig_.doc->Monitor().ProcessedStatusCount();
        TickUntil([&] { return rig_.doc->Monitor().ProcessedStatusCount() >= seen + 2; });
    }

    template <typename T> static T* Child(const QWidget& parent, const char* name) {
        T* child = parent.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    EmulatedDocument rig_;
    ScriptedUserInterface& ui_ = rig_.ui;
    ManualClock& clock_ = rig_.clock;
    std::unique_ptr<MonitorInstrumentPort> port_;
};

TEST_F(InstrumentDialogs, ConfigurationShowsTheGroupsOfTheChannelKind) {
    struct Case {
        int model;
        bool scale, thermocouple, edge, filter;
    };
    for (const Case c : {Case{8, false, true, false, true}, Case{6, false, false, true, false},
                         Case{2, true, false, false, true}}) {
        Connect(c.model);
        ConfigurationModel model(*port_, clock_);
        const CConfigDlg window(model, ui_, {}, {});
        EXPECT_EQ(!Child<QGroupBox>(window, "scaleGroup")->isHidden(), c.scale) << c.model;
        EXPECT_EQ(!Child<QGroupBox>(window, "tcGroup")->isHidden(), c.thermocouple) << c.model;
        EXPECT_EQ(!Child<QCheckBox>(window, "risingEdge")->isHidden(), c.edge) << c.model;
        EXPECT_EQ(!Child<QGroupBox>(window, "filterGroup")->isHidden(), c.filter) << c.model;
        EXPECT_EQ(window.windowTitle(), u"Configurer l’instrument"_qs);
        // Neither radio chosen: the dates and the list wait for one.
        EXPECT_FALSE(Child<QComboBox>(window, "duration")->isEnabled());
        EXPECT_FALSE(Child<QWidget>(window, "startDate")->isEnabled());
        EXPECT_EQ(Child<QComboBox>(window, "duration")->currentText(), u"8 heures"_qs);
        EXPECT_EQ(Child<QLabel>(window, "memoryNeeded")->text(), u"60k octets"_qs);
        EXPECT_EQ(Child<QLabel>(window, "memorySign")->text(), u"<"_qs);
        EXPECT_TRUE(Child<QLabel>(window, "memoryNote")->isHidden());
    }
}

TEST_F(InstrumentDialogs, RecordNowSendsTheSettingsAndTheLoggerRecords) {
    Connect(2);
    ConfigurationModel model(*port_, clock_);
    CConfigDlg window(model, ui_, {}, {});
    Child<QRadioButton>(window, "recordNow")->click();
    EXPECT_TRUE(Child<QComboBox>(window, "duration")->isEnabled());
    EXPECT_FALSE(Child<QWidget>(window, "startDate")->isEnabled());
    Child<QLineEdit>(window, "scaledHigh")->setText(u"50"_qs);
    Child<QLineEdit>(window, "units")->setText(u"Pascal"_qs);
    Child<QComboBox>(window, "filterSize")->setCurrentIndex(2);
    window.accept();
    EXPECT_EQ(window.result(), QDialog::Accepted);

    TickUntil([&] { return port_->State().Recording(); });
    TickUntil([&] { return port_->State().config.filterSize == 3; });
    EXPECT_FLOAT_EQ(port_->State().config.highScale, 50.0f);
    EXPECT_EQ(port_->State().config.units, u"Pasc"_qs);
}

TEST_F(InstrumentDialogs, AScaleOutOfRangeKeepsTheWindowOpenWithTheRangeMessage) {
    Connect(2);
    ConfigurationModel model(*port_, clock_);
    CConfigDlg window(model, ui_, {}, {});
    window.show();
    Child<QLineEdit>(window, "scaledLow")->setText(u"100001"_qs);
    window.accept();
    EXPECT_NE(window.result(), QDialog::Accepted);
    EXPECT_TRUE(window.isVisible());
    auto* box = window.findChild<QMessageBox*>(u"problemBox"_qs);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(u"100000"_qs)) << box->text().toStdString();
    box->close();
}

TEST_F(InstrumentDialogs, MemoryInUseLocksTheRadiosUntilTheEraseEnds) {
    Connect(2);
    RecordSomething();
    ConfigurationModel model(*port_, clock_);
    CConfigDlg window(model, ui_, {}, {});
    auto* erase = Child<QPushButton>(window, "eraseMemory");
    EXPECT_FALSE(Child<QRadioButton>(window, "recordNow")->isEnabled());
    EXPECT_FALSE(Child<QLabel>(window, "memoryNote")->isHidden());
    EXPECT_FALSE(erase->isHidden());
    ASSERT_TRUE(erase->isEnabled());

    ui_.Answer(AnswerType::Yes);
    erase->click();
    auto* ok = Child<QPushButton>(window, "okButton");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(erase->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(window, "setClock")->isEnabled());
    EXPECT_EQ(Child<QLabel>(window, "memorySign")->text(), u">"_qs);

    // The window's own timer follows the erase to its end.
    TickUntil([&] { return !model.EraseWatchRunning() && !port_->State().MemoryInUse(); });
    TickUntil([&] { return ok->isEnabled(); });
    EXPECT_TRUE(Child<QRadioButton>(window, "recordNow")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(window, "memoryNote")->isHidden());
}

TEST_F(InstrumentDialogs, DownloadWindowCopiesTheWholeRecording) {
    Connect(2);
    RecordSomething();
    QTemporaryDir dir;
    DownloadJob job(*port_, ui_, rig_.settings, clock_);
    ASSERT_TRUE(job.Begin(dir.path()));
    CDownloadDlg window(job);
    window.show();
    // The window's timer runs in real time; the copy reads through the link thread.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (window.isVisible() && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(window.isVisible());
    EXPECT_TRUE(ui_.Messages().empty());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.Position(), 1000);
    EXPECT_EQ(window.Text(), u"100% complete"_qs);
    ASSERT_TRUE(job.CompleteParameters([](SessionParamsEditModel&) { return true; }));
    EXPECT_GT(QFileInfo(job.SessionFilePath()).size(), 2560);
}

TEST_F(InstrumentDialogs, CancellingTheDownloadLeavesNoFile) {
    Connect(2);
    RecordSomething();
    QTemporaryDir dir;
    DownloadJob job(*port_, ui_, rig_.settings, clock_);
    ASSERT_TRUE(job.Begin(dir.path()));
    const QString path = job.FilePath();
    EXPECT_FALSE(QFileInfo::exists(path)) << "the name is taken only by a finished file";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "the copy, beside it";
    CDownloadDlg window(job);
    window.show();
    window.reject();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

} // namespace

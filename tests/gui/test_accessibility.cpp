// What a screen reader finds in each window: every control it can reach has a name, every
// field a label, and the graph tells its channel line and its cursor's read-out.
#include "core/app/AppFolders.h"
#include "core/app/OptionsModel.h"
#include "core/app/TraceColours.h"
#include "core/doc/CVexloDoc.h"
#include "core/graph/ReportOptions.h"
#include "core/graph/ZoomToModel.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/AlarmLimitsEditModel.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionParamsEditModel.h"
#include "gui/app/Accessibility.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/HelpLauncher.h"
#include "gui/dialogs/CAboutDlg.h"
#include "gui/dialogs/CAlarmLimitsDlg.h"
#include "gui/dialogs/CConfigDlg.h"
#include "gui/dialogs/CDateTimeDlg.h"
#include "gui/dialogs/CDownloadDlg.h"
#include "gui/dialogs/CEditSessionParams.h"
#include "gui/dialogs/CEraseMemDlg.h"
#include "gui/dialogs/CFlashUpgradeDlg.h"
#include "gui/dialogs/CReportOptions.h"
#include "gui/dialogs/CToolsOptions.h"
#include "gui/dialogs/CVXTraceColorsDlg.h"
#include "gui/dialogs/CZoomTo.h"
#include "gui/dialogs/ColourPalette.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/instrument/CVXRealtimeView.h"
#include "gui/sessions/CChannelListCtrl.h"
#include "gui/sessions/COverlayChooser.h"
#include "gui/sessions/CVXOverlayWindow.h"
#include "gui/sessions/CVXSessionView.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/EmulatedDocument.h"
#include "support/EmulatedFlashChannel.h"
#include "support/FakeDriveBackend.h"
#include "support/IntelHexBuilder.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

QString Describe(QAccessibleInterface& node) {
    const QObject* object = node.object();
    return QStringLiteral("%1 \"%2\" (role 0x%3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QString(),
             object ? object->objectName() : QString(), QString::number(node.role(), 16));
}

bool SelfLabelled(QAccessible::Role role) {
    return role == QAccessible::CheckBox || role == QAccessible::RadioButton;
}

bool IsField(QAccessibleInterface& node) {
    const QAccessible::Role role = node.role();
    if (SelfLabelled(role))
        return false;
    return role == QAccessible::EditableText || role == QAccessible::SpinBox ||
           role == QAccessible::ComboBox || node.state().editable;
}

bool HasLabel(QAccessibleInterface& node) {
    for (const auto& [label, relation] : node.relations(QAccessible::Label))
        if (label && !label->text(QAccessible::Name).isEmpty())
            return true;
    return false;
}

// Walks a window as a screen reader sees it, then sweeps its focusable widgets for those the
// tree does not reach (the widgets set into a list's rows). Items of lists and tables are named
// by their own text and are not checked; the widgets that hold them are.
class AccessibilityWalker {
public:
    // The editor inside a spin box or a date field, which hands its focus to the field.
    static bool IsInnerEditor(const QWidget& widget) {
        const QWidget* parent = widget.parentWidget();
        return parent && (widget.focusProxy() == parent || parent->focusProxy() == &widget);
    }

    QStringList FaultsIn(QWidget& window) {
        QAccessible::setActive(true);
        faults_.clear();
        seen_.clear();
        window_ = &window;
        Walk(QAccessible::queryAccessibleInterface(&window));
        for (QWidget* widget : window.findChildren<QWidget*>())
            if (widget->focusPolicy() != Qt::NoFocus && widget->window() == &window &&
                !seen_.contains(widget) && !IsInnerEditor(*widget))
                Check(QAccessible::queryAccessibleInterface(widget));
        return faults_;
    }

private:
    void Walk(QAccessibleInterface* node) {
        if (!node)
            return;
        if (node->object() && node->object()->isWidgetType()) {
            seen_.insert(node->object());
            Check(node);
        }
        for (int i = 0; i < node->childCount(); ++i)
            Walk(node->child(i));
    }

    // A combo box's list is a pop-up of its own, whose items name themselves.
    void Check(QAccessibleInterface* node) {
        if (!node || !node->object() || !node->object()->isWidgetType() ||
            static_cast<QWidget*>(node->object())->window() != window_)
            return;
        if (node->state().focusable && node->text(QAccessible::Name).trimmed().isEmpty())
            faults_ << QStringLiteral("no name: ") + Describe(*node);
        if (IsField(*node) && !HasLabel(*node))
            faults_ << QStringLiteral("no label: ") + Describe(*node);
    }

    const QWidget* window_ = nullptr;
    QStringList faults_;
    QSet<const QObject*> seen_;
};

// One line per fault, empty when there is none.
std::string FaultsIn(QWidget& window) {
    return AccessibilityWalker().FaultsIn(window).join(u'\n').toStdString();
}

// In a dialog every field's label has a mnemonic, and no two texts share one.
std::string MnemonicFaults(const QWidget& dialog) {
    QStringList faults;
    QMap<QKeySequence, QString> taken;
    const auto take = [&](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty())
            return;
        if (taken.contains(key))
            faults << QStringLiteral("\"%1\" and \"%2\" share a mnemonic").arg(taken[key], text);
        taken.insert(key, text);
    };
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() && QKeySequence::mnemonic(label->text()).isEmpty())
            faults << QStringLiteral("no mnemonic: \"%1\"").arg(label->text());
        take(label->text());
    }
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        take(button->text());
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        take(group->title());
    return faults.join(u'\n').toStdString();
}

// The widgets named in `among`, in the order Tab reaches them from the window.
std::string TabOrder(QWidget& window, const QStringList& among) {
    QStringList order;
    for (QWidget* w = window.nextInFocusChain(); w && w != &window; w = w->nextInFocusChain())
        if (among.contains(w->objectName()))
            order << w->objectName();
    return order.join(u' ').toStdString();
}

// `names` less those the window does not have.
std::string Present(const QWidget& window, const QStringList& names) {
    QStringList present;
    for (const QString& name : names)
        if (window.findChild<QWidget*>(name))
            present << name;
    return present.join(u' ').toStdString();
}

QStringList Thermocouples() {
    QStringList names;
    for (const QChar letter : u"JKTNERS"_qs)
        names << u"tc"_qs + letter;
    return names;
}

QByteArray SessionImage() {
    std::vector<int16_t> samples;
    for (int i = 0; i < 120; ++i)
        samples.push_back(static_cast<int16_t>(i * 10));
    SessionImageBuilder b;
    b.ParameterText(u"RecordingInProgress=0\r\nInstName=Four\r\nSessionName=Étuve\r\n"
                    u"Location=Atelier\r\nHeader=\r\nFooter=\r\nComments=\r\n"
                    u"CorrectedStartTime=2024/03/05 14:07:09\r\nCh1LowScale=00000000\r\n"
                    u"Ch1HighScale=00002041\r\nCh1Units=\r\nTC_Type=J\r\nEnableCJC=0\r\n"
                    u"Polarity=1\r\nFilterSize=1\r\n"_qs)
        .Samples(samples);
    return b.Build();
}

TEST(AccessibilityWalker, AFieldNeedsANameAndALabelButABoxNeedsNeither) {
    QDialog window;
    auto* field = new QLineEdit(&window);
    field->setObjectName(u"bare"_qs);
    new QCheckBox(u"Case"_qs, &window);
    EXPECT_EQ(FaultsIn(window), "no name: QLineEdit \"bare\" (role 0x2a)\n"
                                "no label: QLineEdit \"bare\" (role 0x2a)");
    // A name alone is not a label: the field is still not tied to any text on the window.
    field->setAccessibleName(u"Champ"_qs);
    EXPECT_EQ(FaultsIn(window), "no label: QLineEdit \"bare\" (role 0x2a)");
    auto* label = new QLabel(u"&Champ :"_qs, &window);
    label->setBuddy(field);
    field->setAccessibleName(QString());
    EXPECT_EQ(FaultsIn(window), "");
    // An unnamed focusable widget of any kind is reported, not only fields.
    auto* plain = new QWidget(&window);
    plain->setObjectName(u"plain"_qs);
    plain->setFocusPolicy(Qt::StrongFocus);
    EXPECT_EQ(FaultsIn(window), "no name: QWidget \"plain\" (role 0xa)");
}

TEST(AccessibilityWalker, ADialogsMnemonicsAreOnEveryFieldLabelAndEachOnce) {
    QDialog window;
    auto* field = new QLineEdit(&window);
    auto* label = new QLabel(u"Champ :"_qs, &window);
    label->setBuddy(field);
    new QLabel(u"Note sans champ"_qs, &window);
    EXPECT_EQ(MnemonicFaults(window), "no mnemonic: \"Champ :\"");
    label->setText(u"&Champ :"_qs);
    EXPECT_EQ(MnemonicFaults(window), "");
    new QCheckBox(u"&Case"_qs, &window);
    EXPECT_EQ(MnemonicFaults(window), "\"&Champ :\" and \"&Case\" share a mnemonic");
}

TEST(AccessibilityHelpers, ALabelReadsWithoutItsMnemonicMark) {
    EXPECT_EQ(WithoutMnemonic(u"&Sessions ouvertes"_qs), u"Sessions ouvertes"_qs);
    EXPECT_EQ(WithoutMnemonic(u"Limite &haute :"_qs), u"Limite haute :"_qs);
    EXPECT_EQ(WithoutMnemonic(u"Pertes && profits"_qs), u"Pertes & profits"_qs);
    EXPECT_EQ(WithoutMnemonic(u"Fin&"_qs), u"Fin&"_qs);
    EXPECT_EQ(WithoutMnemonic(QString()), QString());
}

TEST(AccessibilityHelpers, APageTakesTheFocusOnItsFirstShownEnabledControl) {
    QWidget page;
    EXPECT_EQ(FirstTabStop(page), &page) << "nothing to land on";
    new QLabel(u"Titre"_qs, &page);
    auto* hidden = new QLineEdit(&page);
    hidden->hide();
    auto* disabled = new QLineEdit(&page);
    disabled->setEnabled(false);
    auto* clickOnly = new QLineEdit(&page);
    clickOnly->setFocusPolicy(Qt::ClickFocus);
    EXPECT_EQ(FirstTabStop(page), &page);
    auto* inner = new QWidget(&page);
    auto* field = new QLineEdit(inner);
    new QLineEdit(&page);
    EXPECT_EQ(FirstTabStop(page), field);
}

class MainWindowAccess : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        doc_.SetDataFolder(folders_.DataFolder());
        frame_.show();
    }

    CRecSession& OpenSession(const QString& file = u"Étuve.vx"_qs) {
        const QString path = dir_.filePath(file);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(SessionImage());
        f.close();
        EXPECT_TRUE(doc_.OpenSessionFile(path, false));
        return *doc_.Sessions().back();
    }

    void ShowSession(bool trend) {
        QTreeWidgetItem* item = frame_.Tree()->SessionsItem()->child(0);
        frame_.Tree()->setCurrentItem(trend ? item->child(0) : item);
    }

    QAccessibleInterface& Graph() {
        return *QAccessible::queryAccessibleInterface(frame_.SessionView()->GraphWidget());
    }

    QTemporaryDir dir_;
    AppFolders folders_{dir_.path(), {dir_.filePath(u"own"_qs), dir_.filePath(u"cache"_qs)}};
    HelpLauncher help_{dir_.filePath(u"aide.html"_qs), folders_.DownloadedHelpPath(),
                       [](const QUrl&) { return true; }};
    MemorySettingsStore settings_;
    FakeDriveBackend drives_;
    ManualClock clock_;
    ScriptedUserInterface ui_;
    CVexloDoc doc_{settings_, drives_, clock_, ui_};
    CMainFrame frame_{doc_, folders_, help_};
};

TEST_F(MainWindowAccess, TheInstrumentPageNamesEveryControl) {
    EXPECT_EQ(frame_.CurrentPage(), static_cast<QWidget*>(frame_.RealtimeView()));
    EXPECT_EQ(FaultsIn(frame_), "");
}

TEST_F(MainWindowAccess, TheSessionAndTrendPagesNameEveryControl) {
    OpenSession();
    for (const bool trend : {false, true}) {
        ShowSession(trend);
        ASSERT_EQ(frame_.CurrentPage(), static_cast<QWidget*>(frame_.SessionView())) << trend;
        EXPECT_EQ(FaultsIn(frame_), "") << trend;
    }
    frame_.SessionView()->SelectModeByIndex(1);
    EXPECT_EQ(FaultsIn(frame_), "");
}

TEST_F(MainWindowAccess, TheOverlayWindowNamesEveryControl) {
    const CRecSession& first = OpenSession();
    const CRecSession& second = OpenSession(u"Four.vx"_qs);
    CVXOverlayWindow window(doc_, {&first, &second});
    EXPECT_EQ(FaultsIn(window), "");
}

TEST_F(MainWindowAccess, AnUnnamedControlIsReportedWithItsClassNameAndRole) {
    frame_.Tree()->setAccessibleName(QString());
    EXPECT_EQ(FaultsIn(frame_), "no name: CLeftView \"\" (role 0x23)");
}

TEST_F(MainWindowAccess, TheGraphSaysItsChannelLineAndItsCursorReadout) {
    OpenSession();
    ShowSession(true);
    CTrendGraphWidget* graph = frame_.SessionView()->GraphWidget();
    EXPECT_EQ(Graph().role(), QAccessible::Chart);
    EXPECT_FALSE(Graph().text(QAccessible::Name).isEmpty());
    // The description is the line beside the graph, each figure under its title.
    const QString line = Graph().text(QAccessible::Description);
    const CChannelListCtrl* channels = frame_.SessionView()->ChannelList();
    EXPECT_TRUE(line.contains(channels->HeaderText(0) + u" : "_qs + channels->CellText(0)))
        << line.toStdString();

    graph->setFocus();
    const QString before = Graph().text(QAccessible::Value);
    EXPECT_FALSE(before.isEmpty());
    EXPECT_EQ(before, graph->Graph().CursorReadoutText());
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    for (int i = 0; i < 40; ++i)
        QApplication::sendEvent(graph, &right);
    const QString after = Graph().text(QAccessible::Value);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, graph->Graph().CursorReadoutText());
    // The line follows the cursor too: its cursor columns changed with it.
    EXPECT_NE(Graph().text(QAccessible::Description), line);
}

TEST(DialogAccess, SessionWindowsLabelEveryField) {
    SessionImageBuilder thermocouple;
    thermocouple.Set("Model", "8").Set("TC_Type", "K").Set("MaxCnt", "32768").Set("VRef", "1.25");
    thermocouple.PairSamples({{800, 15000}, {801, 15000}, {802, 15000}});
    SessionImageBuilder voltage;
    voltage.Samples(std::vector<int16_t>(200, 30));
    SessionImageBuilder events;
    events.Set("Model", "6").Samples(std::vector<int16_t>(50, 1));
    SessionImageBuilder rtd;
    rtd.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
    rtd.Samples(std::vector<int16_t>(20, 2000));
    for (SessionImageBuilder* image : {&thermocouple, &voltage, &events, &rtd}) {
        const auto session = ReadImage(*image);
        ASSERT_TRUE(session);
        SessionParamsEditModel params(*session);
        CEditSessionParams paramsDialog(params, {});
        EXPECT_EQ(FaultsIn(paramsDialog), "");
        EXPECT_EQ(MnemonicFaults(paramsDialog), "");
        const QStringList paramsOrder =
            QStringList{u"instrumentName"_qs, u"location"_qs, u"sessionName"_qs, u"header"_qs,
                        u"footer"_qs,         u"comments"_qs, u"startDate"_qs,   u"startTime"_qs} +
            Thermocouples() + QStringList{u"cjc"_qs,   u"lowScale"_qs,     u"highScale"_qs,
                                          u"units"_qs, u"risingEvents"_qs, u"filterSize"_qs};
        EXPECT_EQ(TabOrder(paramsDialog, paramsOrder), Present(paramsDialog, paramsOrder));
        AlarmLimitsEditModel limits(*session);
        CAlarmLimitsDlg limitsDialog(limits, {});
        EXPECT_EQ(FaultsIn(limitsDialog), "");
        EXPECT_EQ(MnemonicFaults(limitsDialog), "");
        const QStringList limitsOrder{u"high"_qs, u"low"_qs, u"showMkt"_qs};
        EXPECT_EQ(TabOrder(limitsDialog, limitsOrder), Present(limitsDialog, limitsOrder));
        ReportOptionsModel report(ReportSessionFacts::Of(*session), {});
        CReportOptions reportDialog(report, {});
        EXPECT_EQ(FaultsIn(reportDialog), "");
        EXPECT_EQ(MnemonicFaults(reportDialog), "");
    }
    const auto first = ReadImage(voltage);
    const auto second = ReadImage(voltage);
    COverlayChooser chooser({first.get(), second.get()}, first->DisplayUnits());
    EXPECT_EQ(FaultsIn(chooser), "");
    EXPECT_EQ(MnemonicFaults(chooser), "");
}

TEST(DialogAccess, ProgramWindowsLabelEveryField) {
    OptionsModel options(DocumentOptions{});
    CToolsOptions optionsDialog(options, {});
    EXPECT_EQ(FaultsIn(optionsDialog), "");
    EXPECT_EQ(MnemonicFaults(optionsDialog), "");
    const QStringList optionsOrder{
        u"checkFirmware"_qs, u"checkSoftware"_qs, u"dashedOverload"_qs, u"celsius"_qs,
        u"fahrenheit"_qs,    u"saveRawDump"_qs,   u"mktActivation"_qs,  u"interfaceLanguage"_qs};
    EXPECT_EQ(TabOrder(optionsDialog, optionsOrder), optionsOrder.join(u' ').toStdString());
    TraceColours traces;
    TraceColorsDlgModel colours(BuildColorChangeList(traces));
    CVXTraceColorsDlg coloursDialog(colours, {});
    EXPECT_EQ(FaultsIn(coloursDialog), "");
    ZoomToModel zoom{1709650800, 1709665200, 60};
    CZoomTo zoomDialog(zoom, {});
    EXPECT_EQ(FaultsIn(zoomDialog), "");
    EXPECT_EQ(MnemonicFaults(zoomDialog), "");
    ColourPalette palette;
    EXPECT_EQ(FaultsIn(palette), "");
    CAboutDlg about;
    EXPECT_EQ(FaultsIn(about), "");
}

class InstrumentDialogAccess : public testing::Test {
protected:
    void Connect(int model) {
        rig_.Open(model);
        port_ = std::make_unique<MonitorInstrumentPort>(rig_.doc->Monitor());
        rig_.doc->Monitor().Connect();
        ASSERT_TRUE(
            rig_.TickUntil([&] { return rig_.doc->Monitor().ProcessedStatusCount() >= 2; }));
    }

    EmulatedDocument rig_;
    std::unique_ptr<MonitorInstrumentPort> port_;
};

TEST_F(InstrumentDialogAccess, ConfigurationLabelsEveryFieldOfEveryChannelKind) {
    for (const int model : {8, 6, 2}) {
        Connect(model);
        ConfigurationModel configuration(*port_, rig_.clock);
        CConfigDlg window(configuration, rig_.ui, {}, {});
        EXPECT_EQ(FaultsIn(window), "") << model;
        EXPECT_EQ(MnemonicFaults(window), "") << model;
        // Down the left column, then down the right one.
        const QStringList order =
            QStringList{u"recordNow"_qs,   u"schedule"_qs, u"startDate"_qs, u"startTime"_qs,
                        u"endDate"_qs,     u"endTime"_qs,  u"duration"_qs,  u"resetDates"_qs,
                        u"eraseMemory"_qs, u"setClock"_qs, u"scaledLow"_qs, u"scaledHigh"_qs,
                        u"units"_qs} +
            Thermocouples() + QStringList{u"cjc"_qs, u"risingEdge"_qs, u"filterSize"_qs};
        EXPECT_EQ(TabOrder(window, order), order.join(u' ').toStdString()) << model;
    }
}

TEST_F(InstrumentDialogAccess, ClockAndProgressWindowsNameTheirControls) {
    Connect(2);
    DateTimeDlgModel clock(rig_.clock);
    CDateTimeDlg clockDialog(clock);
    EXPECT_EQ(FaultsIn(clockDialog), "");
    EXPECT_EQ(MnemonicFaults(clockDialog), "");
    DownloadJob job(*port_, rig_.ui, rig_.settings, rig_.clock);
    CDownloadDlg download(job);
    EXPECT_EQ(FaultsIn(download), "");
    CEraseMemDlg erase(64 * 1024, *port_, rig_.ui);
    EXPECT_EQ(FaultsIn(erase), "");

    ManualClock flashClock{1733650000, 0};
    SimulatedDrive drive{flashClock, LoggerSettings{}};
    EmulatedFlashChannel link{drive, &flashClock};
    FlashUpgradeJob flash(link, IntelHexImage(IntelHexBuilder::Firmware(5000)), flashClock);
    CFlashUpgradeDlg upgrade(flash, rig_.ui);
    EXPECT_EQ(FaultsIn(upgrade), "");
}

} // namespace

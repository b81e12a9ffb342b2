#include "gui/app/CMainFrame.h"

#include "core/app/AppFolders.h"
#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/app/UserInterface.h"
#include "core/app/WebUpdate.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/export/SessionExportCommand.h"
#include "core/graph/OverlaySessions.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/FirmwareOffer.h"
#include "core/instrument/FirmwareUpgrade.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/CRecSession.h"
#include "gui/app/Accessibility.h"
#include "gui/app/AppIcons.h"
#include "gui/app/CCustomiseToolBar.h"
#include "gui/app/HelpLauncher.h"
#include "gui/app/PrintCommands.h"
#include "gui/app/ScreenFit.h"
#include "gui/app/ServerWait.h"
#include "gui/dialogs/CAboutDlg.h"
#include "gui/dialogs/CAlarmLimitsDlg.h"
#include "gui/dialogs/CConfigDlg.h"
#include "gui/dialogs/CDateTimeDlg.h"
#include "gui/dialogs/CDownloadDlg.h"
#include "gui/dialogs/CEditSessionParams.h"
#include "gui/dialogs/CEraseMemDlg.h"
#include "gui/dialogs/CFlashUpgradeDlg.h"
#include "gui/dialogs/CToolsOptions.h"
#include "gui/dialogs/CVXTraceColorsDlg.h"
#include "gui/dialogs/CZoomTo.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/instrument/CVXRealtimeView.h"
#include "gui/instrument/DeviceChangeSource.h"
#include "gui/sessions/COverlayChooser.h"
#include "gui/sessions/CVXOpenSessionsView.h"
#include "gui/sessions/CVXOverlayWindow.h"
#include "gui/sessions/CVXSessionView.h"
#include "platform/XdgFileAssociation.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>

namespace {

struct CommandSpec {
    CommandType command;
    int menuTextId;
};

// Texts as the menus show them; the tool tip is the same text without its shortcut.
constexpr CommandSpec kCommands[] = {
    {CommandType::FileOpen, TextId::kCommandFileOpen},
    {CommandType::FileClose, TextId::kCommandFileClose},
    {CommandType::FileSave, TextId::kCommandFileSave},
    {CommandType::FileSaveAs, TextId::kCommandFileSaveAs},
    {CommandType::FilePrint, TextId::kCommandFilePrint},
    {CommandType::FilePrintPreview, TextId::kCommandFilePrintPreview},
    {CommandType::FileExport, TextId::kCommandFileExport},
    {CommandType::FileExit, TextId::kCommandFileExit},
    {CommandType::EditSessionParams, TextId::kCommandEditSessionParams},
    {CommandType::ViewCustomise, TextId::kCommandViewCustomise},
    {CommandType::ZoomTool, TextId::kCommandZoomTool},
    {CommandType::ZoomIn, TextId::kCommandZoomIn},
    {CommandType::ZoomOut, TextId::kCommandZoomOut},
    {CommandType::ZoomAll, TextId::kCommandZoomAll},
    {CommandType::ZoomTo, TextId::kCommandZoomTo},
    {CommandType::Connect, TextId::kCommandConnect},
    {CommandType::Disconnect, TextId::kCommandDisconnect},
    {CommandType::Configure, TextId::kCommandConfigure},
    {CommandType::Download, TextId::kCommandDownload},
    {CommandType::SetClock, TextId::kCommandSetClock},
    {CommandType::StartRecording, TextId::kCommandStartRecording},
    {CommandType::EraseMemory, TextId::kCommandEraseMemory},
    {CommandType::Colours, TextId::kCommandColours},
    {CommandType::Options, TextId::kCommandOptions},
    {CommandType::Associate, TextId::kCommandAssociate},
    {CommandType::HelpTopics, TextId::kCommandHelpTopics},
    {CommandType::Manual, TextId::kCommandManual},
    {CommandType::FirmwareUpgrade, TextId::kCommandFirmwareUpgrade},
    {CommandType::About, TextId::kCommandAbout},
};

// Session files dragged from a file manager, as local paths.
QStringList DroppedSessionFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && path.endsWith(QStringLiteral(".vx"), Qt::CaseInsensitive))
            paths << path;
    }
    return paths;
}

} // namespace

CMainFrame::CMainFrame(CVexloDoc& doc, const AppFolders& folders, HelpLauncher& help,
                       QWidget* parent)
    : QMainWindow(parent), doc_(doc), folders_(folders), help_(help),
      splitter_(new QSplitter(this)), tree_(new CLeftView(splitter_)),
      pages_(new QStackedWidget(splitter_)),
      openSessionsView_(new CVXOpenSessionsView(doc, pages_)),
      sessionView_(new CVXSessionView(doc, pages_)),
      realtimeView_(new CVXRealtimeView(doc, pages_)),
      instrument_(std::make_unique<MonitorInstrumentPort>(doc.Monitor())) {
    setWindowTitle(QStringLiteral("Vexlo"));
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(AppIcon(QString::fromUtf16(AppIconName::kProgram)));
    setAcceptDrops(true);
    sinceStart_.start();
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateShortcuts();
    statusBar()->showMessage(ResourceString(TextId::kReady));
    serverWait_ = std::make_unique<ServerWait>(*this);

    pages_->addWidget(openSessionsView_);
    pages_->addWidget(sessionView_);
    pages_->addWidget(realtimeView_);
    pages_->setCurrentWidget(realtimeView_);
    splitter_->addWidget(tree_);
    splitter_->addWidget(pages_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({200, 800});
    setCentralWidget(splitter_);
    resize(FittedToScreen(QSize(1280, 800), screen()));

    sessionView_->SetHelpOpener([this](quint32 c) { OpenHelpAt(c); });
    connect(tree_, &CLeftView::SelectionChanged, this, &CMainFrame::ShowSelection);
    connect(sessionView_->GraphWidget(), &CTrendGraphWidget::ViewChanged, this,
            &CMainFrame::UpdateCommandStates);
    connect(sessionView_, &CVXSessionView::ModeChanged, this, &CMainFrame::UpdateCommandStates);
    connect(sessionView_, &CVXSessionView::EditRequested, this, [this](uint32_t number) {
        if (CRecSession* session = doc_.FindSession(number))
            EditSessionParamsCommand(*session);
    });
    tree_->SelectInstrument();
    ShowSelection(tree_->CurrentSelection());

    doc_.AddObserver(this);
    doc_.Monitor().SetHooks(this);
    StartMonitorTimer();
    WatchMountTable();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    if (firmwareOffer_) {
        firmwareOffer_->Cancel();
        firmwareOffer_->SetWaitObserver({});
    }
    doc_.Monitor().SetHooks(nullptr);
    doc_.RemoveObserver(this);
}

bool CMainFrame::IsEraseWindowShowing() const {
    // A window the user sent away stays away until this erase is over.
    return eraseDismissed_ || (eraseWindow_ && eraseWindow_->isVisible());
}

void CMainFrame::OpenEraseWindow(int64_t memorySize) {
    if (IsEraseWindowShowing())
        return;
    eraseWindow_ = new CEraseMemDlg(memorySize, *instrument_, doc_.Ui(), this);
    eraseWindow_->setAttribute(Qt::WA_DeleteOnClose);
    connect(eraseWindow_, &CEraseMemDlg::DismissedByUser, this, [this] { eraseDismissed_ = true; });
    eraseWindow_->show();
}

void CMainFrame::CloseEraseWindow() {
    eraseDismissed_ = false;
    if (eraseWindow_)
        eraseWindow_->CloseFinished();
}

void CMainFrame::StartMonitorTimer() {
    connect(&monitorTimer_, &QTimer::timeout, this, &CMainFrame::OnTimer);
    monitorTimer_.start(10);
    if (!monitorTimer_.isActive())
        QMessageBox::critical(this, QStringLiteral("Vexlo"),
                              ResourceString(TextId::kCannotCreateTimer));
}

void CMainFrame::CreateActions() {
    for (const CommandSpec& spec : kCommands) {
        const QString full = ResourceString(spec.menuTextId);
        auto* action = new QAction(full.section(u'\t', 0, 0), this);
        if (const QString icon = CommandIconName(spec.command); !icon.isEmpty())
            action->setIcon(AppIcon(icon));
        action->setToolTip(action->text());
        action->setStatusTip(action->text());
        action->setEnabled(false);
        const CommandType command = spec.command;
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        actions_[command] = action;
    }
    Action(CommandType::FileOpen)->setShortcut(QKeySequence::Open);
    Action(CommandType::FileSave)->setShortcut(QKeySequence::Save);
}

QAction* CMainFrame::Action(CommandType command) const {
    return actions_.at(command);
}

void CMainFrame::CreateMenus() {
    const auto add = [this](QMenu* menu, std::initializer_list<CommandType> commands) {
        for (const CommandType c : commands)
            menu->addAction(Action(c));
    };
    fileMenu_ = menuBar()->addMenu(ResourceString(TextId::kFileMenu));
    add(fileMenu_, {CommandType::FileOpen, CommandType::FileClose, CommandType::FileSave,
                    CommandType::FileSaveAs});
    fileMenu_->addSeparator();
    add(fileMenu_,
        {CommandType::FilePrint, CommandType::FilePrintPreview, CommandType::FileExport});
    exportCsvAction_ = fileMenu_->addAction(ResourceString(TextId::kCommandExportCsv), this,
                                            &CMainFrame::ExportCsvCommand);
    exportCsvAction_->setObjectName(QStringLiteral("exportCsvCommand"));
    recentSeparator_ = fileMenu_->addSeparator();
    add(fileMenu_, {CommandType::FileExit});
    connect(fileMenu_, &QMenu::aboutToShow, this, &CMainFrame::FillRecentFiles);
    FillRecentFiles();
    QMenu* edit = menuBar()->addMenu(ResourceString(TextId::kEditMenu));
    copyAction_ = edit->addAction(ResourceString(TextId::kCommandCopy).section(u'\t', 0, 0), this,
                                  &CMainFrame::CopyCommand);
    copyAction_->setObjectName(QStringLiteral("copyCommand"));
    copyAction_->setShortcuts(
        {QKeySequence(QKeySequence::Copy), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    edit->addSeparator();
    add(edit, {CommandType::EditSessionParams});
    alarmLimitsAction_ = edit->addAction(ResourceString(TextId::kCommandAlarmLimits), this,
                                         &CMainFrame::AlarmLimitsCommand);
    alarmLimitsAction_->setObjectName(QStringLiteral("alarmLimitsCommand"));
    QMenu* view = menuBar()->addMenu(ResourceString(TextId::kViewMenu));
    add(view, {CommandType::ViewCustomise});
    view->addSeparator();
    add(view, {CommandType::ZoomTool, CommandType::ZoomIn, CommandType::ZoomOut,
               CommandType::ZoomAll, CommandType::ZoomTo});
    view->addSeparator();
    overlayAction_ =
        view->addAction(ResourceString(TextId::kCommandOverlay), this, &CMainFrame::OverlayCommand);
    overlayAction_->setObjectName(QStringLiteral("overlayCommand"));
    QMenu* instrument = menuBar()->addMenu(ResourceString(TextId::kInstrumentMenu));
    add(instrument, {CommandType::Connect, CommandType::Disconnect});
    instrument->addSeparator();
    add(instrument, {CommandType::Configure, CommandType::Download, CommandType::SetClock,
                     CommandType::StartRecording, CommandType::EraseMemory});
    add(menuBar()->addMenu(ResourceString(TextId::kToolsMenu)),
        {CommandType::Colours, CommandType::Options, CommandType::Associate});
    add(menuBar()->addMenu(ResourceString(TextId::kHelpMenu)),
        {CommandType::HelpTopics, CommandType::Manual, CommandType::FirmwareUpgrade,
         CommandType::About});
}

void CMainFrame::FillRecentFiles() {
    for (QAction* action : fileMenu_->actions()) {
        if (action->property("recent").toBool()) {
            fileMenu_->removeAction(action);
            action->deleteLater();
        }
    }
    const QStringList& recent = doc_.RecentFiles();
    QAction* before = recentSeparator_;
    for (qsizetype i = recent.size() - 1; i >= 0; --i) {
        const QString path = recent[i];
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)), fileMenu_);
        action->setProperty("recent", true);
        connect(action, &QAction::triggered, this,
                [this, path] { doc_.OpenSessionFile(path, false); });
        fileMenu_->insertAction(before, action);
        before = action;
    }
    if (!recent.isEmpty()) {
        auto* separator = new QAction(fileMenu_);
        separator->setSeparator(true);
        separator->setProperty("recent", true);
        fileMenu_->insertAction(before, separator);
    }
}

void CMainFrame::CreateToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Standard"));
    toolBar_->setObjectName(QStringLiteral("Standard"));
    toolBar_->setIconSize(QSize(24, 24));
    CCustomiseToolBar::Fill(*toolBar_, actions_, CCustomiseToolBar::LoadHidden(doc_.Settings()));
}

void CMainFrame::CreateShortcuts() {
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &CMainFrame::ContextHelp);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}) {
        auto* pane = new QShortcut(key, this);
        connect(pane, &QShortcut::activated, this, &CMainFrame::SwitchPane);
    }
}

QWidget* CMainFrame::CurrentPage() const {
    return pages_->currentWidget();
}

CRecSession* CMainFrame::SelectedSession() const {
    const TreeSelection selection = tree_->CurrentSelection();
    if (selection.kind != TreeSelection::kSessions || selection.sessionId == 0)
        return nullptr;
    return doc_.FindSession(selection.sessionId);
}

void CMainFrame::ShowSelection(const TreeSelection& selection) {
    QWidget* page = realtimeView_;
    helpContext_ = HelpContext::kRealtimeView;
    if (selection.kind == TreeSelection::kSessions && selection.sessionId == 0) {
        page = openSessionsView_;
        helpContext_ = HelpContext::kOpenSessions;
    } else if (selection.kind == TreeSelection::kSessions) {
        page = sessionView_;
        helpContext_ = selection.trend ? HelpContext::kSessionTrend : HelpContext::kSessionTable;
        sessionView_->SetTrendMode(selection.trend);
        sessionView_->ShowSession(selection.sessionId);
    }
    if (pages_->currentWidget() != page)
        pages_->setCurrentWidget(page);
    if (page == realtimeView_)
        realtimeView_->Refresh();
    UpdateCommandStates();
}

void CMainFrame::OnDocumentUpdate(UpdateHintType hint) {
    switch (hint) {
    case UpdateHintType::SessionAdded:
    case UpdateHintType::SessionRemoved:
    case UpdateHintType::ShowSession: {
        if (hint == UpdateHintType::ShowSession) {
            tree_->SelectSession(doc_.HintSession());
        } else {
            std::vector<std::pair<uint32_t, QString>> sessions;
            for (const CRecSession* s : doc_.Sessions())
                sessions.emplace_back(s->Number(), s->SessionName());
            tree_->RefreshSessions(sessions);
        }
        UpdateCommandStates();
        break;
    }
    case UpdateHintType::Refresh:
        tree_->RenameSessions([this](uint32_t id) {
            const CRecSession* s = doc_.FindSession(id);
            return s ? s->SessionName() : QString();
        });
        UpdateCommandStates();
        break;
    case UpdateHintType::InstrumentStatus:
        UpdateCommandStates();
        break;
    default:
        break;
    }
}

void CMainFrame::UpdateCommandStates() {
    const bool connected = doc_.Monitor().IsConnected();
    const CRecSession* session = SelectedSession();
    for (const CommandType always :
         {CommandType::FileOpen, CommandType::FileExit, CommandType::About, CommandType::Colours,
          CommandType::Options, CommandType::Associate, CommandType::HelpTopics,
          CommandType::ViewCustomise})
        Action(always)->setEnabled(true);
    // A logger that stopped answering may be looked for again.
    Action(CommandType::Connect)->setEnabled(!connected || doc_.Monitor().NotAnswering());
    Action(CommandType::Disconnect)->setEnabled(connected);
    const InstrumentState state = instrument_->State();
    const bool clockBusy = clockSetter_ && clockSetter_->Pending();
    Action(CommandType::SetClock)
        ->setEnabled(!clockBusy && SetClockBlocker(state) == CommandBlockerType::None);
    Action(CommandType::EraseMemory)->setEnabled(EraseBlocker(state) == CommandBlockerType::None);
    Action(CommandType::Download)->setEnabled(DownloadBlocker(state) == CommandBlockerType::None);
    Action(CommandType::Configure)->setEnabled(ConfigureBlocker(state) == CommandBlockerType::None);
    Action(CommandType::StartRecording)
        ->setEnabled(RecordingBlocker(state) == CommandBlockerType::None);
    const QString recordingText = RecordingCommandText(state);
    QAction* recording = Action(CommandType::StartRecording);
    if (recording->text() != recordingText) {
        recording->setText(recordingText);
        recording->setToolTip(recordingText);
        recording->setStatusTip(recordingText);
    }
    Action(CommandType::Manual)->setEnabled(web_ != nullptr);
    Action(CommandType::FirmwareUpgrade)
        ->setEnabled(firmwareOffer_ && !doc_.Monitor().IsBusy() &&
                     firmwareOffer_->CommandEnabled(state, doc_.Monitor().ConnectionNumber()));
    Action(CommandType::FileClose)->setEnabled(session != nullptr);
    const bool printable = PrintablePage() != nullptr;
    Action(CommandType::FilePrint)->setEnabled(printable);
    Action(CommandType::FilePrintPreview)->setEnabled(printable);
    Action(CommandType::FileSaveAs)->setEnabled(session != nullptr);
    Action(CommandType::FileExport)->setEnabled(session != nullptr);
    Action(CommandType::EditSessionParams)->setEnabled(session != nullptr);
    for (QAction* action : {overlayAction_, exportCsvAction_})
        if (action)
            action->setEnabled(session != nullptr);
    if (copyAction_)
        copyAction_->setEnabled(qobject_cast<CDisplayDataView*>(CurrentPage()) != nullptr);
    if (alarmLimitsAction_)
        alarmLimitsAction_->setEnabled(session && SessionFigures::ApplyTo(session->Flags()));
    Action(CommandType::FileSave)->setEnabled(session && doc_.CanSaveSession(*session));

    // Zooming acts on the graph of the session page, and only while it is shown.
    const bool graphShown = session && pages_->currentWidget() == sessionView_ &&
                            sessionView_->Mode() == CVXSessionView::ModeType::Graph &&
                            sessionView_->ModeButtonsShown();
    const CTrendGraph& graph = sessionView_->GraphWidget()->Graph();
    Action(CommandType::ZoomTool)->setCheckable(true);
    Action(CommandType::ZoomTool)->setEnabled(graphShown);
    Action(CommandType::ZoomTool)
        ->setChecked(graphShown && sessionView_->GraphWidget()->ZoomTool());
    Action(CommandType::ZoomIn)->setEnabled(graphShown && graph.CanZoomIn());
    Action(CommandType::ZoomOut)->setEnabled(graphShown && !graph.IsShowingAll());
    Action(CommandType::ZoomAll)->setEnabled(graphShown && !graph.IsShowingAll());
    Action(CommandType::ZoomTo)->setEnabled(graphShown);
}

void CMainFrame::Zoom(CommandType command) {
    CTrendGraphWidget& widget = *sessionView_->GraphWidget();
    CTrendGraph& graph = widget.Graph();
    switch (command) {
    case CommandType::ZoomTool:
        widget.SetZoomTool(!widget.ZoomTool());
        return;
    case CommandType::ZoomIn:
        graph.ZoomIn();
        break;
    case CommandType::ZoomOut:
        graph.ZoomOut();
        break;
    case CommandType::ZoomAll:
        graph.ZoomToAll();
        break;
    case CommandType::ZoomTo:
        if (!graph.OpenZoomDialog([this](ZoomToModel& model) {
                return CZoomTo::Run(model, this, [this](quint32 c) { OpenHelpAt(c); });
            }))
            return;
        break;
    default:
        return;
    }
    widget.Render();
}

void CMainFrame::Run(CommandType command) {
    CInstrumentMonitor& monitor = doc_.Monitor();
    CRecSession* session = SelectedSession();
    switch (command) {
    case CommandType::FileOpen:
        OpenFileCommand();
        break;
    case CommandType::FileClose:
        if (session)
            doc_.CloseSession(*session);
        break;
    case CommandType::FileSave:
        if (session)
            doc_.SaveSession(*session);
        break;
    case CommandType::FileSaveAs:
        if (session)
            doc_.SaveSessionAsCommand(*session);
        break;
    case CommandType::EditSessionParams:
        if (session)
            EditSessionParamsCommand(*session);
        break;
    case CommandType::FileExport:
        if (session)
            SessionExportCommand(doc_.Ui(), folders_.DataFolder()).Run(*session);
        break;
    case CommandType::FilePrint:
        if (CDisplayDataView* page = PrintablePage())
            PrintCommands::Print(*page, folders_.DataFolder(), this);
        break;
    case CommandType::FilePrintPreview:
        if (CDisplayDataView* page = PrintablePage())
            PrintCommands::Preview(*page, doc_, this);
        break;
    case CommandType::FileExit:
        close();
        break;
    case CommandType::ViewCustomise:
        if (CCustomiseToolBar::Run(*toolBar_, actions_, doc_.Settings(), this))
            UpdateCommandStates();
        break;
    case CommandType::ZoomTool:
    case CommandType::ZoomIn:
    case CommandType::ZoomOut:
    case CommandType::ZoomAll:
    case CommandType::ZoomTo:
        Zoom(command);
        break;
    case CommandType::EraseMemory:
        ReportCommand(EraseMemoryCommand(*instrument_, doc_.Ui(), ReportIfNotWritten()));
        break;
    case CommandType::StartRecording:
        ReportCommand(RecordingCommand(*instrument_, doc_.Ui(), ReportIfNotWritten()));
        break;
    case CommandType::SetClock:
        SetClockCommand();
        break;
    case CommandType::Download:
        DownloadCommand();
        break;
    case CommandType::Configure:
        ConfigureCommand();
        break;
    case CommandType::Connect:
        if (monitor.NotAnswering())
            monitor.Disconnect();
        monitor.Connect();
        break;
    case CommandType::Disconnect:
        monitor.Disconnect();
        break;
    case CommandType::Colours:
        doc_.EditColours([this](TraceColorsDlgModel& model) {
            return CVXTraceColorsDlg::Run(model, this, [this](quint32 c) { OpenHelpAt(c); });
        });
        break;
    case CommandType::Options:
        doc_.EditOptions([this](OptionsModel& model) {
            return CToolsOptions::Run(model, this, [this](quint32 c) { OpenHelpAt(c); });
        });
        break;
    case CommandType::Associate:
        AssociateCommand();
        break;
    case CommandType::HelpTopics:
        OpenHelpAt(0);
        RefreshHelp();
        break;
    case CommandType::Manual:
        ManualCommand();
        break;
    case CommandType::FirmwareUpgrade:
        FirmwareCommand(true);
        break;
    case CommandType::About: {
        CAboutDlg about(this);
        about.exec();
        break;
    }
    default:
        break;
    }
    UpdateCommandStates();
}

void CMainFrame::OpenFileCommand() {
    // The first time in a run the dialog opens among the user's session files.
    if (lastOpenFolder_.isEmpty())
        lastOpenFolder_ = QFileInfo::exists(folders_.DataFolder()) ? folders_.DataFolder()
                                                                   : folders_.ProgramFolder();
    QFileDialog dialog(this, ResourceString(TextId::kOpenTitle), lastOpenFolder_,
                       ResourceString(TextId::kOpenSessionFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("vx"));
    dialog.setLabelText(QFileDialog::Accept, ResourceString(TextId::kOpenTitle));
    dialog.setLabelText(QFileDialog::Reject, ResourceString(TextId::kServerWaitCancel));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    lastOpenFolder_ = dialog.directory().absolutePath();
    doc_.OpenSessionFile(dialog.selectedFiles().constFirst(), false);
}

void CMainFrame::EditSessionParamsCommand(CRecSession& session) {
    doc_.EditSessionParams(session, [this](SessionParamsEditModel& model) {
        return CEditSessionParams::Run(model, this, [this](quint32 c) { OpenHelpAt(c); });
    });
}

void CMainFrame::AssociateCommand() {
    const QString program = QCoreApplication::applicationFilePath();
    const AssociationResult done = XdgFileAssociation(program).Associate();
    const QString entry = QDir::toNativeSeparators(done.entry);
    switch (done.type) {
    case AssociationResult::Type::SystemEntry:
        QMessageBox::information(this, QStringLiteral("Vexlo"),
                                 FormatResource(done.madeDefault
                                                    ? TextId::kAssociatedSystemEntry
                                                    : TextId::kAssociatedSystemEntryNoTool,
                                                {entry}));
        break;
    case AssociationResult::Type::UserEntry:
        QMessageBox::information(this, QStringLiteral("Vexlo"),
                                 FormatResource(TextId::kAssociatedUserEntry,
                                                {QDir::toNativeSeparators(program), entry,
                                                 QDir::toNativeSeparators(done.mimeFile)}));
        break;
    case AssociationResult::Type::Failed:
        QMessageBox::warning(this, QStringLiteral("Vexlo"),
                             FormatResource(TextId::kAssociationFailed, {entry}));
        break;
    }
}

void CMainFrame::ExportCsvCommand() {
    if (const CRecSession* session = SelectedSession())
        SessionExportCommand(doc_.Ui(), folders_.DataFolder()).RunCsv(*session, QLocale());
}

void CMainFrame::AlarmLimitsCommand() {
    if (CRecSession* session = SelectedSession())
        doc_.EditAlarmLimits(*session, [this](AlarmLimitsEditModel& model) {
            return CAlarmLimitsDlg::Run(model, this, [this](quint32 c) { OpenHelpAt(c); });
        });
}

void CMainFrame::OverlayCommand() {
    const CRecSession* session = SelectedSession();
    if (!session)
        return;
    const std::vector<const CRecSession*> candidates = OverlayCandidates(doc_.Sessions(), *session);
    if (candidates.size() < 2) {
        const QString why = candidates.empty()
                                ? OverlayRefusal({session, session}).value_or(QString())
                                : FormatResource(TextId::kOverlayNoOther,
                                                 {session->DisplayUnits(), OverlayName(*session)});
        QMessageBox::information(this, ResourceString(TextId::kOverlayChooserTitle), why);
        return;
    }
    COverlayChooser chooser(candidates, session->DisplayUnits(), this);
    if (chooser.exec() != QDialog::Accepted)
        return;
    auto* window = new CVXOverlayWindow(doc_, chooser.Chosen(), this);
    window->show();
}

void CMainFrame::CopyCommand() {
    if (auto* page = qobject_cast<CDisplayDataView*>(pages_->currentWidget()))
        QApplication::clipboard()->setMimeData(page->CopyData().release());
}

CDisplayDataView* CMainFrame::PrintablePage() const {
    auto* page = qobject_cast<CDisplayDataView*>(pages_->currentWidget());
    // The session page prints only while it shows a session.
    if (page == sessionView_ && !sessionView_->Session())
        return nullptr;
    return page;
}

void CMainFrame::SwitchPane() {
    if (tree_->hasFocus())
        FirstTabStop(*pages_->currentWidget())->setFocus(Qt::ShortcutFocusReason);
    else
        tree_->setFocus(Qt::ShortcutFocusReason);
}

void CMainFrame::ContextHelp() {
    const qint64 now = sinceStart_.elapsed();
    if (!help_.WouldOpen(now))
        return;
    if (!help_.OnF1(helpContext_ ? quint32(helpContext_) : HelpContext::kNone, now))
        ShowHelpFailure();
    RefreshHelp();
}

void CMainFrame::OpenHelpAt(quint32 context) {
    if (!help_.OpenAt(context))
        ShowHelpFailure();
}

void CMainFrame::ShowHelpFailure() {
    const QString page = help_.Page();
    QMessageBox::warning(
        this, QStringLiteral("Vexlo"),
        QFileInfo::exists(page)
            ? ResourceString(TextId::kHelpNotOpened)
            : FormatResource(TextId::kHelpMissing, {QDir::toNativeSeparators(page)}));
}

void CMainFrame::SetWebUpdate(WebUpdate* web, FirmwareOffer* offer) {
    web_ = web;
    firmwareOffer_ = offer;
    if (firmwareOffer_)
        firmwareOffer_->SetWaitObserver([this](const QString& text) {
            if (text.isEmpty()) {
                serverWait_->End(ServerWaitType::Firmware);
                return;
            }
            serverWait_->Show(ServerWaitType::Firmware, text, [this] {
                firmwareOffer_->Cancel();
                UpdateCommandStates();
            });
        });
    UpdateCommandStates();
}

void CMainFrame::StartProgramCheck(const QString& programPath,
                                   std::function<bool(const QString&)> start) {
    if (!web_ || !doc_.Options().checkSoftware)
        return;
    programCheck_ = web_->CheckProgramUpdate(
        programPath, folders_.ProgramDownloadFolder(), std::move(start),
        [this](const QString& text) {
            if (text.isEmpty())
                serverWait_->End(ServerWaitType::Program);
            else
                serverWait_->Show(ServerWaitType::Program, text, [this] { programCheck_.reset(); });
        },
        [this](bool started) {
            // The new copy runs: this one ends as a close would, asking about unsaved sessions.
            if (started && close())
                QCoreApplication::quit();
        });
}

void CMainFrame::CheckFirmware() {
    // Not from inside the monitor's tick: the question and the upgrade run their own loops.
    QTimer::singleShot(0, this, [this] { FirmwareCommand(false); });
}

void CMainFrame::FirmwareCommand(bool userAsked) {
    if (!firmwareOffer_)
        return;
    CInstrumentMonitor& monitor = doc_.Monitor();
    firmwareOffer_->CheckFirmware(
        userAsked, instrument_->State(), monitor.ConnectionNumber(),
        [this](QByteArrayView hex) {
            return UpgradeFirmware(
                doc_.Monitor(), hex, doc_.Ui(), doc_.ClockSource(),
                [this](FlashUpgradeJob& job) { CFlashUpgradeDlg::Run(job, doc_.Ui(), this); });
        },
        [this](FirmwareCheckEndType) { UpdateCommandStates(); });
    UpdateCommandStates();
}

void CMainFrame::ManualCommand() {
    if (!web_ || manualRequest_)
        return;
    serverWait_->Show(ServerWaitType::Manual, ResourceString(TextId::kServerWaitVersions),
                      [this] { manualRequest_.reset(); });
    manualRequest_ = web_->ManualAddress([this](const QString& page) {
        serverWait_->End(ServerWaitType::Manual);
        manualRequest_.reset();
        QDesktopServices::openUrl(QUrl(page));
    });
}

void CMainFrame::RefreshHelp() {
    // The help check belongs to the automatic checks of the program and its help.
    if (!web_ || !doc_.Options().checkSoftware || helpCheck_)
        return;
    helpCheck_ =
        web_->CheckHelp(folders_.DownloadedHelpPath(), [this](bool) { helpCheck_.reset(); });
}

void CMainFrame::DownloadCommand() {
    DownloadJob job(*instrument_, doc_.Ui(), doc_.Settings(), doc_.ClockSource());
    job.KeepRawDump(doc_.Options().saveRawDump);
    if (!job.Begin(folders_.DataFolder()) || !CDownloadDlg::Run(job, this))
        return;
    const bool edited = job.CompleteParameters([this](SessionParamsEditModel& model) {
        return CEditSessionParams::Run(model, this, [this](quint32 c) { OpenHelpAt(c); });
    });
    if (edited && !job.SessionFilePath().isEmpty())
        doc_.OpenSessionFile(job.SessionFilePath(), true);
}

void CMainFrame::ConfigureCommand() {
    if (ConfigureBlocker(instrument_->State()) != CommandBlockerType::None)
        return;
    ConfigurationModel model(*instrument_, doc_.ClockSource());
    const auto setClock = [this]() -> std::unique_ptr<InstrumentClockSetter> {
        DateTimeDlgModel window(doc_.ClockSource());
        const DateTimeDlgEndType end = CDateTimeDlg::Run(window, this);
        if (end == DateTimeDlgEndType::Cancel)
            return nullptr;
        auto setter = std::make_unique<InstrumentClockSetter>(*instrument_, doc_.ClockSource());
        setter->Begin(end, window.Chosen());
        return setter;
    };
    CConfigDlg::Run(
        model, doc_.Ui(), setClock, [this](quint32 c) { OpenHelpAt(c); }, this);
}

void CMainFrame::SetClockCommand() {
    DateTimeDlgModel model(doc_.ClockSource());
    const DateTimeDlgEndType end = CDateTimeDlg::Run(model, this);
    if (end == DateTimeDlgEndType::Cancel)
        return;
    clockSetter_ = std::make_unique<InstrumentClockSetter>(*instrument_, doc_.ClockSource());
    clockSetter_->Begin(end, model.Chosen());
    ReportClockProblem();
}

void CMainFrame::ReportClockProblem() {
    if (!clockSetter_ || !clockSetter_->Finished() || clockSetter_->Result().problem.isEmpty())
        return;
    // Not from inside a timer tick: the message's own loop would hold the monitor up.
    QTimer::singleShot(0, this, [this, text = clockSetter_->Result().problem] {
        doc_.Ui().ShowMessage(text, MessageIconType::Error);
    });
    clockSetter_.reset();
}

void CMainFrame::OnTimer() {
    if (clockSetter_ && clockSetter_->Pending()) {
        clockSetter_->Tick();
        ReportClockProblem();
    }
    doc_.Monitor().MonitorTick();
}

CommandDone CMainFrame::ReportIfNotWritten() {
    // Told after the tick that ended the command, not from inside it.
    return [frame = QPointer<CMainFrame>(this)](const CommandBatchResult& result) {
        if (result.Complete() || !frame)
            return;
        QTimer::singleShot(0, frame, [frame] {
            frame->doc_.Ui().ShowMessage(ResourceString(TextId::kCannotWriteCommand),
                                         MessageIconType::Error);
        });
    };
}

void CMainFrame::ReportCommand(CommandResultType result) {
    if (result == CommandResultType::Gone)
        doc_.Ui().ShowMessage(ResourceString(TextId::kLoggerGone), MessageIconType::Error);
}

void CMainFrame::WatchMountTable() {
    deviceChanges_ = new DeviceChangeSource(doc_.Monitor(), this);
}

void CMainFrame::ActivateFromOtherInstance(const QString& path) {
    if (isMinimized())
        showMaximized();
    raise();
    activateWindow();
    if (!path.isEmpty())
        doc_.OpenSessionFile(path, false);
}

void CMainFrame::RestoreLayout(bool builtIn) {
    SettingsStore& settings = doc_.Settings();
    if (builtIn) {
        CCustomiseToolBar::SaveHidden(settings, {});
        CCustomiseToolBar::Fill(*toolBar_, actions_, {});
        return;
    }
    const auto stored = [&settings](const QString& key) {
        return QByteArray::fromBase64(
            settings.GetString(SettingsKeys::WindowSection(), key, QString()).toLatin1());
    };
    // The toolkit keeps a restored window on a screen that is there now.
    if (const QByteArray geometry = stored(SettingsKeys::WindowGeometry()); !geometry.isEmpty())
        restoreGeometry(geometry);
    if (const QByteArray state = stored(SettingsKeys::WindowState()); !state.isEmpty())
        restoreState(state);
    if (const QByteArray panes = stored(SettingsKeys::WindowPanes()); !panes.isEmpty())
        splitter_->restoreState(panes);
    if (const QByteArray panes = stored(SettingsKeys::SessionPanes()); !panes.isEmpty())
        sessionView_->RestorePanes(panes);
}

void CMainFrame::SaveLayout() const {
    SettingsStore& settings = doc_.Settings();
    const auto store = [&settings](const QString& key, const QByteArray& value) {
        settings.SetString(SettingsKeys::WindowSection(), key,
                           QString::fromLatin1(value.toBase64()));
    };
    store(SettingsKeys::WindowGeometry(), saveGeometry());
    store(SettingsKeys::WindowState(), saveState());
    store(SettingsKeys::WindowPanes(), splitter_->saveState());
    store(SettingsKeys::SessionPanes(), sessionView_->SavePanes());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!doc_.QueryCloseAll()) {
        event->ignore();
        return;
    }
    SaveLayout();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedSessionFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedSessionFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    for (const QString& path : paths)
        doc_.OpenSessionFile(path, false);
}

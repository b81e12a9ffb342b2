#include "app/CMainFrame.h"

#include "app/GlyphIcons.h"
#include "instrument/CInstrumentMonitor.h"
#include "instrument/CVXRealtimeView.h"
#include "platform/MountTableWatcher.h"
#include "session/CVexloDoc.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace {

struct CommandSpec {
    CommandType command;
    const char16_t* menuText;
    const char16_t* glyph; // empty: a standard icon or none
    QRgb tile;
};

// Texts as the menus show them; the tool tip is the same text without its shortcut.
constexpr CommandSpec kCommands[] = {
    {CommandType::FileOpen, u"Ouvrir...\tCtrl + O", u"", 0},
    {CommandType::FileClose, u"Fermer", u"", 0},
    {CommandType::FileSave, u"Enregistrer\tCtrl + S", u"", 0},
    {CommandType::FileSaveAs, u"Enregistrer sous…", u"S…", 0xff455a64},
    {CommandType::FilePrint, u"Imprimer", u"P", 0xff546e7a},
    {CommandType::FilePrintPreview, u"Aperçu avant impression", u"Ap", 0xff546e7a},
    {CommandType::FileExport, u"Exporter vers une feuille de calcul", u"X", 0xff2e7d32},
    {CommandType::FileExit, u"Sortir", u"", 0},
    {CommandType::EditSessionParams, u"Éditer les paramètres de session", u"✎", 0xff6a1b9a},
    {CommandType::ViewCustomise, u"Personnaliser la barre d’outils", u"", 0},
    {CommandType::ZoomTool, u"Outil de zoom", u"▭", 0xff1565c0},
    {CommandType::ZoomIn, u"Zoom avant", u"+", 0xff1565c0},
    {CommandType::ZoomOut, u"Zoom arriére", u"−", 0xff1565c0},
    {CommandType::ZoomAll, u"Zoom tout", u"⤢", 0xff1565c0},
    {CommandType::ZoomTo, u"Zoom sur", u"↦", 0xff1565c0},
    {CommandType::Connect, u"Connecter", u"⇄", 0xff00897b},
    {CommandType::Disconnect, u"Débrancher", u"⨯", 0xffc62828},
    {CommandType::Configure, u"Configurer", u"⚙", 0xffef6c00},
    {CommandType::Download, u"Télécharger les données enregistrées", u"↓", 0xffef6c00},
    {CommandType::SetClock, u"Régler l’horloge", u"◷", 0xffef6c00},
    {CommandType::StartRecording, u"Démarrer l’enregistrement", u"●", 0xffd32f2f},
    {CommandType::EraseMemory, u"Effacer la mémoire", u"⌫", 0xffef6c00},
    {CommandType::Colours, u"Couleurs", u"◐", 0xff8e24aa},
    {CommandType::Options, u"Options", u"☰", 0xff5d4037},
    {CommandType::Associate, u"Associer des fichiers. VX", u".vx", 0xff37474f},
    {CommandType::HelpTopics, u"Rubriques d’aide", u"?", 0xff0277bd},
    {CommandType::Manual, u"Manuel VX", u"M", 0xff0277bd},
    {CommandType::FirmwareUpgrade, u"Mise a jour micrologiciel", u"F", 0xff0277bd},
    {CommandType::About, u"À propos de Vexlo…", u"i", 0xff0277bd},
};

QIcon StandardIconFor(CommandType command) {
    QStyle* style = QApplication::style();
    switch (command) {
    case CommandType::FileOpen:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    case CommandType::FileClose:
        return style->standardIcon(QStyle::SP_DialogCloseButton);
    case CommandType::FileSave:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    default:
        return QIcon();
    }
}

} // namespace

CMainFrame::CMainFrame(CVexloDoc& doc, QWidget* parent)
    : QMainWindow(parent), doc_(doc), splitter_(new QSplitter(this)),
      tree_(new CLeftView(splitter_)), pages_(new QStackedWidget(splitter_)),
      realtimeView_(new CVXRealtimeView(doc, pages_)),
      openSessionsView_(new QLabel(pages_)), sessionView_(new QLabel(pages_)) {
    setWindowTitle(QStringLiteral("Vexlo"));
    setObjectName(QStringLiteral("CMainFrame"));
    CreateActions();
    CreateMenus();
    CreateToolBar();
    statusBar()->showMessage(QStringLiteral("Prêt"));

    pages_->addWidget(openSessionsView_);
    pages_->addWidget(sessionView_);
    pages_->addWidget(realtimeView_);
    splitter_->addWidget(tree_);
    splitter_->addWidget(pages_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({200, 700});
    setCentralWidget(splitter_);
    resize(1000, 680);

    connect(tree_, &CLeftView::SelectionChanged, this, &CMainFrame::ShowSelection);
    tree_->SelectInstrument();
    ShowSelection(tree_->CurrentSelection());

    doc_.AddObserver(this);
    connect(&monitorTimer_, &QTimer::timeout, this, &CMainFrame::OnTimer);
    monitorTimer_.start(10);
    WatchMountTable();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    doc_.RemoveObserver(this);
}

void CMainFrame::CreateActions() {
    for (const CommandSpec& spec : kCommands) {
        const QString full = QString::fromUtf16(spec.menuText);
        auto* action = new QAction(full.section(u'\t', 0, 0), this);
        const QString glyph = QString::fromUtf16(spec.glyph);
        action->setIcon(glyph.isEmpty() ? StandardIconFor(spec.command)
                                        : GlyphIcon(glyph, QColor::fromRgba(spec.tile)));
        action->setToolTip(action->text());
        action->setStatusTip(action->text());
        action->setEnabled(false);
        const CommandType command = spec.command;
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        actions_[command] = action;
    }
    Action(CommandType::FileOpen)->setShortcut(QKeySequence::Open);
    Action(CommandType::FileSave)->setShortcut(QKeySequence::Save);
    Action(CommandType::HelpTopics)->setShortcut(QKeySequence::HelpContents);
}

QAction* CMainFrame::Action(CommandType command) const {
    return actions_.at(command);
}

void CMainFrame::CreateMenus() {
    const auto add = [this](QMenu* menu, std::initializer_list<CommandType> commands) {
        for (const CommandType c : commands)
            menu->addAction(Action(c));
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    add(file, {CommandType::FileOpen, CommandType::FileClose, CommandType::FileSave,
               CommandType::FileSaveAs});
    file->addSeparator();
    add(file, {CommandType::FilePrint, CommandType::FilePrintPreview, CommandType::FileExport});
    file->addSeparator();
    add(file, {CommandType::FileExit});
    add(menuBar()->addMenu(QStringLiteral("É&diter")), {CommandType::EditSessionParams});
    QMenu* view = menuBar()->addMenu(QStringLiteral("&Vue"));
    add(view, {CommandType::ViewCustomise});
    view->addSeparator();
    add(view, {CommandType::ZoomTool, CommandType::ZoomIn, CommandType::ZoomOut,
               CommandType::ZoomAll, CommandType::ZoomTo});
    QMenu* instrument = menuBar()->addMenu(QStringLiteral("&Instrument"));
    add(instrument, {CommandType::Connect, CommandType::Disconnect});
    instrument->addSeparator();
    add(instrument, {CommandType::Configure, CommandType::Download, CommandType::SetClock,
                     CommandType::StartRecording, CommandType::EraseMemory});
    add(menuBar()->addMenu(QStringLiteral("&Outils")),
        {CommandType::Colours, CommandType::Options, CommandType::Associate});
    add(menuBar()->addMenu(QStringLiteral("&Aide")),
        {CommandType::HelpTopics, CommandType::Manual, CommandType::FirmwareUpgrade,
         CommandType::About});
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("Standard"));
    bar->setIconSize(QSize(24, 24));
    const std::initializer_list<std::initializer_list<CommandType>> groups = {
        {CommandType::FileOpen, CommandType::FileClose, CommandType::FileSave,
         CommandType::FileSaveAs},
        {CommandType::FilePrint, CommandType::FilePrintPreview, CommandType::FileExport},
        {CommandType::EditSessionParams},
        {CommandType::ZoomTool, CommandType::ZoomIn, CommandType::ZoomOut, CommandType::ZoomAll,
         CommandType::ZoomTo},
        {CommandType::Connect, CommandType::Disconnect},
        {CommandType::Configure, CommandType::Download, CommandType::SetClock,
         CommandType::StartRecording, CommandType::EraseMemory},
        {CommandType::Colours},
        {CommandType::Options},
        {CommandType::Associate},
        {CommandType::HelpTopics, CommandType::Manual, CommandType::FirmwareUpgrade,
         CommandType::About},
    };
    bool first = true;
    for (const auto& group : groups) {
        if (!first)
            bar->addSeparator();
        first = false;
        for (const CommandType c : group)
            bar->addAction(Action(c));
    }
}

QWidget* CMainFrame::CurrentPage() const {
    return pages_->currentWidget();
}

void CMainFrame::ShowSelection(const TreeSelection& selection) {
    QWidget* page = realtimeView_;
    helpContext_ = kHelpRealtime;
    if (selection.kind == TreeSelection::kSessions && selection.sessionId == 0) {
        page = openSessionsView_;
        helpContext_ = kHelpOpenSessions;
    } else if (selection.kind == TreeSelection::kSessions) {
        page = sessionView_;
        helpContext_ = selection.trend ? kHelpTrend : kHelpSession;
    }
    if (pages_->currentWidget() != page)
        pages_->setCurrentWidget(page);
    if (page == realtimeView_)
        realtimeView_->Refresh();
    UpdateCommandStates();
}

void CMainFrame::OnDocumentUpdate(UpdateHintType hint) {
    if (hint == UpdateHintType::InstrumentStatus)
        UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    const CInstrumentMonitor& monitor = doc_.Monitor();
    const bool connected = monitor.IsConnected();
    Action(CommandType::FileOpen)->setEnabled(true);
    Action(CommandType::FileExit)->setEnabled(true);
    Action(CommandType::About)->setEnabled(true);
    Action(CommandType::Connect)->setEnabled(!connected);
    Action(CommandType::Disconnect)->setEnabled(connected);
}

void CMainFrame::Run(CommandType command) {
    CInstrumentMonitor& monitor = doc_.Monitor();
    switch (command) {
    case CommandType::Connect:
        monitor.Connect();
        break;
    case CommandType::Disconnect:
        monitor.Disconnect();
        break;
    case CommandType::FileExit:
        close();
        break;
    case CommandType::About:
        About();
        break;
    default:
        break;
    }
    UpdateCommandStates();
}

void CMainFrame::About() {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("À propos"));
    box.setText(QStringLiteral("Vexlo, version %1").arg(QStringLiteral("1.1.0000")));
    box.setIconPixmap(GlyphIcon(QStringLiteral("V"), QColor(0x02, 0x77, 0xbd)).pixmap(48, 48));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void CMainFrame::OnTimer() {
    // A nested event loop inside a tick must not start another one.
    if (inTimer_)
        return;
    inTimer_ = true;
    doc_.Monitor().MonitorTick();
    inTimer_ = false;
}

void CMainFrame::WatchMountTable() {
    mountWatcher_ = std::make_unique<MountTableWatcher>();
    if (!mountWatcher_->IsValid())
        return;
    mountNotifier_ = new QSocketNotifier(mountWatcher_->Fd(), QSocketNotifier::Exception, this);
    connect(mountNotifier_, &QSocketNotifier::activated, this, [this] {
        if (mountWatcher_->HasChanged(0))
            doc_.Monitor().OnDeviceChange();
    });
}

void CMainFrame::ActivateFromOtherInstance(const QString& path) {
    if (isMinimized())
        showMaximized();
    raise();
    activateWindow();
    Q_UNUSED(path);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    event->accept();
}

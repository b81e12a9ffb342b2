#pragma once

#include "core/common/UpdateHint.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/InstrumentCommands.h"
#include "gui/app/CLeftView.h"
#include "gui/app/CommandType.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class AppFolders;
class CDisplayDataView;
class CEraseMemDlg;
class CRecSession;
class CVexloDoc;
class CVXOpenSessionsView;
class CVXRealtimeView;
class CVXSessionView;
class FirmwareOffer;
class ServerWait;
class WebTask;
class WebUpdate;
class HelpLauncher;
class DeviceChangeSource;
class InstrumentClockSetter;
class MonitorInstrumentPort;
class QAction;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;

// The main window: menus, tool bar, status bar, the navigation tree and the right-hand page;
// its 10 ms timer drives the instrument monitor and mount-table changes reach it as device
// changes.
class CMainFrame : public QMainWindow, public DocObserver, public InstrumentHooks {
    Q_OBJECT
public:
    CMainFrame(CVexloDoc& doc, const AppFolders& folders, HelpLauncher& help,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    void OnDocumentUpdate(UpdateHintType hint) override;

    // The monitor opens and closes the erase window as the logger reports its erase.
    bool IsEraseWindowShowing() const override;
    void OpenEraseWindow(int64_t memorySize) override;
    void CloseEraseWindow() override;
    // After a status read, once per connection: the firmware offer, outside the timer tick.
    void CheckFirmware() override;
    // The update server's checks; without them the help opens as it is and no firmware is
    // offered.
    void SetWebUpdate(WebUpdate* web, FirmwareOffer* offer);
    // The start-up check of a newer program, once the window shows; when the user installed
    // one and `start` started it, this window closes.
    void StartProgramCheck(const QString& programPath, std::function<bool(const QString&)> start);
    // The help context of the page shown; 0 until one was chosen.
    int HelpContext() const { return helpContext_; }
    CLeftView* Tree() const { return tree_; }
    QWidget* CurrentPage() const;
    CVXOpenSessionsView* OpenSessionsView() const { return openSessionsView_; }
    CVXSessionView* SessionView() const { return sessionView_; }
    CVXRealtimeView* RealtimeView() const { return realtimeView_; }
    QAction* Action(CommandType command) const;
    QToolBar* StandardBar() const { return toolBar_; }
    // The session of the selected tree item, if any.
    CRecSession* SelectedSession() const;

    // Bars and docks as the user left them, unless the layout is to be the built-in one.
    void RestoreLayout(bool builtIn);
    // Another start of the program handed over this file (empty: just come to the front).
    void ActivateFromOtherInstance(const QString& path);
    // Opens the help at the page shown, as F1 does.
    void ContextHelp();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateShortcuts();
    void FillRecentFiles();
    void ShowSelection(const TreeSelection& selection);
    void UpdateCommandStates();
    void Run(CommandType command);
    void OpenFileCommand();
    void Zoom(CommandType command);
    void ConfigureCommand();
    void SetClockCommand();
    void DownloadCommand();
    void EditSessionParamsCommand(CRecSession& session);
    void AssociateCommand();
    void CopyCommand();
    // "Superposer…": the selected session and others of its unit on one graph.
    void OverlayCommand();
    void ExportCsvCommand();
    void AlarmLimitsCommand();
    // The page shown, when it has something to print.
    CDisplayDataView* PrintablePage() const;
    void SwitchPane();
    void OnTimer();
    void WatchMountTable();
    void ReportClockProblem();
    // What a queued command tells when it did not reach the drive.
    CommandDone ReportIfNotWritten();
    void ReportCommand(CommandResultType result);
    void SaveLayout() const;
    void OpenHelpAt(quint32 context);
    void ShowHelpFailure();
    void StartMonitorTimer();
    void FirmwareCommand(bool userAsked);
    void ManualCommand();
    // A newer help file from the server, for the next time help is shown.
    void RefreshHelp();

    CVexloDoc& doc_;
    const AppFolders& folders_;
    HelpLauncher& help_;
    std::map<CommandType, QAction*> actions_;
    QSplitter* splitter_;
    CLeftView* tree_;
    QStackedWidget* pages_;
    CVXOpenSessionsView* openSessionsView_;
    CVXSessionView* sessionView_;
    CVXRealtimeView* realtimeView_;
    QToolBar* toolBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* overlayAction_ = nullptr;
    QAction* exportCsvAction_ = nullptr;
    QAction* alarmLimitsAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    int helpContext_ = 0;
    QString lastOpenFolder_;
    QTimer monitorTimer_;
    QElapsedTimer sinceStart_;
    std::unique_ptr<MonitorInstrumentPort> instrument_;
    // A synchronised clock setting waits for the next whole second between timer ticks.
    std::unique_ptr<InstrumentClockSetter> clockSetter_;
    QPointer<CEraseMemDlg> eraseWindow_;
    bool eraseDismissed_ = false;
    DeviceChangeSource* deviceChanges_ = nullptr;
    WebUpdate* web_ = nullptr;
    FirmwareOffer* firmwareOffer_ = nullptr;
    std::unique_ptr<ServerWait> serverWait_;
    std::unique_ptr<WebTask> programCheck_;
    std::unique_ptr<WebTask> helpCheck_;
    std::unique_ptr<WebTask> manualRequest_;
};

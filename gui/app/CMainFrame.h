#pragma once

#include "app/CLeftView.h"
#include "app/CommandType.h"
#include "session/UpdateHint.h"

#include <QMainWindow>
#include <QTimer>

#include <map>
#include <memory>

class CVexloDoc;
class CVXRealtimeView;
class MountTableWatcher;
class QAction;
class QSocketNotifier;
class QSplitter;
class QStackedWidget;

// The main window: menus, tool bar, status bar, the navigation tree and the right-hand page;
// its 10 ms timer drives the instrument monitor and mount-table changes reach it as device
// changes.
class CMainFrame : public QMainWindow, public DocObserver {
    Q_OBJECT
public:
    static constexpr int kHelpRealtime = 0x40001;
    static constexpr int kHelpTrend = 0x40002;
    static constexpr int kHelpOpenSessions = 0x40003;
    static constexpr int kHelpSession = 0x40004;
    static constexpr int kHelpNone = 128;

    explicit CMainFrame(CVexloDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    void OnDocumentUpdate(UpdateHintType hint) override;
    int HelpContext() const { return helpContext_; }
    CLeftView* Tree() const { return tree_; }
    QWidget* CurrentPage() const;
    QAction* Action(CommandType command) const;
    // Another start of the program handed over this file (empty: just come to the front).
    void ActivateFromOtherInstance(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void ShowSelection(const TreeSelection& selection);
    void UpdateCommandStates();
    void Run(CommandType command);
    void OnTimer();
    void WatchMountTable();
    void About();

    CVexloDoc& doc_;
    std::map<CommandType, QAction*> actions_;
    QSplitter* splitter_;
    CLeftView* tree_;
    QStackedWidget* pages_;
    CVXRealtimeView* realtimeView_;
    QWidget* openSessionsView_;
    QWidget* sessionView_;
    int helpContext_ = 0;
    QTimer monitorTimer_;
    bool inTimer_ = false;
    std::unique_ptr<MountTableWatcher> mountWatcher_;
    QSocketNotifier* mountNotifier_ = nullptr;
};

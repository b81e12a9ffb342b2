// How long the desktop's window goes without handling its events while it opens a session and
// shows each of its pages: a 5 ms timer on the window's thread notes the longest gap between
// two of its beats. Run on a virtual X server:
//   xvfb-run -a vexlo-window-hold SESSION.vx
#include "core/app/AppFolders.h"
#include "core/common/Clock.h"
#include "core/doc/CVexloDoc.h"
#include "gui/app/CLeftView.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/HelpLauncher.h"
#include "gui/app/QtUserInterface.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

class BeatWatch {
public:
    BeatWatch() {
        beat_.setTimerType(Qt::PreciseTimer);
        beat_.setInterval(5);
        QObject::connect(&beat_, &QTimer::timeout,
                         [this] { longestMs_ = std::max(longestMs_, since_.restart()); });
        since_.start();
        beat_.start();
    }
    // The longest gap since the last call, less the beat's own period.
    qint64 TakeLongestHoldMs() {
        const qint64 hold = std::max<qint64>(0, longestMs_ - beat_.interval());
        longestMs_ = 0;
        return hold;
    }

private:
    QTimer beat_;
    QElapsedTimer since_;
    qint64 longestMs_ = 0;
};

// Lets the window handle its events for `ms`, as a user looking at a page would.
void Dwell(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexlo-window-hold SESSION.vx\n");
        return 2;
    }
    QTemporaryDir dir;
    const AppFolders folders(
        dir.path(), {dir.filePath(QStringLiteral("own")), dir.filePath(QStringLiteral("cache"))});
    MemorySettingsStore settings;
    FakeDriveBackend drives;
    const SystemClock clock;
    QtUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    doc.SetDataFolder(folders.DataFolder());
    HelpLauncher help(QString(), QString(), [](const QUrl&) { return true; });
    CMainFrame frame(doc, folders, help);
    ui.SetParent(&frame);
    frame.show();
    Dwell(300);

    BeatWatch watch;
    QElapsedTimer opening;
    opening.start();
    const bool opened = doc.OpenSessionFile(QString::fromLocal8Bit(argv[1]), false);
    const qint64 openMs = opening.elapsed();
    Dwell(500);
    if (!opened) {
        std::fprintf(stderr, "the session did not open\n");
        return 1;
    }
    std::printf("opened in %lld ms; the window held at most %lld ms at a time\n",
                static_cast<long long>(openMs), static_cast<long long>(watch.TakeLongestHoldMs()));

    // Each page of the session: its item and the trend below it, every tab of each.
    QTreeWidgetItem* session = frame.Tree()->SessionsItem()->child(0);
    for (QTreeWidgetItem* item : {session, session->child(0)}) {
        if (!item)
            continue;
        frame.Tree()->setCurrentItem(item);
        Dwell(500);
        for (QTabWidget* tabs : frame.findChildren<QTabWidget*>()) {
            if (!tabs->isVisible())
                continue;
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                Dwell(300);
            }
        }
        std::printf("page \"%s\": the window held at most %lld ms at a time\n",
                    qPrintable(item->text(0)), static_cast<long long>(watch.TakeLongestHoldMs()));
    }
    return 0;
}

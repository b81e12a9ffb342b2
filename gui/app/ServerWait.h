#pragma once

#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QMainWindow;
class QPushButton;
class QShortcut;

enum class ServerWaitType { Manual, Firmware, Program };

// What the window waits for from the update server: the text in the status bar, "Annuler"
// beside it (and Escape) to stop waiting, and a busy cursor, while the window stays in use.
// Waits may overlap; the latest text shows, and "Annuler" stops them all.
class ServerWait {
public:
    explicit ServerWait(QMainWindow& window);
    ~ServerWait();
    ServerWait(const ServerWait&) = delete;
    ServerWait& operator=(const ServerWait&) = delete;

    // Shows `text` for `type` until End; `cancel` stops that wait when the user cancels.
    void Show(ServerWaitType type, const QString& text, std::function<void()> cancel);
    void End(ServerWaitType type);
    void CancelAll();
    bool Waiting() const { return !waits_.empty(); }

private:
    struct Wait {
        ServerWaitType type;
        QString text;
        std::function<void()> cancel;
    };

    void Refresh();

    std::vector<Wait> waits_; // oldest first
    QLabel* text_;
    QPushButton* cancel_;
    QShortcut* escape_;
    bool busyCursor_ = false;
};

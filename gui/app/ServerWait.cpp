#include "gui/app/ServerWait.h"

#include "core/common/StringTable.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <algorithm>

ServerWait::ServerWait(QMainWindow& window)
    : text_(new QLabel(window.statusBar())),
      cancel_(new QPushButton(ResourceString(TextId::kServerWaitCancel), window.statusBar())),
      escape_(new QShortcut(QKeySequence(Qt::Key_Escape), &window)) {
    text_->setObjectName(QStringLiteral("serverWaitText"));
    cancel_->setObjectName(QStringLiteral("serverWaitCancel"));
    cancel_->setToolTip(ResourceString(TextId::kServerWaitCancelTip));
    cancel_->setFlat(true);
    // Beside the status bar's messages, so that a menu's help text does not hide them.
    window.statusBar()->addPermanentWidget(text_);
    window.statusBar()->addPermanentWidget(cancel_);
    QObject::connect(cancel_, &QPushButton::clicked, [this] { CancelAll(); });
    QObject::connect(escape_, &QShortcut::activated, [this] { CancelAll(); });
    Refresh();
}

ServerWait::~ServerWait() {
    if (busyCursor_)
        QApplication::restoreOverrideCursor();
}

void ServerWait::Show(ServerWaitType type, const QString& text, std::function<void()> cancel) {
    std::erase_if(waits_, [type](const Wait& w) { return w.type == type; });
    waits_.push_back({type, text, std::move(cancel)});
    Refresh();
}

void ServerWait::End(ServerWaitType type) {
    std::erase_if(waits_, [type](const Wait& w) { return w.type == type; });
    Refresh();
}

void ServerWait::CancelAll() {
    // A cancelled request may tell its end here again: nothing is left to end by then.
    const std::vector<Wait> cancelled = std::exchange(waits_, {});
    Refresh();
    for (const Wait& w : cancelled)
        if (w.cancel)
            w.cancel();
}

void ServerWait::Refresh() {
    const bool waiting = Waiting();
    text_->setText(waiting ? waits_.back().text : QString());
    text_->setVisible(waiting);
    cancel_->setVisible(waiting);
    escape_->setEnabled(waiting);
    if (waiting != busyCursor_) {
        // The arrow stays with the hourglass: the window can still be used.
        if (waiting)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QApplication::restoreOverrideCursor();
        busyCursor_ = waiting;
    }
}

#include "gui/instrument/TransferWaitDialog.h"

#include "core/app/AppIdentity.h"
#include "core/common/StringTable.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QThread>

TransferWaitDialog::TransferWaitDialog(QWidget* parent) : parent_(parent) {}

TransferWaitDialog::~TransferWaitDialog() {
    delete dialog_;
}

bool TransferWaitDialog::KeepWaiting(qint64 elapsedMs) {
    if (!dialog_ && elapsedMs >= kShowAfterMs) {
        dialog_ = new QProgressDialog(ResourceString(TextId::kWaitingForInstrument),
                                      QStringLiteral("Annuler"), 0, 0, parent_);
        dialog_->setObjectName(QStringLiteral("transferWait"));
        dialog_->setWindowTitle(AppIdentity::ApplicationName());
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        QObject::connect(dialog_, &QProgressDialog::canceled, [this] { cancelled_ = true; });
        dialog_->show();
    }
    // Until the modal window shows, nothing the user does may start another command.
    QCoreApplication::processEvents(
        dialog_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, 5);
    QThread::msleep(2);
    return !cancelled_;
}

void TransferWaitDialog::Finished() {
    delete dialog_;
    cancelled_ = false;
}

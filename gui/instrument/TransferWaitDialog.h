#pragma once

#include "core/instrument/CInstComm.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

// The window stays alive while the link's worker has a command or recording transfer: after a
// moment "Attente de l’instrument..." shows, modal, with "Annuler".
class TransferWaitDialog final : public TransferWait {
public:
    static constexpr qint64 kShowAfterMs = 300;

    explicit TransferWaitDialog(QWidget* parent);
    ~TransferWaitDialog() override;
    TransferWaitDialog(const TransferWaitDialog&) = delete;
    TransferWaitDialog& operator=(const TransferWaitDialog&) = delete;

    bool KeepWaiting(qint64 elapsedMs) override;
    void Finished() override;

private:
    QWidget* parent_;
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

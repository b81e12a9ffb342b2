#include "gui/dialogs/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* MakeDialogButtons(QDialog& dialog, const HelpOpener& openHelp,
                                    quint32 helpContext) {
    auto* box = new QDialogButtonBox(&dialog);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    box->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    QPushButton* help = box->addButton(QStringLiteral("Aide"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("helpButton"));
    help->setEnabled(static_cast<bool>(openHelp));
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(box, &QDialogButtonBox::helpRequested, &dialog, [openHelp, helpContext] {
        if (openHelp)
            openHelp(helpContext);
    });
    return box;
}

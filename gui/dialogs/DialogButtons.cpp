#include "gui/dialogs/DialogButtons.h"

#include "core/app/AppIdentity.h"
#include "core/common/StringTable.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

QDialogButtonBox* MakeDialogButtons(QDialog& dialog, const HelpOpener& openHelp,
                                    quint32 helpContext) {
    auto* box = new QDialogButtonBox(&dialog);
    QPushButton* ok =
        box->addButton(ResourceString(TextId::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    box->addButton(ResourceString(TextId::kServerWaitCancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    QPushButton* help =
        box->addButton(ResourceString(TextId::kHelpButton), QDialogButtonBox::HelpRole);
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

void ShowDialogProblem(QDialog& dialog, QWidget* field, const QString& message, bool critical) {
    if (field) {
        field->setFocus(Qt::OtherFocusReason);
        if (auto* line = qobject_cast<QLineEdit*>(field))
            line->selectAll();
    }
    auto* box =
        new QMessageBox(critical ? QMessageBox::Critical : QMessageBox::Warning,
                        AppIdentity::ApplicationName(), message, QMessageBox::NoButton, &dialog);
    box->setObjectName(QStringLiteral("problemBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->addButton(ResourceString(TextId::kButtonOk), QMessageBox::AcceptRole);
    box->open();
}

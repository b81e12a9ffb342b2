#include "gui/dialogs/CAboutDlg.h"

#include "core/app/AppIdentity.h"
#include "core/common/StringTable.h"
#include "gui/app/AppIcons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(ResourceString(TextId::kAboutTitle));

    auto* glyph = new QLabel(this);
    glyph->setPixmap(AppIcon(QString::fromUtf16(AppIconName::kProgram)).pixmap(32, 32));
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("versionText"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok =
        buttons->addButton(ResourceString(TextId::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(glyph, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(version, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CAboutDlg::Run(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}

QString CAboutDlg::VersionText() {
    return FormatResource(TextId::kProgramVersionLine, {AppIdentity::ProgramVersion()});
}

#include "gui/dialogs/CFlashUpgradeDlg.h"

#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"
#include "core/instrument/FlashUpgradeJob.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTickMs = 10;

} // namespace

CFlashUpgradeDlg::CFlashUpgradeDlg(FlashUpgradeJob& job, UserInterface& ui, QWidget* parent)
    : QDialog(parent), job_(job), ui_(ui), text_(new QLabel(this)), bar_(new QProgressBar(this)) {
    setWindowTitle(ResourceString(TextId::kFlashUpgradeTitle));
    text_->setObjectName(QStringLiteral("text1099"));
    text_->setWordWrap(true);
    text_->setMinimumWidth(420);
    // Room for the two lines of the failure text, so that it never shows cut.
    text_->setMinimumHeight(text_->fontMetrics().lineSpacing() * 2 + 4);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bar_->setObjectName(QStringLiteral("progress1021"));
    bar_->setRange(0, static_cast<int>(job_.Total()));
    bar_->setValue(0);
    bar_->setTextVisible(false);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(ResourceString(TextId::kButtonOk), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("okButton"));
    cancel_ =
        buttons->addButton(ResourceString(TextId::kServerWaitCancel), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFlashUpgradeDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addWidget(buttons);
    ShowState();
    connect(&timer_, &QTimer::timeout, this, &CFlashUpgradeDlg::Tick);
    timer_.start(kTickMs);
}

void CFlashUpgradeDlg::Run(FlashUpgradeJob& job, UserInterface& ui, QWidget* parent) {
    CFlashUpgradeDlg window(job, ui, parent);
    window.exec();
}

QString CFlashUpgradeDlg::Text() const {
    return text_->text();
}

int CFlashUpgradeDlg::Position() const {
    return bar_->value();
}

bool CFlashUpgradeDlg::OkEnabled() const {
    return ok_->isEnabled();
}

bool CFlashUpgradeDlg::CancelEnabled() const {
    return cancel_->isEnabled();
}

void CFlashUpgradeDlg::reject() {
    if (!job_.Running()) {
        timer_.stop();
        QDialog::reject();
        return;
    }
    if (closeWhenEnded_)
        return;
    // The steps wait while the question is showing.
    timer_.stop();
    const bool stop = ui_.AskYesNo(ResourceString(TextId::kConfirmCancelFirmware));
    if (stop && job_.Running()) {
        job_.Cancel();
        closeWhenEnded_ = true;
    }
    if (!job_.Running() && closeWhenEnded_) {
        QDialog::reject();
        return;
    }
    ShowState();
    timer_.start(kTickMs);
}

void CFlashUpgradeDlg::Tick() {
    job_.Step();
    ShowState();
    if (job_.Running())
        return;
    timer_.stop();
    if (closeWhenEnded_)
        QDialog::reject();
}

void CFlashUpgradeDlg::ShowState() {
    const bool running = job_.Running();
    text_->setText(job_.Text());
    bar_->setValue(static_cast<int>(job_.Done()));
    ok_->setEnabled(!running);
    ok_->setDefault(!running);
    cancel_->setEnabled(running && !closeWhenEnded_);
}

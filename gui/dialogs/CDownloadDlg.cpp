#include "gui/dialogs/CDownloadDlg.h"

#include "core/common/StringTable.h"
#include "core/instrument/DownloadJob.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The bar counts in thousandths: a 32-bit range cannot hold every memory size in bytes.
constexpr int kBarRange = 1000;
constexpr int kTickMs = 10;

} // namespace

CDownloadDlg::CDownloadDlg(DownloadJob& job, QWidget* parent)
    : QDialog(parent), job_(job), bar_(new QProgressBar(this)), text_(new QLabel(this)) {
    setWindowTitle(ResourceString(TextId::kDownloadTitle));
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, kBarRange);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    text_->setObjectName(QStringLiteral("progressText"));
    text_->setWordWrap(true);
    text_->setMinimumWidth(420);
    // Room for the two lines of the stall text, so that it never shows cut.
    text_->setMinimumHeight(text_->fontMetrics().lineSpacing() * 2 + 4);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ResourceString(TextId::kServerWaitCancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    connect(&timer_, &QTimer::timeout, this, &CDownloadDlg::Tick);
    timer_.start(kTickMs);
}

bool CDownloadDlg::Run(DownloadJob& job, QWidget* parent) {
    CDownloadDlg window(job, parent);
    return window.exec() == QDialog::Accepted;
}

QString CDownloadDlg::Text() const {
    return text_->text();
}

int CDownloadDlg::Position() const {
    return bar_->value();
}

void CDownloadDlg::reject() {
    timer_.stop();
    if (job_.Running())
        job_.Cancel();
    QDialog::reject();
}

void CDownloadDlg::Tick() {
    // A tick that ends the copy may show a message, whose own loop must not tick again.
    timer_.stop();
    const TransferStateType state = job_.Tick();
    if (const DownloadTransfer* t = job_.Transfer()) {
        text_->setText(t->Stalled() ? DownloadTransfer::StallText() : t->ProgressText());
        if (t->Total() > 0)
            bar_->setValue(static_cast<int>(t->Done() * kBarRange / t->Total()));
    }
    if (job_.Running()) {
        timer_.start(kTickMs);
        return;
    }
    if (state == TransferStateType::Finished)
        QDialog::accept();
    else
        QDialog::reject();
}

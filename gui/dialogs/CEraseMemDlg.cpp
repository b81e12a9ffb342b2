#include "gui/dialogs/CEraseMemDlg.h"

#include "core/common/StringTable.h"
#include "core/instrument/InstrumentPort.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The bar counts in kilobytes so that memories past 2 GB stay within its int range.
int Kilobytes(qint64 bytes) {
    return static_cast<int>(std::clamp<qint64>(bytes / 1024, 0, INT32_MAX));
}
} // namespace

CEraseMemDlg::CEraseMemDlg(qint64 totalMemory, const InstrumentPort& instrument, UserInterface& ui,
                           QWidget* parent)
    : QDialog(parent), model_(totalMemory), instrument_(instrument), ui_(ui),
      bar_(new QProgressBar(this)), text_(new QLabel(this)) {
    setWindowTitle(EraseProgressModel::Title());
    setModal(false);
    bar_->setRange(0, std::max(1, Kilobytes(model_.RangeMaximum())));
    bar_->setTextVisible(false);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ResourceString(TextId::kButtonOk), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(360, sizeHint().height());
    connect(&timer_, &QTimer::timeout, this, &CEraseMemDlg::Tick);
    timer_.start(EraseProgressModel::kTickMs);
    Tick();
}

void CEraseMemDlg::Tick() {
    const bool erasing = model_.Update(instrument_.State());
    bar_->setValue(Kilobytes(model_.Position()));
    const QString text = model_.Text();
    if (text_->text() != text)
        text_->setText(text);
    if (!erasing)
        CloseFinished();
}

void CEraseMemDlg::CloseFinished() {
    closedByMonitor_ = true;
    timer_.stop();
    QDialog::done(QDialog::Accepted);
}

void CEraseMemDlg::done(int result) {
    timer_.stop();
    if (!closedByMonitor_) {
        emit DismissedByUser();
        EraseProgressModel::Dismiss(ui_);
    }
    QDialog::done(result);
}

QString CEraseMemDlg::Text() const {
    return text_->text();
}

int CEraseMemDlg::Position() const {
    return bar_->value();
}

#include "gui/dialogs/CReportOptions.h"

#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "core/graph/ReportOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CReportOptions::CReportOptions(ReportOptionsModel& model, const HelpOpener& openHelp,
                               QWidget* parent)
    : QDialog(parent), model_(model),
      header_(new QCheckBox(ResourceString(TextId::kIncludeHeader), this)),
      footer_(new QCheckBox(ResourceString(TextId::kIncludeFooter), this)),
      comments_(new QCheckBox(ResourceString(TextId::kIncludeComments), this)),
      sampleTable_(new QCheckBox(ResourceString(TextId::kIncludeSampleTable), this)),
      averagingLabel_(new QLabel(ResourceString(TextId::kSampleAveraging), this)),
      averaging_(new QComboBox(this)) {
    setWindowTitle(ResourceString(TextId::kReportOptionsTitle));
    header_->setObjectName(QStringLiteral("includeHeader"));
    footer_->setObjectName(QStringLiteral("includeFooter"));
    comments_->setObjectName(QStringLiteral("includeComments"));
    sampleTable_->setObjectName(QStringLiteral("includeSampleTable"));
    averaging_->setObjectName(QStringLiteral("averaging"));
    averagingLabel_->setBuddy(averaging_);
    for (const auto& entry : model_.Entries())
        averaging_->addItem(entry.text);

    auto* averagingRow = new QHBoxLayout;
    averagingRow->setContentsMargins(24, 0, 0, 0);
    averagingRow->addWidget(averagingLabel_);
    averagingRow->addWidget(averaging_, 1);
    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {header_, footer_, comments_, sampleTable_})
        layout->addWidget(box);
    layout->addLayout(averagingRow);
    layout->addStretch(1);
    layout->addWidget(MakeDialogButtons(*this, openHelp, HelpContext::kReportOptionsDialog));

    connect(header_, &QCheckBox::toggled, this, [this](bool on) { model_.SetIncludeHeader(on); });
    connect(footer_, &QCheckBox::toggled, this, [this](bool on) { model_.SetIncludeFooter(on); });
    connect(comments_, &QCheckBox::toggled, this,
            [this](bool on) { model_.SetIncludeComments(on); });
    connect(sampleTable_, &QCheckBox::toggled, this, [this](bool on) {
        model_.SetIncludeSampleTable(on);
        ShowModel();
    });
    connect(averaging_, &QComboBox::currentIndexChanged, this,
            [this](int index) { model_.Select(index); });
    ShowModel();
}

void CReportOptions::ShowModel() {
    const QSignalBlocker blockHeader(header_), blockFooter(footer_), blockComments(comments_),
        blockTable(sampleTable_), blockList(averaging_);
    header_->setChecked(model_.IncludeHeader());
    footer_->setChecked(model_.IncludeFooter());
    comments_->setChecked(model_.IncludeComments());
    sampleTable_->setChecked(model_.IncludeSampleTable());
    sampleTable_->setEnabled(model_.SampleTableAvailable());
    averaging_->setCurrentIndex(model_.Selection());
    const bool averaging = model_.AveragingEnabled();
    averagingLabel_->setVisible(averaging);
    averaging_->setVisible(averaging);
    averagingLabel_->setEnabled(averaging);
    averaging_->setEnabled(averaging);
}

bool CReportOptions::Run(ReportOptionsModel& model, QWidget* parent, HelpOpener openHelp) {
    CReportOptions dialog(model, openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

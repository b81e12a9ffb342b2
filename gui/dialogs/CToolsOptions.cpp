#include "gui/dialogs/CToolsOptions.h"

#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "gui/app/Accessibility.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CToolsOptions::CToolsOptions(OptionsModel& model, const HelpOpener& openHelp, QWidget* parent)
    : QDialog(parent), model_(model),
      checkFirmware_(AddCheckBox(ResourceString(TextId::kCheckFirmwareOption),
                                 QStringLiteral("checkFirmware"), model.CheckFirmware())),
      checkSoftware_(AddCheckBox(ResourceString(TextId::kCheckSoftwareOption),
                                 QStringLiteral("checkSoftware"), model.CheckSoftware())),
      dashedOverload_(AddCheckBox(ResourceString(TextId::kDashedOverloadOption),
                                  QStringLiteral("dashedOverload"), model.DashedOverload())),
      units_(new QButtonGroup(this)),
      saveRawDump_(AddCheckBox(ResourceString(TextId::kSaveRawDumpOption),
                               QStringLiteral("saveRawDump"), model.SaveRawDump())),
      mktActivation_(new QLineEdit(model.MktActivationText(), this)),
      language_(new QComboBox(this)) {
    setWindowTitle(OptionsModel::Title());

    auto* unitsBox = new QGroupBox(ResourceString(TextId::kTemperatureDisplay), this);
    auto* unitsRow = new QHBoxLayout(unitsBox);
    int index = 0;
    for (const auto& [text, name] :
         {std::pair{QStringLiteral("°C"), QStringLiteral("celsius")},
          std::pair{QStringLiteral("°F"), QStringLiteral("fahrenheit")}}) {
        auto* button = new QRadioButton(text, unitsBox);
        button->setObjectName(name);
        units_->addButton(button, index++);
        unitsRow->addWidget(button);
    }
    unitsRow->addStretch();
    units_->button(model.TemperatureUnitIndex())->setChecked(true);
    // The unit buttons are made after the boxes below them.
    ChainTabOrder({dashedOverload_, units_->button(0), units_->button(1), saveRawDump_});

    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {checkFirmware_, checkSoftware_, dashedOverload_})
        layout->addWidget(box);
    layout->addWidget(unitsBox);
    layout->addWidget(saveRawDump_);
    mktActivation_->setObjectName(QStringLiteral("mktActivation"));
    mktActivation_->setMaximumWidth(fontMetrics().averageCharWidth() * 10 + 12);
    auto* mktRow = new QHBoxLayout;
    mktRow->addWidget(
        BuddyLabel(ResourceString(TextId::kMktActivationField), mktActivation_, this));
    mktRow->addWidget(mktActivation_);
    mktRow->addStretch();
    layout->addLayout(mktRow);
    AddLanguageRow(*layout);
    layout->addWidget(MakeDialogButtons(*this, openHelp, HelpContext::kOptionsDialog));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CToolsOptions::Run(OptionsModel& model, QWidget* parent, HelpOpener openHelp) {
    CToolsOptions dialog(model, openHelp, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CToolsOptions::AddLanguageRow(QVBoxLayout& layout) {
    language_->setObjectName(QStringLiteral("interfaceLanguage"));
    // In the order of LanguageChoiceType's values.
    for (const int text :
         {TextId::kLanguageAutomatic, TextId::kLanguageFrench, TextId::kLanguageEnglish})
        language_->addItem(ResourceString(text));
    language_->setCurrentIndex(static_cast<int>(model_.InterfaceLanguage()));
    auto* label = new QLabel(ResourceString(TextId::kInterfaceLanguageLabel), this);
    label->setBuddy(language_);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(language_);
    row->addStretch();
    layout.addLayout(row);
    layout.addWidget(new QLabel(ResourceString(TextId::kLanguageAtNextStart), this));
}

QCheckBox* CToolsOptions::AddCheckBox(const QString& text, const QString& name, bool checked) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

void CToolsOptions::accept() {
    if (const Outcome read = model_.SetMktActivationText(mktActivation_->text()); !read) {
        ShowDialogProblem(*this, mktActivation_, read.message);
        return;
    }
    model_.SetCheckFirmware(checkFirmware_->isChecked());
    model_.SetCheckSoftware(checkSoftware_->isChecked());
    model_.SetDashedOverload(dashedOverload_->isChecked());
    model_.SetTemperatureUnitIndex(units_->checkedId());
    model_.SetSaveRawDump(saveRawDump_->isChecked());
    model_.SetInterfaceLanguage(LanguageChoiceOf(language_->currentIndex()));
    QDialog::accept();
}

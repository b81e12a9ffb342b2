#include "gui/dialogs/ChannelControls.h"

#include "core/common/StringTable.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/session/SessionParamsEditModel.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <iterator>

namespace {

constexpr char16_t kTcLetters[] = u"JKTNERS";
constexpr int kFilterSizes = 10;
static_assert(std::size(kTcLetters) - 1 == ConfigurationModel::kTcButtons);
static_assert(std::size(kTcLetters) - 1 == SessionParamsEditModel::kTcButtons);
static_assert(kFilterSizes == ConfigurationModel::kFilterSizes);
static_assert(kFilterSizes == SessionParamsEditModel::kFilterSizes);

} // namespace

QButtonGroup* AddThermocoupleButtons(QWidget& group, QBoxLayout& row, int checked) {
    auto* buttons = new QButtonGroup(&group);
    for (int i = 0; kTcLetters[i]; ++i) {
        const QString letter(QChar(kTcLetters[i]));
        auto* button = new QRadioButton(letter, &group);
        button->setObjectName(QStringLiteral("tc") + letter);
        buttons->addButton(button, i);
        row.addWidget(button);
    }
    // An exclusive group starts with none checked.
    if (QAbstractButton* current = buttons->button(checked))
        current->setChecked(true);
    return buttons;
}

QGroupBox* MakeFilterGroup(QWidget& parent, int index, QComboBox*& combo) {
    auto* group = new QGroupBox(ResourceString(TextId::kFilterGroup), &parent);
    group->setObjectName(QStringLiteral("filterGroup"));
    auto* row = new QHBoxLayout(group);
    combo = new QComboBox(group);
    combo->setObjectName(QStringLiteral("filterSize"));
    for (int size = 1; size <= kFilterSizes; ++size)
        combo->addItem(QString::number(size));
    combo->setCurrentIndex(index);
    row->addWidget(combo);
    row->addWidget(new QLabel(ResourceString(TextId::kPoint), group));
    row->addStretch();
    return group;
}

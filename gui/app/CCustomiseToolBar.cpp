#include "gui/app/CCustomiseToolBar.h"

#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/common/StringTable.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
QString HiddenButtonsKey() {
    return QStringLiteral("HiddenButtons");
}
} // namespace

const std::vector<std::vector<CommandType>>& CCustomiseToolBar::ButtonGroups() {
    static const std::vector<std::vector<CommandType>> groups = {
        {CommandType::FileOpen, CommandType::FileClose, CommandType::FileSave,
         CommandType::FileSaveAs},
        {CommandType::FilePrint, CommandType::FilePrintPreview, CommandType::FileExport},
        {CommandType::EditSessionParams},
        {CommandType::ZoomTool, CommandType::ZoomIn, CommandType::ZoomOut, CommandType::ZoomAll,
         CommandType::ZoomTo},
        {CommandType::Connect, CommandType::Disconnect},
        {CommandType::Configure, CommandType::Download, CommandType::SetClock,
         CommandType::StartRecording, CommandType::EraseMemory},
        {CommandType::Colours},
        {CommandType::Options},
        {CommandType::Associate},
        {CommandType::HelpTopics, CommandType::Manual, CommandType::FirmwareUpgrade,
         CommandType::About},
    };
    return groups;
}

std::set<CommandType> CCustomiseToolBar::LoadHidden(const SettingsStore& settings) {
    std::set<CommandType> hidden;
    const QString stored =
        settings.GetString(SettingsKeys::WindowSection(), HiddenButtonsKey(), QString());
    for (const QString& part : stored.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (ok && value >= 0 && value <= static_cast<int>(CommandType::About))
            hidden.insert(static_cast<CommandType>(value));
    }
    return hidden;
}

void CCustomiseToolBar::SaveHidden(SettingsStore& settings, const std::set<CommandType>& hidden) {
    QStringList parts;
    for (const CommandType c : hidden)
        parts << QString::number(static_cast<int>(c));
    settings.SetString(SettingsKeys::WindowSection(), HiddenButtonsKey(), parts.join(u','));
}

void CCustomiseToolBar::Fill(QToolBar& bar, const Actions& actions,
                             const std::set<CommandType>& hidden) {
    bar.clear();
    bool pendingSeparator = false;
    for (const auto& group : ButtonGroups()) {
        bool any = false;
        for (const CommandType c : group) {
            if (hidden.count(c))
                continue;
            if (pendingSeparator && !any)
                bar.addSeparator();
            bar.addAction(actions.at(c));
            any = true;
        }
        pendingSeparator = pendingSeparator || any;
    }
}

bool CCustomiseToolBar::Run(QToolBar& bar, const Actions& actions, SettingsStore& settings,
                            QWidget* parent) {
    CCustomiseToolBar dialog(actions, LoadHidden(settings), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::set<CommandType> hidden = dialog.Hidden();
    SaveHidden(settings, hidden);
    Fill(bar, actions, hidden);
    return true;
}

CCustomiseToolBar::CCustomiseToolBar(const Actions& actions, const std::set<CommandType>& hidden,
                                     QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
    setWindowTitle(ResourceString(TextId::kCustomiseToolBarTitle));
    list_->setObjectName(QStringLiteral("buttons"));
    for (const auto& group : ButtonGroups()) {
        for (const CommandType c : group) {
            QAction* action = actions.at(c);
            auto* item = new QListWidgetItem(action->icon(), action->text(), list_);
            item->setData(Qt::UserRole, static_cast<int>(c));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(hidden.count(c) ? Qt::Unchecked : Qt::Checked);
        }
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ResourceString(TextId::kButtonOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(ResourceString(TextId::kServerWaitCancel), QDialogButtonBox::RejectRole);
    QPushButton* reset =
        buttons->addButton(ResourceString(TextId::kShowAllButtons), QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < list_->count(); ++i)
            list_->item(i)->setCheckState(Qt::Checked);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(ResourceString(TextId::kStandardToolBarButtons), this));
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(380, 520);
}

std::set<CommandType> CCustomiseToolBar::Hidden() const {
    std::set<CommandType> hidden;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->checkState() != Qt::Checked)
            hidden.insert(static_cast<CommandType>(list_->item(i)->data(Qt::UserRole).toInt()));
    return hidden;
}

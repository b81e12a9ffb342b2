#pragma once

#include "gui/app/CommandType.h"

#include <QDialog>
#include <map>
#include <set>
#include <vector>

class QAction;
class QListWidget;
class QToolBar;
class SettingsStore;

// "Personnaliser la barre d’outils": which commands the tool bar shows. The buttons keep their
// built-in order and separators; the user only takes some away and puts them back.
class CCustomiseToolBar final : public QDialog {
    Q_OBJECT
public:
    using Actions = std::map<CommandType, QAction*>;

    // The buttons of the tool bar in their order, groups apart.
    static const std::vector<std::vector<CommandType>>& ButtonGroups();
    static std::set<CommandType> LoadHidden(const SettingsStore& settings);
    static void SaveHidden(SettingsStore& settings, const std::set<CommandType>& hidden);
    // Rebuilds `bar` with every button but the hidden ones.
    static void Fill(QToolBar& bar, const Actions& actions, const std::set<CommandType>& hidden);
    // Runs the dialog; on OK stores the choice and rebuilds the bar.
    static bool Run(QToolBar& bar, const Actions& actions, SettingsStore& settings,
                    QWidget* parent);

    CCustomiseToolBar(const Actions& actions, const std::set<CommandType>& hidden, QWidget* parent);
    std::set<CommandType> Hidden() const;

private:
    QListWidget* list_;
};

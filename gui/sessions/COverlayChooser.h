#pragma once

#include <QDialog>
#include <vector>

class CRecSession;
class QListWidget;

// "Superposer des sessions": a check-list of the open sessions that can share a graph with
// the selected one, all ticked to begin with.
class COverlayChooser final : public QDialog {
    Q_OBJECT
public:
    COverlayChooser(const std::vector<const CRecSession*>& candidates, const QString& unit,
                    QWidget* parent = nullptr);
    std::vector<const CRecSession*> Chosen() const;

    // Refuses, with the reason, a choice that cannot share a graph.
    void accept() override;

private:
    std::vector<const CRecSession*> candidates_;
    QListWidget* list_;
};

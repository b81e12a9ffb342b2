#pragma once

#include <QString>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// What a tree item stands for: bits 31-30 the kind, 29-1 the session id, bit 0 "Tendance".
struct TreeSelection {
    static constexpr int kInstrument = 1;
    static constexpr int kSessions = 2;

    int kind = 0;
    uint32_t sessionId = 0;
    bool trend = false;

    static TreeSelection FromData(uint32_t data) {
        return {static_cast<int>(data >> 30), (data >> 1) & 0x1FFFFFFFu, (data & 1u) != 0};
    }
    static uint32_t SessionData(uint32_t id, bool trend) {
        return 0x80000000u + ((id & 0x1FFFFFFFu) << 1) + (trend ? 1u : 0u);
    }
    bool operator==(const TreeSelection&) const = default;
};

// The navigation tree: the instrument and the open sessions.
class CLeftView final : public QTreeWidget {
    Q_OBJECT
public:
    explicit CLeftView(QWidget* parent = nullptr);

    // The open sessions in the document's order: id and name.
    void RefreshSessions(const std::vector<std::pair<uint32_t, QString>>& sessions);
    // Session items take the names `nameOf` gives their ids now (after an edit).
    void RenameSessions(const std::function<QString(uint32_t)>& nameOf);
    void SelectSession(uint32_t id);
    void SelectInstrument();
    TreeSelection CurrentSelection() const;
    QTreeWidgetItem* InstrumentItem() const { return instrument_; }
    QTreeWidgetItem* SessionsItem() const { return sessions_; }

signals:
    void SelectionChanged(TreeSelection selection);

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    static uint32_t DataOf(const QTreeWidgetItem* item);

    QTreeWidgetItem* instrument_ = nullptr;
    QTreeWidgetItem* sessions_ = nullptr;
    bool suppress_ = false;
};

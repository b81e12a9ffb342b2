#pragma once

#include "core/common/UpdateHint.h"

#include <QWidget>
#include <cstdint>
#include <vector>

class COverlayGraphWidget;
class CRecSession;
class CVexloDoc;
class QScrollBar;
class QTableWidget;

// "Sessions superposées": a window of its own with the overlay graph, its zoom commands, a
// scroll bar and a table of the sessions with what each reads at the cursor. It closes
// when one of its sessions is closed.
class CVXOverlayWindow final : public QWidget, public DocObserver {
    Q_OBJECT
public:
    CVXOverlayWindow(CVexloDoc& doc, const std::vector<const CRecSession*>& sessions,
                     QWidget* parent = nullptr);
    ~CVXOverlayWindow() override;

    COverlayGraphWidget& GraphWidget() { return *graph_; }
    QTableWidget& Table() { return *table_; }
    void OnDocumentUpdate(UpdateHintType hint) override;

private:
    std::vector<const CRecSession*> LiveSessions() const;
    void FillTable();
    void UpdateReadings();
    void UpdateScrollBar();
    void OnScroll(int position);

    CVexloDoc& doc_;
    std::vector<uint32_t> numbers_;
    COverlayGraphWidget* graph_;
    QScrollBar* scroll_;
    QTableWidget* table_;
};

#pragma once

#include "session/UpdateHint.h"

#include <QWidget>

#include <cstdint>

class CRecSession;
class CVexloDoc;
class QLabel;
class QTreeWidget;

// The page of one session: its parameters list, group titles in bold.
class CVXSessionView final : public QWidget, public DocObserver {
    Q_OBJECT
public:
    explicit CVXSessionView(CVexloDoc& doc, QWidget* parent = nullptr);
    ~CVXSessionView() override;

    void OnDocumentUpdate(UpdateHintType hint) override;
    void SetTrendMode(bool trend) { trend_ = trend; }
    bool TrendMode() const { return trend_; }
    void ShowSession(uint32_t number);
    // The session shown, or null once it was closed.
    CRecSession* Session() const;
    void Refresh();
    // Label and value of every row, tab-separated, for the clipboard.
    QString CopyText() const;
    const QTreeWidget* List() const { return list_; }

private:
    CVexloDoc& doc_;
    uint32_t number_ = 0;
    bool trend_ = false;
    QLabel* title_;
    QTreeWidget* list_;
};

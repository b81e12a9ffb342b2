#pragma once

#include "session/UpdateHint.h"

#include <QWidget>

class CVexloDoc;
class QLabel;
class QTreeWidget;

// The instrument page: the rows the connection monitor keeps, as a two-column list.
class CVXRealtimeView final : public QWidget, public DocObserver {
    Q_OBJECT
public:
    CVXRealtimeView(CVexloDoc& doc, QWidget* parent = nullptr);
    ~CVXRealtimeView() override;

    void OnDocumentUpdate(UpdateHintType hint) override;
    void Refresh();
    // The rows, tab-separated, for the clipboard.
    QString CopyText() const;

private:
    CVexloDoc& doc_;
    QLabel* title_;
    QTreeWidget* rows_;
};

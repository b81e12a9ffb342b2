#pragma once

#include "core/common/UpdateHint.h"
#include "gui/graph/CDisplayDataView.h"

class CVexloDoc;
class QLabel;
class QTreeWidget;

// The page of "Mes sessions ouvertes": one line per open session, read afresh from the
// document on every change so it never holds on to a session.
class CVXOpenSessionsView final : public CDisplayDataView, public DocObserver {
    Q_OBJECT
public:
    explicit CVXOpenSessionsView(CVexloDoc& doc, QWidget* parent = nullptr);
    ~CVXOpenSessionsView() override;

    void OnDocumentUpdate(UpdateHintType hint) override;
    void Refill();
    // The rows as tab-separated text under a header line, for the clipboard.
    QString CopyText() const override;
    std::unique_ptr<Printout> MakePrintout() override;
    const QTreeWidget* List() const { return list_; }

private:
    CVexloDoc& doc_;
    QLabel* title_;
    QTreeWidget* list_;
};

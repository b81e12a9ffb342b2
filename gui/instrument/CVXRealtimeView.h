#pragma once

#include "core/common/UpdateHint.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "gui/graph/CDisplayDataView.h"

class CChannelListCtrl;
class CRecSession;
class CTrendGraphWidget;
class CVexloDoc;
class QLabel;
class QSplitter;
class QTreeWidget;

// The instrument page: the monitor's status rows, the live statistics line and the live
// trend graph. It shows what the monitor read; it sends nothing to the logger.
class CVXRealtimeView final : public CDisplayDataView, public DocObserver {
    Q_OBJECT
public:
    static constexpr int kStatusListWidth = 260;
    static constexpr int kNameColumnWidth = 100;
    static constexpr int kValueColumnWidth = 160;
    static constexpr int kMinimumGraphSize = 240;

    CVXRealtimeView(CVexloDoc& doc, QWidget* parent = nullptr);
    ~CVXRealtimeView() override;

    void OnDocumentUpdate(UpdateHintType hint) override;
    void Refresh();
    // The rows, tab-separated, for the clipboard.
    QString CopyText() const override;
    std::unique_ptr<Printout> MakePrintout() override;
    void EndPrint() override;
    const QTreeWidget* StatusList() const { return rows_; }
    const CChannelListCtrl* ChannelList() const { return channels_; }
    CTrendGraphWidget* GraphWidget() const { return graph_; }
    // Cell changes made by the last refresh, to keep an unchanged page still.
    int LastCellUpdates() const { return cellUpdates_; }

private:
    void RefreshStatusValues();
    void FitStatusList();
    void RefreshStatistics();
    void RefreshColumns();

    CVexloDoc& doc_;
    QLabel* title_;
    QSplitter* panes_;
    QTreeWidget* rows_;
    CChannelListCtrl* channels_;
    CTrendGraphWidget* graph_;
    const CRecSession* graphSource_ = nullptr;
    LiveStatisticsTexts shown_;
    bool pulseModel_ = false;
    bool eventModel_ = false;
    bool columnsBuilt_ = false;
    int cellUpdates_ = 0;
    // Once the user has placed the divider, the list no longer widens by itself.
    bool panesMoved_ = false;
};

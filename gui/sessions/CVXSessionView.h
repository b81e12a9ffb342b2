#pragma once

#include "core/common/UpdateHint.h"
#include "core/graph/CGraphClass.h"
#include "core/graph/ReportOptions.h"
#include "gui/dialogs/DialogButtons.h"
#include "gui/graph/CDisplayDataView.h"

#include <cstdint>
#include <unordered_map>

class CChannelListCtrl;
class CTrendGraphWidget;
class CRecSession;
class CVexloDoc;
class QButtonGroup;
class QLabel;
class QScrollBar;
class QSplitter;
class QStackedWidget;
class QTableView;
class QToolButton;
class QTreeWidget;
class SessionDataTableModel;

// The page of one session: its parameters, its channel line with the window statistics and
// its values as a trend graph or as a table. It holds the session's number, never the session.
class CVXSessionView final : public CDisplayDataView, public DocObserver {
    Q_OBJECT
public:
    enum class ModeType { Graph, Table };

    explicit CVXSessionView(CVexloDoc& doc, QWidget* parent = nullptr);
    ~CVXSessionView() override;

    void OnDocumentUpdate(UpdateHintType hint) override;
    void SetTrendMode(bool trend) { trend_ = trend; }
    bool TrendMode() const { return trend_; }
    void ShowSession(uint32_t number);
    // The session shown, or null once it was closed.
    CRecSession* Session() const;
    void Refresh();

    void SelectModeByIndex(int index);
    ModeType Mode() const { return mode_; }
    void ShowMinMax(bool on, bool refresh);
    bool MinMaxShown() const { return minMax_; }

    // The selected rows of the data table, or else the label and value of every parameter
    // row followed by the channel line's titles and figures, tab-separated, for the clipboard.
    QString CopyText() const override;

    // The report options window; its choice is kept for the next report and groups the
    // data table as the report's sample table.
    bool PreparePrint(QWidget* dialogParent) override;
    std::unique_ptr<Printout> MakePrintout() override;
    const ReportOptions& LastReportOptions() const { return reportOptions_; }
    void SetReportOptions(const ReportOptions& options);
    void SetHelpOpener(HelpOpener openHelp) { openHelp_ = std::move(openHelp); }
    QString Title() const;
    // Where the user left the divider between the parameters and the values.
    QByteArray SavePanes() const;
    void RestorePanes(const QByteArray& state);
    const QTreeWidget* ParamsList() const { return params_; }
    const CChannelListCtrl* ChannelList() const { return channels_; }
    const QTableView* DataTable() const { return table_; }
    QTableView* DataTable() { return table_; }
    CTrendGraphWidget* GraphWidget() const { return graph_; }
    bool ModeButtonsShown() const;

signals:
    // The user asked to edit this session's parameters.
    void EditRequested(uint32_t session);
    void ModeChanged();

private:
    void FitTableColumns();

    // What the user made of a session's page, kept while another one is shown.
    struct SessionPageState {
        GraphViewState graph;
        int tableTopRow = 0;
    };

    void RebuildParams(const CRecSession& session);
    void Attach(const CRecSession& session);
    void KeepPageState();
    void ForgetClosedSessions();
    // The channel line and the scroll bar follow each drawing of the graph.
    void OnGraphDrawn();
    void UpdateChannelLine(const CRecSession& session);
    void ApplyMode();
    TableGrouping ScreenTableGrouping(const CRecSession& session) const;
    void ShowValueWidgets(bool on);
    void OnScroll(int position);
    void SyncScrollBar();

    CVexloDoc& doc_;
    uint32_t number_ = 0;
    // The session the graph was given, to tell a new session from a refresh of the same.
    uint32_t attached_ = 0;
    bool trend_ = false;
    ModeType mode_ = ModeType::Graph;
    bool minMax_ = false;
    std::unordered_map<uint32_t, SessionPageState> kept_;
    ReportOptions reportOptions_;
    HelpOpener openHelp_;
    QLabel* title_;
    QToolButton* editButton_;
    QToolButton* graphButton_;
    QToolButton* tableButton_;
    QToolButton* minMaxButton_;
    QButtonGroup* modeButtons_;
    QSplitter* panes_;
    QTreeWidget* params_;
    CChannelListCtrl* channels_;
    QStackedWidget* modeStack_;
    CTrendGraphWidget* graph_;
    QTableView* table_;
    SessionDataTableModel* tableModel_;
    QScrollBar* scroll_;
};

#include "export/SessionExport.h"

#include "app/AppIdentity.h"
#include "common/StringTable.h"
#include "common/ValueMarkers.h"
#include "export/CXLSData.h"
#include "export/WorkbookProgress.h"
#include "session/CRecSession.h"
#include "session/SessionParams.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr qint64 kConfigurationWork = 100;
constexpr qint64 kLargestBarValue = 2147483646;
constexpr int kDataFrozen = 2;
constexpr int kNameText = 626;
constexpr int kValueText = 627;
constexpr int kDateTitle = 700;
constexpr int kTimeTitle = 701;
constexpr int kDurationTitle = 702;
constexpr int kNoValueText = 612;
constexpr int kUnderRangeText = 613;
constexpr int kOverRangeText = 614;

// The closing of the workbook is quick and is not offered to cancel.
class SilentProgress final : public WorkbookProgress {
public:
    void Report(qint64, qint64) override {}
    bool CancelRequested() override { return false; }
};

} // namespace

double RoundToDisplayStep(double value, int step, int decimals) {
    const double stepCount = step > 0 ? step : 1;
    const double scale = std::pow(10.0, std::max(decimals, 0));
    const double steps = value * scale / stepCount;
    if (!(steps > -0x1p63 && steps < 0x1p63))
        return value;
    // Dividing by the exact power of ten lands on the double nearest the decimal value.
    return std::round(steps) * stepCount / scale;
}

ProgressScale ProgressScale::Of(qint64 total) {
    const qint64 ends = std::max<qint64>(total, 0) + 1;
    if (ends - 1 <= kLargestBarValue)
        return {1, ends};
    const qint64 divisor = (ends + kLargestBarValue - 1) / kLargestBarValue;
    return {divisor, ends / divisor};
}

SessionExportJob::SessionExportJob(const CRecSession& session, CXLSData& workbook)
    : m_session(session), m_workbook(workbook), m_events(session.Flags().event),
      m_rowCount(m_events ? static_cast<int>(std::min<std::size_t>(
                                session.ChanData().Events().size(), INT32_MAX))
                          : session.ChanData().ValueCount()),
      m_totalWork((static_cast<qint64>(m_rowCount) + kConfigurationWork) * 11 / 10),
      m_bar(ProgressScale::Of(m_totalWork)), m_noValue(ResourceString(kNoValueText)),
      m_underRange(ResourceString(kUnderRangeText)), m_overRange(ResourceString(kOverRangeText)) {
    const CChanData& data = session.ChanData();
    if (m_events || data.ChannelCount() == 0)
        return;
    int64_t start = 0;
    for (int i = 0; i < data.Channel(0).RecordCount(); ++i) {
        m_recordStarts.push_back(start);
        start += static_cast<int64_t>(data.Channel(0).Record(i).Values().size());
    }
    m_step = data.Entry().Step;
    m_decimals = std::max(0, data.Entry().Decimals + data.ExtraDecimals());
}

SessionExportJob::~SessionExportJob() {
    if (m_end == JobStateType::Running)
        m_workbook.Discard();
}

StepProgress SessionExportJob::Step() {
    switch (m_phase) {
    case PhaseType::Configuration:
        m_workDone += WriteConfigurationSheet();
        m_phase = PhaseType::DataRows;
        m_currentRow = 0;
        break;
    case PhaseType::DataRows:
        m_workDone += WriteDataRows();
        if (m_currentRow >= m_rowCount)
            m_phase = PhaseType::Closing;
        break;
    case PhaseType::Closing:
    case PhaseType::Ended:
        break;
    }
    if (m_phase == PhaseType::Closing)
        return Close();
    return Progress();
}

StepProgress SessionExportJob::Close() {
    m_phase = PhaseType::Ended;
    SilentProgress progress;
    const WorkbookCloseResult result = m_workbook.Close(progress);
    if (result.type == WorkbookCloseType::Done) {
        m_end = JobStateType::Done;
    } else {
        m_end = JobStateType::Failed;
        m_failure = result.message;
    }
    return Progress();
}

StepProgress SessionExportJob::Progress() const {
    if (m_end == JobStateType::Done)
        return {JobStateType::Done, 100};
    const qint64 position = m_bar.PositionOf(m_workDone);
    return {m_end, static_cast<int>(std::min<qint64>(100, position * 100 / m_bar.range))};
}

qint64 SessionExportJob::WriteConfigurationSheet() {
    m_workbook.AddSheet(QStringLiteral("Configuration"), 0, 0);
    m_workbook.AddText(QStringLiteral("Vexlo, version ") + AppIdentity::ProgramVersion());
    m_workbook.NewRows(2);
    m_workbook.AddText(ResourceString(kNameText), CellStyleType::BottomBorder);
    m_workbook.AddText(ResourceString(kValueText), CellStyleType::BottomBorder);
    m_workbook.NewRows(1);
    const std::pair<QString, QString> texts[] = {
        {QStringLiteral("En-tête"), m_session.ReportHeader()},
        {QStringLiteral("Pied"), m_session.ReportFooter()},
        {QStringLiteral("Commentaires"), m_session.Comments()},
    };
    for (const auto& [label, text] : texts) {
        m_workbook.AddText(label);
        if (!text.isEmpty())
            m_workbook.AddText(text);
        m_workbook.NewRows(1);
    }
    m_workbook.NewRows(1);
    for (const SessionParamsRow& row : BuildSessionParams(m_session)) {
        const CellStyleType style = row.header ? CellStyleType::BottomBorder : CellStyleType::Plain;
        m_workbook.AddText(row.label, style);
        if (!row.value.isEmpty())
            m_workbook.AddText(row.value, style);
        m_workbook.NewRows(1);
    }
    return kConfigurationWork;
}

qint64 SessionExportJob::WriteDataRows() {
    if (m_currentRow == 0)
        WriteColumnTitles();
    const int end = m_currentRow + std::min(kRowsPerStep, m_rowCount - m_currentRow);
    const int first = m_currentRow;
    for (; m_currentRow < end; ++m_currentRow) {
        if (m_events)
            WriteEventRow(m_currentRow);
        else
            WritePointRow(m_currentRow);
        m_workbook.NewRows(1);
    }
    return m_currentRow - first;
}

void SessionExportJob::WriteColumnTitles() {
    m_workbook.AddSheet(m_events ? QStringLiteral("Événements") : QStringLiteral("DataPoints"),
                        kDataFrozen, kDataFrozen);
    m_workbook.AddText(ResourceString(kDateTitle), CellStyleType::BottomBorder);
    m_workbook.AddText(ResourceString(kTimeTitle), CellStyleType::BottomBorder);
    if (m_events) {
        m_workbook.AddText(ResourceString(kDurationTitle), CellStyleType::BottomBorder);
    } else {
        m_workbook.AddText(m_session.ChannelName(), CellStyleType::BottomBorder);
        m_workbook.AddText(m_session.DisplayUnits());
    }
    m_workbook.NewRows(1);
}

void SessionExportJob::WriteEventRow(int row) {
    const CChanData& data = m_session.ChanData();
    for (int column = 0; column < 3; ++column)
        m_workbook.AddText(data.EventCellText(row, column));
}

void SessionExportJob::WritePointRow(int row) {
    const double stamp = m_session.ChanData().ValueTime(row, m_session.StartTime());
    const DateTimeTextCache::Texts when = m_times.At(static_cast<qint64>(std::floor(stamp)));
    m_workbook.AddText(when.date, CellStyleType::Date);
    m_workbook.AddText(when.time, CellStyleType::TimeOfDay);
    WriteValueCell(row);
}

void SessionExportJob::WriteValueCell(int row) {
    if (m_recordStarts.empty()) {
        m_workbook.AddText(QStringView());
        return;
    }
    // Rows come in order: the record holding this one is the current one or a later one.
    while (m_record + 1 < m_recordStarts.size() && row >= m_recordStarts[m_record + 1])
        ++m_record;
    const std::vector<double>& values =
        m_session.ChanData().Channel(0).Record(static_cast<int>(m_record)).Values();
    const auto index = static_cast<std::size_t>(row - m_recordStarts[m_record]);
    if (index >= values.size()) {
        m_workbook.AddText(m_noValue);
        return;
    }
    const double v = values[index];
    if (v == OverRangeValue)
        m_workbook.AddText(m_overRange);
    else if (v == UnderRangeValue)
        m_workbook.AddText(m_underRange);
    else if (v == NoValue)
        m_workbook.AddText(m_noValue);
    else
        m_workbook.AddNumber(RoundToDisplayStep(v, m_step, m_decimals));
}

#include "core/export/SessionExport.h"

#include "core/app/AppIdentity.h"
#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/export/CXLSData.h"
#include "core/export/WorkbookProgress.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionParams.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr qint64 kConfigurationWork = 100;
constexpr qint64 kLargestBarValue = 2147483646;
constexpr int kDataFrozen = 2;

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
    : session_(session), workbook_(workbook), events_(session.Flags().event),
      rowCount_(DataSheetValues::RowCount(session)),
      totalWork_((static_cast<qint64>(rowCount_) + kConfigurationWork) * 11 / 10),
      bar_(ProgressScale::Of(totalWork_)), values_(session) {}

SessionExportJob::~SessionExportJob() {
    if (end_ == JobStateType::Running)
        workbook_.Discard();
}

StepProgress SessionExportJob::Step() {
    switch (phase_) {
    case PhaseType::Configuration:
        workDone_ += WriteConfigurationSheet();
        phase_ = PhaseType::DataRows;
        currentRow_ = 0;
        break;
    case PhaseType::DataRows:
        workDone_ += WriteDataRows();
        if (currentRow_ >= rowCount_)
            phase_ = PhaseType::Closing;
        break;
    case PhaseType::Closing:
    case PhaseType::Ended:
        break;
    }
    if (phase_ == PhaseType::Closing)
        return Close();
    return Progress();
}

StepProgress SessionExportJob::Close() {
    phase_ = PhaseType::Ended;
    SilentProgress progress;
    const WorkbookCloseResult result = workbook_.Close(progress);
    if (result.type == WorkbookCloseType::Done) {
        end_ = JobStateType::Done;
    } else {
        end_ = JobStateType::Failed;
        failure_ = result.message;
    }
    return Progress();
}

StepProgress SessionExportJob::Progress() const {
    if (end_ == JobStateType::Done)
        return {JobStateType::Done, 100};
    const qint64 position = bar_.PositionOf(workDone_);
    return {end_, static_cast<int>(std::min<qint64>(100, position * 100 / bar_.range))};
}

qint64 SessionExportJob::WriteConfigurationSheet() {
    workbook_.AddSheet(FixedString(TextId::kExportConfigurationSheet), 0, 0);
    workbook_.AddText(FixedString(TextId::kProgramVersionLine).arg(AppIdentity::ProgramVersion()));
    workbook_.NewRows(2);
    workbook_.AddText(FixedString(TextId::kName), CellStyleType::BottomBorder);
    workbook_.AddText(FixedString(TextId::kValue), CellStyleType::BottomBorder);
    workbook_.NewRows(1);
    const std::pair<QString, QString> texts[] = {
        {FixedString(TextId::kExportHeaderLabel), session_.ReportHeader()},
        {FixedString(TextId::kExportFooterLabel), session_.ReportFooter()},
        {FixedString(TextId::kExportCommentsLabel), session_.Comments()},
    };
    for (const auto& [label, text] : texts) {
        workbook_.AddText(label);
        if (!text.isEmpty())
            workbook_.AddText(text);
        workbook_.NewRows(1);
    }
    workbook_.NewRows(1);
    for (const SessionParamsRow& row : BuildSessionParams(session_)) {
        const CellStyleType style = row.header ? CellStyleType::BottomBorder : CellStyleType::Plain;
        workbook_.AddText(row.label, style);
        if (!row.value.isEmpty())
            workbook_.AddText(row.value, style);
        workbook_.NewRows(1);
    }
    return kConfigurationWork;
}

qint64 SessionExportJob::WriteDataRows() {
    if (currentRow_ == 0)
        WriteColumnTitles();
    const int end = currentRow_ + std::min(kRowsPerStep, rowCount_ - currentRow_);
    const int first = currentRow_;
    for (; currentRow_ < end; ++currentRow_) {
        if (events_)
            WriteEventRow(currentRow_);
        else
            WritePointRow(currentRow_);
        workbook_.NewRows(1);
    }
    return currentRow_ - first;
}

void SessionExportJob::WriteColumnTitles() {
    workbook_.AddSheet(events_ ? FixedString(TextId::kExportEventsSheet)
                               : FixedString(TextId::kExportDataPointsSheet),
                       kDataFrozen, kDataFrozen);
    workbook_.AddText(FixedString(TextId::kDateTitle), CellStyleType::BottomBorder);
    workbook_.AddText(FixedString(TextId::kTimeTitle), CellStyleType::BottomBorder);
    if (events_) {
        workbook_.AddText(FixedString(TextId::kDurationTitle), CellStyleType::BottomBorder);
    } else {
        workbook_.AddText(session_.ChannelName(), CellStyleType::BottomBorder);
        workbook_.AddText(session_.DisplayUnits());
    }
    workbook_.NewRows(1);
}

void SessionExportJob::WriteEventRow(int row) {
    const CChanData& data = session_.ChanData();
    for (int column = 0; column < 3; ++column)
        workbook_.AddText(ChannelTexts(data).EventCellText(row, column));
}

void SessionExportJob::WritePointRow(int row) {
    const DateTimeTextCache::Texts when = times_.At(session_.ChanData().ValueStampAt(row).seconds);
    workbook_.AddText(when.date, CellStyleType::Date);
    workbook_.AddText(when.time, CellStyleType::TimeOfDay);
    WriteValueCell(row);
}

void SessionExportJob::WriteValueCell(int row) {
    const DataSheetValues::Cell cell = values_.At(row);
    if (cell.isNumber)
        workbook_.AddNumber(cell.number);
    else
        workbook_.AddText(cell.text);
}

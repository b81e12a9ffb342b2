#pragma once

#include "core/app/UserInterface.h"
#include "core/export/DataSheetValues.h"
#include "core/export/DateTimeTextCache.h"

#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <vector>

class CRecSession;
class CXLSData;

// `value` rounded half away from zero to a multiple of `step` / 10^`decimals`; a value with
// more steps than 64 bits count stays as it is.
double RoundToDisplayStep(double value, int step, int decimals);

// The progress bar of a job of `total` work units: its range, and the divisor that keeps the
// range and every position within a 32-bit bar.
struct ProgressScale {
    qint64 divisor = 1;
    qint64 range = 1;

    static ProgressScale Of(qint64 total);
    qint64 PositionOf(qint64 work) const { return work / divisor; }
};

// Writes one session into an open workbook, a bounded piece at each step: the configuration
// sheet, the data rows 400 at a time (the events of an event session, else the recorded
// points), then the closing of the workbook. A job dropped before it ends, as "Annuler" does,
// removes the incomplete file; a workbook that cannot be written whole fails the last step
// and leaves no file either.
class SessionExportJob final : public StepJob {
public:
    static constexpr int kRowsPerStep = 400;

    // The session and the workbook must outlive the job.
    SessionExportJob(const CRecSession& session, CXLSData& workbook);
    ~SessionExportJob() override;
    SessionExportJob(const SessionExportJob&) = delete;
    SessionExportJob& operator=(const SessionExportJob&) = delete;

    StepProgress Step() override;

    int RowCount() const { return rowCount_; }
    // Work units: 100 for the configuration sheet and one per row, then a tenth more for
    // the closing.
    qint64 TotalWork() const { return totalWork_; }
    qint64 WorkDone() const { return workDone_; }
    const ProgressScale& Bar() const { return bar_; }
    // French; set when the last step failed.
    const QString& FailureMessage() const { return failure_; }

private:
    enum class PhaseType { Configuration, DataRows, Closing, Ended };

    qint64 WriteConfigurationSheet();
    qint64 WriteDataRows();
    void WriteColumnTitles();
    void WriteEventRow(int row);
    void WritePointRow(int row);
    void WriteValueCell(int row);
    StepProgress Close();
    StepProgress Progress() const;

    const CRecSession& session_;
    CXLSData& workbook_;
    const bool events_;
    const int rowCount_;
    int currentRow_ = 0;
    PhaseType phase_ = PhaseType::Configuration;
    JobStateType end_ = JobStateType::Running;
    qint64 workDone_ = 0;
    qint64 totalWork_ = 0;
    ProgressScale bar_;
    QString failure_;

    DataSheetValues values_;
    DateTimeTextCache times_;
};

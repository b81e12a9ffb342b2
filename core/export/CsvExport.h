#pragma once

#include "core/app/UserInterface.h"
#include "core/export/DataSheetValues.h"
#include "core/export/DateTimeTextCache.h"

#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QString>
#include <cstdint>
#include <vector>

class CRecSession;

// The separator and decimal mark a spreadsheet program expects in the user's locale: ";" and
// "," where the decimal mark is a comma, "," and "." otherwise.
struct CsvFormat {
    char separator = ',';
    char decimal = '.';
    // For machines: the ISO 8601 time alone, values as recorded to their last digit, marker
    // states as fixed words ("no_value", "under_range", "over_range") and no byte-order mark.
    bool iso = false;

    static CsvFormat Of(const QLocale& locale);
    static CsvFormat Iso() { return {',', '.', true}; }
    bool operator==(const CsvFormat&) const = default;
};

// Writes one session as CSV, a bounded piece at each step: UTF-8 with a byte-order mark, a
// title row, then the data sheet's columns and texts for each point (each event of an event
// session) and a last column with the ISO 8601 time stamp and its UTC offset. The file appears
// only once whole; a job dropped before it ends leaves nothing.
class CsvExportJob final : public StepJob {
public:
    static constexpr int kRowsPerStep = 4000;

    CsvExportJob(const CRecSession& session, const QString& path, CsvFormat format);
    CsvExportJob(const CsvExportJob&) = delete;
    CsvExportJob& operator=(const CsvExportJob&) = delete;

    // False with a French message when the destination cannot be written.
    [[nodiscard]] bool Open();
    // Writes to the standard output instead of the path, as it goes.
    [[nodiscard]] bool OpenStandardOutput();
    StepProgress Step() override;
    const QString& FailureMessage() const { return failure_; }
    int RowCount() const { return rowCount_; }

private:
    void Field(QStringView text);
    void NumberField(double value);
    void RecordedField(double value);
    void WriteIsoTitles();
    void EndRow();
    void WriteTitles();
    void WritePointRow(int row);
    void WriteEventRow(int row);
    void AppendIso(qint64 seconds, int milliseconds);

    const CRecSession& session_;
    const CsvFormat format_;
    const bool events_;
    const int rowCount_;
    int currentRow_ = 0;
    bool titles_ = false;
    QSaveFile file_;
    QFile stream_;
    QIODevice* out_ = &file_;
    QByteArray line_;
    QString failure_;
    bool firstField_ = true;

    DataSheetValues values_;
    DateTimeTextCache times_;
};

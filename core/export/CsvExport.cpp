#include "core/export/CsvExport.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/export/CellText.h"
#include "core/export/SessionExport.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unistd.h>

CsvFormat CsvFormat::Of(const QLocale& locale) {
    if (locale.decimalPoint() == QStringLiteral(","))
        return {';', ','};
    return {',', '.'};
}

CsvExportJob::CsvExportJob(const CRecSession& session, const QString& path, CsvFormat format)
    : session_(session), format_(format), events_(session.Flags().event),
      rowCount_(DataSheetValues::RowCount(session)), file_(path), values_(session) {}

bool CsvExportJob::Open() {
    if (!file_.open(QIODevice::WriteOnly)) {
        failure_ = FormatResource(TextId::kCannotWrite, {file_.fileName()});
        return false;
    }
    line_.reserve(1 << 16);
    if (!format_.iso)
        line_.append("\xEF\xBB\xBF");
    return true;
}

bool CsvExportJob::OpenStandardOutput() {
    if (!stream_.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        failure_ = FormatResource(TextId::kCannotWrite, {QStringLiteral("-")});
        return false;
    }
    out_ = &stream_;
    line_.reserve(1 << 16);
    if (!format_.iso)
        line_.append("\xEF\xBB\xBF");
    return true;
}

StepProgress CsvExportJob::Step() {
    if (!titles_) {
        if (format_.iso)
            WriteIsoTitles();
        else
            WriteTitles();
        titles_ = true;
    }
    const int end = currentRow_ + std::min(kRowsPerStep, rowCount_ - currentRow_);
    for (; currentRow_ < end; ++currentRow_) {
        if (events_)
            WriteEventRow(currentRow_);
        else
            WritePointRow(currentRow_);
    }
    if (out_->write(line_) != line_.size()) {
        failure_ = FormatResource(TextId::kCannotWrite, {file_.fileName()});
        return {JobStateType::Failed, 0};
    }
    line_.clear();
    if (currentRow_ < rowCount_)
        return {JobStateType::Running,
                static_cast<int>(static_cast<qint64>(currentRow_) * 100 / rowCount_)};
    const bool whole = out_ == &stream_ ? stream_.flush() : file_.commit();
    if (!whole) {
        failure_ = FormatResource(TextId::kCannotWrite, {file_.fileName()});
        return {JobStateType::Failed, 100};
    }
    return {JobStateType::Done, 100};
}

void CsvExportJob::Field(QStringView text) {
    if (!firstField_)
        line_.append(format_.separator);
    firstField_ = false;
    const bool quote = text.contains(QLatin1Char(format_.separator)) || text.contains(u'"') ||
                       text.contains(u'\n') || text.contains(u'\r');
    if (!quote) {
        line_.append(text.toUtf8());
        return;
    }
    QString doubled = text.toString();
    doubled.replace(u'"', QStringLiteral("\"\""));
    line_.append('"');
    line_.append(doubled.toUtf8());
    line_.append('"');
}

void CsvExportJob::NumberField(double value) {
    char buffer[CellText::kMaxNumberLength + 1];
    const char* end = CellText::AppendNumber(buffer, value);
    if (!end) {
        Field(QString::number(value, 'g', 17));
        return;
    }
    if (!firstField_)
        line_.append(format_.separator);
    firstField_ = false;
    for (const char* c = buffer; c != end; ++c)
        line_.append(*c == '.' ? format_.decimal : *c);
}

// The shortest text that reads back as the same double; a marker as its fixed word.
void CsvExportJob::RecordedField(double value) {
    if (const char* keyword = MarkerKeyword(value)) {
        Field(QString::fromLatin1(keyword));
        return;
    }
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (!firstField_)
        line_.append(format_.separator);
    firstField_ = false;
    for (const char* c = buffer; c != written.ptr; ++c)
        line_.append(*c == '.' ? format_.decimal : *c);
}

void CsvExportJob::EndRow() {
    line_.append("\r\n");
    firstField_ = true;
}

void CsvExportJob::WriteTitles() {
    Field(FixedString(TextId::kDateTitle));
    Field(FixedString(TextId::kTimeTitle));
    if (events_) {
        Field(FixedString(TextId::kDurationTitle));
    } else {
        Field(session_.ChannelName());
        Field(session_.DisplayUnits());
    }
    Field(u"ISO 8601");
    EndRow();
}

// Words that do not change with the locale: the time column, then the channel and its unit.
void CsvExportJob::WriteIsoTitles() {
    Field(u"ISO 8601");
    if (events_) {
        Field(FixedString(TextId::kDurationTitle));
    } else {
        const QString& units = session_.DisplayUnits();
        Field(units.isEmpty() ? session_.ChannelName()
                              : session_.ChannelName() + QStringLiteral(" (") + units + u')');
    }
    EndRow();
}

void CsvExportJob::WritePointRow(int row) {
    const qint64 seconds = session_.ChanData().ValueStampAt(row).seconds;
    if (format_.iso) {
        AppendIso(seconds, 0);
        const DataSheetValues::Cell cell = values_.At(row);
        if (cell.isNumber || IsValueMarker(cell.recorded))
            RecordedField(cell.recorded);
        else
            Field(cell.text);
        EndRow();
        return;
    }
    const DateTimeTextCache::Texts when = times_.At(seconds);
    Field(when.date);
    Field(when.time);
    const DataSheetValues::Cell cell = values_.At(row);
    if (cell.isNumber)
        NumberField(cell.number);
    else
        Field(cell.text);
    // The unit column of the data sheet holds no values.
    Field(QStringView());
    AppendIso(seconds, 0);
    EndRow();
}

void CsvExportJob::WriteEventRow(int row) {
    const CChanData& data = session_.ChanData();
    if (format_.iso) {
        const SessionEvent& e = data.Events()[static_cast<std::size_t>(row)];
        AppendIso(e.startSeconds, e.startMs);
        RecordedField(e.LengthInSeconds());
        EndRow();
        return;
    }
    for (int column = 0; column < 3; ++column)
        Field(ChannelTexts(data).EventCellText(row, column));
    const SessionEvent& e = data.Events()[static_cast<std::size_t>(row)];
    AppendIso(e.startSeconds, e.startMs);
    EndRow();
}

void CsvExportJob::AppendIso(qint64 seconds, int milliseconds) {
    const std::string iso = times_.IsoAt(seconds, milliseconds);
    if (!firstField_)
        line_.append(format_.separator);
    firstField_ = false;
    line_.append(iso.data(), static_cast<qsizetype>(iso.size()));
}

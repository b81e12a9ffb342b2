#pragma once

#include "core/session/TableGrouping.h"

#include <QString>
#include <cstdint>
#include <vector>

class CRecSession;

// What a printed session report holds, as the user last chose it on the session's page.
struct ReportOptions {
    bool includeHeader = false;
    bool includeFooter = false;
    bool includeComments = false;
    bool includeSampleTable = false;
    int samplesPerAverage = 1;
    // The averaging above was picked by the user, so the list selects it again.
    bool averagingChosen = false;

    bool operator==(const ReportOptions&) const = default;
};

// What the report options window needs to know of the session.
struct ReportSessionFacts {
    int64_t sampleCount = 0;
    int period = 1; // whole seconds, at least 1
    // Local wall-clock stamp of value 0, where the averaged rows are aligned.
    int64_t firstStamp = 0;
    bool averagingOffered = true; // not for event sessions
    int64_t eventCount = 0;

    static ReportSessionFacts Of(const CRecSession& session);
};

// The rules of the report options window: the averaging list, its selection and the rows of
// the sample table it gives.
class ReportOptionsModel {
public:
    // The sample table never has more rows than this when averaged.
    static constexpr int64_t kMaxAveragedRows = 2500;
    // Without a stored choice the list selects the first interval giving at most this many
    // rows' worth of time.
    static constexpr int64_t kPreferredRows = 220;

    struct Entry {
        int interval = 0; // seconds, as offered
        int samplesPerAverage = 1;
        QString text;
    };

    ReportOptionsModel(const ReportSessionFacts& facts, const ReportOptions& last);

    const std::vector<Entry>& Entries() const { return entries_; }
    int Selection() const { return selection_; }
    void Select(int index);

    bool IncludeHeader() const { return options_.includeHeader; }
    bool IncludeFooter() const { return options_.includeFooter; }
    bool IncludeComments() const { return options_.includeComments; }
    bool IncludeSampleTable() const { return options_.includeSampleTable; }
    void SetIncludeHeader(bool on) { options_.includeHeader = on; }
    void SetIncludeFooter(bool on) { options_.includeFooter = on; }
    void SetIncludeComments(bool on) { options_.includeComments = on; }
    void SetIncludeSampleTable(bool on);
    // A session so long that even the longest averaging gives too many rows has no table.
    bool SampleTableAvailable() const;
    // The list and its label are shown and usable.
    bool AveragingEnabled() const;

    // The choice after OK, to keep for the next report.
    ReportOptions Accepted() const;

    // The averaging of the interval of `seconds` as the list would take it: the entry of that
    // length, else the longest entry below it, else the first.
    int EntryForSeconds(int seconds) const;

    // `samplesPerAverage` when its table stays within the row limit, else the first entry's;
    // 0 when no averaging keeps the table within it.
    int UsableSamplesPerAverage(int samplesPerAverage) const;

    // The intervals the list may offer, in order.
    static const std::vector<int>& Intervals();

private:
    int64_t RowsFor(int samplesPerAverage) const;
    int DefaultSelection() const;

    ReportSessionFacts facts_;
    ReportOptions options_;
    std::vector<Entry> entries_;
    int selection_ = -1;
};

// The sample table of a report: its grouping and its row count.
struct ReportTable {
    TableGrouping grouping;
    int64_t rows = 0;

    static ReportTable Of(const CRecSession& session, const ReportOptions& options);
};

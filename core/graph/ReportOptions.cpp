#include "core/graph/ReportOptions.h"

#include "core/common/DurationFormat.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionTable.h"

#include <algorithm>
#include <cmath>

ReportSessionFacts ReportSessionFacts::Of(const CRecSession& session) {
    ReportSessionFacts facts;
    const CChanData& data = session.ChanData();
    facts.averagingOffered = !session.Flags().event;
    facts.eventCount = static_cast<int64_t>(data.Events().size());
    facts.sampleCount = data.ValueCount();
    facts.period = std::max(1, session.StoragePeriod());
    facts.firstStamp = FirstValueLocalStamp(session);
    return facts;
}

const std::vector<int>& ReportOptionsModel::Intervals() {
    static const std::vector<int> intervals{1,   60,   120,  300,  360,  600,   720,
                                            900, 1200, 1800, 3600, 7200, 21600, 43200};
    return intervals;
}

ReportOptionsModel::ReportOptionsModel(const ReportSessionFacts& facts, const ReportOptions& last)
    : facts_(facts), options_(last) {
    facts_.period = std::max(1, facts_.period);
    if (facts_.averagingOffered) {
        const int64_t p = facts_.period;
        const double total = static_cast<double>(facts_.sampleCount) * static_cast<double>(p);
        const double longest = std::max(total / 10.0, 1.0);
        bool usableFound = false;
        for (const int interval : Intervals()) {
            const int k = std::max<int64_t>(1, interval / p);
            if (!usableFound) {
                if (RowsFor(k) > kMaxAveragedRows)
                    continue;
                usableFound = true;
            } else if (interval > longest) {
                break;
            }
            // A period longer than several intervals makes them one averaging.
            if (!entries_.empty() && entries_.back().samplesPerAverage == k)
                continue;
            entries_.push_back({interval, k, FormatSpanWords(static_cast<qint64>(k) * p)});
        }
    }
    if (!SampleTableAvailable())
        options_.includeSampleTable = false;
    selection_ = DefaultSelection();
}

int64_t ReportOptionsModel::RowsFor(int samplesPerAverage) const {
    return GroupedRowCount(facts_.sampleCount,
                           MakeTableGrouping(samplesPerAverage, facts_.period, facts_.firstStamp));
}

int ReportOptionsModel::DefaultSelection() const {
    if (entries_.empty())
        return -1;
    if (options_.averagingChosen) {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].samplesPerAverage == options_.samplesPerAverage)
                return static_cast<int>(i);
    }
    const double total = static_cast<double>(facts_.sampleCount) * facts_.period;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const double seconds = static_cast<double>(entries_[i].samplesPerAverage) * facts_.period;
        if (total / seconds <= static_cast<double>(kPreferredRows))
            return static_cast<int>(i);
    }
    return static_cast<int>(entries_.size()) - 1;
}

void ReportOptionsModel::Select(int index) {
    if (index >= 0 && index < static_cast<int>(entries_.size()))
        selection_ = index;
}

void ReportOptionsModel::SetIncludeSampleTable(bool on) {
    options_.includeSampleTable = on && SampleTableAvailable();
}

bool ReportOptionsModel::SampleTableAvailable() const {
    return !facts_.averagingOffered || !entries_.empty();
}

bool ReportOptionsModel::AveragingEnabled() const {
    return options_.includeSampleTable && facts_.averagingOffered && !entries_.empty();
}

ReportOptions ReportOptionsModel::Accepted() const {
    ReportOptions accepted = options_;
    if (AveragingEnabled() && selection_ >= 0) {
        accepted.samplesPerAverage =
            entries_[static_cast<std::size_t>(selection_)].samplesPerAverage;
        accepted.averagingChosen = true;
    }
    return accepted;
}

int ReportOptionsModel::EntryForSeconds(int seconds) const {
    if (entries_.empty())
        return -1;
    int found = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (static_cast<int64_t>(entries_[i].samplesPerAverage) * facts_.period <= seconds)
            found = static_cast<int>(i);
    }
    return found;
}

int ReportOptionsModel::UsableSamplesPerAverage(int samplesPerAverage) const {
    if (!facts_.averagingOffered)
        return 1;
    if (RowsFor(std::max(1, samplesPerAverage)) <= kMaxAveragedRows)
        return std::max(1, samplesPerAverage);
    return entries_.empty() ? 0 : entries_.front().samplesPerAverage;
}

ReportTable ReportTable::Of(const CRecSession& session, const ReportOptions& options) {
    if (!options.includeSampleTable)
        return {};
    if (session.Flags().event)
        return {{}, static_cast<int64_t>(session.ChanData().Events().size())};
    const ReportOptionsModel model(ReportSessionFacts::Of(session), options);
    const int k = model.UsableSamplesPerAverage(options.samplesPerAverage);
    if (k == 0)
        return {};
    const TableGrouping grouping = SessionTableGrouping(session, k);
    return {grouping, GroupedRowCount(session.ChanData().ValueCount(), grouping)};
}

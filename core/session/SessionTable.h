#pragma once

#include "core/session/TableGrouping.h"

#include <QString>
#include <cstdint>
#include <vector>

class CRecSession;

// Whether the session has values or events to show as a graph and a table.
bool SessionHasValues(const CRecSession& session);
// The title of the session's page and report: "Tendance" with values, else its parameters.
QString SessionPageTitle(const CRecSession& session);

// The local wall-clock second at which value 0 of the session is stamped.
int64_t FirstValueLocalStamp(const CRecSession& session);

// The grouping of a session's values `samplesPerRow` at a time on its local clock; an event
// session's table lists every event whatever the grouping.
TableGrouping SessionTableGrouping(const CRecSession& session, int samplesPerRow);

// The texts of a session's data table, computed one cell at a time so that only the rows on
// screen cost anything: values as Date, Time and the value; events as Date, Time, Durée.
// Grouped values show the time of a group's last value and the average of its valid values.
class SessionTable {
public:
    static constexpr int kColumnCount = 3;
    static constexpr int kValueColumn = 2;

    // The session must outlive the table; rebuild it when the session's values change.
    explicit SessionTable(const CRecSession& session, const TableGrouping& grouping = {});

    bool IsEventTable() const { return event_; }
    int RowCount() const { return rowCount_; }
    QString Header(int column) const;
    // Empty past the end or outside the three columns.
    QString Cell(int row, int column) const;

    const TableGrouping& Grouping() const { return grouping_; }

private:
    double ValueAt(int64_t index) const;
    double GroupAverage(const TableRowSpan& span) const;

    const CRecSession& session_;
    bool event_;
    TableGrouping grouping_;
    int64_t valueCount_ = 0;
    int rowCount_;
    // Index of the first value of each record, so a row finds its record by bisection.
    std::vector<int64_t> recordStarts_;
};

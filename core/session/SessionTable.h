#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class CRecSession;

// The texts of a session's data table, computed one cell at a time so that only the rows on
// screen cost anything: values as Date, Time and the value; events as Date, Time, Durée.
class SessionTable {
public:
    static constexpr int kColumnCount = 3;
    static constexpr int kValueColumn = 2;

    // The session must outlive the table; rebuild it when the session's values change.
    explicit SessionTable(const CRecSession& session);

    bool IsEventTable() const { return event_; }
    int RowCount() const { return rowCount_; }
    QString Header(int column) const;
    // Empty past the end or outside the three columns.
    QString Cell(int row, int column) const;

private:
    double ValueAt(int row) const;

    const CRecSession& session_;
    bool event_;
    int rowCount_;
    // Index of the first value of each record, so a row finds its record by bisection.
    std::vector<int64_t> recordStarts_;
};

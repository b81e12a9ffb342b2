#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

class CRecSession;

// The value column of the data sheet, the same in every export: which record holds each point
// row, and whether its value shows as a number rounded to the model's step or as a text
// ("- - -", "Sous la gamme", "Au-dessus de la gamme").
class DataSheetValues {
public:
    struct Cell {
        bool isNumber = false;
        double number = 0.0;
        QStringView text;      // when not a number; empty for a session without a channel
        double recorded = 0.0; // before rounding, or the marker shown as text
    };

    explicit DataSheetValues(const CRecSession& session);

    // Rows of the data sheet: one per event for an event session, else one per point.
    static int RowCount(const CRecSession& session);
    // The cell of point `row`; rows are asked in increasing order.
    Cell At(std::int64_t row);

private:
    const CRecSession& session_;
    // Where each record's values start in the row numbering.
    std::vector<std::int64_t> recordStarts_;
    std::size_t record_ = 0;
    int step_ = 1;
    int decimals_ = 0;
    QString noValue_;
    QString underRange_;
    QString overRange_;
};

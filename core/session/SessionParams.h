#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class CRecSession;

// One line of a session's parameters list. A row with every field zero and empty texts is a
// blank separator.
struct SessionParamsRow {
    int32_t labelId = 0;
    QString label;
    uint8_t flag = 0;
    int32_t data = 0;
    uint16_t tag = 0; // 157 on the start and end rows, 12 on the filter row
    QString value;
    bool header = false; // a group title; its value is empty

    bool IsBlank() const { return labelId == 0 && label.isEmpty() && value.isEmpty() && !header; }
};

inline constexpr uint16_t kDateRowTag = 157;
inline constexpr uint16_t kFilterRowTag = 12;

std::vector<SessionParamsRow> BuildSessionParams(const CRecSession& session);

// A "Start=" or end text as the local short date followed by the local time of day.
QString LocalDateAndTimeText(const QString& dateTimeText);

#pragma once

#include <QStringView>
#include <cstdint>

// Which characters may come before a leading number: the session files' reader skips spaces and
// tabs only, C's conversions every white-space character.
enum class LeadingBlankType { SpaceOrTab, CSpace };

// The decimal integer at the start of a text, as C's atoi reads it (blanks, an optional sign,
// digits, whatever follows ignored; 0 when no digit comes), saturated to [lowest, highest];
// lowest <= 0 <= highest.
int64_t LeadingInteger(QStringView value, LeadingBlankType blanks, int64_t lowest, int64_t highest);
// The same within the int range.
int LeadingInt(QStringView value, LeadingBlankType blanks);
// strtod's decimal in the C locale, finite; 0 when no number starts the text.
double LeadingDecimal(QStringView value);

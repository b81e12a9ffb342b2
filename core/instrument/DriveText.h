#pragma once

#include "core/common/LeadingNumber.h"

#include <QString>

// Values of the "Key=value" lines of STATUS.INI and CONFIG.INI. Only the first `length` bytes of
// `text` are looked at; the key includes its "=" and is found by plain substring search, so it
// also matches inside another line when that comes first. Tabs and form feeds come back as
// spaces, other control characters as U+FFFD.
QString DriveTextValue(const char* text, int length, const char* key, bool* found = nullptr);
// The leading integer of the value (as C's atoi), clamped to the int range; `fallback` when the
// key is missing.
int DriveTextInt(const char* text, int length, const char* key, int fallback);
// The leading decimal of the value (as C's strtod in the C locale), finite; `fallback` when the
// key is missing.
double DriveTextNumber(const char* text, int length, const char* key, double fallback);

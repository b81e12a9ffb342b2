#pragma once

#include <QString>
#include <QtGlobal>

// The "Durée:" list of the configuration window and the memory a recording needs: the logger
// stores one 256-byte page per 125 seconds, plus two pages.
namespace RecordingDurations {

inline constexpr int kEntryCount = 15;
// Entry indices from 0; index 3 is "8 heures", the last one "Maximum".
inline constexpr int kDefaultEntry = 3;
inline constexpr int kMaximumEntry = 14;
inline constexpr int kNoEntry = -1;
inline constexpr qint64 kSecondsPerPage = 125;
inline constexpr qint64 kPageBytes = 256;

QString EntryText(int entry);
// "Maximum" gives MaximumSeconds(totalMemory); an index outside the list gives 0.
qint64 EntrySeconds(int entry, qint64 totalMemory);
// The fixed entry of exactly `seconds`, or kNoEntry. "Maximum" never matches.
int EntryOf(qint64 seconds);
// As long as the memory allows; never negative, so a tiny memory cannot ask for a wrapped one.
qint64 MaximumSeconds(qint64 totalMemory);
// Negative durations count as 0.
qint64 MemoryNeededBytes(qint64 seconds);
// Rounded up to whole kilobytes: "60k octets".
QString MemoryNeededText(qint64 bytes);
// "2048k octets".
QString TotalMemoryText(qint64 bytes);

} // namespace RecordingDurations

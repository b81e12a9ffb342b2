#include "core/instrument/RecordingDurations.h"

#include "core/common/StringTable.h"

#include <algorithm>
#include <array>

namespace RecordingDurations {

namespace {

constexpr qint64 kHour = 3600;
constexpr qint64 kWeek = 7 * 24 * kHour;

struct Entry {
    int textId;
    qint64 seconds;
};

// Entries with id 1034 show their hours through "%d heures".
constexpr std::array<Entry, kEntryCount> kEntries = {{
    {1033, kHour},
    {1034, 2 * kHour},
    {1034, 4 * kHour},
    {1034, 8 * kHour},
    {1034, 12 * kHour},
    {1034, 24 * kHour},
    {1034, 48 * kHour},
    {1034, 72 * kHour},
    {1038, kWeek},
    {1039, 2 * kWeek},
    {1040, 3 * kWeek},
    {1041, 4 * kWeek},
    {1042, 5 * kWeek},
    {1043, 6 * kWeek},
    {1044, 0},
}};

bool InList(int entry) {
    return entry >= 0 && entry < kEntryCount;
}

} // namespace

QString EntryText(int entry) {
    if (!InList(entry))
        return QString();
    const Entry& e = kEntries[static_cast<std::size_t>(entry)];
    if (e.textId == 1034)
        return FormatResource(1034, {QString::number(e.seconds / kHour)});
    return ResourceString(e.textId);
}

qint64 EntrySeconds(int entry, qint64 totalMemory) {
    if (!InList(entry))
        return 0;
    if (entry == kMaximumEntry)
        return MaximumSeconds(totalMemory);
    return kEntries[static_cast<std::size_t>(entry)].seconds;
}

int EntryOf(qint64 seconds) {
    for (int i = 0; i < kMaximumEntry; ++i)
        if (kEntries[static_cast<std::size_t>(i)].seconds == seconds)
            return i;
    return kNoEntry;
}

qint64 MaximumSeconds(qint64 totalMemory) {
    return std::max<qint64>(0, (totalMemory / kPageBytes - 2) * kSecondsPerPage);
}

qint64 MemoryNeededBytes(qint64 seconds) {
    const qint64 d = std::max<qint64>(0, seconds);
    const qint64 pages = (d + kSecondsPerPage - 1) / kSecondsPerPage + 2;
    return pages * kPageBytes;
}

QString MemoryNeededText(qint64 bytes) {
    return QString::number((bytes + 999) / 1000) + ResourceString(775);
}

QString TotalMemoryText(qint64 bytes) {
    return QString::number(bytes / 1000) + ResourceString(775);
}

} // namespace RecordingDurations

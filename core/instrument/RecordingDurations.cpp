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
    {TextId::kOneHour, kHour},
    {TextId::kHours, 2 * kHour},
    {TextId::kHours, 4 * kHour},
    {TextId::kHours, 8 * kHour},
    {TextId::kHours, 12 * kHour},
    {TextId::kHours, 24 * kHour},
    {TextId::kHours, 48 * kHour},
    {TextId::kHours, 72 * kHour},
    {TextId::kOneWeek, kWeek},
    {TextId::kTwoWeeks, 2 * kWeek},
    {TextId::kThreeWeeks, 3 * kWeek},
    {TextId::kFourWeeks, 4 * kWeek},
    {TextId::kFiveWeeks, 5 * kWeek},
    {TextId::kSixWeeks, 6 * kWeek},
    {TextId::kMaximum, 0},
}};

bool InList(int entry) {
    return entry >= 0 && entry < kEntryCount;
}

} // namespace

QString EntryText(int entry) {
    if (!InList(entry))
        return QString();
    const Entry& e = kEntries[static_cast<std::size_t>(entry)];
    if (e.textId == TextId::kHours)
        return FormatResource(TextId::kHours, {QString::number(e.seconds / kHour)});
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
    return QString::number((bytes + 999) / 1000) + ResourceString(TextId::kKiloBytes);
}

QString TotalMemoryText(qint64 bytes) {
    return QString::number(bytes / 1000) + ResourceString(TextId::kKiloBytes);
}

} // namespace RecordingDurations

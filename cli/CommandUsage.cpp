#include "cli/CommandUsage.h"

#include "core/common/StringTable.h"

#include <array>
#include <utility>

namespace {

using Entry = std::pair<std::string_view, std::array<int, 3>>;

// Each command: the text of its own lines, then of the notes it shares with others (or 0).
constexpr std::array<Entry, 14> kCommands = {{
    {"info", {TextId::kUsageInfo, TextId::kUsageJsonNote, TextId::kUsageStandardInputNote}},
    {"values", {TextId::kUsageValues, TextId::kUsageJsonNote, TextId::kUsageStandardInputNote}},
    {"stats", {TextId::kUsageStats, TextId::kUsageJsonNote, TextId::kUsageStandardInputNote}},
    {"events", {TextId::kUsageEvents, TextId::kUsageJsonNote, TextId::kUsageStandardInputNote}},
    {"params", {TextId::kUsageParams, TextId::kUsageJsonNote, TextId::kUsageStandardInputNote}},
    {"plot", {TextId::kUsagePlot, 0, 0}},
    {"drives", {TextId::kUsageDrives, TextId::kUsageJsonNote, TextId::kUsageSimulateNote}},
    {"status", {TextId::kUsageStatus, TextId::kUsageJsonNote, TextId::kUsageSimulateNote}},
    {"configure", {TextId::kUsageConfigure, TextId::kUsageLoggerNotes, 0}},
    {"record", {TextId::kUsageRecord, TextId::kUsageLoggerNotes, 0}},
    {"clock", {TextId::kUsageClock, TextId::kUsageLoggerNotes, 0}},
    {"erase", {TextId::kUsageErase, TextId::kUsageLoggerNotes, 0}},
    {"download", {TextId::kUsageDownload, TextId::kUsageLoggerNotes, 0}},
    {"flash", {TextId::kUsageFlash, TextId::kUsageLoggerNotes, 0}},
}};

} // namespace

std::string CommandUsage(std::string_view command) {
    for (const auto& [name, parts] : kCommands) {
        if (name != command)
            continue;
        std::string usage;
        for (const int part : parts)
            if (part != 0)
                usage += ResourceString(part).toStdString();
        return usage;
    }
    return {};
}

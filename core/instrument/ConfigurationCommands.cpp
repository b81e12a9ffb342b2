#include "core/instrument/ConfigurationCommands.h"

#include "core/common/StringTable.h"
#include "core/instrument/CommandSender.h"
#include "core/instrument/InstrumentPort.h"

#include <QStringList>

namespace {

constexpr int kUnitsField = 4;

// What each block of the series sets, as the problem text names it.
QString SettingName(uint8_t code) {
    switch (code) {
    case 0x06:
        return ResourceString(TextId::kCommandScales);
    case 0x07:
        return ResourceString(TextId::kCommandThermocouple);
    case 0x09:
        return ResourceString(TextId::kCommandPolarity);
    case 0x08:
        return ResourceString(TextId::kCommandFilter);
    default:
        break;
    }
    return ResourceString(TextId::kCommandSchedule);
}

QString Names(const std::vector<ControlBlock>& blocks, std::size_t from, std::size_t to) {
    QStringList names;
    for (std::size_t i = from; i < to; ++i)
        names.append(SettingName(blocks[i].Code()));
    return names.isEmpty() ? ResourceString(TextId::kCommandNothing)
                           : names.join(QStringLiteral(", "));
}

} // namespace

void SendConfiguration(InstrumentPort& port, const ConfigurationChoice& c,
                       std::function<void(const QString& problem)> problem) {
    std::vector<ControlBlock> blocks{
        ControlBlock::SetScalesAndUnits(c.lowScale, c.highScale, c.units.left(kUnitsField)),
        ControlBlock::SetThermocouple(c.tcIndex, c.cjc), ControlBlock::SetPolarity(c.risingEdge),
        ControlBlock::SetFilterSize(c.filterSize)};
    if (c.mode != RecordModeType::None)
        blocks.push_back(ControlBlock::ScheduleRecording(c.start, c.durationSeconds));
    const std::vector<ControlBlock> named = blocks;
    port.SendCommands({std::move(blocks),
                       [&port, named, problem = std::move(problem)](const CommandBatchResult& r) {
                           if (r.sent > 0)
                               port.ClearLiveData();
                           port.ForgetLastStatus();
                           if (!problem)
                               return;
                           if (r.Complete())
                               problem(QString());
                           else if (r.sent == 0)
                               problem(ResourceString(TextId::kCannotWriteCommand));
                           else
                               problem(FormatResource(
                                   TextId::kConfigurationCutOff,
                                   {Names(named, 0, static_cast<std::size_t>(r.sent)),
                                    Names(named, static_cast<std::size_t>(r.sent), named.size())}));
                       }});
}

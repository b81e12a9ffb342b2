// STATUS.INI as the link and the monitor read it: the logger check, the link's own values, the
// flash window's values, then the texts, numbers, live sample and page of a processed status.
// The input is up to four successive statuses of at most 512 bytes each, so that the live data
// accumulates as it does while connected.
#include "core/common/CalendarDateTime.h"
#include "core/common/DurationFormat.h"
#include "core/common/TemperatureUnitSource.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveText.h"
#include "core/instrument/InstrumentPage.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LiveChannel.h"
#include "core/session/ModelTable.h"

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kRead = 512;
constexpr int kStatuses = 4;

class Units final : public TemperatureUnitSource {
public:
    bool UseFahrenheit() const override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Units units;
    LiveChannel live(units);
    live.Create();
    InstrumentPage page;
    InstrumentConfigRecord config;
    InstrumentStatusRecord status;
    for (int n = 0; n < kStatuses && size > 0; ++n) {
        const std::size_t take = std::min(size, kRead);
        // The link's buffer: zero-filled before each read, twice the read's size.
        char buffer[2 * kRead] = {};
        std::memcpy(buffer, data, take);
        data += take;
        size -= take;
        const int length = static_cast<int>(take);

        (void)std::min(DriveTextInt(buffer, length, "CodePageSize=", 0), 256);
        (void)DriveTextInt(buffer, length, "NumCodePages=", 0);
        (void)DriveTextInt(buffer, length, "MemUsed=", 0);
        (void)DriveTextInt(buffer, length, "FlashUpState=", 0);
        if (!IsLoggerStatusText(buffer, length))
            continue;
        status.ReadTexts(buffer, length);
        (void)InstrumentTimeValue(ParseDateTimeText(status.time));
        const int modelCode = status.ModelCode();
        if (page.NeedsLabels(modelCode))
            page.RebuildLabels(modelCode);
        const int modelIndex = FindModelEntry(modelCode, config.tcIndex);
        const int64_t duration = status.RecordingDuration();
        const QString durationText =
            FormatSecondsClock(static_cast<quint32>(std::clamp<int64_t>(duration, 0, UINT32_MAX)))
                .Joined();
        status.ReadNumbers(buffer, length);
        live.ComputeValues(status, config, modelIndex);
        const QString channelUnits = QStringLiteral("V");
        live.AddSample(status, config, modelIndex, channelUnits);
        live.UpdateStatistics(channelUnits);
        const int64_t freeMemory = status.MemorySize() - status.MemoryUsed();
        (void)status.IsErasing();
        (void)status.IsRecording();
        page.RebuildValues({.status = status,
                            .config = config,
                            .modelIndex = modelIndex,
                            .freeMemory = freeMemory,
                            .recordingDuration = durationText,
                            .channelUnits = channelUnits,
                            .fahrenheit = units.UseFahrenheit(),
                            .lastValue = live.Statistics().last,
                            .channelCount = live.ChannelCount(),
                            .batteryVoltage = live.BatteryVoltage()});
        (void)page.Values(true, false);
    }
    return 0;
}

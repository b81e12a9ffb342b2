#include "sim/LoggerCommand.h"

namespace {

constexpr std::uint8_t kMarker0 = 0x55;
constexpr std::uint8_t kMarker1 = 0xAA;

// The fixed two-byte payload of the commands that carry no value, so that stray bytes in
// the mailbox never erase a memory or enter flash mode.
std::optional<std::uint16_t> FixedPayload(LoggerCommandCodeType code) {
    switch (code) {
    case LoggerCommandCodeType::EraseMemory:
        return 0x1234;
    case LoggerCommandCodeType::StartRecording:
        return 0x4321;
    case LoggerCommandCodeType::StopRecording:
        return 0x2143;
    case LoggerCommandCodeType::EnterFlashMode:
        return 0x5775;
    case LoggerCommandCodeType::EndFlashMode:
        return 0x7557;
    default:
        return std::nullopt;
    }
}

} // namespace

int CommandPayloadLength(std::uint8_t code) {
    switch (static_cast<LoggerCommandCodeType>(code)) {
    case LoggerCommandCodeType::SetClock:
        return 4;
    case LoggerCommandCodeType::EraseMemory:
    case LoggerCommandCodeType::StartRecording:
    case LoggerCommandCodeType::StopRecording:
    case LoggerCommandCodeType::SetThermocouple:
    case LoggerCommandCodeType::EnterFlashMode:
    case LoggerCommandCodeType::EndFlashMode:
        return 2;
    case LoggerCommandCodeType::ScheduleRecording:
        return 8;
    case LoggerCommandCodeType::SetScalesAndUnits:
        return 20;
    case LoggerCommandCodeType::SetFilterSize:
    case LoggerCommandCodeType::SetPolarity:
        return 1;
    case LoggerCommandCodeType::WriteCodePage:
        return 3 + 256;
    }
    return -1;
}

const char* CommandName(std::uint8_t code) {
    switch (static_cast<LoggerCommandCodeType>(code)) {
    case LoggerCommandCodeType::SetClock:
        return "SetClock";
    case LoggerCommandCodeType::EraseMemory:
        return "EraseMemory";
    case LoggerCommandCodeType::StartRecording:
        return "StartRecording";
    case LoggerCommandCodeType::ScheduleRecording:
        return "ScheduleRecording";
    case LoggerCommandCodeType::StopRecording:
        return "StopRecording";
    case LoggerCommandCodeType::SetScalesAndUnits:
        return "SetScalesAndUnits";
    case LoggerCommandCodeType::SetThermocouple:
        return "SetThermocouple";
    case LoggerCommandCodeType::SetFilterSize:
        return "SetFilterSize";
    case LoggerCommandCodeType::SetPolarity:
        return "SetPolarity";
    case LoggerCommandCodeType::EnterFlashMode:
        return "EnterFlashMode";
    case LoggerCommandCodeType::WriteCodePage:
        return "WriteCodePage";
    case LoggerCommandCodeType::EndFlashMode:
        return "EndFlashMode";
    }
    return "?";
}

std::optional<CommandBlockView> DecodeCommandBlock(const std::uint8_t* block) {
    if (block == nullptr || block[0] != kMarker0 || block[1] != kMarker1)
        return std::nullopt;
    const std::uint8_t code = block[2];
    if (block[3] != static_cast<std::uint8_t>(0xFF - code))
        return std::nullopt;
    const int length = CommandPayloadLength(code);
    if (length < 0)
        return std::nullopt;
    unsigned sum = 0;
    for (int i = 0; i <= kCommandPayloadOffset + length; ++i)
        sum += block[i];
    if ((sum & 0xFF) != 0)
        return std::nullopt;
    const auto typed = static_cast<LoggerCommandCodeType>(code);
    const std::uint8_t* payload = block + kCommandPayloadOffset;
    if (const auto fixed = FixedPayload(typed); fixed && ReadBigEndian(payload, 2) != *fixed)
        return std::nullopt;
    return CommandBlockView{typed, payload, length};
}

std::uint32_t ReadBigEndian(const std::uint8_t* bytes, int count) {
    std::uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v = (v << 8) | bytes[i];
    return v;
}

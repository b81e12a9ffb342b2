#include "sim/LoggerCommand.h"

namespace {

constexpr std::uint8_t kMarker0 = 0x55;
constexpr std::uint8_t kMarker1 = 0xAA;

// The fixed two-byte payload of the commands that carry no value, so that stray bytes in
// the mailbox never erase a memory or enter flash mode.
std::optional<std::uint16_t> FixedPayload(LoggerCommandCode code) {
    switch (code) {
    case LoggerCommandCode::EraseMemory:
        return 0x1234;
    case LoggerCommandCode::StartRecording:
        return 0x4321;
    case LoggerCommandCode::StopRecording:
        return 0x2143;
    case LoggerCommandCode::EnterFlashMode:
        return 0x5775;
    case LoggerCommandCode::EndFlashMode:
        return 0x7557;
    default:
        return std::nullopt;
    }
}

} // namespace

int CommandPayloadLength(std::uint8_t code) {
    switch (static_cast<LoggerCommandCode>(code)) {
    case LoggerCommandCode::SetClock:
        return 4;
    case LoggerCommandCode::EraseMemory:
    case LoggerCommandCode::StartRecording:
    case LoggerCommandCode::StopRecording:
    case LoggerCommandCode::SetThermocouple:
    case LoggerCommandCode::EnterFlashMode:
    case LoggerCommandCode::EndFlashMode:
        return 2;
    case LoggerCommandCode::ScheduleRecording:
        return 8;
    case LoggerCommandCode::SetScalesAndUnits:
        return 20;
    case LoggerCommandCode::SetFilterSize:
    case LoggerCommandCode::SetPolarity:
        return 1;
    case LoggerCommandCode::WriteCodePage:
        return 3 + 256;
    }
    return -1;
}

const char* CommandName(std::uint8_t code) {
    switch (static_cast<LoggerCommandCode>(code)) {
    case LoggerCommandCode::SetClock:
        return "SetClock";
    case LoggerCommandCode::EraseMemory:
        return "EraseMemory";
    case LoggerCommandCode::StartRecording:
        return "StartRecording";
    case LoggerCommandCode::ScheduleRecording:
        return "ScheduleRecording";
    case LoggerCommandCode::StopRecording:
        return "StopRecording";
    case LoggerCommandCode::SetScalesAndUnits:
        return "SetScalesAndUnits";
    case LoggerCommandCode::SetThermocouple:
        return "SetThermocouple";
    case LoggerCommandCode::SetFilterSize:
        return "SetFilterSize";
    case LoggerCommandCode::SetPolarity:
        return "SetPolarity";
    case LoggerCommandCode::EnterFlashMode:
        return "EnterFlashMode";
    case LoggerCommandCode::WriteCodePage:
        return "WriteCodePage";
    case LoggerCommandCode::EndFlashMode:
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
    const auto typed = static_cast<LoggerCommandCode>(code);
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

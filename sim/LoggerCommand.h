#pragma once

#include <cstdint>
#include <optional>

// The command codes a logger accepts through its mailbox file.
// A copy of core's codes on purpose: an independent oracle, so a wrong code in core fails tests.
enum class LoggerCommandCodeType : std::uint8_t {
    SetClock = 0x01,
    EraseMemory = 0x02,
    StartRecording = 0x03,
    ScheduleRecording = 0x04,
    StopRecording = 0x05,
    SetScalesAndUnits = 0x06,
    SetThermocouple = 0x07,
    SetFilterSize = 0x08,
    SetPolarity = 0x09,
    EnterFlashMode = 0x40,
    WriteCodePage = 0x41,
    EndFlashMode = 0x42,
};

inline constexpr int kCommandBlockSize = 512;
inline constexpr int kCommandPayloadOffset = 4;

// A block that passed the marker, complement, constant and checksum checks.
struct CommandBlockView {
    LoggerCommandCodeType code{};
    const std::uint8_t* payload = nullptr;
    int payloadLength = 0;
};

// Payload bytes of a command, or -1 for a code the logger does not know.
int CommandPayloadLength(std::uint8_t code);
// "StartRecording" and so on; "?" for an unknown code.
const char* CommandName(std::uint8_t code);
// Looks at the first kCommandBlockSize bytes only.
std::optional<CommandBlockView> DecodeCommandBlock(const std::uint8_t* block);

std::uint32_t ReadBigEndian(const std::uint8_t* bytes, int count);

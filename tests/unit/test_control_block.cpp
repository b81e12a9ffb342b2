#include "core/instrument/ControlBlock.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const ControlBlock& block, int from, int count) {
    return std::vector<uint8_t>(block.Data() + from, block.Data() + from + count);
}

uint8_t SumUpTo(const ControlBlock& block, int last) {
    return static_cast<uint8_t>(std::accumulate(block.Data(), block.Data() + last + 1, 0u));
}

bool ZeroFrom(const ControlBlock& block, int from) {
    for (int i = from; i < ControlBlock::kSize; ++i) {
        if (block.Data()[i] != 0)
            return false;
    }
    return true;
}

std::string Text(const ControlBlock& block, int from, int count) {
    return std::string(reinterpret_cast<const char*>(block.Data()) + from,
                       static_cast<std::size_t>(count));
}

struct Layout {
    const char* name;
    ControlBlock block;
    uint8_t code;
    int checksumAt;
};

} // namespace

TEST(ControlBlock, EveryCommandHasItsHeaderChecksumAndZeroTail) {
    const uint8_t page[3] = {1, 2, 3};
    const std::vector<Layout> layouts = {
        {"SetClock", ControlBlock::SetClock(123456), 0x01, 8},
        {"EraseMemory", ControlBlock::EraseMemory(), 0x02, 6},
        {"StartRecording", ControlBlock::StartRecording(), 0x03, 6},
        {"ScheduleRecording", ControlBlock::ScheduleRecording(7, 8), 0x04, 12},
        {"StopRecording", ControlBlock::StopRecording(), 0x05, 6},
        {"SetScalesAndUnits", ControlBlock::SetScalesAndUnits(1.0f, 2.0f, "mV"), 0x06, 24},
        {"SetThermocouple", ControlBlock::SetThermocouple(1, true), 0x07, 6},
        {"SetFilterSize", ControlBlock::SetFilterSize(10), 0x08, 5},
        {"SetPolarity", ControlBlock::SetPolarity(true), 0x09, 5},
        {"EnterFlashMode", ControlBlock::EnterFlashMode(), 0x40, 6},
        {"WriteCodePage", ControlBlock::WriteCodePage(0x123456, page, 3), 0x41, 263},
        {"EndFlashMode", ControlBlock::EndFlashMode(), 0x42, 6},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        EXPECT_EQ(layout.block.Data()[0], 0x55);
        EXPECT_EQ(layout.block.Data()[1], 0xAA);
        EXPECT_EQ(layout.block.Code(), layout.code);
        EXPECT_EQ(layout.block.Data()[3], 0xFF - layout.code);
        EXPECT_EQ(SumUpTo(layout.block, layout.checksumAt), 0);
        EXPECT_TRUE(ZeroFrom(layout.block, layout.checksumAt + 1));
    }
}

TEST(ControlBlock, FixedPayloadCommandsHaveTheirConstantChecksums) {
    EXPECT_EQ(Bytes(ControlBlock::EraseMemory(), 4, 3), (std::vector<uint8_t>{0x12, 0x34, 0xBC}));
    EXPECT_EQ(Bytes(ControlBlock::StartRecording(), 4, 3),
              (std::vector<uint8_t>{0x43, 0x21, 0x9E}));
    EXPECT_EQ(Bytes(ControlBlock::StopRecording(), 4, 3), (std::vector<uint8_t>{0x21, 0x43, 0x9E}));
    EXPECT_EQ(Bytes(ControlBlock::EnterFlashMode(), 4, 3),
              (std::vector<uint8_t>{0x57, 0x75, 0x36}));
    EXPECT_EQ(Bytes(ControlBlock::EndFlashMode(), 4, 3), (std::vector<uint8_t>{0x75, 0x57, 0x36}));
}

TEST(ControlBlock, NumbersAreBigEndian) {
    const ControlBlock filter = ControlBlock::SetFilterSize(4);
    EXPECT_EQ(Bytes(filter, 0, 6), (std::vector<uint8_t>{0x55, 0xAA, 0x08, 0xF7, 0x04, 0xFE}));
    EXPECT_TRUE(ZeroFrom(filter, 6));

    const ControlBlock clock = ControlBlock::SetClock(1000000000);
    EXPECT_EQ(Bytes(clock, 4, 5), (std::vector<uint8_t>{0x3B, 0x9A, 0xCA, 0x00, 0x63}));

    const ControlBlock schedule = ControlBlock::ScheduleRecording(0x01020304, 0xA0B0C0D0);
    EXPECT_EQ(Bytes(schedule, 4, 8),
              (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0}));
}

TEST(ControlBlock, OutOfRangeArgumentsAreClamped) {
    EXPECT_EQ(ControlBlock::SetFilterSize(0).Data()[4], 1);
    EXPECT_EQ(ControlBlock::SetFilterSize(-7).Data()[4], 1);
    EXPECT_EQ(ControlBlock::SetFilterSize(255).Data()[4], 255);
    EXPECT_EQ(ControlBlock::SetFilterSize(1000).Data()[4], 255);
    EXPECT_EQ(ControlBlock::SetThermocouple(-1, false).Data()[4], 'J');
    EXPECT_EQ(ControlBlock::SetThermocouple(42, false).Data()[4], 'B');
}

TEST(ControlBlock, ThermocoupleAndFlagsAreCharacters) {
    const std::string letters = "JKTNERSB";
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ControlBlock::SetThermocouple(i, false).Data()[4], letters[i]) << i;
    EXPECT_EQ(ControlBlock::SetThermocouple(3, true).Data()[5], '1');
    EXPECT_EQ(ControlBlock::SetThermocouple(3, false).Data()[5], '0');
    EXPECT_EQ(ControlBlock::SetPolarity(true).Data()[4], '1');
    EXPECT_EQ(ControlBlock::SetPolarity(false).Data()[4], '0');
}

TEST(ControlBlock, ScalesAreHexTextsAndUnitsAreCutToFourCharacters) {
    const ControlBlock zeroAndMinusOne = ControlBlock::SetScalesAndUnits(0.0f, -1.0f, "degC!");
    EXPECT_EQ(Text(zeroAndMinusOne, 4, 8), "00000000");
    EXPECT_EQ(Text(zeroAndMinusOne, 12, 8), "000080BF");
    EXPECT_EQ(Text(zeroAndMinusOne, 20, 4), "degC");
    EXPECT_EQ(SumUpTo(zeroAndMinusOne, 24), 0);

    const ControlBlock shortUnits = ControlBlock::SetScalesAndUnits(1.0f, 100.0f, "V");
    EXPECT_EQ(Text(shortUnits, 4, 16), "0000803F0000C842");
    EXPECT_EQ(Bytes(shortUnits, 20, 4), (std::vector<uint8_t>{'V', 0, 0, 0}));
    EXPECT_TRUE(ZeroFrom(shortUnits, 25));
}

TEST(ControlBlock, UnitsKeepTheLowByteOfEachCharacter) {
    // U+00B0 DEGREE SIGN and U+0141 keep 0xB0 and 0x41.
    const ControlBlock block =
        ControlBlock::SetScalesAndUnits(0, 0, QString::fromUtf16(u"\u00B0\u0141"));
    EXPECT_EQ(Bytes(block, 20, 4), (std::vector<uint8_t>{0xB0, 0x41, 0, 0}));
}

TEST(ControlBlock, CodePageCarriesAddressAndZeroPaddedCode) {
    std::array<uint8_t, 300> code{};
    for (std::size_t i = 0; i < code.size(); ++i)
        code[i] = static_cast<uint8_t>(i + 1);

    const ControlBlock shortPage = ControlBlock::WriteCodePage(0xAB123456, code.data(), 3);
    EXPECT_EQ(Bytes(shortPage, 4, 3), (std::vector<uint8_t>{0x12, 0x34, 0x56}));
    EXPECT_EQ(Bytes(shortPage, 7, 4), (std::vector<uint8_t>{1, 2, 3, 0}));
    for (int i = 10; i < 263; ++i)
        ASSERT_EQ(shortPage.Data()[i], 0) << i;

    const ControlBlock fullPage = ControlBlock::WriteCodePage(0x100, code.data(), 1000);
    EXPECT_EQ(fullPage.Data()[7], 1);
    EXPECT_EQ(fullPage.Data()[262], 0); // byte 256 of the code is 256 & 0xFF
    EXPECT_EQ(fullPage.Data()[261], 255);
    EXPECT_EQ(SumUpTo(fullPage, 263), 0);
    EXPECT_TRUE(ZeroFrom(fullPage, 264));

    const ControlBlock nothing = ControlBlock::WriteCodePage(0, nullptr, 50);
    EXPECT_EQ(SumUpTo(nothing, 263), 0);
    for (int i = 7; i < 263; ++i)
        ASSERT_EQ(nothing.Data()[i], 0) << i;
}

TEST(ControlBlock, AcknowledgementMapBitPerPage) {
    std::array<uint8_t, 512> map{};
    map[0] = 0x01;   // page at 0
    map[1] = 0x80;   // page 15: address 15 * 256
    map[511] = 0x80; // the last page, 4095
    EXPECT_TRUE(IsPageAcknowledged(map.data(), 0));
    EXPECT_FALSE(IsPageAcknowledged(map.data(), 256));
    EXPECT_TRUE(IsPageAcknowledged(map.data(), 15 * 256));
    EXPECT_FALSE(IsPageAcknowledged(map.data(), 14 * 256));
    EXPECT_TRUE(IsPageAcknowledged(map.data(), 4095 * 256));
    EXPECT_FALSE(IsPageAcknowledged(map.data(), 4096 * 256)); // beyond the map
    EXPECT_FALSE(IsPageAcknowledged(nullptr, 0));
}

TEST(ControlBlockTimeValue, WallClockFieldsAreTakenAsUtc) {
    for (const char* zone : {"Europe/Paris", "America/New_York", "Asia/Tokyo"}) {
        SCOPED_TRACE(zone);
        const QByteArray saved = qgetenv("TZ");
        setenv("TZ", zone, 1);
        tzset();
        EXPECT_EQ(InstrumentTimeValue(CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 5)), 5u);
        EXPECT_EQ(InstrumentTimeValue(CalendarDateTime::FromFields(2001, 9, 9, 1, 46, 40)),
                  1000000000u);
        setenv("TZ", saved.constData(), 1);
        tzset();
    }
}

TEST(ControlBlockTimeValue, InvalidAndOutOfRangeDates) {
    EXPECT_EQ(InstrumentTimeValue(CalendarDateTime{}), 0u);
    EXPECT_EQ(InstrumentTimeValue(CalendarDateTime::FromFields(2024, 2, 30, 0, 0, 0)), 0u);
    EXPECT_EQ(InstrumentTimeValue(CalendarDateTime::FromFields(1969, 12, 31, 23, 59, 59)), 0u);
    EXPECT_EQ(InstrumentTimeValue(CalendarDateTime::FromFields(2106, 2, 7, 6, 28, 15)),
              0xFFFFFFFFu);
    EXPECT_EQ(InstrumentTimeValue(CalendarDateTime::FromFields(2500, 1, 1, 0, 0, 0)), 0xFFFFFFFFu);
}

TEST(ControlBlockTimeValue, RoundTrips) {
    for (uint32_t value : {0u, 5u, 951782400u /* 2000-02-29 */, 1709647629u, 0xFFFFFFFFu}) {
        const CalendarDateTime fields = FromInstrumentTimeValue(value);
        EXPECT_TRUE(fields.valid) << value;
        EXPECT_EQ(InstrumentTimeValue(fields), value);
    }
    EXPECT_EQ(FromInstrumentTimeValue(951782400u),
              CalendarDateTime::FromFields(2000, 2, 29, 0, 0, 0));
}

#include "core/session/ChannelColumns.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionTable.h"
#include "support/SessionTestSupport.h"

#include <gtest/gtest.h>

namespace {

using K = ChanListHeaderType;

std::vector<K> Kinds(const std::vector<ChannelColumn>& columns) {
    std::vector<K> kinds;
    for (const ChannelColumn& c : columns)
        kinds.push_back(c.kind);
    return kinds;
}

TEST(SessionTable, ValuesAreStampedOnePeriodAfterTheStart) {
    SessionImageBuilder b;
    b.Samples({100, 200, 300});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const SessionTable table(*s);
    EXPECT_FALSE(table.IsEventTable());
    ASSERT_EQ(table.RowCount(), 3);
    EXPECT_EQ(table.Header(0), u"Date"_qs);
    EXPECT_EQ(table.Header(1), u"Time"_qs);
    EXPECT_EQ(table.Header(2), s->ChannelName());
    EXPECT_EQ(table.Cell(0, 0), u"05/03/2024"_qs);
    EXPECT_EQ(table.Cell(0, 1), u"14:07:10"_qs) << "value 0 is one period after the start";
    EXPECT_EQ(table.Cell(2, 1), u"14:07:12"_qs);
    EXPECT_EQ(table.Cell(1, 2),
              ChannelTexts(s->ChanData())
                  .ValueText(s->ChanData().FirstRecord().Values()[1], s->DisplayUnits()));
    // Past the end and outside the columns: nothing, never a crash.
    EXPECT_EQ(table.Cell(3, 0), QString());
    EXPECT_EQ(table.Cell(-1, 0), QString());
    EXPECT_EQ(table.Cell(0, 3), QString());
}

TEST(SessionTable, AnEventSessionListsItsEvents) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    b.Samples({0x0000, static_cast<int16_t>(0x8001), 0x0000});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const SessionTable table(*s);
    EXPECT_TRUE(table.IsEventTable());
    EXPECT_EQ(table.Header(2), u"Durée"_qs);
    ASSERT_EQ(table.RowCount(), static_cast<int>(s->ChanData().Events().size()));
    ASSERT_GT(table.RowCount(), 0);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(table.Cell(0, column), ChannelTexts(s->ChanData()).EventCellText(0, column));
}

TEST(ChannelColumns, FollowTheKindOfChannelAndTheMinMaxDisplay) {
    const KindFlags voltage = KindFlags::Of(ChannelKindType::Voltage);
    EXPECT_EQ(Kinds(SessionChannelColumns(voltage, false)),
              (std::vector<K>{K::Channel, K::Colour, K::CursorAvg, K::WindowMin, K::WindowMax,
                              K::WindowAvg}));
    EXPECT_EQ(Kinds(SessionChannelColumns(voltage, true)),
              (std::vector<K>{K::Channel, K::Colour, K::CursorMin, K::CursorAvg, K::CursorMax,
                              K::WindowMin, K::WindowMax, K::WindowAvg}));

    const auto pulse = SessionChannelColumns(KindFlags::Of(ChannelKindType::Pulse), false);
    EXPECT_EQ(pulse.back().kind, K::WindowTotal);
    EXPECT_EQ(ChanListHeaderText(pulse.back().kind), u"Window Total"_qs);

    const auto event = SessionChannelColumns(KindFlags::Of(ChannelKindType::Event), true);
    EXPECT_EQ(Kinds(event),
              (std::vector<K>{K::Channel, K::Colour, K::CursorEventLength, K::WindowEventsLength}));
    EXPECT_EQ(event[2].width, 140);

    EXPECT_EQ(ChanListHeaderText(K::WindowLast), ChanListHeaderText(K::Last));
    EXPECT_EQ(ChanListHeaderText(static_cast<K>(23)), QString());
    EXPECT_EQ(ChanListHeaderText(static_cast<K>(-1)), QString());
}

TEST(ChannelColumns, WindowStatisticsCoverTheVisibleValuesOrTheWholeRecord) {
    SessionImageBuilder b;
    b.Set("Model", "5").Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "00000041");
    b.Samples({1, 2, 3, 4});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const CChanData& d = s->ChanData();
    const WindowStatistics whole = WindowStatistics::Of(*s, -1, -1);
    const RangeStatisticsTexts all =
        ChannelTexts(d).RangeStatistics(false, 0, 0, s->DisplayUnits());
    EXPECT_EQ(whole.total, all.total);
    // The view's last visible index is one past the last value counted.
    const WindowStatistics part = WindowStatistics::Of(*s, 1, 3);
    EXPECT_EQ(part.min, ChannelTexts(d).RangeStatistics(true, 1, 2, s->DisplayUnits()).min);
    EXPECT_EQ(part.max, ChannelTexts(d).RangeStatistics(true, 1, 2, s->DisplayUnits()).max);
    EXPECT_NE(part.total, whole.total);
}

TEST(ChannelColumns, LimitAndMktColumnsOnlyWhenAsked) {
    const KindFlags tc = KindFlags::Of(ChannelKindType::Thermocouple);
    const auto plain = Kinds(SessionChannelColumns(tc, false));
    EXPECT_EQ(Kinds(SessionChannelColumns(tc, false, SessionFigures{})), plain);
    SessionFigures figures;
    figures.limits.high = 5.0;
    auto kinds = Kinds(SessionChannelColumns(tc, false, figures));
    ASSERT_EQ(kinds.size(), plain.size() + 3);
    EXPECT_EQ(kinds.back(), K::WindowExcursions);
    figures.showMkt = true;
    EXPECT_EQ(Kinds(SessionChannelColumns(tc, false, figures)).back(), K::WindowMkt);
    // Only a temperature session has a kinetic temperature.
    const KindFlags voltage = KindFlags::Of(ChannelKindType::Voltage);
    EXPECT_EQ(Kinds(SessionChannelColumns(voltage, false, figures)).back(), K::WindowExcursions);
    EXPECT_EQ(ChanListHeaderText(K::WindowMkt), u"TCM"_qs);
}

TEST(ChannelColumns, LimitAndMktFiguresFollowTheWindow) {
    SessionImageBuilder b;
    // Type K, 0.01 mV per count: about 1000 °C, 0 °C, then over the range; 2 s apart.
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.PairSamples({{4128, 0}, {0, 0}, {7000, 0}});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    SessionFigures figures;
    figures.limits = {10.0, 500.0};
    figures.showMkt = true;
    s->SetFigures(figures);
    const WindowStatistics whole = WindowStatistics::Of(*s, -1, -1);
    EXPECT_EQ(whole.timeAbove, u"4 s"_qs);
    EXPECT_EQ(whole.timeBelow, u"2 s"_qs);
    EXPECT_EQ(whole.excursions, u"3"_qs);
    const WindowStatistics second = WindowStatistics::Of(*s, 1, 2);
    EXPECT_EQ(second.timeAbove, u"0 s"_qs);
    EXPECT_EQ(second.timeBelow, u"2 s"_qs);
    EXPECT_EQ(second.excursions, u"1"_qs);
    EXPECT_EQ(second.mkt, ChannelTexts(s->ChanData()).ValueText(0.0, s->DisplayUnits()));
    // python3, as in the limit statistics tests: mkt([1000, 0]) = 896.758 °C.
    EXPECT_TRUE(whole.mkt.startsWith(u"896,"_qs)) << whole.mkt.toStdString();
}

} // namespace

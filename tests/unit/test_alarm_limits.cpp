#include "core/app/SettingsKeys.h"
#include "core/doc/CVexloDoc.h"
#include "core/session/AlarmLimitsEditModel.h"
#include "core/session/InstrumentSettings.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionTestSupport.h"

#include <gtest/gtest.h>

namespace {

SessionImageBuilder VoltageImage(const char* serial) {
    SessionImageBuilder b;
    b.Set("SerNum", serial).Samples(std::vector<int16_t>(100, 3000));
    return b;
}

SessionImageBuilder RtdImage(const char* serial) {
    SessionImageBuilder b;
    b.Set("Model", "7").Set("SerNum", serial).Set("MaxCnt", "4096").Set("RTDRef", "4750");
    b.Set("RTDNom", "1000").Samples(std::vector<int16_t>(100, 2000));
    return b;
}

} // namespace

TEST(AlarmLimitsEditModel, EmptyBoxesAreNoLimitsAndNumbersAreReadAtTheRangeEnds) {
    auto session = ReadImage(VoltageImage("12345"));
    ASSERT_NE(session, nullptr);
    AlarmLimitsEditModel model(*session);
    EXPECT_EQ(model.LowText(), QString());
    EXPECT_EQ(model.Unit(), session->DisplayUnits());
    EXPECT_FALSE(model.OffersMkt());
    EXPECT_TRUE(model.Note().contains(u"n° 12345"_qs));

    ASSERT_TRUE(model.Apply(u"  "_qs, QString(), true));
    EXPECT_FALSE(model.Result().limits.Any());
    EXPECT_FALSE(model.Result().showMkt) << "no mean kinetic temperature without a temperature";

    ASSERT_TRUE(model.Apply(u"-1000000"_qs, u"1000000"_qs, false));
    EXPECT_EQ(model.Result().limits, (AlarmLimits{-1e6, 1e6}));
    EXPECT_EQ(model.LowText(), u"-1000000");

    ASSERT_TRUE(model.Apply(u"2,5"_qs, u"2.5"_qs, false)) << "equal limits are allowed";
    EXPECT_EQ(model.Result().limits, (AlarmLimits{2.5, 2.5}));
    EXPECT_EQ(model.HighText(), u"2,5");

    const AlarmLimits kept = model.Result().limits;
    for (const auto& [low, high] : {std::pair{"-1000000,1", ""}, std::pair{"", "1000000,1"},
                                    std::pair{"x", ""}, std::pair{"1 000", ""}}) {
        const Outcome refused = model.Apply(QString::fromUtf8(low), QString::fromUtf8(high), false);
        EXPECT_EQ(refused.kind, OutcomeType::Refused) << low << high;
        EXPECT_TRUE(refused.message.startsWith(*low ? u"Limite basse :"_qs : u"Limite haute :"_qs))
            << refused.message.toStdString();
        EXPECT_TRUE(refused.message.contains(u"entre -1000000 et 1000000"_qs));
        EXPECT_EQ(model.Result().limits, kept) << "a refusal changes nothing";
    }
    const Outcome crossed = model.Apply(u"2,51"_qs, u"2,5"_qs, false);
    EXPECT_EQ(crossed.kind, OutcomeType::Refused);
    EXPECT_EQ(crossed.message, u"La limite basse doit être inférieure ou égale à la limite haute.");
    EXPECT_EQ(model.Result().limits, kept);
}

TEST(AlarmLimitsEditModel, ATemperatureSessionOffersTheMeanKineticTemperature) {
    auto session = ReadImage(RtdImage("5"));
    ASSERT_NE(session, nullptr);
    AlarmLimitsEditModel model(*session);
    EXPECT_TRUE(model.OffersMkt());
    ASSERT_TRUE(model.Apply(QString(), u"8"_qs, true));
    EXPECT_TRUE(model.Result().showMkt);
    EXPECT_EQ(model.Result().limits, (AlarmLimits{std::nullopt, 8.0}));
}

class DocAlarmLimits : public SessionFilesFixture {
protected:
    bool Edit(CRecSession& session, const QString& low, const QString& high, bool mkt = false) {
        return doc_.EditAlarmLimits(session, [&](AlarmLimitsEditModel& m) {
            return static_cast<bool>(m.Apply(low, high, mkt));
        });
    }
};

TEST_F(DocAlarmLimits, LimitsGoToEveryOpenSessionOfTheLoggerAndToItsNextFile) {
    CRecSession& first = OpenBuilt(VoltageImage("12345"));
    CRecSession& second = OpenBuilt(VoltageImage("12345"));
    CRecSession& other = OpenBuilt(VoltageImage("999"));

    struct Hints final : DocObserver {
        void OnDocumentUpdate(UpdateHintType hint) override { seen.push_back(hint); }
        std::vector<UpdateHintType> seen;
    } hints;
    doc_.AddObserver(&hints);
    EXPECT_FALSE(doc_.EditAlarmLimits(first, [](AlarmLimitsEditModel&) { return false; }));
    EXPECT_FALSE(first.Figures().limits.Any()) << "cancelled";
    EXPECT_TRUE(hints.seen.empty());

    ASSERT_TRUE(Edit(first, u"1,5"_qs, QString()));
    // Views redraw; the live data of a connected logger is not a figure and stays.
    EXPECT_EQ(hints.seen, std::vector<UpdateHintType>{UpdateHintType::Refresh});
    EXPECT_EQ(first.Figures().limits, (AlarmLimits{1.5, std::nullopt}));
    EXPECT_EQ(second.Figures().limits, first.Figures().limits);
    EXPECT_FALSE(other.Figures().limits.Any()) << "another logger keeps its own";
    const QString section = InstrumentSettingsSection(first.ModelCode(), first.SerialNumber());
    EXPECT_EQ(settings_.GetString(section, SettingsKeys::AlarmLow(), u"?"_qs), u"1.5");

    CRecSession& later = OpenBuilt(VoltageImage("12345"));
    EXPECT_EQ(later.Figures().limits, (AlarmLimits{1.5, std::nullopt}));

    ASSERT_TRUE(Edit(second, QString(), QString()));
    EXPECT_FALSE(first.Figures().limits.Any()) << "emptied boxes remove the limits";
    doc_.RemoveObserver(&hints);
}

TEST_F(DocAlarmLimits, TemperatureLimitsAreKeptInCelsiusAndFollowTheUnit) {
    ASSERT_TRUE(doc_.UseFahrenheit());
    CRecSession& rtd = OpenBuilt(RtdImage("77"));
    ASSERT_TRUE(Edit(rtd, u"32"_qs, u"86"_qs, true));
    const QString section = InstrumentSettingsSection(rtd.ModelCode(), rtd.SerialNumber());
    EXPECT_NEAR(settings_.GetString(section, SettingsKeys::AlarmHigh(), {}).toDouble(), 30.0, 1e-9);
    EXPECT_NEAR(settings_.GetString(section, SettingsKeys::AlarmLow(), {}).toDouble(), 0.0, 1e-9);
    EXPECT_TRUE(rtd.Figures().showMkt);

    ASSERT_TRUE(doc_.EditOptions([](OptionsModel& m) {
        m.SetTemperatureUnitIndex(0);
        return true;
    }));
    EXPECT_NEAR(*rtd.Figures().limits.high, 30.0, 1e-9);
    EXPECT_NEAR(*rtd.Figures().limits.low, 0.0, 1e-9);

    ASSERT_TRUE(doc_.EditOptions(
        [](OptionsModel& m) { return static_cast<bool>(m.SetMktActivationText(u"12000"_qs)); }));
    EXPECT_EQ(rtd.Figures().mktActivationKelvin, 12000.0) << "open sessions take the new ΔH/R";
}

// Limits remembered for a logger, or given to a session, stay off where values are states or
// counts: no time out of limits, no line across the graph, no MKT.
TEST_F(DocAlarmLimits, EventAndPulseSessionsTakeNoLimits) {
    struct Kind {
        const char* model;
        bool takesLimits;
    };
    for (const Kind kind : {Kind{"6", false}, Kind{"5", false}, Kind{"2", true}}) {
        const QString section = InstrumentSettingsSection(QString(kind.model).toInt(), u"77"_qs);
        settings_.SetString(section, SettingsKeys::AlarmLow(), u"0.5"_qs);
        settings_.SetString(section, SettingsKeys::AlarmHigh(), u"2"_qs);
        settings_.SetInt(section, SettingsKeys::ShowMkt(), 1);
        SessionImageBuilder b;
        b.Set("Model", kind.model).Set("SerNum", "77").Samples({1, 2, 3, 4});
        CRecSession& session = OpenBuilt(b);
        EXPECT_EQ(SessionFigures::ApplyTo(session.Flags()), kind.takesLimits) << kind.model;
        EXPECT_EQ(session.Figures().limits.Any(), kind.takesLimits) << kind.model;
        if (!kind.takesLimits) {
            EXPECT_FALSE(session.Figures().showMkt) << kind.model;
        }

        SessionFigures given = session.Figures();
        given.limits = {0.0, 1.0};
        session.SetFigures(given);
        EXPECT_EQ(session.Figures().limits.Any(), kind.takesLimits)
            << "limits given on the command line too: " << kind.model;
    }
}

#include "core/doc/CVexloDoc.h"
#include "core/session/InstrumentSettings.h"
#include "core/session/SessionParams.h"
#include "core/session/SessionParamsEditModel.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionImageBuilder.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::vector<int16_t> Counts(int n, int from = 0, int step = 3) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(from + i * step));
    return v;
}

std::unique_ptr<CRecSession> Voltage() {
    SessionImageBuilder b;
    b.Set("FilterSize", "3").Samples(Counts(400));
    return ReadImage(b);
}

std::unique_ptr<CRecSession> Thermocouple(const char* letter = "J") {
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", letter).Set("MaxCnt", "32768").Set("VRef", "1.25");
    std::vector<std::pair<int16_t, int16_t>> pairs;
    for (int i = 0; i < 200; ++i)
        pairs.emplace_back(static_cast<int16_t>(800 + i), static_cast<int16_t>(15000));
    b.PairSamples(pairs);
    return ReadImage(b);
}

std::unique_ptr<CRecSession> Model(const char* code, const char* polarity = "1") {
    SessionImageBuilder b;
    b.Set("Model", code).Set("Polarity", polarity).Samples(Counts(100, 0, 1));
    return ReadImage(b);
}

const SessionParamsRow* RowOf(const std::vector<SessionParamsRow>& rows, int labelId) {
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [&](const SessionParamsRow& r) { return r.labelId == labelId; });
    return it == rows.end() ? nullptr : &*it;
}

std::vector<int> LabelIds(const std::vector<SessionParamsRow>& rows) {
    std::vector<int> ids;
    for (const SessionParamsRow& r : rows)
        ids.push_back(r.labelId);
    return ids;
}

TEST(SessionParams, VoltageListHasScaleRowsAndNoThermocoupleRows) {
    const auto s = Voltage();
    ASSERT_TRUE(s);
    const std::vector<SessionParamsRow> rows = BuildSessionParams(*s);
    EXPECT_EQ(LabelIds(rows), (std::vector{628, 902, 906, 907, 908, 905, 909,  0,    941, 910,
                                           911, 901, 912, 0,   942, 913, 1051, 1052, 914, 1055}));
    for (const SessionParamsRow& r : rows) {
        EXPECT_EQ(r.header, r.labelId == 628 || r.labelId == 941 || r.labelId == 942);
        if (r.header || r.labelId == 0) {
            EXPECT_TRUE(r.value.isEmpty());
        }
    }
    EXPECT_TRUE(rows[7].IsBlank());
    EXPECT_EQ(rows[0].label, u"État de l’enregistrement"_qs);
    EXPECT_EQ(RowOf(rows, 1051)->value, u"0 Vdc = 0 Vdc"_qs);
    EXPECT_EQ(RowOf(rows, 1052)->value, u"10 Vdc = 10 Vdc"_qs);
    EXPECT_EQ(RowOf(rows, 913)->value, u"V1DC10V"_qs);
    EXPECT_EQ(RowOf(rows, 911)->value, u"VX12(10 Vdc)"_qs);
    EXPECT_EQ(RowOf(rows, 910)->value, u"12345"_qs);
    EXPECT_EQ(RowOf(rows, 909)->value, u"Enregistrement terminé"_qs);
    EXPECT_EQ(RowOf(rows, 1055)->value, u"3 points"_qs);
    EXPECT_EQ(RowOf(rows, 1055)->tag, kFilterRowTag);
    EXPECT_EQ(RowOf(rows, 906)->tag, kDateRowTag);
    EXPECT_EQ(RowOf(rows, 907)->tag, kDateRowTag);
    EXPECT_EQ(RowOf(rows, 906)->value, u"05/03/2024 14:07:09"_qs);
}

TEST(SessionParams, ThermocoupleListHasTypeAndCjcButNoScales) {
    const auto s = Thermocouple("K");
    ASSERT_TRUE(s);
    const std::vector<SessionParamsRow> rows = BuildSessionParams(*s);
    EXPECT_EQ(RowOf(rows, 1051), nullptr);
    EXPECT_EQ(RowOf(rows, 1052), nullptr);
    ASSERT_TRUE(RowOf(rows, 1056) && RowOf(rows, 1054));
    EXPECT_EQ(RowOf(rows, 1056)->value, u"K"_qs);
    EXPECT_EQ(RowOf(rows, 1054)->value, u"non"_qs);
    EXPECT_EQ(RowOf(rows, 914)->value, u"°C"_qs);
    EXPECT_EQ(RowOf(rows, 1055)->value, u"1 Point"_qs);
}

TEST(SessionParams, EventsShowTheirEdgeAndHaveNoFilter) {
    const auto falling = Model("6", "0");
    ASSERT_TRUE(falling);
    const auto rows = BuildSessionParams(*falling);
    EXPECT_EQ(RowOf(rows, 911)->value, u"VX31 (Event falling)"_qs);
    EXPECT_EQ(RowOf(rows, 1055), nullptr);
    EXPECT_EQ(RowOf(BuildSessionParams(*Model("6", "1")), 911)->value, u"VX31 (Event rising)"_qs);
}

TEST(SessionParams, InstrumentSectionName) {
    EXPECT_EQ(InstrumentSettingsSection(4, u"12345"_qs), u"VX_0004_12345"_qs);
    EXPECT_EQ(InstrumentSettingsSection(8, u"7"_qs), u"VX_0008_7"_qs);
}

TEST(EditSessionParams, ControlsFollowTheKindOfChannel) {
    const auto v = Voltage();
    const SessionParamsEditModel voltage(*v);
    EXPECT_TRUE(voltage.ShowsScales() && voltage.ShowsFilter());
    EXPECT_FALSE(voltage.ShowsThermocouple() || voltage.ShowsPolarity() ||
                 voltage.ShowsPulseNote());
    EXPECT_EQ(voltage.RangeLowText(), u"0"_qs);
    EXPECT_EQ(voltage.RangeHighText(), u"10"_qs);
    EXPECT_EQ(voltage.FilterIndex(), 2);

    const auto t = Thermocouple();
    const SessionParamsEditModel tc(*t);
    EXPECT_TRUE(tc.ShowsThermocouple() && tc.ShowsFilter());
    EXPECT_FALSE(tc.ShowsScales() || tc.ShowsPolarity());

    const auto e = Model("6");
    const SessionParamsEditModel event(*e);
    EXPECT_TRUE(event.ShowsPolarity());
    EXPECT_FALSE(event.ShowsScales() || event.ShowsFilter() || event.ShowsThermocouple());

    const auto p = Model("5");
    EXPECT_TRUE(SessionParamsEditModel(*p).ShowsPulseNote());
}

TEST(EditSessionParams, RefusesOutOfRangeNumbersAndLongTexts) {
    using F = SessionParamsFieldType;
    const auto v = Voltage();
    SessionParamsEditModel m(*v);
    EXPECT_FALSE(m.Validate());

    m.SetText(F::HighScale, u"100001"_qs);
    auto problem = m.Validate();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->field, F::HighScale);
    EXPECT_EQ(problem->message, u"Entrez un nombre compris entre -100000 et 100000."_qs);
    m.SetText(F::HighScale, u"-100000"_qs);
    EXPECT_FALSE(m.Validate()) << "the limits themselves are allowed";
    m.SetText(F::LowScale, u"abc"_qs);
    EXPECT_EQ(m.Validate()->field, F::LowScale);
    m.SetText(F::LowScale, u"2,5"_qs);
    EXPECT_FALSE(m.Validate());
    EXPECT_FLOAT_EQ(m.Result().lowScale, 2.5f);

    const auto ac = Model("9");
    SessionParamsEditModel acModel(*ac);
    acModel.SetText(F::LowScale, u"-1"_qs);
    EXPECT_EQ(acModel.Validate()->message, u"Entrez un nombre compris entre 0 et 100000."_qs);

    const struct {
        F field;
        int limit;
    } limits[] = {
        {F::InstrumentName, 80}, {F::Location, 80},  {F::SessionName, 80}, {F::Header, 80},
        {F::Footer, 80},         {F::Comments, 512}, {F::Units, 4}};
    for (const auto& l : limits) {
        SessionParamsEditModel fresh(*v);
        fresh.SetText(l.field, QString(l.limit, u'x'));
        EXPECT_FALSE(fresh.Validate()) << l.limit;
        fresh.SetText(l.field, QString(l.limit + 1, u'x'));
        const auto tooLong = fresh.Validate();
        ASSERT_TRUE(tooLong);
        EXPECT_EQ(tooLong->field, l.field);
        EXPECT_EQ(tooLong->message,
                  QStringLiteral("Entrez pas plus de %1 caractères.").arg(l.limit));
    }
}

TEST(EditSessionParams, TypeBKeepsItsTypeWhenNoButtonIsChosen) {
    const auto b = Thermocouple("B");
    ASSERT_TRUE(b);
    ASSERT_EQ(b->TcIndex(), 7);
    SessionParamsEditModel m(*b);
    EXPECT_EQ(m.TcButton(), -1) << "no button for type B";
    m.SetTcButton(9);
    EXPECT_EQ(m.Result().tcIndex, 7);
    const ApplyOutcome outcome = ApplySessionParams(*b, SessionParamsValues::Of(*b), m.Result());
    EXPECT_FALSE(outcome.recomputed || outcome.modified);
    EXPECT_EQ(b->ChannelName(), u"TC1VB"_qs);
}

TEST(EditSessionParams, ChangingTheThermocoupleTypeReselectsTheModelRow) {
    const auto t = Thermocouple("J");
    const std::vector<double> before = t->ChanData().FirstRecord().Values().ToVector();
    SessionParamsEditModel m(*t);
    m.SetTcButton(1);
    const ApplyOutcome outcome = ApplySessionParams(*t, SessionParamsValues::Of(*t), m.Result());
    EXPECT_TRUE(outcome.recomputed && outcome.modified);
    EXPECT_EQ(t->ChannelName(), u"TC1VK"_qs);
    EXPECT_EQ(t->TcIndex(), 1);
    EXPECT_NE(t->ChanData().FirstRecord().Values().ToVector(), before);
    EXPECT_TRUE(t->IsModified());
}

TEST(EditSessionParams, ChangingOnlyTheCommentsDoesNotReconvert) {
    const auto s = Voltage();
    s->SetModified(false);
    const double* data = s->ChanData().FirstRecord().Samples().AnalogValues().data();
    const std::vector<double> values = s->ChanData().FirstRecord().Values().ToVector();
    SessionParamsEditModel m(*s);
    m.SetText(SessionParamsFieldType::Comments, u"vérifié"_qs);
    const ApplyOutcome outcome = ApplySessionParams(*s, SessionParamsValues::Of(*s), m.Result());
    EXPECT_TRUE(outcome.modified);
    EXPECT_FALSE(outcome.recomputed || outcome.startMoved);
    EXPECT_TRUE(s->IsModified());
    EXPECT_EQ(s->Comments(), u"vérifié"_qs);
    EXPECT_EQ(s->ChanData().FirstRecord().Samples().AnalogValues().data(), data);
    EXPECT_EQ(s->ChanData().FirstRecord().Values().ToVector(), values);
}

TEST(EditSessionParams, TheStartMovesOnlyByMoreThanHalfASecond) {
    const auto s = Voltage();
    s->SetModified(false);
    const SessionParamsValues before = SessionParamsValues::Of(*s);
    const int64_t start = s->StartTime();
    const QString end = s->EndText();
    const QString duration = s->DurationText();

    SessionParamsValues nudged = before;
    nudged.correctedStartMs = 400;
    EXPECT_FALSE(ApplySessionParams(*s, before, nudged).startMoved);
    EXPECT_EQ(s->StartTime(), start);
    EXPECT_EQ(s->EndText(), end);
    EXPECT_EQ(s->DurationText(), duration);
    EXPECT_FALSE(s->IsModified());

    SessionParamsValues earlier = before;
    earlier.correctedStart = before.correctedStart.AddSeconds(-1);
    EXPECT_TRUE(ApplySessionParams(*s, before, earlier).startMoved);
    EXPECT_EQ(s->StartTime(), start - 1);
    EXPECT_EQ(s->HeaderValue(HeaderKeyType::Start), u"2024/03/05 14:07:08"_qs);
    EXPECT_EQ(s->End(), ParseDateTimeText(end).AddSeconds(-1));
    EXPECT_EQ(s->DurationText(), duration);
    EXPECT_TRUE(s->IsModified());
}

TEST(EditSessionParams, ALineBreakInAOneLineTextIsASpaceInMemoryAsInTheFile) {
    MemorySettingsStore settings;
    FakeDriveBackend drives;
    const ManualClock clock;
    ScriptedUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    const auto s = Voltage();
    ASSERT_TRUE(s);
    using F = SessionParamsFieldType;
    const QString eightyWithABreak = QString(39, u'a') + u"\r\n"_qs + QString(39, u'b');
    ASSERT_TRUE(doc.EditSessionParams(*s, [&](SessionParamsEditModel& m) {
        m.SetText(F::InstrumentName, u"Four\n2"_qs);
        m.SetText(F::Location, u"Atelier\r\nNord"_qs);
        m.SetText(F::SessionName, u"Essai\r3"_qs);
        m.SetText(F::Header, u"En\n\ntête"_qs);
        m.SetText(F::Footer, eightyWithABreak);
        m.SetText(F::Comments, u"ligne 1\nligne 2\r\nligne 3\n"_qs);
        m.SetText(F::Units, u"m\nV"_qs);
        return true;
    }));
    EXPECT_EQ(s->InstrumentName(), u"Four 2"_qs);
    EXPECT_EQ(s->Location(), u"Atelier Nord"_qs) << "CR LF is one break, so one space";
    EXPECT_EQ(s->SessionName(), u"Essai 3"_qs);
    EXPECT_EQ(s->ReportHeader(), u"En  tête"_qs);
    EXPECT_EQ(s->ReportFooter(), QString(39, u'a') + u' ' + QString(39, u'b'));
    EXPECT_EQ(s->Comments(), u"ligne 1 ligne 2 ligne 3 "_qs);
    EXPECT_EQ(s->DisplayUnits(), u"m V"_qs);
    EXPECT_EQ(settings.GetString(u"VX_0002_12345"_qs, u"InstName"_qs, {}), u"Four 2"_qs);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"saved.vx"_qs);
    ASSERT_TRUE(WriteSessionFile(*s, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto back = ReadImage(file.readAll());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->InstrumentName(), s->InstrumentName());
    EXPECT_EQ(back->Location(), s->Location());
    EXPECT_EQ(back->SessionName(), s->SessionName());
    EXPECT_EQ(back->ReportHeader(), s->ReportHeader());
    EXPECT_EQ(back->ReportFooter(), s->ReportFooter());
    EXPECT_EQ(back->Comments(), s->Comments());
    EXPECT_EQ(back->DisplayUnits(), s->DisplayUnits());

    // Typing a break where the session has a space changes nothing.
    s->SetModified(false);
    SessionParamsValues retyped = SessionParamsValues::Of(*s);
    retyped.location = u"Atelier\nNord"_qs;
    EXPECT_FALSE(ApplySessionParams(*s, SessionParamsValues::Of(*s), retyped).modified);
    EXPECT_FALSE(s->IsModified());
}

TEST(EditSessionParams, OkStoresTheInstrumentTextsAndRefreshesTheViews) {
    MemorySettingsStore settings;
    FakeDriveBackend drives;
    const ManualClock clock;
    ScriptedUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    struct : DocObserver {
        std::vector<UpdateHintType> hints;
        void OnDocumentUpdate(UpdateHintType h) override { hints.push_back(h); }
    } views;
    doc.AddObserver(&views);

    SessionImageBuilder b;
    b.Set("Model", "4").Samples(Counts(50));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const bool ok = doc.EditSessionParams(*s, [](SessionParamsEditModel& m) {
        m.SetText(SessionParamsFieldType::InstrumentName, u"Chaudière"_qs);
        m.SetText(SessionParamsFieldType::Header, u"Essai"_qs);
        return true;
    });
    EXPECT_TRUE(ok);
    const QString section = u"VX_0004_12345"_qs;
    EXPECT_EQ(settings.Raw(section, u"Type"_qs), QVariant(4));
    EXPECT_EQ(settings.GetString(section, u"InstName"_qs, {}), u"Chaudière"_qs);
    EXPECT_EQ(settings.GetString(section, u"Header"_qs, {}), u"Essai"_qs);
    EXPECT_TRUE(settings.Contains(section, u"Location"_qs) &&
                settings.Contains(section, u"Footer"_qs));
    EXPECT_EQ(views.hints, std::vector{UpdateHintType::Refresh});

    // "Annuler" changes nothing.
    const bool cancelled = doc.EditSessionParams(*s, [](SessionParamsEditModel& m) {
        m.SetText(SessionParamsFieldType::InstrumentName, u"Autre"_qs);
        return false;
    });
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(s->InstrumentName(), u"Chaudière"_qs);
}

} // namespace

#include "core/session/CRecSession.h"

#include "core/common/DurationFormat.h"
#include "core/common/LeadingNumber.h"
#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/common/TemperatureUnitSource.h"
#include "core/session/SessionFile.h"

#include <algorithm>
#include <cmath>

QString HeaderKeyText(HeaderKeyType key) {
    static constexpr const char16_t* kKeys[kHeaderKeyCount] = {
        u"AppName=",   u"GenBy=",       u"FVer=",         u"Model=",    u"SerNum=",
        u"VRef=",      u"MaxCnt=",      u"ZLevel=",       u"NumChans=", u"Ch1Gain=",
        u"Ch1Off=",    u"Ch1Rng=",      u"Ch1Mult=",      u"Start=",    u"End=",
        u"Per=",       u"Ch1LowScale=", u"Ch1HighScale=", u"Ch1Units=", u"TC_Type=",
        u"EnableCJC=", u"Polarity=",    u"FilterSize=",   u"RTDRef=",   u"RTDNom=",
    };
    return QString::fromUtf16(kKeys[static_cast<int>(key)]);
}

CRecSession::CRecSession(const TemperatureUnitSource* units) : units_(units), chanData_(units) {}

void CRecSession::SelectModel(int modelCode, int tcIndex) {
    modelCode_ = modelCode;
    row_ = FindModelEntry(modelCode, tcIndex);
    flags_ = KindFlags::Of(Entry().Kind);
    chanData_.SetModel(row_);
}

QString CRecSession::ModelName(bool eventForm) const {
    return ModelDisplayName(modelCode_, eventForm, polarity_);
}

void CRecSession::SetFigures(const SessionFigures& f) {
    figures_ = f;
    if (!SessionFigures::ApplyTo(flags_)) {
        figures_.limits = {};
        figures_.showMkt = false;
    }
}

bool CRecSession::UsesFahrenheit() const {
    return units_ && units_->UseFahrenheit();
}

void CRecSession::NormaliseDisplayUnits(const QString& proposed) {
    if (flags_.temperature)
        displayUnits_ = ResourceString(UsesFahrenheit() ? TextId::kFahrenheit : TextId::kCelsius);
    else if (proposed.isEmpty())
        displayUnits_ = storedUnits_;
    else
        displayUnits_ = proposed;
}

void CRecSession::UpdateStartTime() {
    // The records carry the start too: the graph and the events read their times from them.
    const int64_t recordStart = correctedStart_.ToLocalTimeStamp();
    chanData_.MoveRecordsTo(recordStart);
    startTime_ = recordStart + chanData_.FilterDelay();
    SetHeaderValue(HeaderKeyType::Start, FormatDateTimeText(correctedStart_));
}

void CRecSession::SetDuration(double seconds) {
    duration_ = std::max(0.0, seconds);
    durationSeconds_ = std::max(0, SaturatingRound(seconds));
    end_ = correctedStart_.AddSeconds(durationSeconds_);
    endText_ = FormatDateTimeText(end_);
    durationText_ = FormatSecondsClock(static_cast<quint32>(durationSeconds_)).Joined();
}

void CRecSession::SetStoragePeriodFromModel() {
    storagePeriod_ = std::max(1, SaturatingRound(Entry().SampleInterval));
    storagePeriodText_ =
        QStringLiteral("%1 %2")
            .arg(storagePeriod_)
            .arg(ResourceString(storagePeriod_ == 1 ? TextId::kSecond : TextId::kSeconds));
}

void CRecSession::SetTexts(const ParameterBlockFields& fields) {
    instrumentName_ = fields.instrumentName;
    sessionName_ = fields.sessionName;
    location_ = fields.location;
    reportHeader_ = fields.header;
    reportFooter_ = fields.footer;
    comments_ = fields.comments;
}

ConversionSettings CRecSession::Conversion() const {
    const ModelEntry& entry = Entry();
    return {.tcIndex = tcIndex_,
            .cjc = cjc_,
            .polarity = polarity_,
            .linear = flags_.linear,
            .rangeLow =
                static_cast<double>(LeadingInt(entry.RangeLow(), LeadingBlankType::SpaceOrTab)),
            .rangeHigh =
                static_cast<double>(LeadingInt(entry.RangeHigh(), LeadingBlankType::SpaceOrTab)),
            .scaleLow = lowScale_,
            .scaleHigh = highScale_,
            .filterSize = filterSize_};
}

void CRecSession::RecomputeValues() {
    chanData_.Recompute(flags_.analog);
    // A new filter size moves the first value, and with it the start time.
    UpdateStartTime();
}

#include "core/session/SessionParamsValues.h"

#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

#include <cstdlib>

namespace {
constexpr qint64 kStartToleranceMs = 500;
}

SessionParamsValues SessionParamsValues::Of(const CRecSession& s) {
    SessionParamsValues v;
    static_cast<ParameterBlockFields&>(v) = ParameterBlockFields::Of(s);
    return v;
}

bool SessionParamsValues::TextsDiffer(const SessionParamsValues& o) const {
    return instrumentName != o.instrumentName || location != o.location ||
           sessionName != o.sessionName || header != o.header || footer != o.footer ||
           comments != o.comments || units != o.units;
}

bool SessionParamsValues::ConversionDiffers(const SessionParamsValues& o) const {
    return lowScale != o.lowScale || highScale != o.highScale || tcIndex != o.tcIndex ||
           cjc != o.cjc || polarity != o.polarity || filterSize != o.filterSize;
}

qint64 SessionParamsValues::StartShiftMs(const SessionParamsValues& o) const {
    return correctedStart.SecondsSince(o.correctedStart) * 1000 +
           (correctedStartMs - o.correctedStartMs);
}

ApplyOutcome ApplySessionParams(CRecSession& s, const SessionParamsValues& before,
                                const SessionParamsValues& edited) {
    // The session keeps the texts as a save writes them, so that it equals its file.
    SessionParamsValues after = edited;
    after.KeepAsStored();
    ApplyOutcome result;
    if (after.TextsDiffer(before)) {
        s.SetTexts(after);
        s.NormaliseDisplayUnits(after.units);
        result.modified = true;
    }
    if (after.ConversionDiffers(before)) {
        s.SetScales(after.lowScale, after.highScale);
        s.SetCjc(after.cjc);
        s.SetPolarity(after.polarity);
        s.SetFilterSize(after.filterSize);
        if (after.tcIndex != before.tcIndex) {
            s.SetTcIndex(after.tcIndex);
            s.SelectModel(s.ModelCode(), after.tcIndex);
        }
        s.ChanData().SetConversion(s.Conversion());
        // The cold-junction switch changes every temperature too, so it reconverts as well.
        s.RecomputeValues();
        result.modified = result.recomputed = true;
    }
    if (std::llabs(after.StartShiftMs(before)) > kStartToleranceMs) {
        s.SetCorrectedStart(after.correctedStart);
        s.UpdateStartTime();
        s.SetDuration(s.ChanData().SampleSpan(false));
        result.modified = result.startMoved = true;
    }
    if (result.modified)
        s.SetModified(true);
    return result;
}

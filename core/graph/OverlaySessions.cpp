#include "core/graph/OverlaySessions.h"

#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/session/CRecSession.h"

#include <QFileInfo>
#include <array>

namespace {

bool HasValues(const CRecSession& session) {
    const CChanData& chan = session.ChanData();
    if (chan.ChannelCount() == 0)
        return false;
    const CChanRecordList& list = chan.Channel(0);
    for (int r = 0; r < list.RecordCount(); ++r)
        if (!list.Record(r).Values().empty())
            return true;
    return false;
}

std::optional<QString> RefusalOf(const CRecSession& session, const CRecSession& first) {
    if (session.Flags().event)
        return FormatResource(TextId::kOverlayEventSession, {OverlayName(session)});
    if (!HasValues(session))
        return FormatResource(TextId::kOverlayNoValues, {OverlayName(session)});
    if (session.DisplayUnits() != first.DisplayUnits())
        return FormatResource(TextId::kOverlayOtherUnit,
                              {OverlayName(session), session.DisplayUnits(), first.DisplayUnits()});
    return std::nullopt;
}

} // namespace

std::optional<QString> OverlayRefusal(const std::vector<const CRecSession*>& sessions) {
    if (sessions.size() < 2)
        return ResourceString(TextId::kOverlayTooFew);
    for (const CRecSession* s : sessions)
        if (std::optional<QString> refusal = RefusalOf(*s, *sessions.front()))
            return refusal;
    return std::nullopt;
}

std::vector<const CRecSession*> OverlayCandidates(const std::vector<CRecSession*>& open,
                                                  const CRecSession& reference) {
    std::vector<const CRecSession*> out;
    if (RefusalOf(reference, reference))
        return out;
    for (const CRecSession* s : open)
        if (s && !RefusalOf(*s, reference))
            out.push_back(s);
    return out;
}

ColorRef OverlayTraceColour(int index, ColorRef first) {
    // Colours told apart also by readers with the common colour-vision deficiencies.
    static constexpr std::array<ColorRef, 7> kOthers{
        MakeColorRef(0, 114, 178),   MakeColorRef(230, 159, 0),  MakeColorRef(0, 158, 115),
        MakeColorRef(204, 121, 167), MakeColorRef(86, 180, 233), MakeColorRef(213, 94, 0),
        MakeColorRef(128, 128, 128)};
    if (index <= 0)
        return first;
    int seen = 0;
    for (std::size_t k = 0;; ++k) {
        const ColorRef c = kOthers[k % kOthers.size()];
        // Past one round the colours repeat; only the first round avoids the first trace's.
        if (c == first && k < kOthers.size())
            continue;
        if (++seen == index)
            return c;
    }
}

QString OverlayName(const CRecSession& session) {
    if (!session.SessionName().trimmed().isEmpty())
        return session.SessionName().trimmed();
    return QFileInfo(session.Path()).completeBaseName();
}

QString OverlayStartText(const CRecSession& session) {
    return FormatShortDate(session.StartTime()) + u' ' + FormatTimeOfDay(session.StartTime(), 0);
}

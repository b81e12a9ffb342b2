#include "cli/SessionReport.h"

#include "JsonText.h"
#include "cli/ConsoleOutput.h"
#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueMarkers.h"
#include "core/export/DateTimeTextCache.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelStatistics.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionFigures.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionParams.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Field = std::pair<const char*, std::string>; // key, JSON value

void Print(std::FILE* out, const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), out);
}

std::string Text(const QString& s) {
    return PrintableText(s).toUtf8().toStdString();
}

// Readable form: one "key  value" line per field; JSON strings lose their quotes.
void PrintFields(std::FILE* out, const std::vector<Field>& fields, bool json,
                 const std::vector<QString>& plain) {
    if (json) {
        std::string s = "{";
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i)
                s += ", ";
            s += '"';
            s += fields[i].first;
            s += "\": ";
            s += fields[i].second;
        }
        s += "}\n";
        Print(out, s);
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        std::fprintf(out, "%-22s %s\n", fields[i].first, Text(plain[i]).c_str());
}

// The state a script reads, the same in every language: "value" for a measurement.
const char* StatusKeyword(double v) {
    const char* marker = MarkerKeyword(v);
    return marker ? marker : "value";
}

const char* StatusKeyword(ValueStatusType status) {
    switch (status) {
    case ValueStatusType::NoValue:
        return "no_value";
    case ValueStatusType::UnderRange:
        return "under_range";
    case ValueStatusType::OverRange:
        return "over_range";
    case ValueStatusType::Valid:
        break;
    }
    return "value";
}

// A figure as a number when it is one, null when its status stands instead.
std::string FigureNumber(const StatValue& v) {
    return v.status == ValueStatusType::Valid ? JsonText::Number(v.value) : std::string("null");
}

// ISO 8601 with the UTC offset of a local wall-clock time; null when it is not one.
std::string IsoOf(const CalendarDateTime& local, DateTimeTextCache& times) {
    if (!local.valid)
        return "null";
    return '"' + times.IsoAt(local.ToLocalTimeStamp(), 0) + '"';
}

const char* StateName(double v) {
    if (v == OverRangeValue)
        return "over";
    if (v == UnderRangeValue)
        return "under";
    if (v == NoValue)
        return "none";
    return "value";
}

} // namespace

void SessionReport::Info() const {
    const CRecSession& s = session_;
    const CChanData& d = s.ChanData();
    std::vector<Field> f;
    std::vector<QString> plain;
    const auto add = [&](const char* key, std::string json, QString text) {
        f.emplace_back(key, std::move(json));
        plain.push_back(std::move(text));
    };
    const auto addText = [&](const char* key, const QString& text) {
        add(key, JsonText::String(text), text);
    };
    const auto addInt = [&](const char* key, int64_t v) {
        add(key, JsonText::Number(v), QString::number(v));
    };
    const auto addBool = [&](const char* key, bool v) {
        add(key, JsonText::Bool(v), ResourceString(v ? TextId::kCliYes : TextId::kNo));
    };
    const auto addNumber = [&](const char* key, double v) {
        add(key, JsonText::Number(v), QString::fromStdString(JsonText::Number(v)));
    };
    addInt("model_code", s.ModelCode());
    addText("model_name", s.ModelName(true));
    addText("channel_name", s.ChannelName());
    addText("instrument_name", s.InstrumentName());
    addText("session_name", s.SessionName());
    addText("serial", s.SerialNumber());
    addText("generated_by", s.IsInstrumentFile() ? QStringLiteral("Inst") : QStringLiteral("VXCP"));
    addInt("header_size", s.HeaderSize());
    addText("start", s.HeaderValue(HeaderKeyType::Start));
    addText("end", s.EndText());
    addNumber("duration_s", s.Duration());
    addText("duration_text", s.DurationText());
    addInt("period_s", s.StoragePeriod());
    addText("period_text", s.StoragePeriodText());
    addText("units", s.DisplayUnits());
    addInt("filter_size", s.FilterSize());
    addNumber("low_scale", s.LowScale());
    addNumber("high_scale", s.HighScale());
    addText("tc_type", TcIndexToLetter(s.TcIndex()));
    addBool("cjc", s.Cjc());
    addBool("polarity", s.Polarity());
    addBool("recording_in_progress", s.RecordingInProgress());
    addInt("value_count", d.ValueCount());
    addInt("event_count", static_cast<int64_t>(d.Events().size()));
    if (json_) {
        DateTimeTextCache times;
        add("start_iso", IsoOf(s.CorrectedStart(), times), QString());
        add("end_iso", IsoOf(s.End(), times), QString());
    }
    PrintFields(out_, f, json_, plain);
}

void SessionReport::Values() const {
    const CChanData& d = session_.ChanData();
    const QString& units = session_.DisplayUnits();
    const int count = d.ValueCount();
    DateTimeTextCache times;
    if (json_)
        Print(out_, "{\"unit\": " + JsonText::String(units) + ", \"values\": [");
    std::string line;
    int index = 0;
    for (int ri = 0; d.ChannelCount() > 0 && ri < d.Channel(0).RecordCount(); ++ri) {
        for (const double v : d.Channel(0).Record(ri).Values()) {
            const ValueStamp when = d.ValueStampAt(index);
            const QString text = ChannelTexts(d).ValueText(v, units);
            if (json_) {
                line = index ? ",\n  " : "\n  ";
                line += "{\"i\": " + JsonText::Number(int64_t{index});
                line += ", \"t\": " + JsonText::Number(when.InSeconds());
                line += ", \"v\": ";
                line += IsValueMarker(v) ? std::string("null") : JsonText::Number(v);
                line += ", \"state\": \"";
                line += StateName(v);
                line += "\", \"status\": \"";
                line += StatusKeyword(v);
                line += "\", \"iso\": \"" + times.IsoAt(when.seconds, when.ms);
                line += "\", \"text\": " + JsonText::String(text) + "}";
            } else {
                const DateAndTimeText texts = FormatDateAndTime(when.seconds, when.ms);
                line = std::to_string(index) + '\t' + Text(texts.date) + '\t' + Text(texts.time) +
                       '\t' + Text(text) + '\n';
            }
            Print(out_, line);
            ++index;
        }
    }
    if (json_)
        Print(out_, count ? "\n]}\n" : "]}\n");
}

void SessionReport::AddFigureNumbers(const RangeStatisticsValues& v,
                                     std::vector<std::pair<const char*, std::string>>& f) const {
    f.emplace_back("unit", JsonText::String(session_.DisplayUnits()));
    const std::pair<const char*, const char*> keys[] = {{"min_value", "min_status"},
                                                        {"max_value", "max_status"},
                                                        {"avg_value", "avg_status"},
                                                        {"last_value", "last_status"},
                                                        {"total_value", "total_status"}};
    const StatValue figures[] = {v.min, v.max, v.avg, v.last, v.total};
    for (std::size_t i = 0; i < std::size(figures); ++i) {
        f.emplace_back(keys[i].first, FigureNumber(figures[i]));
        f.emplace_back(keys[i].second, std::string("\"") + StatusKeyword(figures[i].status) + '"');
    }
    if (session_.Flags().event) {
        f.emplace_back("event_total_s", JsonText::Number(v.eventTotalSeconds));
        f.emplace_back("event_total_status", v.eventTotalSeconds == 0.0 ? "\"off\"" : "\"value\"");
    }
}

void SessionReport::Statistics(int first, int last) const {
    const CChanData& d = session_.ChanData();
    const bool window = first >= 0 || last >= 0;
    const RangeStatisticsTexts t = ChannelTexts(d).RangeStatistics(window, first < 0 ? 0 : first,
                                                                   last, session_.DisplayUnits());
    const std::vector<QString> plain = {t.min, t.max, t.avg, t.last, t.total, t.eventTotal};
    static constexpr const char* kKeys[] = {"min", "max", "avg", "last", "total", "event_total"};
    std::vector<Field> f;
    for (std::size_t i = 0; i < plain.size(); ++i)
        f.emplace_back(kKeys[i], JsonText::String(plain[i]));
    std::vector<QString> shown = plain;
    const std::span<const double> values = WindowValues(d, window, first < 0 ? 0 : first, last);
    const SessionFigures& figures = session_.Figures();
    if (const std::optional<LimitStatistics> l = figures.LimitsOver(d, values)) {
        f.emplace_back("time_above_s", JsonText::Number(l->timeAboveSeconds));
        f.emplace_back("time_below_s", JsonText::Number(l->timeBelowSeconds));
        f.emplace_back("excursions", JsonText::Number(l->excursions));
        shown.push_back(SessionFigureTexts::Duration(l->timeAboveSeconds));
        shown.push_back(SessionFigureTexts::Duration(l->timeBelowSeconds));
        shown.push_back(QString::number(l->excursions));
    }
    if (session_.Flags().temperature) {
        const std::optional<double> mkt = figures.MktOver(d, values);
        f.emplace_back("mkt", mkt ? JsonText::Number(*mkt) : std::string("null"));
        shown.push_back(SessionFigureTexts::Mkt(session_, mkt));
    }
    if (json_)
        AddFigureNumbers(RangeStatisticsOf(d, window, first < 0 ? 0 : first, last), f);
    PrintFields(out_, f, json_, shown);
}

void SessionReport::Events() const {
    const CChanData& d = session_.ChanData();
    DateTimeTextCache times;
    if (json_)
        Print(out_, "{\"events\": [");
    std::string line;
    const auto& events = d.Events();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const SessionEvent& e = events[i];
        const int row = static_cast<int>(i);
        const QString date = ChannelTexts(d).EventCellText(row, 0);
        const QString time = ChannelTexts(d).EventCellText(row, 1);
        const QString length = ChannelTexts(d).EventCellText(row, 2);
        if (json_) {
            line = i ? ",\n  " : "\n  ";
            line += "{\"start\": " + JsonText::Number(e.startSeconds);
            line += ", \"start_ms\": " + JsonText::Number(int64_t{e.startMs});
            line += ", \"length\": " + JsonText::Number(e.lengthSeconds);
            line += ", \"length_ms\": " + JsonText::Number(int64_t{e.lengthMs});
            line += ", \"date\": " + JsonText::String(date);
            line += ", \"time\": " + JsonText::String(time);
            line += ", \"length_text\": " + JsonText::String(length);
            line += ", \"start_iso\": \"" + times.IsoAt(e.startSeconds, e.startMs);
            line += "\", \"length_s\": " + JsonText::Number(e.LengthInSeconds()) + "}";
        } else {
            line = Text(date) + '\t' + Text(time) + '\t' + Text(length) + '\n';
        }
        Print(out_, line);
    }
    if (json_)
        Print(out_, events.empty() ? "]}\n" : "\n]}\n");
}

void SessionReport::Params() const {
    const std::vector<SessionParamsRow> rows = BuildSessionParams(session_);
    if (json_) {
        std::string s = "{\"rows\": [";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            s += i ? ",\n  " : "\n  ";
            s += "{\"label\": " + JsonText::String(rows[i].label);
            s += ", \"value\": " + JsonText::String(rows[i].value);
            s += ", \"header\": " + JsonText::Bool(rows[i].header) + "}";
        }
        s += rows.empty() ? "]}\n" : "\n]}\n";
        Print(out_, s);
        return;
    }
    // Group titles at the margin, their rows indented in two aligned columns.
    qsizetype width = 0;
    for (const SessionParamsRow& r : rows)
        if (!r.header)
            width = std::max(width, r.label.size());
    for (const SessionParamsRow& r : rows) {
        if (r.IsBlank())
            Print(out_, "\n");
        else if (r.header)
            Print(out_, Text(r.label) + "\n");
        else
            Print(out_, "  " + Text(r.label.leftJustified(width)) + "  " + Text(r.value) + "\n");
    }
}

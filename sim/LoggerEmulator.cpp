#include "sim/LoggerEmulator.h"

#include "core/common/CalendarDateTime.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFile.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char kTcLetters[] = "JKTNERSB";
constexpr qint64 kEraseBaseMs = 2000;
constexpr qint64 kEraseFullMemoryExtraMs = 2000;

QByteArray Printable(const QString& text, int limit) {
    QByteArray out;
    for (const QChar c : text) {
        if (out.size() >= limit)
            break;
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            out.append(static_cast<char>(c.unicode()));
    }
    return out;
}

QByteArray DateText(qint64 instrumentSeconds) {
    return FormatDateTimeText(CalendarOfInstrumentSeconds(instrumentSeconds)).toLatin1();
}

QByteArray Number(double v) {
    return QByteArray::number(v, 'g', 10);
}

class IniText {
public:
    IniText& Add(const char* key, const QByteArray& value) {
        text_.append(key).append(value).append("\r\n");
        return *this;
    }
    IniText& Add(const char* key, qint64 value) { return Add(key, QByteArray::number(value)); }
    QByteArray Take() { return std::move(text_); }

private:
    QByteArray text_;
};

std::optional<float> ScaleField(const std::uint8_t* field) {
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(field), 8);
    for (const QChar c : text)
        if (!c.isDigit() && !(c.toUpper() >= u'A' && c.toUpper() <= u'F'))
            return std::nullopt;
    return DecodeScaleText(text, QString());
}

std::optional<bool> FlagByte(std::uint8_t b) {
    if (b == '1')
        return true;
    if (b == '0')
        return false;
    return std::nullopt;
}

} // namespace

LoggerSettings DemoLoggerSettings(int modelCode) {
    LoggerSettings settings;
    settings.modelCode = modelCode;
    settings.demoRecordingSeconds = kDemoRecordingSeconds;
    return settings;
}

LoggerEmulator::LoggerEmulator(const Clock& clock, const LoggerSettings& settings)
    : settings_(settings), clock_(clock, settings.speed),
      signals_(settings.modelCode, qHash(settings.serialNumber)),
      converter_(ConverterConstants::ForModel(settings.modelCode)),
      memory_(std::max<qint64>(settings.memorySize, 0)) {
    settings_.serialNumber = QString::fromLatin1(Printable(settings.serialNumber, 16));
    settings_.firmwareVersion = QString::fromLatin1(Printable(settings.firmwareVersion, 16));
    const ModelEntry& e = ModelTableRow(FindModelEntry(settings.modelCode, config_.tcIndex));
    config_.lowScale = e.RangeLow().toFloat();
    config_.highScale = e.RangeHigh().toFloat();
    config_.units = e.UnitText().trimmed();
    clock_.Sample();
    if (settings.faults.stallClock)
        clock_.Stall();
    recStartSeconds_ = recEndSeconds_ = clock_.InstrumentSeconds();
    if (settings.demoRecordingSeconds > 0)
        RecordPast(settings.demoRecordingSeconds);
}

// The recording a logger would hold had it been started `durationSeconds` ago for that long.
void LoggerEmulator::RecordPast(qint64 durationSeconds) {
    recStartSeconds_ = clock_.InstrumentSeconds() - durationSeconds;
    recDurationSeconds_ = durationSeconds;
    BeginRecording(clock_.ElapsedMs() - durationSeconds * 1000);
}

void LoggerEmulator::Advance() {
    clock_.Sample();
    Progress();
}

void LoggerEmulator::Progress() {
    if (erase_ && !settings_.faults.eraseNeverEnds &&
        clock_.RealMs() - erase_->startRealMs >= erase_->durationMs) {
        erase_.reset();
        memory_.Clear();
        phase_ = RecordingPhaseType::Idle;
        recDurationSeconds_ = 0;
    }
    if (phase_ == RecordingPhaseType::Waiting) {
        const qint64 late = clock_.InstrumentMs() - recStartSeconds_ * 1000;
        if (late >= 0)
            BeginRecording(clock_.ElapsedMs() - late);
    }
    if (phase_ == RecordingPhaseType::Recording)
        TakeDueSamples();
}

qint64 LoggerEmulator::SampleIntervalMs() const {
    if (settings_.modelCode == kEventModelCode)
        return 1000; // one word of 16 states per second
    const double interval = ModelTableRow(FindModelEntry(settings_.modelCode, 0)).SampleInterval;
    return std::max<qint64>(1, qRound64(interval * 1000.0));
}

bool LoggerEmulator::CanStartRecording() const {
    return !erase_ && !flash_.Active() && memory_.Used() == 0 &&
           phase_ != RecordingPhaseType::Recording;
}

QByteArray LoggerEmulator::HeaderText() const {
    const ModelEntry& e = ModelTableRow(FindModelEntry(settings_.modelCode, config_.tcIndex));
    IniText t;
    t.Add("AppName=", "VX.exe")
        .Add("GenBy=", "Inst")
        .Add("FVer=", settings_.firmwareVersion.toLatin1())
        .Add("Model=", settings_.modelCode)
        .Add("SerNum=", settings_.serialNumber.toLatin1())
        .Add("VRef=", Number(converter_.referenceVolts))
        .Add("MaxCnt=", converter_.fullScaleCount)
        .Add("ZLevel=", 0)
        .Add("NumChans=", 1)
        .Add("Ch1Gain=", 1)
        .Add("Ch1Off=", 0)
        .Add("Ch1Rng=", e.RangeCode)
        .Add("Ch1Mult=", Number(converter_.multiplier))
        .Add("Start=", DateText(recStartSeconds_))
        .Add("End=", DateText(recEndSeconds_))
        .Add("Per=", std::max<qint64>(1, SampleIntervalMs() / 1000))
        .Add("Ch1LowScale=", EncodeScaleText(config_.lowScale).toLatin1())
        .Add("Ch1HighScale=", EncodeScaleText(config_.highScale).toLatin1())
        .Add("Ch1Units=", config_.units.toLatin1())
        .Add("TC_Type=", QByteArray(1, kTcLetters[config_.tcIndex]))
        .Add("EnableCJC=", config_.cjc ? 1 : 0)
        .Add("Polarity=", config_.polarity ? 1 : 0)
        .Add("FilterSize=", config_.filterSize)
        .Add("RTDRef=", Number(converter_.rtdReferenceOhms))
        .Add("RTDNom=", Number(converter_.rtdNominalOhms));
    return t.Take();
}

void LoggerEmulator::BeginRecording(qint64 startElapsedMs) {
    const qint64 interval = SampleIntervalMs();
    const int countsPerSample = settings_.modelCode == kThermocoupleModelCode ? 2 : 1;
    // The header carries the planned end, so its size is known before the memory is.
    RecordingMemory probe(memory_.Size());
    probe.Begin(HeaderText(), countsPerSample);
    qint64 limit = probe.SampleCapacity();
    if (recDurationSeconds_ > 0)
        limit = std::min(limit, (recDurationSeconds_ * 1000 + interval - 1) / interval);
    recEndSeconds_ = recStartSeconds_ +
                     (recDurationSeconds_ > 0 ? recDurationSeconds_ : limit * interval / 1000);
    if (!memory_.Begin(HeaderText(), countsPerSample)) {
        phase_ = RecordingPhaseType::Idle;
        return;
    }
    sampleLimit_ = limit;
    recStartElapsedMs_ = startElapsedMs;
    phase_ = RecordingPhaseType::Recording;
    TakeDueSamples();
}

void LoggerEmulator::TakeDueSamples() {
    const qint64 interval = SampleIntervalMs();
    const qint64 elapsed = clock_.ElapsedMs() - recStartElapsedMs_;
    if (elapsed < 0)
        return;
    const qint64 due = std::min(sampleLimit_, elapsed / interval + 1);
    const bool thermocouple = settings_.modelCode == kThermocoupleModelCode;
    while (memory_.SampleCount() < due) {
        const qint64 ms = recStartSeconds_ * 1000 + memory_.SampleCount() * interval;
        const std::array<std::int16_t, 2> counts = {signals_.ChannelCount(ms, config_.tcIndex),
                                                    thermocouple ? signals_.ColdJunctionCount(ms)
                                                                 : std::int16_t{0}};
        if (!memory_.Append(counts.data()))
            break;
    }
    qint64 stopAfterMs = sampleLimit_ * interval;
    if (recDurationSeconds_ > 0)
        stopAfterMs = std::min(stopAfterMs, recDurationSeconds_ * 1000);
    if (elapsed >= stopAfterMs || memory_.Full())
        FinishRecording(recStartSeconds_ + std::min(elapsed, stopAfterMs) / 1000);
}

void LoggerEmulator::FinishRecording(qint64 endInstrumentSeconds) {
    phase_ = RecordingPhaseType::Finished;
    recEndSeconds_ = endInstrumentSeconds;
}

int LoggerEmulator::RecordingState() const {
    switch (phase_) {
    case RecordingPhaseType::Recording:
        return 1;
    // A schedule waiting for its start counts as recording, so that it can be cancelled.
    case RecordingPhaseType::Waiting:
        return 2;
    default:
        return 0;
    }
}

qint64 LoggerEmulator::MemoryUsed() const {
    if (!erase_)
        return memory_.Used();
    const qint64 done =
        std::clamp<qint64>(clock_.RealMs() - erase_->startRealMs, 0, erase_->durationMs);
    return erase_->usedAtStart -
           erase_->usedAtStart * done / std::max<qint64>(1, erase_->durationMs);
}

CommandOutcomeType LoggerEmulator::HandleCommand(const std::uint8_t* block) {
    const auto command = DecodeCommandBlock(block);
    return command ? Act(*command) : CommandOutcomeType::Invalid;
}

ReceivedCommand LoggerEmulator::ReceiveBlock(const std::uint8_t* block) {
    Advance();
    return {block[2], HandleCommand(block)};
}

CommandOutcomeType LoggerEmulator::Act(const CommandBlockView& c) {
    using Code = LoggerCommandCodeType;
    const std::uint8_t* p = c.payload;
    if (flash_.Active() && c.code != Code::WriteCodePage && c.code != Code::EndFlashMode &&
        c.code != Code::EnterFlashMode)
        return CommandOutcomeType::Refused;
    switch (c.code) {
    case Code::SetClock:
        clock_.SetInstrumentSeconds(ReadBigEndian(p, 4));
        return CommandOutcomeType::Done;
    case Code::EraseMemory:
        return StartErase();
    case Code::StartRecording:
        if (!CanStartRecording())
            return CommandOutcomeType::Refused;
        return Schedule(clock_.InstrumentSeconds(), 0);
    case Code::ScheduleRecording:
        if (!CanStartRecording())
            return CommandOutcomeType::Refused;
        return Schedule(ReadBigEndian(p, 4), ReadBigEndian(p + 4, 4));
    case Code::StopRecording:
        if (phase_ == RecordingPhaseType::Recording) {
            FinishRecording(clock_.InstrumentSeconds());
        } else if (phase_ == RecordingPhaseType::Waiting) {
            phase_ = RecordingPhaseType::Idle;
            recDurationSeconds_ = 0;
        } else {
            return CommandOutcomeType::Refused;
        }
        return CommandOutcomeType::Done;
    case Code::SetScalesAndUnits:
        return SetScalesAndUnits(p);
    case Code::SetThermocouple: {
        const auto* letter =
            p[0] != 0 ? static_cast<const char*>(std::memchr(kTcLetters, p[0], 8)) : nullptr;
        const auto cjc = FlagByte(p[1]);
        if (letter == nullptr || !cjc)
            return CommandOutcomeType::Refused;
        config_.tcIndex = static_cast<int>(letter - kTcLetters);
        config_.cjc = *cjc;
        return CommandOutcomeType::Done;
    }
    case Code::SetFilterSize:
        if (p[0] == 0)
            return CommandOutcomeType::Refused;
        config_.filterSize = p[0];
        return CommandOutcomeType::Done;
    case Code::SetPolarity: {
        const auto on = FlagByte(p[0]);
        if (!on)
            return CommandOutcomeType::Refused;
        config_.polarity = *on;
        return CommandOutcomeType::Done;
    }
    case Code::EnterFlashMode:
        if (erase_)
            return CommandOutcomeType::Refused;
        if (phase_ == RecordingPhaseType::Recording)
            FinishRecording(clock_.InstrumentSeconds());
        else if (phase_ == RecordingPhaseType::Waiting)
            phase_ = RecordingPhaseType::Idle;
        flash_.Enter();
        return CommandOutcomeType::Done;
    case Code::WriteCodePage:
        if (settings_.faults.noAcks)
            return CommandOutcomeType::Refused;
        flash_.SetAckDelayMs(settings_.faults.ackDelayMs);
        return flash_.WritePage(ReadBigEndian(p, 3), p + 3, clock_.RealMs())
                   ? CommandOutcomeType::Done
                   : CommandOutcomeType::Refused;
    case Code::EndFlashMode:
        if (!flash_.Active())
            return CommandOutcomeType::Refused;
        flash_.End();
        return CommandOutcomeType::Done;
    }
    return CommandOutcomeType::Refused;
}

CommandOutcomeType LoggerEmulator::Schedule(qint64 startSeconds, qint64 durationSeconds) {
    // A start already past means now: the logger cannot record its own past.
    recStartSeconds_ = std::max(startSeconds, clock_.InstrumentSeconds());
    recDurationSeconds_ = durationSeconds;
    recEndSeconds_ = recStartSeconds_ + durationSeconds;
    phase_ = RecordingPhaseType::Waiting;
    Progress();
    return CommandOutcomeType::Done;
}

CommandOutcomeType LoggerEmulator::StartErase() {
    if (erase_ || phase_ == RecordingPhaseType::Recording || phase_ == RecordingPhaseType::Waiting)
        return CommandOutcomeType::Refused;
    const qint64 used = memory_.Used();
    const qint64 size = std::max<qint64>(1, memory_.Size());
    erase_ = EraseJob{clock_.RealMs(), kEraseBaseMs + kEraseFullMemoryExtraMs * used / size, used};
    return CommandOutcomeType::Done;
}

CommandOutcomeType LoggerEmulator::SetScalesAndUnits(const std::uint8_t* p) {
    const auto low = ScaleField(p);
    const auto high = ScaleField(p + 8);
    if (!low || !high)
        return CommandOutcomeType::Refused;
    QString units;
    for (int i = 0; i < 4 && p[16 + i] != 0; ++i) {
        if (p[16 + i] < 0x20 || p[16 + i] >= 0x7F)
            return CommandOutcomeType::Refused;
        units.append(QChar(p[16 + i]));
    }
    config_.lowScale = *low;
    config_.highScale = *high;
    config_.units = units;
    return CommandOutcomeType::Done;
}

QByteArray LoggerEmulator::StatusText() const {
    if (settings_.faults.garbageStatus)
        return GarbageStatusText();
    const qint64 ms = clock_.InstrumentSeconds() * 1000;
    const int tc = config_.tcIndex;
    const bool rtdModel = settings_.modelCode == 7;
    const qint64 channel = settings_.modelCode == kEventModelCode
                               ? qint64{signals_.EventWord(ms / 1000)}
                               : qint64{signals_.ChannelCount(ms, tc)};
    IniText t;
    t.Add("Model=", settings_.modelCode)
        .Add("SerNum=", settings_.serialNumber.toLatin1())
        .Add("Version=", settings_.firmwareVersion.toLatin1())
        .Add("MemSize=", memory_.Size())
        .Add("MemUsed=", MemoryUsed())
        .Add("MemErase=", erase_ ? 1 : 0)
        .Add("RecordingState=", RecordingState())
        .Add("RecStart=", DateText(recStartSeconds_))
        .Add("RecEnd=", DateText(recEndSeconds_))
        .Add("RecDur=", recDurationSeconds_)
        .Add("Time=", DateText(clock_.InstrumentSeconds()))
        .Add("VRef=", Number(converter_.referenceVolts))
        .Add("MaxCnt=", converter_.fullScaleCount)
        .Add("RTDRef=", Number(converter_.rtdReferenceOhms))
        .Add("RTDNom=", Number(converter_.rtdNominalOhms))
        .Add("RTDCnt=", rtdModel ? signals_.ChannelCount(ms, tc) : signals_.ColdJunctionCount(ms))
        .Add("Chan1Mult=", Number(converter_.multiplier))
        .Add("Chan1Cnt=", channel)
        .Add("BatCnt=", signals_.BatteryCount(ms))
        .Add("CodePageSize=", FlashProgrammer::kPageSize)
        .Add("NumCodePages=", FlashProgrammer::kPageCount)
        .Add("FlashUpState=", flash_.Active() ? 1 : 0);
    return t.Take();
}

QByteArray LoggerEmulator::ConfigText() const {
    IniText t;
    t.Add("Chan1LowScale=", EncodeScaleText(config_.lowScale).toLatin1())
        .Add("Chan1HighScale=", EncodeScaleText(config_.highScale).toLatin1())
        .Add("Chan1Units=", config_.units.toLatin1())
        .Add("TC_Type=", QByteArray(1, kTcLetters[config_.tcIndex]))
        .Add("EnableCJC=", config_.cjc ? 1 : 0)
        .Add("Polarity=", config_.polarity ? 1 : 0)
        .Add("FilterSize=", config_.filterSize)
        .Add("Time=", DateText(clock_.InstrumentSeconds()));
    return t.Take();
}

QByteArray LoggerEmulator::ControlReadBack() const {
    return flash_.Active() ? flash_.AcknowledgementMap(clock_.RealMs())
                           : QByteArray(FlashProgrammer::kMapSize, '\0');
}

qint64 LoggerEmulator::ReadRecord(qint64 offset, char* buffer, qint64 size) const {
    return memory_.Read(offset, buffer, size);
}

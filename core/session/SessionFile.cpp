#include "core/session/SessionFile.h"

#include "core/common/LeadingNumber.h"
#include "core/common/StringTable.h"
#include "core/session/CRecSession.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr char16_t kThermocoupleLetters[] = u"JKTNERSB";

QString ValueAfterKey(const QString& text, const QString& key, bool* found) {
    const qsizetype at = text.indexOf(key);
    if (found)
        *found = at >= 0;
    if (at < 0 || key.isEmpty())
        return QString();
    const qsizetype start = at + key.size();
    qsizetype end = start;
    while (end < text.size()) {
        const char16_t c = text[end].unicode();
        if (c == 0 || c == u'\r' || c == u'\n')
            break;
        ++end;
    }
    return text.mid(start, end - start);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// Bytes past the end of the image read as zero.
struct ImageView {
    const char* bytes;
    qint64 length;

    uint8_t At(qint64 i) const { return i >= 0 && i < length ? static_cast<uint8_t>(bytes[i]) : 0; }
    QByteArray Copy(qint64 offset, qint64 size) const {
        QByteArray out(size, '\0');
        const qint64 available = std::clamp<qint64>(length - offset, 0, size);
        if (available > 0)
            std::memcpy(out.data(), bytes + offset, static_cast<std::size_t>(available));
        return out;
    }
};

QString ParameterBlockText(const ImageView& image, qint64 offset) {
    QString text;
    text.reserve(kParameterBlockChars);
    for (int i = 0; i < kParameterBlockChars; ++i) {
        const qint64 at = offset + 2 * i;
        if (at >= image.length)
            break;
        const char16_t c = static_cast<char16_t>(image.At(at) | (image.At(at + 1) << 8));
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

int16_t SampleAt(const QByteArray& data, qint64 offset) {
    const auto byte = [&](qint64 i) -> uint8_t {
        return i < data.size() ? static_cast<uint8_t>(data[i]) : 0;
    };
    return static_cast<int16_t>(byte(offset) | (byte(offset + 1) << 8));
}

uint16_t BlockCount(const QByteArray& data, qint64 blockOffset) {
    return static_cast<uint16_t>(SampleAt(data, blockOffset + 4));
}

void ReplaceGenByInst(QByteArray& header) {
    static const QByteArray kKey = QByteArrayLiteral("GenBy=");
    const qsizetype at = header.indexOf(kKey);
    if (at < 0 || at + kKey.size() + 4 > header.size())
        return;
    char* value = header.data() + at + kKey.size();
    if (QByteArray(value, 4).compare("Inst", Qt::CaseInsensitive) == 0)
        std::memcpy(value, "VXCP", 4);
}

// A line break would end the value on reading; each one, CR LF included, becomes one space.
QString SingleLine(QString text, qsizetype limit) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n' || c == QChar(0))
            c = u' ';
    if (text.size() > limit) {
        qsizetype cut = limit;
        if (cut > 0 && text[cut - 1].isHighSurrogate())
            --cut;
        text.truncate(cut);
    }
    return text;
}

int FileInt(const QString& text) {
    return LeadingInt(text, LeadingBlankType::SpaceOrTab);
}

QString FlagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

using Fields = ParameterBlockFields;
using Reading = ParameterBlockReading;
using Defaults = ParameterBlockDefaults;

// One key of the parameter block: how its value is written and how it is read back.
struct ParameterKey {
    const char16_t* key;
    QString (*write)(const Fields&);
    void (*read)(Reading&, const QString&, const Defaults&);
};

template <QString Fields::*field> QString WriteText(const Fields& f) {
    return f.*field;
}

template <QString Fields::*field> void ReadText(Reading& r, const QString& value, const Defaults&) {
    r.fields.*field = value;
}

// In the order they are written. A key the block lacks reads as an empty value.
constexpr ParameterKey kParameterKeys[] = {
    {u"RecordingInProgress=", [](const Fields& f) { return FlagText(f.recordingInProgress); },
     [](Reading& r, const QString& v, const Defaults&) {
         r.fields.recordingInProgress = v != u"0";
     }},
    {u"InstName=", WriteText<&Fields::instrumentName>, ReadText<&Fields::instrumentName>},
    {u"SessionName=", WriteText<&Fields::sessionName>, ReadText<&Fields::sessionName>},
    {u"Location=", WriteText<&Fields::location>, ReadText<&Fields::location>},
    {u"Header=", WriteText<&Fields::header>, ReadText<&Fields::header>},
    {u"Footer=", WriteText<&Fields::footer>, ReadText<&Fields::footer>},
    {u"Comments=", WriteText<&Fields::comments>, ReadText<&Fields::comments>},
    {u"CorrectedStartTime=", [](const Fields& f) { return FormatDateTimeText(f.correctedStart); },
     [](Reading& r, const QString& v, const Defaults& d) {
         // A block that lost its start leaves the one the logger wrote in the header; a start
         // it does hold is the user's correction and decides.
         r.startText = v.trimmed().isEmpty() ? d.start : v;
         r.fields.correctedStart = ParseDateTimeText(r.startText);
     }},
    {u"Ch1LowScale=", [](const Fields& f) { return EncodeScaleText(f.lowScale); },
     [](Reading& r, const QString& v, const Defaults& d) {
         r.fields.lowScale = DecodeScaleText(v, d.rangeLow);
     }},
    {u"Ch1HighScale=", [](const Fields& f) { return EncodeScaleText(f.highScale); },
     [](Reading& r, const QString& v, const Defaults& d) {
         r.fields.highScale = DecodeScaleText(v, d.rangeHigh);
     }},
    {u"Ch1Units=", WriteText<&Fields::units>, ReadText<&Fields::units>},
    {u"TC_Type=", [](const Fields& f) { return TcIndexToLetter(f.tcIndex); },
     [](Reading& r, const QString& v, const Defaults&) { r.fields.tcIndex = TcLetterToIndex(v); }},
    {u"EnableCJC=", [](const Fields& f) { return FlagText(f.cjc); },
     [](Reading& r, const QString& v, const Defaults&) { r.fields.cjc = FileInt(v) != 0; }},
    {u"Polarity=", [](const Fields& f) { return FlagText(f.polarity); },
     [](Reading& r, const QString& v, const Defaults&) { r.fields.polarity = FileInt(v) != 0; }},
    {u"FilterSize=", [](const Fields& f) { return QString::number(f.filterSize); },
     [](Reading& r, const QString& v, const Defaults&) {
         r.fields.filterSize = std::max(1, FileInt(v));
     }},
};

// What a header says, parsed before the session is touched.
struct SessionHeaderFields {
    std::array<QString, kHeaderKeyCount> values;
    int size = 0;
    bool instrumentFile = false;
    int modelCode = 0;
    int tcIndex = 0;
    double fullScale = 4096.0;
    double rtdReference = 4750.0;
    double rtdNominal = 1000.0;
    double countScale = 0.0;

    const QString& Value(HeaderKeyType key) const { return values[static_cast<std::size_t>(key)]; }
};

SessionHeaderFields ParseHeader(const char* bytes, qint64 length) {
    SessionHeaderFields h;
    const qint64 textLength = HeaderTextLength(bytes, length);
    const QString text = QString::fromLatin1(bytes, textLength);
    for (int k = 0; k < kHeaderKeyCount; ++k)
        h.values[static_cast<std::size_t>(k)] =
            FindHeaderValue(text, HeaderKeyText(static_cast<HeaderKeyType>(k)));
    h.size = HeaderSizeFor(textLength);
    h.instrumentFile =
        h.Value(HeaderKeyType::GenBy).compare(QStringLiteral("Inst"), Qt::CaseInsensitive) == 0;
    h.modelCode = FileInt(h.Value(HeaderKeyType::Model));
    h.tcIndex = TcLetterToIndex(h.Value(HeaderKeyType::TcType));
    const auto number = [&h](HeaderKeyType key, double fallback) {
        return h.Value(key).isEmpty() ? fallback : ParseLocalNumber(h.Value(key));
    };
    h.fullScale = number(HeaderKeyType::MaxCnt, h.fullScale);
    h.rtdReference = number(HeaderKeyType::RtdRef, h.rtdReference);
    h.rtdNominal = number(HeaderKeyType::RtdNom, h.rtdNominal);
    // A zero full-scale count leaves no way to convert a count: every value is "no value".
    h.countScale = h.fullScale == 0.0
                       ? std::nan("")
                       : ParseLocalNumber(h.Value(HeaderKeyType::Ch1Mult)) *
                             ParseLocalNumber(h.Value(HeaderKeyType::VRef)) / h.fullScale;
    return h;
}

// A logger's own file has no parameter block: its header holds the channel's settings, and the
// session is named after the logger and the file.
ParameterBlockFields LoggerFileFields(const SessionHeaderFields& h, const ModelEntry& entry,
                                      const QString& storedUnits, const QString& path) {
    ParameterBlockFields f;
    f.lowScale = DecodeScaleText(h.Value(HeaderKeyType::Ch1LowScale), entry.RangeLow());
    f.highScale = DecodeScaleText(h.Value(HeaderKeyType::Ch1HighScale), entry.RangeHigh());
    f.units = storedUnits;
    f.tcIndex = h.tcIndex;
    f.cjc = FileInt(h.Value(HeaderKeyType::EnableCjc)) != 0;
    f.polarity = FileInt(h.Value(HeaderKeyType::Polarity)) != 0;
    f.filterSize = std::max(1, FileInt(h.Value(HeaderKeyType::FilterSize)));
    f.instrumentName =
        ModelDisplayName(h.modelCode, false, f.polarity) + u' ' + h.Value(HeaderKeyType::SerNum);
    const QString title = QFileInfo(path).completeBaseName();
    f.sessionName =
        title.isEmpty() ? f.instrumentName : f.instrumentName + QStringLiteral(" - ") + title;
    f.correctedStart = ParseDateTimeText(h.Value(HeaderKeyType::Start));
    return f;
}

} // namespace

ParameterBlockFields ParameterBlockFields::Of(const CRecSession& s) {
    ParameterBlockFields f;
    f.recordingInProgress = s.RecordingInProgress();
    f.instrumentName = s.InstrumentName();
    f.sessionName = s.SessionName();
    f.location = s.Location();
    f.header = s.ReportHeader();
    f.footer = s.ReportFooter();
    f.comments = s.Comments();
    f.correctedStart = s.CorrectedStart();
    f.lowScale = s.LowScale();
    f.highScale = s.HighScale();
    f.units = s.DisplayUnits();
    f.tcIndex = s.TcIndex();
    f.cjc = s.Cjc();
    f.polarity = s.Polarity();
    f.filterSize = s.FilterSize();
    return f;
}

void ParameterBlockFields::KeepAsStored() {
    instrumentName = SingleLine(instrumentName, kNameFieldLimit);
    sessionName = SingleLine(sessionName, kNameFieldLimit);
    location = SingleLine(location, kNameFieldLimit);
    header = SingleLine(header, kNameFieldLimit);
    footer = SingleLine(footer, kNameFieldLimit);
    comments = SingleLine(comments, kCommentsLimit);
    units = SingleLine(units, kUnitsLimit);
}

int HeaderSizeFor(qint64 textLength) {
    const qint64 units = (std::max<qint64>(0, textLength) + 12 + kSessionUnit - 1) / kSessionUnit;
    return static_cast<int>(std::min<qint64>(units * kSessionUnit, INT_MAX / 2));
}

qint64 HeaderTextLength(const char* bytes, qint64 length) {
    const void* nul = std::memchr(bytes, 0, static_cast<std::size_t>(std::max<qint64>(0, length)));
    return nul ? static_cast<const char*>(nul) - bytes : length;
}

QString FindHeaderValue(const QString& text, const QString& key, bool* found) {
    return ValueAfterKey(text, key, found);
}

QString FindParameterValue(const QString& text, const QString& key, bool* found) {
    return ValueAfterKey(text, key, found);
}

float DecodeScaleText(const QString& text, const QString& fallback) {
    if (text.size() >= 8) {
        uint32_t bits = 0;
        bool hex = true;
        for (int i = 0; i < 4 && hex; ++i) {
            const int hi = HexDigit(text[2 * i].unicode());
            const int lo = HexDigit(text[2 * i + 1].unicode());
            hex = hi >= 0 && lo >= 0;
            bits |= static_cast<uint32_t>(hi * 16 + lo) << (8 * i);
        }
        // Bits that make no number are as unreadable as a text that is not hexadecimal.
        if (const float value = std::bit_cast<float>(bits); hex && std::isfinite(value))
            return value;
    }
    return static_cast<float>(FileInt(fallback));
}

QString EncodeScaleText(float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QString out(8, u'0');
    for (int i = 0; i < 4; ++i) {
        const uint32_t byte = (bits >> (8 * i)) & 0xFFu;
        out[2 * i] = QChar(kDigits[byte >> 4]);
        out[2 * i + 1] = QChar(kDigits[byte & 0xF]);
    }
    return out;
}

int TcLetterToIndex(const QString& text) {
    if (text.isEmpty())
        return 0;
    for (int i = 1; i < 8; ++i)
        if (text[0].unicode() == kThermocoupleLetters[i])
            return i;
    return 0;
}

QString TcIndexToLetter(int index) {
    return QString(QChar(index >= 1 && index <= 7 ? kThermocoupleLetters[index] : u'J'));
}

ParameterBlockReading ReadParameterBlock(const QString& text,
                                         const ParameterBlockDefaults& defaults) {
    ParameterBlockReading reading;
    for (const ParameterKey& key : kParameterKeys)
        key.read(reading, FindParameterValue(text, QString::fromUtf16(key.key)), defaults);
    return reading;
}

double ParseLocalNumber(const QString& text) {
    QByteArray ascii = text.toLatin1();
    for (char& c : ascii) {
        if (c == '.' || c == ',') {
            c = '.';
            break;
        }
    }
    const char* p = ascii.constData();
    const char* end = p + ascii.size();
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    if (p < end && *p == '+')
        ++p;
    double value = 0.0;
    const auto result = std::from_chars(p, end, value);
    return result.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

Outcome OpenSessionFile(QFile& file, QByteArray& buffer, qint64& size) {
    buffer.clear();
    size = 0;
    const QString path = file.fileName();
    // Only a plain file: opening a FIFO would wait for a writer, and a device has no end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaximumSessionFileSize ||
        !file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly) ||
        file.size() > kMaximumSessionFileSize)
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCannotRead, {path}));
    const qint64 length = file.size();
    if (length < kMinimumSessionFileSize)
        return Outcome::Failure(OutcomeType::Unsupported,
                                FormatResource(TextId::kNoUsableData, {path}));
    try {
        const qint64 rounded = (length + kMinimumSessionFileSize - 1) / kMinimumSessionFileSize *
                               kMinimumSessionFileSize;
        buffer = QByteArray(static_cast<qsizetype>(rounded), '\0');
    } catch (const std::bad_alloc&) {
        return Outcome::Failure(OutcomeType::NoMemory, ResourceString(TextId::kCannotAllocate));
    }
    size = length;
    return Outcome::Success();
}

Outcome CheckSessionFileRead(const QString& path, qint64 bytesRead) {
    if (bytesRead < kMinimumSessionFileSize)
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCannotRead, {path}));
    return Outcome::Success();
}

Outcome LoadSessionImage(const QString& path, QByteArray& image) {
    QFile file(path);
    qint64 size = 0;
    if (Outcome opened = OpenSessionFile(file, image, size); !opened)
        return opened;
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(image.data() + done, size - done);
        if (n <= 0)
            break;
        done += n;
    }
    image.truncate(done);
    return CheckSessionFileRead(path, done);
}

Outcome CheckSessionImage(const QString& path, const QByteArray& image) {
    if (image.size() < kMinimumSessionFileSize)
        return Outcome::Failure(OutcomeType::Unsupported,
                                FormatResource(TextId::kNoUsableData, {path}));
    const qint64 textLength = HeaderTextLength(image.constData(), image.size());
    const QString header = QString::fromLatin1(image.constData(), textLength);
    bool found = false;
    const QString appName = FindHeaderValue(header, HeaderKeyText(HeaderKeyType::AppName), &found);
    if (!found)
        return Outcome::Failure(OutcomeType::Unsupported,
                                FormatResource(TextId::kFileHasNoData, {path}));
    if (appName.compare(QStringLiteral("VX.exe"), Qt::CaseInsensitive) != 0)
        return Outcome::Failure(OutcomeType::Unsupported,
                                FormatResource(TextId::kUnsupportedFile, {path, appName}));
    return Outcome::Success();
}

Outcome ReadSessionImage(CRecSession& session, const QByteArray& image, bool isTemporary) {
    return ReadSessionImage(session, image.constData(), image.size(), isTemporary);
}

SessionImageReader::SessionImageReader(CRecSession& session, const char* bytes, qint64 length,
                                       bool isTemporary)
    : session_(session), bytes_(bytes), length_(std::max<qint64>(0, length)),
      isTemporary_(isTemporary) {}

Outcome SessionImageReader::Begin() {
    const ImageView image{bytes_, length_};
    const SessionHeaderFields head = ParseHeader(bytes_, length_);
    const ModelEntry& headerEntry = ModelTableRow(FindModelEntry(head.modelCode, head.tcIndex));
    const KindFlags headerFlags = KindFlags::Of(headerEntry.Kind);
    QString stored = head.Value(HeaderKeyType::Ch1Units);
    if (headerFlags.temperature)
        stored = ResourceString(TextId::kCelsius);
    else if (!headerFlags.linear || stored.isEmpty())
        stored = headerEntry.UnitText();

    ParameterBlockFields fields;
    QString startText;
    qint64 dataStart = head.size;
    if (head.instrumentFile) {
        fields = LoggerFileFields(head, headerEntry, stored, session_.Path());
        startText = head.Value(HeaderKeyType::Start);
    } else {
        ParameterBlockReading block = ReadParameterBlock(
            ParameterBlockText(image, head.size), {.rangeLow = headerEntry.RangeLow(),
                                                   .rangeHigh = headerEntry.RangeHigh(),
                                                   .start = head.Value(HeaderKeyType::Start)});
        fields = std::move(block.fields);
        startText = std::move(block.startText);
        dataStart += kParameterBlockSize;
    }
    // Every time of the session follows from its start: one that is no time of the logger's
    // clock would give an end and time stamps that do not match the start shown.
    if (!IsOnLoggerClock(fields.correctedStart))
        return Outcome::Failure(
            OutcomeType::Corrupt,
            FormatResource(TextId::kBadStartDate,
                           {session_.Path(), startText, FormatDateTimeText(LoggerClockFirst()),
                            FormatDateTimeText(LoggerClockLast())}));

    QByteArray headerCopy, dataCopy;
    try {
        headerCopy = image.Copy(0, head.size);
        if (image.length > dataStart)
            dataCopy = image.Copy(dataStart, image.length - dataStart);
    } catch (const std::bad_alloc&) {
        return Outcome::Failure(OutcomeType::NoMemory, ResourceString(TextId::kCannotAllocate));
    }
    ReplaceGenByInst(headerCopy);

    // Nothing can fail from here on: the session changes only now, all at once.
    CRecSession& session = session_;
    session.SetTemporary(isTemporary_);
    for (int k = 0; k < kHeaderKeyCount; ++k)
        session.SetHeaderValue(static_cast<HeaderKeyType>(k),
                               head.values[static_cast<std::size_t>(k)]);
    session.SetInstrumentFile(head.instrumentFile);
    if (head.instrumentFile)
        session.SetModified(true);
    // The block's thermocouple type is the user's correction of the logger's.
    session.SelectModel(head.modelCode, headerFlags.thermocouple ? fields.tcIndex : head.tcIndex);
    session.SetStoredUnits(stored);
    session.NormaliseDisplayUnits(fields.units);
    session.SetRecordingInProgress(fields.recordingInProgress);
    session.SetTexts(fields);
    session.SetScales(fields.lowScale, fields.highScale);
    session.SetTcIndex(fields.tcIndex);
    session.SetCjc(fields.cjc);
    session.SetPolarity(fields.polarity);
    session.SetFilterSize(fields.filterSize);
    session.SetCorrectedStart(fields.correctedStart);
    session.SetHeaderValue(HeaderKeyType::Start, FormatDateTimeText(fields.correctedStart));
    session.SetFileCopies(std::move(headerCopy), std::move(dataCopy));

    CChanData& chan = session.ChanData();
    chan.AddChannel(session.Row(), fields.correctedStart.ToLocalTimeStamp());
    chan.SetCountScale(head.countScale);
    const KindFlags& flags = session.Flags();
    chan.SetConversion(session.Conversion());
    if (flags.rtd || flags.thermocouple)
        chan.SetRtdParameters(head.rtdReference, head.rtdNominal, head.fullScale);

    firstUnit_ = unit_ = dataStart / kSessionUnit;
    units_ = (image.length + kSessionUnit - 1) / kSessionUnit;
    return Outcome::Success();
}

bool SessionImageReader::Walk(qint64 blocks) {
    const QByteArray& data = session_.DataCopy();
    CChanData& chan = session_.ChanData();
    CChanRecord& record = chan.FirstRecord();
    const bool thermocouple = session_.Flags().thermocouple;
    const int sampleBytes = thermocouple ? 4 : 2;
    const qint64 dataLength = data.size();
    for (; unit_ < units_ && blocks > 0; ++unit_, --blocks) {
        const qint64 block = (unit_ - firstUnit_) * kSessionUnit;
        const uint16_t n = BlockCount(data, block);
        if (n > 256)
            continue;
        if (!reserved_) {
            const qint64 expected = std::min<qint64>(n, 254) * Blocks();
            chan.Reserve(static_cast<std::size_t>(std::max<qint64>(1000, expected)));
            reserved_ = true;
        }
        if (n >= 255 || n == 0)
            continue;
        // A count above the block's capacity runs on into the next block, as the logger's own
        // reader does; samples that would lie past the end of the file are not invented.
        const qint64 first = block + 6;
        const qint64 available =
            std::max<qint64>(0, (dataLength - first + sampleBytes - 1) / sampleBytes);
        const qint64 count = std::min<qint64>(n, available);
        const bool whole = first + count * sampleBytes <= dataLength;
        const auto* p = reinterpret_cast<const uint8_t*>(data.constData()) + first;
        for (qint64 j = 0; j < count; ++j) {
            const qint64 at = first + j * sampleBytes;
            int16_t value;
            if (whole) {
                value = static_cast<int16_t>(p[j * sampleBytes] | (p[j * sampleBytes + 1] << 8));
                if (thermocouple)
                    cjcCount_ = static_cast<int16_t>(p[j * 4 + 2] | (p[j * 4 + 3] << 8));
            } else {
                value = SampleAt(data, at);
                if (thermocouple)
                    cjcCount_ = SampleAt(data, at + 2);
            }
            record.AppendSample(value, cjcCount_);
        }
    }
    return unit_ >= units_;
}

qint64 SessionImageReader::Blocks() const {
    return std::max<qint64>(0, units_ - firstUnit_);
}

qint64 SessionImageReader::WorkDone() const {
    switch (phase_) {
    case PhaseType::Walk:
        return std::min(unit_ - firstUnit_, Blocks());
    case PhaseType::Convert: {
        const CChanData& chan = session_.ChanData();
        const auto total = static_cast<qint64>(chan.CountsToRecompute());
        const auto done = static_cast<qint64>(chan.RecomputedCounts());
        return Blocks() + (total > 0 ? Blocks() * done / total : 0);
    }
    case PhaseType::Done:
        break;
    }
    return WorkTotal();
}

std::optional<Outcome> SessionImageReader::Step() {
    CChanData& chan = session_.ChanData();
    try {
        switch (phase_) {
        case PhaseType::Walk:
            if (Walk(kBlocksPerStep)) {
                phase_ = PhaseType::Convert;
                const KindFlags& flags = session_.Flags();
                converting_ = flags.analog || flags.event;
                if (converting_)
                    chan.BeginRecompute(flags.analog);
            }
            return std::nullopt;
        case PhaseType::Convert:
            if (converting_ && !chan.RecomputeStep(kCountsPerStep))
                return std::nullopt;
            session_.UpdateStartTime();
            session_.SetDuration(chan.SampleSpan(false));
            session_.SetStoragePeriodFromModel();
            phase_ = PhaseType::Done;
            return Outcome::Success();
        case PhaseType::Done:
            break;
        }
    } catch (const std::bad_alloc&) {
        phase_ = PhaseType::Done;
        return Outcome::Failure(OutcomeType::NoMemory, ResourceString(TextId::kCannotAllocate));
    }
    return Outcome::Success();
}

Outcome ReadSessionImage(CRecSession& session, const char* bytes, qint64 length, bool isTemporary) {
    SessionImageReader reader(session, bytes, length, isTemporary);
    if (Outcome begun = reader.Begin(); !begun)
        return begun;
    for (;;)
        if (std::optional<Outcome> ended = reader.Step())
            return *ended;
}

QByteArray BuildParameterBlock(const ParameterBlockFields& fields) {
    ParameterBlockFields f = fields;
    f.KeepAsStored();

    const auto compose = [&f] {
        QString text;
        text.reserve(kParameterBlockChars);
        for (const ParameterKey& key : kParameterKeys) {
            text += QString::fromUtf16(key.key);
            text += key.write(f);
            text += QStringLiteral("\r\n");
        }
        return text;
    };

    QString text = compose();
    // Even within the editor's limits the block must keep room for its terminating zero.
    for (QString* field : {&f.comments, &f.footer, &f.header, &f.location, &f.sessionName,
                           &f.instrumentName, &f.units}) {
        const qsizetype excess = text.size() - (kParameterBlockChars - 1);
        if (excess <= 0)
            break;
        *field = SingleLine(*field, std::max<qsizetype>(0, field->size() - excess));
        text = compose();
    }

    QByteArray block(kParameterBlockSize, '\0');
    const qsizetype chars = std::min<qsizetype>(text.size(), kParameterBlockChars - 1);
    for (qsizetype i = 0; i < chars; ++i) {
        const char16_t c = text[i].unicode();
        block[2 * i] = static_cast<char>(c & 0xFF);
        block[2 * i + 1] = static_cast<char>(c >> 8);
    }
    return block;
}

bool FormatParameterBlock(QFileDevice& file, qint64 offset, const ParameterBlockFields& fields) {
    const QByteArray block = BuildParameterBlock(fields);
    return file.seek(offset) && file.write(block) == block.size();
}

Outcome WriteSessionFile(const CRecSession& session, const QString& path) {
    const Outcome failure =
        Outcome::Failure(OutcomeType::CannotWrite, FormatResource(TextId::kCannotWrite, {path}));
    // Written beside the target and renamed over it, so the old file stays whole until the
    // new one is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure;
    const QByteArray& header = session.HeaderCopy();
    const QByteArray& data = session.DataCopy();
    const bool written =
        file.write(header) == header.size() &&
        file.write(BuildParameterBlock(ParameterBlockFields::Of(session))) == kParameterBlockSize &&
        file.write(data) == data.size();
    if (!written) {
        file.cancelWriting();
        file.commit();
        return failure;
    }
    return file.commit() ? Outcome::Success() : failure;
}

Outcome RewriteParameterBlock(const CRecSession& session, const QString& path) {
    const Outcome failure =
        Outcome::Failure(OutcomeType::CannotWrite, FormatResource(TextId::kCannotRead, {path}));
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failure;
    // Only the file the session was read from is rewritten: one replaced or cut short since
    // would be damaged by a block written at the old offset.
    const QByteArray& header = session.HeaderCopy();
    if (header.isEmpty() || file.size() < header.size() + kParameterBlockSize ||
        file.read(header.size()) != header)
        return failure;
    const bool written =
        FormatParameterBlock(file, session.HeaderSize(), ParameterBlockFields::Of(session)) &&
        file.flush();
    file.close();
    return written && file.error() == QFileDevice::NoError ? Outcome::Success() : failure;
}

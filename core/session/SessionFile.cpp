#include "core/session/SessionFile.h"

#include "core/common/StringTable.h"
#include "core/session/CRecSession.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
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
    return static_cast<float>(ParseLeadingInt(fallback));
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

int ParseLeadingInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        value = std::min<long long>(value * 10 + (text[i].unicode() - u'0'), 1LL << 32);
        ++i;
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
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
        return Outcome::Failure(FormatResource(TextId::kCannotRead, {path}));
    const qint64 length = file.size();
    if (length < kMinimumSessionFileSize)
        return Outcome::Failure(FormatResource(TextId::kNoUsableData, {path}));
    try {
        const qint64 rounded = (length + kMinimumSessionFileSize - 1) / kMinimumSessionFileSize *
                               kMinimumSessionFileSize;
        buffer = QByteArray(static_cast<qsizetype>(rounded), '\0');
    } catch (const std::bad_alloc&) {
        return Outcome::Failure(ResourceString(TextId::kCannotAllocate));
    }
    size = length;
    return Outcome::Success();
}

Outcome CheckSessionFileRead(const QString& path, qint64 bytesRead) {
    if (bytesRead < kMinimumSessionFileSize)
        return Outcome::Failure(FormatResource(TextId::kCannotRead, {path}));
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
        return Outcome::Failure(FormatResource(TextId::kNoUsableData, {path}));
    const qint64 textLength = HeaderTextLength(image.constData(), image.size());
    const QString header = QString::fromLatin1(image.constData(), textLength);
    bool found = false;
    const QString appName = FindHeaderValue(header, HeaderKeyText(HeaderKeyType::AppName), &found);
    if (!found)
        return Outcome::Failure(FormatResource(TextId::kFileHasNoData, {path}));
    if (appName.compare(QStringLiteral("VX.exe"), Qt::CaseInsensitive) != 0)
        return Outcome::Failure(FormatResource(TextId::kUnsupportedFile, {path, appName}));
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
    CRecSession& session = session_;
    const char* bytes = bytes_;
    const ImageView image{bytes, length_};
    session.SetTemporary(isTemporary_);
    session.FreeFileCopies();

    const qint64 textLength = HeaderTextLength(bytes, image.length);
    const QString headerText = QString::fromLatin1(bytes, textLength);
    for (int k = 0; k < kHeaderKeyCount; ++k) {
        const auto key = static_cast<HeaderKeyType>(k);
        session.SetHeaderValue(key, FindHeaderValue(headerText, HeaderKeyText(key)));
    }
    const auto value = [&](HeaderKeyType k) -> const QString& { return session.HeaderValue(k); };

    const bool instrumentFile =
        value(HeaderKeyType::GenBy).compare(QStringLiteral("Inst"), Qt::CaseInsensitive) == 0;
    session.SetInstrumentFile(instrumentFile);
    if (instrumentFile)
        session.SetModified(true);

    const int modelCode = ParseLeadingInt(value(HeaderKeyType::Model));
    int tcIndex = TcLetterToIndex(value(HeaderKeyType::TcType));
    double fullScale = 4096.0, rtdReference = 4750.0, rtdNominal = 1000.0;
    if (!value(HeaderKeyType::MaxCnt).isEmpty())
        fullScale = ParseLocalNumber(value(HeaderKeyType::MaxCnt));
    if (!value(HeaderKeyType::RtdRef).isEmpty())
        rtdReference = ParseLocalNumber(value(HeaderKeyType::RtdRef));
    if (!value(HeaderKeyType::RtdNom).isEmpty())
        rtdNominal = ParseLocalNumber(value(HeaderKeyType::RtdNom));
    session.SetRtdParameters(rtdReference, rtdNominal, fullScale);

    session.SelectModel(modelCode, tcIndex);
    const ModelEntry& entry = session.Entry();

    QString stored = value(HeaderKeyType::Ch1Units);
    if (session.Flags().temperature)
        stored = ResourceString(TextId::kCelsius);
    else if (!session.Flags().linear || stored.isEmpty())
        stored = entry.UnitText();
    session.SetStoredUnits(stored);

    const int headerSize = HeaderSizeFor(textLength);
    QByteArray headerCopy;
    try {
        headerCopy = image.Copy(0, headerSize);
    } catch (const std::bad_alloc&) {
        return Outcome::Failure(ResourceString(TextId::kCannotAllocate));
    }
    ReplaceGenByInst(headerCopy);

    const QString rangeLowText = entry.RangeLow();
    const QString rangeHighText = entry.RangeHigh();
    float low = DecodeScaleText(value(HeaderKeyType::Ch1LowScale), rangeLowText);
    float high = DecodeScaleText(value(HeaderKeyType::Ch1HighScale), rangeHighText);
    session.NormaliseDisplayUnits(stored);

    bool cjc = ParseLeadingInt(value(HeaderKeyType::EnableCjc)) != 0;
    bool polarity = ParseLeadingInt(value(HeaderKeyType::Polarity)) != 0;
    int filterSize = std::max(1, ParseLeadingInt(value(HeaderKeyType::FilterSize)));

    qint64 dataStart = headerSize;
    QString startText;
    if (!instrumentFile) {
        const QString block = ParameterBlockText(image, headerSize);
        const auto param = [&](const char16_t* key) {
            return FindParameterValue(block, QString::fromUtf16(key));
        };
        session.SetRecordingInProgress(param(u"RecordingInProgress=") != u"0");
        session.SetInstrumentName(param(u"InstName="));
        session.SetSessionName(param(u"SessionName="));
        session.SetLocation(param(u"Location="));
        session.SetReportHeader(param(u"Header="));
        session.SetReportFooter(param(u"Footer="));
        session.SetComments(param(u"Comments="));
        low = DecodeScaleText(param(u"Ch1LowScale="), rangeLowText);
        high = DecodeScaleText(param(u"Ch1HighScale="), rangeHighText);
        session.NormaliseDisplayUnits(param(u"Ch1Units="));
        const int headerTcIndex = tcIndex;
        tcIndex = TcLetterToIndex(param(u"TC_Type="));
        cjc = ParseLeadingInt(param(u"EnableCJC=")) != 0;
        polarity = ParseLeadingInt(param(u"Polarity=")) != 0;
        filterSize = std::max(1, ParseLeadingInt(param(u"FilterSize=")));
        startText = param(u"CorrectedStartTime=");
        // A block that lost its start leaves the one the logger wrote in the header; a start
        // it does hold is the user's correction and decides.
        if (startText.trimmed().isEmpty())
            startText = value(HeaderKeyType::Start);
        dataStart = headerSize + kParameterBlockSize;
        if (session.Flags().thermocouple && tcIndex != headerTcIndex)
            session.SelectModel(modelCode, tcIndex);
    } else {
        const QString name =
            ModelDisplayName(modelCode, false, polarity) + u' ' + value(HeaderKeyType::SerNum);
        session.SetInstrumentName(name);
        const QString title = QFileInfo(session.Path()).completeBaseName();
        session.SetSessionName(title.isEmpty() ? name : name + QStringLiteral(" - ") + title);
        startText = value(HeaderKeyType::Start);
    }
    // Every time of the session follows from its start: one that is no time of the logger's
    // clock would give an end and time stamps that do not match the start shown.
    const CalendarDateTime correctedStart = ParseDateTimeText(startText);
    if (!IsOnLoggerClock(correctedStart))
        return Outcome::Failure(
            FormatResource(TextId::kBadStartDate,
                           {session.Path(), startText, FormatDateTimeText(LoggerClockFirst()),
                            FormatDateTimeText(LoggerClockLast())}));
    session.SetScales(low, high);
    session.SetTcIndex(tcIndex);
    session.SetCjc(cjc);
    session.SetPolarity(polarity);
    session.SetFilterSize(filterSize);
    session.SetCorrectedStart(correctedStart);
    session.SetHeaderValue(HeaderKeyType::Start, FormatDateTimeText(correctedStart));

    QByteArray dataCopy;
    const qint64 dataLength = image.length - dataStart;
    if (dataLength > 0) {
        try {
            dataCopy = image.Copy(dataStart, dataLength);
        } catch (const std::bad_alloc&) {
            session.SetFileCopies(std::move(headerCopy), QByteArray());
            return Outcome::Failure(ResourceString(TextId::kCannotAllocate));
        }
    }
    session.SetFileCopies(std::move(headerCopy), std::move(dataCopy));

    CChanData& chan = session.ChanData();
    const double maxCount = value(HeaderKeyType::MaxCnt).isEmpty()
                                ? 4096.0
                                : ParseLocalNumber(value(HeaderKeyType::MaxCnt));
    // A zero full-scale count leaves no way to convert a count: every value is "no value".
    const double countScale = maxCount == 0.0
                                  ? std::nan("")
                                  : ParseLocalNumber(value(HeaderKeyType::Ch1Mult)) *
                                        ParseLocalNumber(value(HeaderKeyType::VRef)) / maxCount;
    chan.AddChannel(session.Row(), correctedStart.ToLocalTimeStamp());
    chan.SetCountScale(countScale);
    const KindFlags& flags = session.Flags();
    chan.SetConversion(
        {.tcIndex = tcIndex,
         .cjc = cjc,
         .polarity = polarity,
         .linear = flags.linear,
         .rangeLow = static_cast<double>(ParseLeadingInt(session.Entry().RangeLow())),
         .rangeHigh = static_cast<double>(ParseLeadingInt(session.Entry().RangeHigh())),
         .scaleLow = low,
         .scaleHigh = high,
         .filterSize = filterSize});
    if (flags.rtd || flags.thermocouple)
        chan.SetRtdParameters(rtdReference, rtdNominal, fullScale);

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
        return Outcome::Failure(ResourceString(TextId::kCannotAllocate));
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

    const auto compose = [&] {
        QString text;
        text.reserve(kParameterBlockChars);
        const auto line = [&text](const char16_t* key, const QString& value) {
            text += QString::fromUtf16(key);
            text += value;
            text += QStringLiteral("\r\n");
        };
        line(u"RecordingInProgress=",
             f.recordingInProgress ? QStringLiteral("1") : QStringLiteral("0"));
        line(u"InstName=", f.instrumentName);
        line(u"SessionName=", f.sessionName);
        line(u"Location=", f.location);
        line(u"Header=", f.header);
        line(u"Footer=", f.footer);
        line(u"Comments=", f.comments);
        line(u"CorrectedStartTime=", FormatDateTimeText(f.correctedStart));
        line(u"Ch1LowScale=", EncodeScaleText(f.lowScale));
        line(u"Ch1HighScale=", EncodeScaleText(f.highScale));
        line(u"Ch1Units=", f.units);
        line(u"TC_Type=", TcIndexToLetter(f.tcIndex));
        line(u"EnableCJC=", f.cjc ? QStringLiteral("1") : QStringLiteral("0"));
        line(u"Polarity=", f.polarity ? QStringLiteral("1") : QStringLiteral("0"));
        line(u"FilterSize=", QString::number(f.filterSize));
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
    const Outcome failure = Outcome::Failure(FormatResource(TextId::kCannotWrite, {path}));
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
    const Outcome failure = Outcome::Failure(FormatResource(TextId::kCannotRead, {path}));
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

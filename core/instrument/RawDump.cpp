#include "core/instrument/RawDump.h"

#include "core/common/StringTable.h"
#include "core/instrument/CommandSender.h"
#include "core/instrument/DriveText.h"
#include "core/session/SessionFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstring>

namespace {

constexpr char kMark[] = "VexloRawDump=";
constexpr qsizetype kValueLimit = 64;

int TextLength(const QByteArray& bytes) {
    return static_cast<int>(std::min<qsizetype>(bytes.size(), RawDump::kTextSize));
}

} // namespace

QString RawDump::PathFor(const QString& sessionPath) {
    const QFileInfo info(sessionPath);
    return info.path() + u'/' + info.completeBaseName() + u'.' + Extension();
}

QByteArray RawDump::StatusTextOf(const InstrumentState& state, qint64 linkMemoryUsed) {
    // Each value is cut so that the lines always fit the text area.
    const auto value = [](const QString& text) { return text.left(kValueLimit).toLatin1(); };
    const InstrumentStatusRecord& s = state.status;
    return "Model=" + value(s.model) + "\r\nSerNum=" + value(s.serial) +
           "\r\nRecordingState=" + value(s.recordingState) +
           "\r\nMemUsed=" + QByteArray::number(linkMemoryUsed) + "\r\n";
}

QByteArray RawDump::Bytes() const {
    QByteArray text = kMark + QByteArray::number(kVersion) + "\r\n" +
                      statusText.left(statusText.indexOf('\0') < 0 ? statusText.size()
                                                                   : statusText.indexOf('\0')) +
                      "ParameterBytes=" + QByteArray::number(parameterBlock.size()) +
                      "\r\nRecordBytes=" + QByteArray::number(record.size()) + "\r\n";
    text.resize(kTextSize, '\0');
    return text + parameterBlock + record;
}

Outcome RawDump::Parse(const QByteArray& bytes, const QString& path, RawDump& dump) {
    const char* text = bytes.constData();
    const int length = TextLength(bytes);
    const Outcome notADump =
        Outcome::Failure(OutcomeType::Unsupported, FormatResource(TextId::kNotARawDump, {path}));
    if (DriveTextInt(text, length, kMark, 0) != kVersion)
        return notADump;
    if (bytes.size() < kTextSize)
        return Outcome::Failure(OutcomeType::Corrupt,
                                FormatResource(TextId::kRawDumpTruncated, {path}));
    const qint64 parameterBytes = DriveTextInt(text, length, "ParameterBytes=", -1);
    const qint64 recordBytes = DriveTextInt(text, length, "RecordBytes=", -1);
    if (parameterBytes != kParameterBlockSize || recordBytes < 0)
        return notADump;
    const qint64 expected = kTextSize + parameterBytes + recordBytes;
    if (bytes.size() < expected)
        return Outcome::Failure(OutcomeType::Corrupt,
                                FormatResource(TextId::kRawDumpTruncated, {path}));
    if (bytes.size() > expected)
        return notADump;
    dump.statusText = bytes.left(kTextSize);
    dump.parameterBlock = bytes.mid(kTextSize, parameterBytes);
    dump.record = bytes.mid(kTextSize + parameterBytes);
    return {};
}

Outcome RawDump::Load(const QString& path, RawDump& dump) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCannotRead, {path}));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCannotRead, {path}));
    return Parse(bytes, path, dump);
}

Outcome RawDump::Save(const QString& path) const {
    QSaveFile file(path);
    const QByteArray bytes = Bytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Outcome::Failure(OutcomeType::CannotWrite,
                                FormatResource(TextId::kCannotWrite, {path}));
    return {};
}

TransferTicket RawDumpRecorder::PostTransfer(TransferRequest request) {
    const bool record =
        request.kind == TransferKindType::Read && request.file == DriveFileType::Record;
    const qint64 offset = request.offset;
    const TransferTicket ticket = inner_.PostTransfer(std::move(request));
    if (record && ticket != 0) {
        recordTicket_ = ticket;
        recordOffset_ = offset;
    }
    return ticket;
}

std::optional<TransferResult> RawDumpRecorder::TakeTransfer(TransferTicket ticket) {
    std::optional<TransferResult> result = inner_.TakeTransfer(ticket);
    if (!result || ticket != recordTicket_ || recordOffset_ < 0)
        return result;
    recordTicket_ = 0;
    const qint64 n = std::min<qint64>(result->bytes, result->data.size());
    if (n <= 0)
        return result;
    if (record_.size() < recordOffset_ + n)
        record_.resize(recordOffset_ + n, '\0');
    std::memcpy(record_.data() + recordOffset_, result->data.constData(),
                static_cast<std::size_t>(n));
    return result;
}

RawDumpPort::RawDumpPort(const RawDump& dump) : channel_(dump.record) {
    const char* text = dump.statusText.constData();
    const int length = TextLength(dump.statusText);
    state_.connected = true;
    state_.status.ReadTexts(text, length);
    memoryUsed_ = DriveTextInt(text, length, "MemUsed=", 0);
}

void RawDumpPort::SendCommands(CommandBatch batch) {
    if (batch.done)
        batch.done({0, static_cast<int>(batch.blocks.size())});
}

TransferResult RecordBytesChannel::Transfer(const TransferRequest& request) {
    TransferResult result;
    if (request.kind == TransferKindType::Presence) {
        result.bytes = 1;
        return result;
    }
    const qint64 offset = request.offset;
    if (request.kind != TransferKindType::Read || request.file != DriveFileType::Record ||
        offset < 0 || request.size <= 0 || offset >= record_.size())
        return result;
    const qint64 n = std::min<qint64>(request.size, record_.size() - offset);
    result.data = record_.mid(offset, n);
    result.bytes = n;
    return result;
}

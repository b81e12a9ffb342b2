#include "core/instrument/DownloadTransfer.h"

#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/instrument/DriveText.h"
#include "core/instrument/InstrumentPort.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/session/SessionFile.h"

#include <QIODevice>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 kSector = 512;
constexpr char kGenBy[] = "GenBy=";
constexpr char kControlPanelMark[] = "VXCP";

// Stamps the header as the control panel's own.
void MarkGenerator(char* text, qint64 length) {
    const qint64 keyLength = static_cast<qint64>(std::strlen(kGenBy));
    for (qint64 i = 0; i + keyLength <= length; ++i) {
        if (std::memcmp(text + i, kGenBy, static_cast<std::size_t>(keyLength)) != 0)
            continue;
        const qint64 at = i + keyLength;
        const qint64 count = std::min<qint64>(4, length - at);
        std::memcpy(text + at, kControlPanelMark,
                    static_cast<std::size_t>(std::max<qint64>(0, count)));
        return;
    }
}

} // namespace

LoggerHeaderValues LoggerHeaderValues::Read(const char* text, int length) {
    const auto value = [&](const char* key) { return DriveTextValue(text, length, key); };
    LoggerHeaderValues v;
    v.startText = value("Start=");
    v.lowScaleText = value("Ch1LowScale=");
    v.highScaleText = value("Ch1HighScale=");
    v.unitsText = value("Ch1Units=");
    v.tcIndex = TcLetterToIndex(value("TC_Type="));
    v.cjc = DriveTextInt(text, length, "EnableCJC=", 0) != 0;
    v.polarity = DriveTextInt(text, length, "Polarity=", 0) != 0;
    v.filterSize = std::max(1, DriveTextInt(text, length, "FilterSize=", 1));
    return v;
}

QString DownloadTransfer::StallText() {
    return ResourceString(TextId::kNoResponse);
}

DownloadTransfer::DownloadTransfer(InstrumentPort& port, QIODevice& output, qint64 memoryUsed,
                                   const Clock& clock)
    : port_(port), output_(output), clock_(clock), transfer_(port, clock),
      deviceChangesSeen_(port.DeviceChanges()), serial_(port.State().status.serial),
      memoryUsed_(std::max<qint64>(0, memoryUsed)),
      total_((memoryUsed_ + kSector - 1) / kSector * kSector),
      dropTail_(total_ - memoryUsed_ > kTailBytes), lastProgressMs_(clock.MonotonicMs()) {
    writeLimit_ = dropTail_ ? total_ - kTailBytes : total_;
}

bool DownloadTransfer::Running() const {
    return state_ == TransferStateType::WaitingForLink || state_ == TransferStateType::Copying;
}

TransferStateType DownloadTransfer::Tick() {
    if (!Running())
        return state_;
    if (state_ == TransferStateType::WaitingForLink) {
        // A read the monitor posted before the download began finishes first.
        if (port_.LinkIdle())
            state_ = TransferStateType::Copying;
        else
            NoteNoProgress();
    } else {
        CopyStep();
    }
    if (!Running())
        transfer_.Cancel();
    return state_;
}

qint64 DownloadTransfer::MsWithoutProgress() const {
    return clock_.MonotonicMs() - lastProgressMs_;
}

void DownloadTransfer::NoteNoProgress() {
    if (MsWithoutProgress() >= kStallMs)
        stalled_ = true;
}

void DownloadTransfer::CopyStep() {
    if (done_ >= total_) {
        state_ = TransferStateType::Finished;
        return;
    }
    if (!transfer_.Waiting()) {
        if (port_.DeviceChanges() != deviceChangesSeen_) {
            deviceChangesSeen_ = port_.DeviceChanges();
            identityPending_ = true;
        }
        if (identityPending_) {
            Ask(AskType::ChangedPresence, TransferRequest::Presence());
        } else {
            // A read that ended off a sector goes on from the start of that sector.
            const qint64 offset = done_ / kSector * kSector;
            Ask(AskType::Record,
                TransferRequest::ReadRecord(offset, std::min(total_ - offset, kChunkBytes)));
        }
    }
    const LinkTransferStateType polled = transfer_.Poll();
    if (polled != LinkTransferStateType::Done) {
        // Asked again on the next step, should the link have given it up.
        NoteNoProgress();
        return;
    }
    const TransferResult result = transfer_.Result();
    transfer_.Cancel();
    switch (asked_) {
    case AskType::Presence:
    case AskType::ChangedPresence:
        if (result.bytes == 0)
            state_ = TransferStateType::Unplugged;
        else if (asked_ == AskType::ChangedPresence)
            Ask(AskType::Identity, TransferRequest::ReadStatus());
        else
            NoteNoProgress();
        break;
    case AskType::Identity:
        HandleIdentity(result);
        break;
    case AskType::Record:
        HandleRecord(result);
        break;
    }
}

void DownloadTransfer::Ask(AskType what, TransferRequest request) {
    asked_ = what;
    askedOffset_ = request.offset;
    askedBytes_ = request.size;
    transfer_.Start(std::move(request));
}

void DownloadTransfer::HandleIdentity(const TransferResult& result) {
    const int length = static_cast<int>(result.data.size());
    if (result.bytes == 0) {
        // Unreadable for now: asked again on the next step.
        NoteNoProgress();
        return;
    }
    const QString serial = DriveTextValue(result.data.constData(), length, "SerNum=");
    if (!IsLoggerStatusText(result.data.constData(), length) || serial != serial_) {
        replacementSerial_ = serial;
        state_ = TransferStateType::Replaced;
        return;
    }
    identityPending_ = false;
}

void DownloadTransfer::HandleRecord(const TransferResult& result) {
    const qint64 skip = done_ - askedOffset_;
    const qint64 read = std::clamp<qint64>(result.bytes - skip, 0, total_ - done_);
    if (read == 0) {
        if (shortRead_ && result.bytes <= skip) {
            // The read after a short one brought nothing new: RECORD.VX ends there.
            state_ = TransferStateType::Finished;
            return;
        }
        // A drive pulled out reads nothing for ever: no point waiting for it.
        NoteNoProgress();
        Ask(AskType::Presence, TransferRequest::Presence());
        return;
    }
    stalled_ = false;
    lastProgressMs_ = clock_.MonotonicMs();
    shortRead_ = result.bytes < askedBytes_;
    QByteArray data = result.data;
    char* bytes = data.data() + skip;
    const qint64 offset = done_;
    done_ += read;
    const qint64 writable = std::clamp<qint64>(writeLimit_ - offset, 0, read);
    if (firstChunk_) {
        firstChunk_ = false;
        HandleFirstChunk(bytes, read, writable);
    } else if (!Write(bytes, writable)) {
        state_ = TransferStateType::WriteFailed;
    }
    if (Running() && done_ >= total_)
        state_ = TransferStateType::Finished;
}

void DownloadTransfer::HandleFirstChunk(char* bytes, qint64 read, qint64 writable) {
    const qint64 probe = std::min(read, kTailBytes);
    if (std::all_of(bytes, bytes + probe,
                    [](char c) { return static_cast<unsigned char>(c) == 0xFF; })) {
        state_ = TransferStateType::NoData;
        return;
    }
    const qint64 textLength = HeaderTextLength(bytes, read);
    // A header that does not end in the first chunk would shift every sample after it.
    if (textLength >= read) {
        state_ = TransferStateType::Unreadable;
        return;
    }
    headerLength_ = HeaderSizeFor(textLength);
    header_ = LoggerHeaderValues::Read(bytes, static_cast<int>(textLength));
    MarkGenerator(bytes, textLength);

    const qint64 headerPart = std::min(writable, headerLength_);
    bool ok = Write(bytes, headerPart);
    if (headerLength_ < writable)
        ok = ok && WriteZeros(kParameterBlockSize) &&
             Write(bytes + headerLength_, writable - headerLength_);
    else
        ok = ok && WriteZeros(headerLength_ - writable + kParameterBlockSize);
    if (!ok)
        state_ = TransferStateType::WriteFailed;
}

bool DownloadTransfer::Write(const char* data, qint64 count) {
    return count <= 0 || output_.write(data, count) == count;
}

bool DownloadTransfer::WriteZeros(qint64 count) {
    const QByteArray zeros(count, '\0');
    return Write(zeros.constData(), count);
}

QString DownloadTransfer::IncompleteText() const {
    return FormatResource(TextId::kIncompleteRecord,
                          {QString::number(done_), QString::number(memoryUsed_)});
}

QString DownloadTransfer::ProgressText() const {
    const double percent =
        total_ > 0 ? static_cast<double>(done_) / static_cast<double>(total_) * 100.0 : 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%0.0f%% complete", percent);
    return QString::fromLatin1(text);
}

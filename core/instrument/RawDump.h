#pragma once

#include "core/common/Outcome.h"
#include "core/instrument/CommandSender.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/SessionFile.h"

#include <QByteArray>
#include <QString>

// What support needs to run a download again without the logger: the bytes read from
// RECORD.VX, the status values the download started from and the parameter block the user
// accepted. Kept beside the session as NAME.vxdump:
//   bytes 0-511     NUL-padded "Key=value" lines read as the drive's texts are: "VexloRawDump=1",
//                   then "Model=", "SerNum=", "RecordingState=", "MemUsed=" of the status the
//                   download began with (MemUsed the link's own, which sized the copy), then
//                   "ParameterBytes=" and "RecordBytes=";
//   then            the parameter block, ParameterBytes long (2560);
//   then            RECORD.VX from offset 0, RecordBytes long, exactly as read.
// The lengths make a cut file plain to see.
struct RawDump {
    static constexpr qsizetype kTextSize = 512;
    static constexpr int kVersion = 1;
    // The text, the block and a recording no longer than the session file it becomes.
    static constexpr qint64 kMaxSize = kTextSize + kParameterBlockSize + kMaximumSessionFileSize;

    QByteArray statusText;
    QByteArray parameterBlock;
    QByteArray record;

    // NAME.vxdump beside NAME.vx.
    static QString PathFor(const QString& sessionPath);
    static QString Extension() { return QStringLiteral("vxdump"); }

    QByteArray Bytes() const;
    // Refuses a file that is not a dump, or one cut short or run on, with the French text.
    static Outcome Parse(const QByteArray& bytes, const QString& path, RawDump& dump);
    static Outcome Load(const QString& path, RawDump& dump);
    // Whole or not at all: written beside `path` and renamed over it.
    Outcome Save(const QString& path) const;

    // The status lines of the state a download begins from.
    static QByteArray StatusTextOf(const InstrumentState& state, qint64 linkMemoryUsed);
};

// The port a download reads through when its dump is kept: everything goes to `inner`, and
// the RECORD.VX bytes that come back are kept at their offsets.
class RawDumpRecorder final : public InstrumentPort {
public:
    explicit RawDumpRecorder(InstrumentPort& inner) : inner_(inner) {}

    const QByteArray& Record() const { return record_; }

    InstrumentState State() const override { return inner_.State(); }
    TransferTicket PostTransfer(TransferRequest request) override;
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override;
    void AbandonTransfer(TransferTicket ticket) override { inner_.AbandonTransfer(ticket); }
    bool LinkIdle() const override { return inner_.LinkIdle(); }
    qint64 LinkMemoryUsed() const override { return inner_.LinkMemoryUsed(); }
    int DeviceChanges() const override { return inner_.DeviceChanges(); }
    void SendCommands(CommandBatch batch) override { inner_.SendCommands(std::move(batch)); }
    void SetBusy(bool on) override { inner_.SetBusy(on); }
    void ClearLiveData() override { inner_.ClearLiveData(); }
    void ForgetLastStatus() override { inner_.ForgetLastStatus(); }

private:
    InstrumentPort& inner_;
    QByteArray record_;
    TransferTicket recordTicket_ = 0;
    qint64 recordOffset_ = 0;
};

// A drive that is always there, whose RECORD.VX is `record` and which takes nothing written.
class RecordBytesChannel final : public ImmediateTransferChannel {
public:
    explicit RecordBytesChannel(const QByteArray& record) : record_(record) {}

protected:
    TransferResult Transfer(const TransferRequest& request) override;

private:
    const QByteArray& record_;
};

// A connected logger that is a dump: its status is the dump's, RECORD.VX its bytes; it
// takes no commands.
class RawDumpPort final : public InstrumentPort {
public:
    explicit RawDumpPort(const RawDump& dump);

    InstrumentState State() const override { return state_; }
    TransferTicket PostTransfer(TransferRequest request) override {
        return channel_.PostTransfer(std::move(request));
    }
    std::optional<TransferResult> TakeTransfer(TransferTicket ticket) override {
        return channel_.TakeTransfer(ticket);
    }
    void AbandonTransfer(TransferTicket ticket) override { channel_.AbandonTransfer(ticket); }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return memoryUsed_; }
    void SendCommands(CommandBatch batch) override;
    void SetBusy(bool) override {}
    void ClearLiveData() override {}
    void ForgetLastStatus() override {}

private:
    RecordBytesChannel channel_;
    InstrumentState state_;
    qint64 memoryUsed_ = 0;
};

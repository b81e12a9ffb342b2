#include "core/instrument/DownloadJob.h"

#include "core/app/SettingsStore.h"
#include "core/app/UserInterface.h"
#include "core/common/FileNames.h"
#include "core/common/StringTable.h"
#include "core/instrument/DriveBackend.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/CRecSession.h"
#include "core/session/InstrumentSettings.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionParamsEditModel.h"

#include <QDir>
#include <QFileInfo>
#include <climits>

namespace {

constexpr int kNoType = INT_MIN;

QString ModelText(int modelCode) {
    return FormatResource(TextId::kPageModel, {ModelDisplayName(modelCode, false, true)});
}

QString WithSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

void ApplyValues(CRecSession& s, const SessionParamsValues& v) {
    s.SetTexts(v);
    s.SetCorrectedStart(v.correctedStart);
    s.SetScales(v.lowScale, v.highScale);
    s.SetDisplayUnits(v.units);
    s.SetTcIndex(v.tcIndex);
    s.SetCjc(v.cjc);
    s.SetPolarity(v.polarity);
    s.SetFilterSize(v.filterSize);
}

} // namespace

DownloadJob::DownloadJob(InstrumentPort& port, UserInterface& ui, SettingsStore& settings,
                         const Clock& clock)
    : port_(port), ui_(ui), settings_(settings), clock_(clock) {}

DownloadJob::~DownloadJob() {
    if (file_.isOpen())
        Discard();
    Release();
}

QString DownloadJob::DestinationPath(const QString& folder, int modelCode) {
    QString name = ModelText(modelCode);
    MakeSafeName(name);
    return NextFreeFileName(WithSlash(folder) + name + u'.' +
                            ResourceString(TextId::kSessionExtension));
}

bool DownloadJob::Begin(const QString& dataFolder) {
    if (transfer_ || ended_)
        return false;
    const InstrumentState state = port_.State();
    const qint64 used = port_.LinkMemoryUsed();
    if (used <= 0 || DownloadBlocker(state) != CommandBlockerType::None)
        return false;
    modelCode_ = state.status.ModelCode();
    serial_ = state.status.serial;
    recordingAtStart_ = state.Recording();
    port_.SetBusy(true);
    busy_ = true;

    QDir().mkpath(dataFolder);
    path_ = DestinationPath(dataFolder, modelCode_);
    // Written beside its name and renamed to it once finished, so that a file under that name
    // is always whole. What a download cut off without a word left here is written over.
    file_.setFileName(path_ + QStringLiteral(".part"));
    if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path_}), MessageIconType::Error);
        Release();
        ended_ = true;
        return false;
    }
    InstrumentPort* source = &port_;
    if (keepRawDump_) {
        dumpStatus_ = RawDump::StatusTextOf(state, used);
        recorder_ = std::make_unique<RawDumpRecorder>(port_);
        source = recorder_.get();
    }
    transfer_ = std::make_unique<DownloadTransfer>(*source, file_, used, clock_);
    return true;
}

TransferStateType DownloadJob::Tick() {
    if (!Running())
        return transfer_ ? transfer_->State() : TransferStateType::NoData;
    const TransferStateType state = transfer_->Tick();
    if (state == TransferStateType::Finished && transfer_->Incomplete())
        ui_.ShowMessage(transfer_->IncompleteText(), MessageIconType::Warning);
    if (state == TransferStateType::WaitingForLink || state == TransferStateType::Copying ||
        state == TransferStateType::Finished)
        return state;
    // The file goes before the message, so that a tick run from inside the message box finds
    // nothing left to report.
    Discard();
    switch (state) {
    case TransferStateType::NoData:
        ui_.ShowMessage(ResourceString(TextId::kInstrumentHasNoData), MessageIconType::Information);
        break;
    case TransferStateType::Unplugged:
        ui_.ShowMessage(ResourceString(TextId::kUnpluggedDuringDownload), MessageIconType::Error);
        break;
    case TransferStateType::Replaced:
        ui_.ShowMessage(
            FormatResource(TextId::kLoggerReplaced, {transfer_->ReplacementSerial(), serial_}),
            MessageIconType::Error);
        break;
    case TransferStateType::Unreadable:
        ui_.ShowMessage(
            FormatResource(TextId::kNoUsableRecording, {DriveFileName(DriveFileType::Record)}),
            MessageIconType::Error);
        break;
    default:
        ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path_}), MessageIconType::Error);
        break;
    }
    return state;
}

void DownloadJob::Cancel() {
    if (!ended_)
        Discard();
}

std::unique_ptr<CRecSession> DownloadJob::ParameterSession() const {
    const LoggerHeaderValues& h = transfer_->Header();
    auto s = std::make_unique<CRecSession>();
    s->SelectModel(modelCode_, h.tcIndex);
    s->SetHeaderValue(HeaderKeyType::Model, QString::number(modelCode_));
    s->SetHeaderValue(HeaderKeyType::SerNum, serial_);
    const ModelEntry& entry = s->Entry();
    QString stored = h.unitsText;
    if (s->Flags().temperature)
        stored = ResourceString(TextId::kCelsius);
    else if (!s->Flags().linear || stored.isEmpty())
        stored = entry.UnitText();
    s->SetStoredUnits(stored);
    s->NormaliseDisplayUnits(stored);
    s->SetScales(DecodeScaleText(h.lowScaleText, entry.RangeLow()),
                 DecodeScaleText(h.highScaleText, entry.RangeHigh()));
    s->SetTcIndex(h.tcIndex);
    s->SetCjc(h.cjc);
    s->SetPolarity(h.polarity);
    s->SetFilterSize(h.filterSize);
    s->SetCorrectedStart(ParseDateTimeText(h.startText));
    s->SetRecordingInProgress(recordingAtStart_);
    s->SetSessionName(QFileInfo(path_).completeBaseName());

    const QString section = InstrumentSettingsSection(modelCode_, serial_);
    const bool remembered = settings_.GetInt(section, QStringLiteral("Type"), kNoType) != kNoType;
    const auto value = [&](const char16_t* key, const QString& fallback) {
        return remembered ? settings_.GetString(section, QString::fromUtf16(key), fallback)
                          : fallback;
    };
    s->SetInstrumentName(value(u"InstName", ModelText(modelCode_)));
    s->SetLocation(value(u"Location", QString()));
    s->SetReportHeader(value(u"Header", QString()));
    s->SetReportFooter(value(u"Footer", QString()));
    return s;
}

bool DownloadJob::WriteParameters(const QByteArray& block) {
    return file_.seek(transfer_->HeaderLength()) && file_.write(block) == block.size() &&
           file_.flush();
}

bool DownloadJob::Finish(const QByteArray& block) {
    if (!WriteParameters(block)) {
        Discard();
        ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path_}), MessageIconType::Error);
        return false;
    }
    file_.close();
    const QString dumpPath = RawDump::PathFor(path_);
    if (recorder_) {
        const RawDump dump{dumpStatus_, block, recorder_->Record()};
        if (const Outcome saved = dump.Save(dumpPath); !saved) {
            Discard();
            ui_.ShowMessage(saved.message, MessageIconType::Error);
            return false;
        }
    }
    // Never over a file that took the name meanwhile.
    if (!QFile::rename(file_.fileName(), path_)) {
        if (recorder_)
            QFile::remove(dumpPath);
        Discard();
        ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path_}), MessageIconType::Error);
        return false;
    }
    Release();
    ended_ = true;
    return true;
}

bool DownloadJob::CompleteWithParameterBlock(const QByteArray& block) {
    if (ended_ || !transfer_ || transfer_->State() != TransferStateType::Finished ||
        block.size() != kParameterBlockSize)
        return false;
    completed_ = Finish(block);
    return completed_;
}

bool DownloadJob::CompleteParameters(
    const std::function<bool(SessionParamsEditModel&)>& runDialog) {
    if (ended_ || !transfer_ || transfer_->State() != TransferStateType::Finished)
        return false;
    const std::unique_ptr<CRecSession> session = ParameterSession();
    SessionParamsEditModel model(*session);
    const bool accepted = runDialog && runDialog(model) && !model.Validate();
    if (accepted) {
        ApplyValues(*session, model.Result());
        StoreInstrumentTexts(settings_, *session);
    }
    // Even when the editor is cancelled the block carries the logger's values, so the copy on
    // the disk reads back with the right scales.
    if (!Finish(BuildParameterBlock(ParameterBlockFields::Of(*session))))
        return false;
    completed_ = accepted;
    return completed_;
}

void DownloadJob::Discard() {
    file_.close();
    if (!path_.isEmpty())
        QFile::remove(file_.fileName());
    Release();
    ended_ = true;
}

void DownloadJob::Release() {
    if (!busy_)
        return;
    port_.SetBusy(false);
    busy_ = false;
}

#pragma once

#include "core/instrument/DownloadTransfer.h"
#include "core/instrument/RawDump.h"

#include <QFile>
#include <QString>
#include <functional>
#include <memory>

class Clock;
class CRecSession;
class InstrumentPort;
class SessionParamsEditModel;
class SettingsStore;
class UserInterface;

// "Télécharger les données enregistrées" from start to end: the destination file, the copy
// under the download window, the parameter step and the finished session file that the
// document then opens as a temporary session. A download that does not finish leaves no file
// behind, and the monitor is suspended only while the job runs.
class DownloadJob {
public:
    DownloadJob(InstrumentPort& port, UserInterface& ui, SettingsStore& settings,
                const Clock& clock);
    ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // "Modèle VX20 (420 mAdc).vx" in `folder`, or the first free name with _1, _2, ...
    static QString DestinationPath(const QString& folder, int modelCode);

    // Before Begin(): keep NAME.vxdump beside the finished NAME.vx (RawDump).
    void KeepRawDump(bool on) { keepRawDump_ = on; }

    // False when the command is disabled or the logger holds nothing, or when the file cannot
    // be created (the user is told).
    bool Begin(const QString& dataFolder);
    // The window's 10 ms timer. Once it is no longer running the window closes; a refusal has
    // been shown to the user by then.
    TransferStateType Tick();
    // While true, keep ticking; false once the copy ended, failed or was cancelled.
    bool Running() const { return transfer_ && !ended_ && transfer_->Running(); }
    // Null before Begin() succeeded.
    const DownloadTransfer* Transfer() const { return transfer_.get(); }
    // Closing the window during the copy; the job is over.
    void Cancel();

    // After a finished copy: `runDialog` shows the session parameters editor bound to the
    // model and returns true on OK. The remembered values of this instrument come first;
    // OK remembers the new ones. On cancel the file keeps the logger's own values and is not
    // to be opened.
    bool CompleteParameters(const std::function<bool(SessionParamsEditModel&)>& runDialog);

    // A replay: the parameter block a dump recorded takes the place of the parameter step, so
    // that the file comes out as the download wrote it.
    bool CompleteWithParameterBlock(const QByteArray& block);

    // The session file's name; the file appears under it once the copy and its parameters
    // are written.
    const QString& FilePath() const { return path_; }
    // The finished session file; empty until CompleteParameters() returned true.
    QString SessionFilePath() const { return completed_ ? path_ : QString(); }

private:
    std::unique_ptr<CRecSession> ParameterSession() const;
    bool WriteParameters(const QByteArray& block);
    // The block goes into the file, then the dump beside it; either failing leaves neither.
    bool Finish(const QByteArray& block);
    void Discard();
    void Release();

    InstrumentPort& port_;
    UserInterface& ui_;
    SettingsStore& settings_;
    const Clock& clock_;
    QString path_;
    QFile file_;
    std::unique_ptr<RawDumpRecorder> recorder_;
    QByteArray dumpStatus_;
    std::unique_ptr<DownloadTransfer> transfer_;
    int modelCode_ = 0;
    QString serial_;
    bool recordingAtStart_ = false;
    bool busy_ = false;
    bool ended_ = false;
    bool completed_ = false;
    bool keepRawDump_ = false;
};

#pragma once

#include "core/app/UserInterface.h"
#include "core/session/CLoadFile.h"
#include "core/session/SessionFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>

class CRecSession;

// Opening a session file as one job for the progress window: the file is read into memory,
// checked, and the session is built from it, each a bounded piece per step, so that the bar
// covers the whole wait and "Annuler" can stop any of it.
class SessionLoadJob final : public StepJob {
public:
    // `file` is open for reading; `buffer` holds at least `size` bytes, zero past them.
    SessionLoadJob(QFile& file, QByteArray& buffer, qint64 size, CRecSession& session,
                   bool isTemporary);

    StepProgress Step() override;

    QString Title() const { return load_.Title(); }
    // Why the file was refused; empty when it was not (a failed read says nothing).
    const QString& Problem() const { return problem_; }

private:
    StepProgress Fail(const QString& problem);
    int Percent() const;

    QString path_;
    QByteArray& buffer_;
    qint64 size_;
    CRecSession& session_;
    bool isTemporary_;
    CLoadFile load_;
    bool read_ = false;
    std::optional<SessionImageReader> reader_;
    QString problem_;
};

#include "core/session/SessionSaver.h"

#include "core/app/UserInterface.h"
#include "core/common/FileNames.h"
#include "core/common/StringTable.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool SamePath(const QString& a, const QString& b) {
    return !a.isEmpty() && QDir::cleanPath(a) == QDir::cleanPath(b);
}

// Nobody else holds the file open for writing (tried twice, as a busy file often frees).
bool CanWriteExisting(const QString& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        QFile file(path);
        if (file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            return true;
    }
    return false;
}

// Whether a new file can be made there, leaving nothing behind.
bool CanCreate(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

void MarkSaved(CRecSession& session) {
    session.SetModified(false);
    session.SetTemporary(false);
}

} // namespace

SavePathChoice SessionSaver::ChooseSavePath(const CRecSession& session, bool keepName) const {
    const bool haveFolder = !dataFolder_.isEmpty() && QDir().mkpath(dataFolder_);
    QString name = session.SessionName();
    MakeSafeName(name);
    QString proposal = dataFolder_;
    if (!proposal.isEmpty() && !proposal.endsWith(u'/'))
        proposal += u'/';
    proposal += name + u'.' + ResourceString(TextId::kSessionExtension);
    if (!keepName)
        proposal = UniqueFileName(proposal);

    const SavePathRequest request{proposal, haveFolder ? dataFolder_ : QString(),
                                  ResourceString(TextId::kSessionFileFilter),
                                  ResourceString(TextId::kSessionExtension)};
    for (;;) {
        const QString path = ui_.AskSavePath(request);
        if (path.isEmpty())
            return {};
        if (!QFileInfo::exists(path)) {
            if (CanCreate(path))
                return {path, false};
            ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path}), MessageIconType::Error);
            return {};
        }
        if (!CanWriteExisting(path)) {
            ui_.ShowMessage(FormatResource(TextId::kCannotWrite, {path}), MessageIconType::Error);
            continue;
        }
        if (keepName && SamePath(path, session.Path()))
            return {path, true};
        // The old file is left as it is: the save replaces it only once the new one is whole.
        switch (ui_.AskFileExists(FormatResource(TextId::kFileExists, {path}))) {
        case FileExistsChoiceType::Replace:
            return {path, false};
        case FileExistsChoiceType::SelectOther:
            continue;
        case FileExistsChoiceType::Cancel:
            return {};
        }
        return {};
    }
}

bool SessionSaver::SaveSession(CRecSession& session) const {
    return RewriteSessionParams(session.Path(), session);
}

bool SessionSaver::SaveSessionAs(const QString& path, CRecSession& session, bool samePath) const {
    const bool ownPath = samePath || SamePath(path, session.Path());
    if (ownPath && !session.IsModified()) {
        MarkSaved(session);
        return true;
    }
    const QString oldPath = session.Path();
    const bool wasTemporary = session.IsTemporary();
    if (!WriteSessionTo(path, session))
        return false;
    if (wasTemporary && !ownPath)
        QFile::remove(oldPath);
    return true;
}

bool SessionSaver::WriteSessionTo(const QString& path, CRecSession& session) const {
    if (const Outcome written = WriteSessionFile(session, path); !written) {
        ui_.ShowMessage(written.message, MessageIconType::Error);
        return false;
    }
    // The file now holds a parameter block: later saves rewrite only that, in this file.
    session.SetPath(path);
    session.SetInstrumentFile(false);
    MarkSaved(session);
    return true;
}

bool SessionSaver::RewriteSessionParams(const QString& path, CRecSession& session) const {
    if (const Outcome written = RewriteParameterBlock(session, path); !written) {
        ui_.ShowMessage(written.message, MessageIconType::Error);
        return false;
    }
    MarkSaved(session);
    return true;
}

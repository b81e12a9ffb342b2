#include "core/doc/CVexloDoc.h"

#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"
#include "core/session/AlarmLimitsEditModel.h"
#include "core/session/InstrumentSettings.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionOpener.h"
#include "core/session/SessionParamsEditModel.h"

#include <QFile>
#include <algorithm>

namespace {

// For a document with nobody to ask: says nothing and declines everything.
class QuietUserInterface final : public UserInterface {
public:
    void ShowMessage(const QString&, MessageIconType) override {}
    AnswerType AskYesNoCancel(const QString&) override { return AnswerType::Cancel; }
    bool AskOkCancel(const QString&) override { return false; }
    QString AskSavePath(const SavePathRequest&) override { return QString(); }
    FileExistsChoiceType AskFileExists(const QString&) override {
        return FileExistsChoiceType::Cancel;
    }
    JobEndType RunModalJob(StepJob& job, const QString&) override {
        for (;;) {
            const StepProgress p = job.Step();
            if (p.state == JobStateType::Done)
                return JobEndType::Done;
            if (p.state == JobStateType::Failed)
                return JobEndType::Failed;
        }
    }
};

} // namespace

CVexloDoc::CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock)
    : CVexloDoc(settings, drives, clock, std::make_unique<QuietUserInterface>(), nullptr) {}

CVexloDoc::CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock,
                     UserInterface& ui)
    : CVexloDoc(settings, drives, clock, nullptr, &ui) {}

CVexloDoc::CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock,
                     std::unique_ptr<UserInterface> quietUi, UserInterface* ui)
    : settings_(settings), clock_(clock), quietUi_(std::move(quietUi)), ui_(ui ? *ui : *quietUi_),
      options_(DocumentOptions::Load(settings)), colours_(TraceColours::Load(settings)),
      monitor_(drives, clock, *this, [this] { UpdateAllViews(UpdateHintType::InstrumentStatus); }),
      saver_(ui_) {
    monitor_.SetFirmwareCheckEnabled(options_.checkFirmware);
    LoadRecentFiles();
}

void CVexloDoc::LoadRecentFiles() {
    using namespace SettingsKeys;
    for (int i = 0; i < kRecentFileCount; ++i) {
        const QString path = settings_.GetString(RecentFilesSection(), RecentFile(i), QString());
        if (!path.isEmpty())
            recentFiles_.append(path);
    }
}

void CVexloDoc::SaveRecentFiles() {
    using namespace SettingsKeys;
    for (int i = 0; i < kRecentFileCount; ++i)
        settings_.SetString(RecentFilesSection(), RecentFile(i), recentFiles_.value(i));
}

CVexloDoc::~CVexloDoc() = default;

void CVexloDoc::SetTemperatureUnits(int units) {
    const int normalised = std::max(0, units);
    if (normalised == options_.temperatureUnits)
        return;
    options_.temperatureUnits = normalised;
    ConvertSessionsToTemperatureUnit();
    UpdateAllViews(UpdateHintType::DisplaySettings);
}

void CVexloDoc::ConvertSessionsToTemperatureUnit() {
    // Every open session, not only the one shown, so that none shows the old unit later.
    for (CRecSession* session : registry_.Sessions()) {
        session->NormaliseDisplayUnits(session->DisplayUnits());
        if (session->Flags().temperature)
            session->RecomputeValues();
    }
    // The remembered temperature limits are in °C; the sessions' follow the new unit.
    ReloadFigures();
}

void CVexloDoc::ReloadFigures() {
    for (CRecSession* session : registry_.Sessions())
        session->SetFigures(SessionFigures::Load(settings_, *session));
}

bool CVexloDoc::EditAlarmLimits(CRecSession& session,
                                const std::function<bool(AlarmLimitsEditModel&)>& runDialog) {
    AlarmLimitsEditModel model(session);
    if (!runDialog(model))
        return false;
    model.Result().StoreLimits(settings_, session);
    // Every open session of that logger follows, as its next download will. Only figures
    // change: the live data and the overlays' views stay as they are.
    ReloadFigures();
    if (!printPreview_)
        UpdateAllViews(UpdateHintType::Refresh);
    return true;
}

bool CVexloDoc::EditOptions(const std::function<bool(OptionsModel&)>& runDialog) {
    OptionsModel model(options_);
    if (!runDialog(model))
        return false;
    const OptionsModel::Accepted accepted = model.Accept(settings_);
    const bool unitChanged = accepted.options.temperatureUnits != options_.temperatureUnits;
    const bool activationChanged =
        accepted.options.mktActivationKelvin != options_.mktActivationKelvin;
    options_ = accepted.options;
    if (unitChanged)
        ConvertSessionsToTemperatureUnit();
    else if (activationChanged)
        ReloadFigures();
    monitor_.SetFirmwareCheckEnabled(options_.checkFirmware);
    if (accepted.hint && !printPreview_)
        UpdateAllViews(*accepted.hint);
    return true;
}

bool CVexloDoc::EditColours(const std::function<bool(TraceColorsDlgModel&)>& runDialog) {
    TraceColours edited = colours_;
    TraceColorsDlgModel model(BuildColorChangeList(edited));
    if (!runDialog(model))
        return false;
    const UpdateHintType hint = model.Accept();
    colours_ = edited;
    colours_.Save(settings_);
    if (!printPreview_)
        UpdateAllViews(hint);
    return true;
}

void CVexloDoc::AddObserver(DocObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void CVexloDoc::RemoveObserver(DocObserver* observer) {
    std::erase(observers_, observer);
}

void CVexloDoc::UpdateAllViews(UpdateHintType hint) {
    // A copy, since an observer may leave while it is told.
    const std::vector<DocObserver*> observers = observers_;
    for (DocObserver* o : observers)
        o->OnDocumentUpdate(hint);
}

void CVexloDoc::ShowSession(uint32_t number) {
    if (printPreview_)
        return;
    hintSession_ = number;
    UpdateAllViews(UpdateHintType::ShowSession);
}

bool CVexloDoc::OpenSessionFile(const QString& path, bool isTemporary) {
    if (!isTemporary && FindSessionByPath(path))
        return true;
    auto owned = std::make_unique<CRecSession>(this);
    // The reader names a logger's session after its file.
    owned->SetPath(path);
    // Registered only once whole, so that a load given up leaves nothing behind.
    if (!SessionOpener(ui_).Open(path, *owned, isTemporary))
        return false;
    owned->SetFigures(SessionFigures::Load(settings_, *owned));
    CRecSession& session = registry_.Add(std::move(owned));
    hintSession_ = session.Number();
    UpdateAllViews(UpdateHintType::SessionAdded);
    Remember(path, !isTemporary);
    ShowSession(session.Number());
    return true;
}

bool CVexloDoc::FindSessionByPath(const QString& path) {
    const CRecSession* session = registry_.FindByPath(path);
    if (!session)
        return false;
    ShowSession(session->Number());
    return true;
}

void CVexloDoc::RemoveSession(uint32_t number) {
    if (!registry_.Remove(number))
        return;
    hintSession_ = number;
    UpdateAllViews(UpdateHintType::SessionRemoved);
}

void CVexloDoc::Remember(const QString& path, bool addToRecent) {
    pathName_ = path;
    if (!addToRecent)
        return;
    recentFiles_.removeIf(
        [&](const QString& p) { return p.compare(path, Qt::CaseInsensitive) == 0; });
    recentFiles_.prepend(path);
    while (recentFiles_.size() > SettingsKeys::kRecentFileCount)
        recentFiles_.removeLast();
    SaveRecentFiles();
}

bool CVexloDoc::CanSaveSession(const CRecSession& session) const {
    return !session.IsInstrumentFile() && (session.IsModified() || session.IsTemporary());
}

bool CVexloDoc::SaveSession(CRecSession& session) {
    return CanSaveSession(session) && saver_.SaveSession(session);
}

bool CVexloDoc::SaveSessionAsCommand(CRecSession& session) {
    const SavePathChoice choice = saver_.ChooseSavePath(session, session.IsTemporary());
    if (!choice.Chosen() || !SaveSessionAs(choice.path, session, choice.samePath))
        return false;
    Remember(choice.path, true);
    return true;
}

bool CVexloDoc::SaveSessionAs(const QString& path, CRecSession& session, bool samePath) {
    return saver_.SaveSessionAs(path, session, samePath);
}

bool CVexloDoc::WriteSessionTo(const QString& path, CRecSession& session) {
    return saver_.WriteSessionTo(path, session);
}

bool CVexloDoc::RewriteSessionParams(const QString& path, CRecSession& session) {
    return saver_.RewriteSessionParams(path, session);
}

SavePathChoice CVexloDoc::ChooseSavePath(const CRecSession& session, bool keepName) const {
    return saver_.ChooseSavePath(session, keepName);
}

CVexloDoc::CloseAnswerType CVexloDoc::AskToSave(CRecSession& session) {
    if (!session.IsModified() && !session.IsTemporary())
        return CloseAnswerType::Discarded;
    switch (
        ui_.AskYesNoCancel(FormatResource(TextId::kSaveModifiedSession, {session.SessionName()}))) {
    case AnswerType::Cancel:
        return CloseAnswerType::Cancelled;
    case AnswerType::No:
        return CloseAnswerType::Discarded;
    case AnswerType::Yes:
        break;
    }
    if (session.IsTemporary() || session.IsInstrumentFile()) {
        const SavePathChoice choice = saver_.ChooseSavePath(session, session.IsTemporary());
        // A save that did not happen keeps the session, whatever the reason.
        return choice.Chosen() && saver_.SaveSessionAs(choice.path, session, choice.samePath)
                   ? CloseAnswerType::Saved
                   : CloseAnswerType::Cancelled;
    }
    return saver_.RewriteSessionParams(session.Path(), session) ? CloseAnswerType::Saved
                                                                : CloseAnswerType::Cancelled;
}

bool CVexloDoc::CloseSession(CRecSession& session) {
    if (AskToSave(session) == CloseAnswerType::Cancelled)
        return false;
    // A download that was not saved is not kept on the disk either.
    const QString unsavedDownload = session.IsTemporary() ? session.Path() : QString();
    RemoveSession(session.Number());
    if (!unsavedDownload.isEmpty())
        QFile::remove(unsavedDownload);
    return true;
}

bool CVexloDoc::QueryCloseAll() {
    // Downloads answered "Non" are deleted only once the program is sure to close, so that a
    // later "Annuler" leaves every open session with its file.
    QStringList unsavedDownloads;
    for (CRecSession* session : registry_.Sessions()) {
        if (AskToSave(*session) == CloseAnswerType::Cancelled)
            return false;
        if (session->IsTemporary())
            unsavedDownloads.append(session->Path());
    }
    for (const QString& path : unsavedDownloads)
        QFile::remove(path);
    return true;
}

std::vector<SessionParamsRow> CVexloDoc::BuildSessionParams(const CRecSession& session) const {
    return ::BuildSessionParams(session);
}

bool CVexloDoc::EditSessionParams(CRecSession& session,
                                  const std::function<bool(SessionParamsEditModel&)>& runDialog) {
    SessionParamsEditModel model(session);
    const SessionParamsValues before = SessionParamsValues::Of(session);
    if (!runDialog(model) || model.Validate())
        return false;
    ApplySessionParams(session, before, model.Result());
    StoreInstrumentTexts(settings_, session);
    return true;
}

ApplyOutcome CVexloDoc::ApplySessionParams(CRecSession& session, const SessionParamsValues& before,
                                           const SessionParamsValues& after) {
    const ApplyOutcome outcome = ::ApplySessionParams(session, before, after);
    hintSession_ = session.Number();
    UpdateAllViews(UpdateHintType::Refresh);
    return outcome;
}

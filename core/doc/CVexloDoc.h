#pragma once

#include "core/app/OptionsModel.h"
#include "core/app/TraceColours.h"
#include "core/common/TemperatureUnitSource.h"
#include "core/common/UpdateHint.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/session/SessionParams.h"
#include "core/session/SessionParamsValues.h"
#include "core/session/SessionRegistry.h"
#include "core/session/SessionSaver.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class AlarmLimitsEditModel;
class Clock;
class DriveBackend;
class SessionParamsEditModel;
class SettingsStore;
class UserInterface;

// The one document: it owns the instrument connection and the open sessions, and tells its
// views what changed.
class CVexloDoc final : public TemperatureUnitSource {
public:
    // Without a user interface every question is declined and no message is shown.
    CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock);
    CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock, UserInterface& ui);
    ~CVexloDoc() override;
    CVexloDoc(const CVexloDoc&) = delete;
    CVexloDoc& operator=(const CVexloDoc&) = delete;

    bool UseFahrenheit() const override { return options_.temperatureUnits > 0; }
    int TemperatureUnits() const { return options_.temperatureUnits; }
    void SetTemperatureUnits(int units);
    const DocumentOptions& Options() const { return options_; }
    // `runDialog` shows the dialog bound to the model and returns true on OK.
    bool EditOptions(const std::function<bool(OptionsModel&)>& runDialog);

    const TraceColours& Colours() const { return colours_; }
    bool EditColours(const std::function<bool(TraceColorsDlgModel&)>& runDialog);

    void AddObserver(DocObserver* observer);
    void RemoveObserver(DocObserver* observer);
    void UpdateAllViews(UpdateHintType hint);
    // The session that came with the last hint about one session (added, shown, removed,
    // edited).
    uint32_t HintSession() const { return hintSession_; }

    CInstrumentMonitor& Monitor() { return monitor_; }
    const CInstrumentMonitor& Monitor() const { return monitor_; }
    SettingsStore& Settings() { return settings_; }
    UserInterface& Ui() { return ui_; }
    const Clock& ClockSource() const { return clock_; }

    // Sessions
    void SetDataFolder(const QString& folder) { saver_.SetDataFolder(folder); }
    void SetPrintPreviewShowing(bool on) { printPreview_ = on; }
    bool PrintPreviewShowing() const { return printPreview_; }
    bool OpenSessionFile(const QString& path, bool isTemporary);
    // Brings an open session with that path (ignoring case) forward.
    bool FindSessionByPath(const QString& path);
    CRecSession* FindSession(uint32_t number) const { return registry_.Find(number); }
    void RemoveSession(uint32_t number);
    std::vector<CRecSession*> Sessions() const { return registry_.Sessions(); }
    const QString& PathName() const { return pathName_; }
    // Most recent first.
    const QStringList& RecentFiles() const { return recentFiles_; }

    // "Enregistrer": only for a control-panel file with something to save.
    bool CanSaveSession(const CRecSession& session) const;
    bool SaveSession(CRecSession& session);
    // "Enregistrer sous": asks for a path, then writes the whole file there.
    bool SaveSessionAsCommand(CRecSession& session);
    bool SaveSessionAs(const QString& path, CRecSession& session, bool samePath);
    bool WriteSessionTo(const QString& path, CRecSession& session);
    bool RewriteSessionParams(const QString& path, CRecSession& session);
    SavePathChoice ChooseSavePath(const CRecSession& session, bool keepName) const;

    // False when the user cancels; the session is then still open.
    bool CloseSession(CRecSession& session);
    // Asks about every unsaved session before the program ends; false keeps it open.
    bool QueryCloseAll();

    std::vector<SessionParamsRow> BuildSessionParams(const CRecSession& session) const;
    // `runDialog` shows the dialog bound to the model and returns true on OK.
    bool EditSessionParams(CRecSession& session,
                           const std::function<bool(SessionParamsEditModel&)>& runDialog);
    ApplyOutcome ApplySessionParams(CRecSession& session, const SessionParamsValues& before,
                                    const SessionParamsValues& after);
    // The limits are remembered for the session's logger: every open session of it, and its
    // next download, get them.
    bool EditAlarmLimits(CRecSession& session,
                         const std::function<bool(AlarmLimitsEditModel&)>& runDialog);

private:
    enum class CloseAnswerType { Saved, Discarded, Cancelled };
    CVexloDoc(SettingsStore& settings, DriveBackend& drives, const Clock& clock,
              std::unique_ptr<UserInterface> quietUi, UserInterface* ui);
    // The modified prompt, and the save that answers "Oui" to it.
    CloseAnswerType AskToSave(CRecSession& session);
    void ShowSession(uint32_t number);
    void Remember(const QString& path, bool addToRecent);
    void ConvertSessionsToTemperatureUnit();
    // The alarm limits and ΔH/R of every open session, as the settings now give them.
    void ReloadFigures();
    void LoadRecentFiles();
    void SaveRecentFiles();

    SettingsStore& settings_;
    const Clock& clock_;
    std::unique_ptr<UserInterface> quietUi_;
    UserInterface& ui_;
    DocumentOptions options_;
    TraceColours colours_;
    std::vector<DocObserver*> observers_;
    CInstrumentMonitor monitor_;
    SessionRegistry registry_;
    SessionSaver saver_;
    uint32_t hintSession_ = 0;
    bool printPreview_ = false;
    QString pathName_;
    QStringList recentFiles_;
};

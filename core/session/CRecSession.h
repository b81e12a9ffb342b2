#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/session/CChanData.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFigures.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

struct ParameterBlockFields;

class TemperatureUnitSource;

// The keys of a session file header, in the order the logger writes them.
enum class HeaderKeyType : int {
    AppName,
    GenBy,
    FVer,
    Model,
    SerNum,
    VRef,
    MaxCnt,
    ZLevel,
    NumChans,
    Ch1Gain,
    Ch1Off,
    Ch1Rng,
    Ch1Mult,
    Start,
    End,
    Per,
    Ch1LowScale,
    Ch1HighScale,
    Ch1Units,
    TcType,
    EnableCjc,
    Polarity,
    FilterSize,
    RtdRef,
    RtdNom,
};
inline constexpr int kHeaderKeyCount = 25;
// "AppName=", "GenBy=", ...
QString HeaderKeyText(HeaderKeyType key);

// One open recording session: the file's header and parameters, and its channel data.
class CRecSession {
public:
    explicit CRecSession(const TemperatureUnitSource* units = nullptr);
    CRecSession(const CRecSession&) = delete;
    CRecSession& operator=(const CRecSession&) = delete;

    // Flags
    bool IsModified() const { return modified_; }
    void SetModified(bool on) { modified_ = on; }
    bool IsInstrumentFile() const { return instrumentFile_; }
    void SetInstrumentFile(bool on) { instrumentFile_ = on; }
    bool IsTemporary() const { return temporary_; }
    void SetTemporary(bool on) { temporary_ = on; }
    uint32_t Number() const { return number_; }
    void SetNumber(uint32_t n) { number_ = n; }
    int TypeTag() const { return typeTag_; }
    void SetTypeTag(int tag) { typeTag_ = tag; }

    // Alarm limits and the mean kinetic temperature, as the page, report and stats show them.
    const SessionFigures& Figures() const { return figures_; }
    // Limits and the MKT are kept only for a session they apply to.
    void SetFigures(const SessionFigures& f);

    const QString& Path() const { return path_; }
    void SetPath(const QString& path) { path_ = path; }

    // Model
    const ModelEntry& Entry() const { return ModelTableRow(row_); }
    int Row() const { return row_; }
    int ModelCode() const { return modelCode_; }
    const KindFlags& Flags() const { return flags_; }
    void SelectModel(int modelCode, int tcIndex);
    QString ChannelName() const { return Entry().NameText(); }
    QString ModelName(bool eventForm) const;

    // Header texts, as read
    const QString& HeaderValue(HeaderKeyType key) const {
        return header_[static_cast<std::size_t>(key)];
    }
    void SetHeaderValue(HeaderKeyType key, const QString& value) {
        header_[static_cast<std::size_t>(key)] = value;
    }
    QString SerialNumber() const { return HeaderValue(HeaderKeyType::SerNum); }

    // Parameter-block fields
    bool RecordingInProgress() const { return recordingInProgress_; }
    void SetRecordingInProgress(bool on) { recordingInProgress_ = on; }
    const QString& InstrumentName() const { return instrumentName_; }
    void SetInstrumentName(const QString& s) { instrumentName_ = s; }
    const QString& SessionName() const { return sessionName_; }
    void SetSessionName(const QString& s) { sessionName_ = s; }
    const QString& Location() const { return location_; }
    void SetLocation(const QString& s) { location_ = s; }
    const QString& ReportHeader() const { return reportHeader_; }
    void SetReportHeader(const QString& s) { reportHeader_ = s; }
    const QString& ReportFooter() const { return reportFooter_; }
    void SetReportFooter(const QString& s) { reportFooter_ = s; }
    const QString& Comments() const { return comments_; }
    void SetComments(const QString& s) { comments_ = s; }
    // The six texts a user edits: instrument and session names, location, report header and
    // footer, comments.
    void SetTexts(const ParameterBlockFields& fields);
    float LowScale() const { return lowScale_; }
    float HighScale() const { return highScale_; }
    void SetScales(float low, float high) {
        lowScale_ = low;
        highScale_ = high;
    }
    const QString& DisplayUnits() const { return displayUnits_; }
    void SetDisplayUnits(const QString& s) { displayUnits_ = s; }
    const QString& StoredUnits() const { return storedUnits_; }
    void SetStoredUnits(const QString& s) { storedUnits_ = s; }
    // A temperature channel shows the user's unit; an empty text falls back to the stored one.
    void NormaliseDisplayUnits(const QString& proposed);
    int TcIndex() const { return tcIndex_; }
    void SetTcIndex(int i) { tcIndex_ = i; }
    bool Cjc() const { return cjc_; }
    void SetCjc(bool on) { cjc_ = on; }
    bool Polarity() const { return polarity_; }
    void SetPolarity(bool on) { polarity_ = on; }
    int FilterSize() const { return filterSize_; }
    void SetFilterSize(int n) { filterSize_ = n < 1 ? 1 : n; }
    // How the channel converts its counts under these parameters and the model's range.
    ConversionSettings Conversion() const;

    // Times
    const CalendarDateTime& CorrectedStart() const { return correctedStart_; }
    void SetCorrectedStart(const CalendarDateTime& dt) { correctedStart_ = dt; }
    int64_t StartTime() const { return startTime_; }
    // Start time := corrected start + the filter delay; the "Start=" text follows.
    void UpdateStartTime();
    const CalendarDateTime& End() const { return end_; }
    const QString& EndText() const { return endText_; }
    int32_t DurationSeconds() const { return durationSeconds_; }
    double Duration() const { return duration_; }
    const QString& DurationText() const { return durationText_; }
    int32_t StoragePeriod() const { return storagePeriod_; }
    const QString& StoragePeriodText() const { return storagePeriodText_; }
    void SetDuration(double seconds);
    void SetStoragePeriodFromModel();

    // File copies
    const QByteArray& HeaderCopy() const { return headerCopy_; }
    const QByteArray& DataCopy() const { return dataCopy_; }
    int HeaderSize() const { return static_cast<int>(headerCopy_.size()); }
    void SetFileCopies(QByteArray header, QByteArray data) {
        headerCopy_ = std::move(header);
        dataCopy_ = std::move(data);
    }
    void FreeFileCopies() {
        headerCopy_.clear();
        dataCopy_.clear();
    }

    CChanData& ChanData() { return chanData_; }
    const CChanData& ChanData() const { return chanData_; }
    bool UsesFahrenheit() const;

    // Reconverts every value with the current settings (filtered for analog channels).
    void RecomputeValues();

private:
    const TemperatureUnitSource* units_;
    SessionFigures figures_;
    bool modified_ = false;
    bool instrumentFile_ = false;
    bool temporary_ = false;
    uint32_t number_ = 0;
    int typeTag_ = 0;
    QString path_;

    int row_ = 0;
    int modelCode_ = 0;
    KindFlags flags_ = KindFlags::Of(ChannelKindType::Undefined);
    std::array<QString, kHeaderKeyCount> header_;

    bool recordingInProgress_ = false;
    QString instrumentName_, sessionName_, location_, reportHeader_, reportFooter_, comments_;
    float lowScale_ = 0.0f;
    float highScale_ = 1.0f;
    QString displayUnits_;
    QString storedUnits_;
    int tcIndex_ = 1;
    bool cjc_ = false;
    bool polarity_ = true;
    int filterSize_ = 1;

    CalendarDateTime correctedStart_;
    int64_t startTime_ = 0;
    CalendarDateTime end_;
    QString endText_;
    int32_t durationSeconds_ = 0;
    double duration_ = 0.0;
    QString durationText_;
    int32_t storagePeriod_ = 1;
    QString storagePeriodText_ = QStringLiteral("0");

    QByteArray headerCopy_;
    QByteArray dataCopy_;
    CChanData chanData_;
};

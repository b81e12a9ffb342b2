#include "core/instrument/InstrumentRecords.h"

#include "core/instrument/DriveText.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFile.h"

#include <algorithm>

namespace {

// The keys the instrument page shows, in the order they are read.
constexpr const char* kShownKeys[] = {
    "Model=",          "SerNum=",   "Version=", "MemSize=", "MemUsed=", "MemErase=",
    "RecordingState=", "RecStart=", "RecEnd=",  "RecDur=",  "Time="};

// Far above any logger's memory, and low enough that a difference of two such counts (free
// memory) cannot overflow.
constexpr int64_t kCountLimit = int64_t{1} << 40;

int64_t LeadingCount(const QString& text) {
    return LeadingInteger(text, LeadingBlankType::SpaceOrTab, -kCountLimit, kCountLimit);
}

} // namespace

bool IsLoggerStatusText(const char* text, int length) {
    if (DriveTextInt(text, length, "CodePageSize=", 0) <= 0 ||
        DriveTextInt(text, length, "NumCodePages=", 0) <= 0)
        return false;
    return std::any_of(std::begin(kShownKeys), std::end(kShownKeys), [&](const char* key) {
        bool found = false;
        DriveTextValue(text, length, key, &found);
        return found;
    });
}

void InstrumentStatusRecord::ReadTexts(const char* text, int length) {
    const auto value = [&](const char* key) { return DriveTextValue(text, length, key); };
    model = value("Model=");
    serial = value("SerNum=");
    version = value("Version=");
    memSize = value("MemSize=");
    memUsed = value("MemUsed=");
    memErase = value("MemErase=");
    recordingState = value("RecordingState=");
    recStart = value("RecStart=");
    recEnd = value("RecEnd=");
    recDur = value("RecDur=");
    time = value("Time=");
}

void InstrumentStatusRecord::ReadNumbers(const char* text, int length) {
    vRef = DriveTextNumber(text, length, "VRef=", 1.0);
    maxCount = DriveTextNumber(text, length, "MaxCnt=", 1.0);
    rtdReference = DriveTextNumber(text, length, "RTDRef=", 4750.0);
    rtdNominal = DriveTextNumber(text, length, "RTDNom=", 1000.0);
    DriveTextValue(text, length, "RTDCnt=", &hasRtdCount);
    rtdCount = DriveTextInt(text, length, "RTDCnt=", 0);
    chan1Mult = DriveTextNumber(text, length, "Chan1Mult=", 1.0);
    chan1Count = DriveTextInt(text, length, "Chan1Cnt=", 1);
    batteryCount = DriveTextNumber(text, length, "BatCnt=", 1.0);
}

int InstrumentStatusRecord::ModelCode() const {
    return LeadingInt(model, LeadingBlankType::SpaceOrTab);
}

int64_t InstrumentStatusRecord::MemorySize() const {
    return LeadingCount(memSize);
}

int64_t InstrumentStatusRecord::MemoryUsed() const {
    return LeadingCount(memUsed);
}

bool InstrumentStatusRecord::IsErasing() const {
    return LeadingCount(memErase) != 0;
}

bool InstrumentStatusRecord::IsRecording() const {
    return LeadingCount(recordingState) != 0;
}

int64_t InstrumentStatusRecord::RecordingDuration() const {
    return LeadingCount(recDur);
}

void InstrumentConfigRecord::Read(const char* text, int length, int modelRow) {
    const auto value = [&](const char* key) { return DriveTextValue(text, length, key); };
    lowScaleText = value("Chan1LowScale=");
    highScaleText = value("Chan1HighScale=");
    units = value("Chan1Units=");
    tcType = value("TC_Type=");
    enableCjc = value("EnableCJC=");
    polarity = value("Polarity=");
    filterSizeText = value("FilterSize=");
    const ModelEntry& entry = ModelTableRow(modelRow);
    lowScale = DecodeScaleText(lowScaleText, entry.RangeLow());
    highScale = DecodeScaleText(highScaleText, entry.RangeHigh());
    tcIndex = TcLetterToIndex(tcType);
    filterSize = std::max(1, LeadingInt(filterSizeText, LeadingBlankType::SpaceOrTab));
}

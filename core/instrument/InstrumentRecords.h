#pragma once

#include <QString>
#include <cstdint>

// Whether a STATUS.INI text comes from a logger: non-zero "CodePageSize=" and "NumCodePages="
// identify it, and it must carry at least one of the values the instrument page shows.
bool IsLoggerStatusText(const char* text, int length);

// What the logger's STATUS.INI says; texts as read, numbers with their defaults.
struct InstrumentStatusRecord {
    QString model, serial, version, memSize, memUsed, memErase, recordingState, recStart, recEnd,
        recDur, time;
    double vRef = 1.0;
    double maxCount = 1.0;
    double rtdReference = 4750.0;
    double rtdNominal = 1000.0;
    bool hasRtdCount = false;
    int rtdCount = 0;
    double chan1Mult = 1.0;
    int chan1Count = 1;
    double batteryCount = 1.0;

    // The eleven texts, from the first 512 bytes of the file.
    void ReadTexts(const char* text, int length);
    // The converter and live values.
    void ReadNumbers(const char* text, int length);

    int ModelCode() const;
    int64_t MemorySize() const;
    int64_t MemoryUsed() const;
    bool IsErasing() const;
    bool IsRecording() const;
    int64_t RecordingDuration() const;
};

// What the logger's CONFIG.INI says.
struct InstrumentConfigRecord {
    QString lowScaleText, highScaleText, units, tcType, enableCjc, polarity, filterSizeText;
    float lowScale = 0.0f;
    float highScale = 1.0f;
    int tcIndex = 0;
    int filterSize = 1;

    // Scales that are not scale texts take the model's range ends.
    void Read(const char* text, int length, int modelRow);
    bool CjcOn() const { return enableCjc == u"1"; }
    bool PolarityOn() const { return polarity != u"0"; }
};

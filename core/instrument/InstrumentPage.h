#pragma once

#include <QString>
#include <QStringList>
#include <climits>
#include <cstdint>
#include <vector>

struct InstrumentConfigRecord;
struct InstrumentStatusRecord;

// What the value column is made of at a processed status.
struct InstrumentPageInputs {
    const InstrumentStatusRecord& status;
    const InstrumentConfigRecord& config;
    int modelIndex;
    int64_t freeMemory;
    const QString& recordingDuration;
    const QString& channelUnits;
    bool fahrenheit;
    // The live LAST text, and the channel count whose bits an event logger's row shows.
    const QString& lastValue;
    int channelCount;
    double batteryVoltage;
};

// The instrument page: its label and value columns, labels laid out per model and
// values rebuilt at each processed status; while no logger's status has filled it, the
// connection row alone.
class InstrumentPage {
public:
    // Right after a connect: "Établir une connexion".
    void ShowConnecting();
    // A status read that brought nothing: "Déconnecté" in the connection row.
    void ShowStatusUnread();
    bool NeedsLabels(int modelCode) const {
        return modelCode != labelsModelCode_ || labels_.isEmpty();
    }
    void RebuildLabels(int modelCode);
    void RebuildValues(const InstrumentPageInputs& in);

    // The rows as shown: the connection row alone ("Déconnecté" while not connected) until a
    // logger's status has filled the page.
    QStringList Labels(bool connected) const;
    QStringList Values(bool connected, bool scanning) const;

private:
    enum class RowType {
        Blank,
        Connection,
        Model,
        Serial,
        Version,
        MemoryTotal,
        MemoryUsed,
        MemoryFree,
        Clock,
        RecordingState,
        RecordingStart,
        RecordingEnd,
        RecordingDuration,
        TimeLeft,
        Channel,
        Battery,
        RangeOrLowScale,
        HighScale,
        Units,
        TcType,
        Cjc,
        FilterSize,
    };
    struct PageRow {
        int labelId;
        RowType type;
    };

    bool ShowsWholePage(bool connected) const;
    static QString RowValue(RowType type, const InstrumentPageInputs& in);

    std::vector<PageRow> layout_;
    int labelsModelCode_ = INT_MIN;
    QStringList labels_;
    QStringList values_;
};

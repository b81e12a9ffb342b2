#include "cli/InstrumentReport.h"

#include "JsonText.h"
#include "cli/ConsoleOutput.h"
#include "cli/ExitStatus.h"
#include "cli/InstrumentConnection.h"
#include "cli/LoggerCommandResult.h"
#include "cli/PrintedGraph.h"
#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/doc/DocGraphSettings.h"
#include "core/doc/InstrumentPrintContent.h"
#include "core/export/DateTimeTextCache.h"
#include "core/graph/CTrendGraph.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/DriveBackend.h"
#include "core/session/CRecSession.h"
#include "gui/graph/PrintDriver.h"

#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(10);

void Print(std::FILE* out, const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), out);
}

std::string Text(const QString& s) {
    return PrintableText(s).toUtf8().toStdString();
}

// A logger's date text in ISO 8601 with its UTC offset; null when it holds none.
// "MIN 12.5 °C": a statistic's name and its value.
std::string StatLine(int nameId, const QString& value) {
    return Text(ResourceString(nameId)) + ' ' + Text(value);
}

std::string IsoOfLoggerText(const QString& text, DateTimeTextCache& times) {
    const CalendarDateTime local = ParseDateTimeText(text);
    if (!local.valid)
        return "null";
    return '"' + times.IsoAt(local.ToLocalTimeStamp(), 0) + '"';
}

// The page's facts for scripts, beside its display rows: numbers and ISO 8601 times.
std::string LoggerFields(const CInstrumentMonitor& monitor) {
    const InstrumentStatusRecord& s = monitor.Status();
    DateTimeTextCache times;
    return "\"logger\": {\"model_code\": " + JsonText::Number(int64_t{s.ModelCode()}) +
           ", \"serial\": " + JsonText::String(s.serial) +
           ", \"firmware\": " + JsonText::String(s.version) +
           ", \"memory_total_bytes\": " + JsonText::Number(s.MemorySize()) +
           ", \"memory_used_bytes\": " + JsonText::Number(s.MemoryUsed()) +
           ", \"memory_free_bytes\": " + JsonText::Number(monitor.FreeMemory()) +
           ", \"clock_iso\": " + IsoOfLoggerText(s.time, times) +
           ", \"recording_start_iso\": " + IsoOfLoggerText(s.recStart, times) +
           ", \"recording_end_iso\": " + IsoOfLoggerText(s.recEnd, times) +
           ", \"battery_v\": " + JsonText::Number(monitor.BatteryVoltage()) +
           ", \"unit\": " + JsonText::String(monitor.ChannelUnits()) + "}";
}

// A live graph needs a few readings; a logger that records slowly leaves it short.
void WaitForLiveGraph(InstrumentConnection& link) {
    constexpr int kReadings = 3;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    const auto readings = [&link] {
        const CRecSession* live = link.Doc().Monitor().LiveData();
        return live ? live->ChanData().ValueCount() : 0;
    };
    while (readings() < kReadings && !link.Interrupted() &&
           std::chrono::steady_clock::now() < deadline) {
        link.Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The instrument page on paper, as the desktop prints it.
int WritePagePdf(const CVexloDoc& doc, const QString& path) {
    const CInstrumentMonitor& monitor = doc.Monitor();
    const DocGraphSettings settings(doc);
    CTrendGraph graph;
    graph.SetSettingsSource(&settings);
    graph.SetChannelSource(monitor.LiveData());
    graph.SetUnitText(monitor.ChannelUnits());
    graph.ZoomToAll();
    ScaleAsOnScreen(graph);
    InstrumentPrintout printout(InstrumentPrintContent(doc), graph);
    if (const Outcome written = PrintDriver::WritePdf(path, printout); !written)
        return Refuse(CliExit::kRefused, written.message);
    return CliExit::kDone;
}

} // namespace

int InstrumentReport::ListDrives(DriveBackend& drives, bool json, std::FILE* out) {
    // The same scan as a connect, so that the answer is the one the program would act on.
    CInstComm link(drives, std::chrono::milliseconds(5));
    link.Start();
    link.RequestScan();
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (!link.IsIdle() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const QString logger = link.IsIdle() ? link.DriveRoot() : QString();
    link.Stop();

    const std::vector<QString> roots = drives.CandidateDrives();
    if (json) {
        std::string s = "{\"drives\": [";
        for (std::size_t i = 0; i < roots.size(); ++i) {
            s += i ? ", " : "";
            s += "{\"root\": " + JsonText::String(roots[i]) +
                 ", \"logger\": " + JsonText::Bool(!logger.isEmpty() && roots[i] == logger) + "}";
        }
        s +=
            "], \"logger\": " + (logger.isEmpty() ? std::string("null") : JsonText::String(logger));
        s += "}\n";
        Print(out, s);
        return 0;
    }
    for (const QString& root : roots)
        Print(out,
              Text(root) +
                  (root == logger ? '\t' + Text(ResourceString(TextId::kCliLoggerDrive)) : "") +
                  '\n');
    if (roots.empty())
        Print(out, Text(ResourceString(TextId::kCliNoRemovableDrive)) + '\n');
    return 0;
}

int InstrumentReport::ShowStatus(InstrumentConnection& link, bool json, const QString& pdf,
                                 std::FILE* out) {
    if (!link.Connect(kWaitLimit)) {
        // Interrupted, the program ends as Ctrl-C ends it once the connection is gone.
        return link.Interrupted()
                   ? CliExit::kNotNow
                   : Refuse(CliExit::kNotNow,
                            NoAnswerText(link, static_cast<int>(kWaitLimit.count())));
    }
    if (!pdf.isEmpty()) {
        WaitForLiveGraph(link);
        return WritePagePdf(link.Doc(), pdf);
    }
    const CInstrumentMonitor& monitor = link.Doc().Monitor();
    const QStringList labels = monitor.PageLabels();
    const QStringList values = monitor.PageValues();
    const LiveStatisticsTexts& stats = monitor.LiveStatistics();
    if (json) {
        std::string s = "{\"rows\": [";
        for (qsizetype i = 0; i < labels.size(); ++i) {
            s += i ? ",\n  " : "\n  ";
            s += "{\"label\": " + JsonText::String(labels[i]) +
                 ", \"value\": " + JsonText::String(i < values.size() ? values[i] : QString()) +
                 "}";
        }
        s += "\n], \"stats\": {\"min\": " + JsonText::String(stats.min) +
             ", \"max\": " + JsonText::String(stats.max) +
             ", \"avg\": " + JsonText::String(stats.avg) +
             ", \"last\": " + JsonText::String(stats.last) +
             ", \"total\": " + JsonText::String(stats.total) + "}, " + LoggerFields(monitor) +
             "}\n";
        Print(out, s);
        return 0;
    }
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QString value = i < values.size() ? values[i] : QString();
        if (labels[i].isEmpty() && value.isEmpty())
            Print(out, "\n");
        else
            Print(out, Text(labels[i].leftJustified(28)) + ' ' + Text(value) + '\n');
    }
    Print(out, '\n' + StatLine(TextId::kMin, stats.min) + "   " +
                   StatLine(TextId::kMax, stats.max) + "   " + StatLine(TextId::kAvg, stats.avg) +
                   "   " + StatLine(TextId::kLast, stats.last) + "   " +
                   StatLine(TextId::kTotal, stats.total) + '\n');
    return 0;
}

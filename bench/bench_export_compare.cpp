// The export of a million recorded points through SessionExportJob, and the same cells written
// by libxlsxwriter in its constant-memory mode with its default compression, in one run; the
// ratio of the two wall times is printed at the end.
#include "BenchSessions.h"
#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/export/CXLSData.h"
#include "core/export/DateTimeTextCache.h"
#include "core/export/SessionExport.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionParams.h"

#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>
#include <xlsxwriter.h>

namespace {

constexpr int kPoints = 1000000;
constexpr double kTargetRatio = 0.25;
constexpr double kTargetSeconds = 2.5;

const CRecSession& MillionPoints() {
    static CRecSession session;
    static const bool read =
        static_cast<bool>(ReadSessionImage(session, BenchSessions::Voltage(kPoints), false));
    (void)read;
    return session;
}

// The cells of the export, made once so that libxlsxwriter is timed on writing alone.
struct ExportCells {
    struct Row {
        uint32_t date;
        uint32_t time;
        int32_t text; // a marker text instead of the value, or -1
        double value;
    };
    std::vector<std::pair<std::string, std::string>> configuration; // label, value
    std::vector<bool> configurationHeaders;
    std::string channelName;
    std::string units;
    std::vector<std::string> texts; // every distinct date, time and marker text
    std::vector<Row> rows;
};

uint32_t Intern(ExportCells& cells, QHash<QString, uint32_t>& known, QStringView text) {
    const QString key = text.toString();
    const auto it = known.constFind(key);
    if (it != known.constEnd())
        return *it;
    const auto index = static_cast<uint32_t>(cells.texts.size());
    cells.texts.push_back(key.toStdString());
    known.insert(key, index);
    return index;
}

const ExportCells& Cells() {
    static const ExportCells cells = [] {
        const CRecSession& s = MillionPoints();
        ExportCells c;
        for (const SessionParamsRow& row : BuildSessionParams(s)) {
            c.configuration.emplace_back(row.label.toStdString(), row.value.toStdString());
            c.configurationHeaders.push_back(row.header);
        }
        c.channelName = s.ChannelName().toStdString();
        c.units = s.DisplayUnits().toStdString();
        const CChanData& data = s.ChanData();
        const int step = data.Entry().Step;
        const int decimals = std::max(0, data.Entry().Decimals + data.ExtraDecimals());
        QHash<QString, uint32_t> known;
        DateTimeTextCache times;
        const ValueView values = data.FirstRecord().Values();
        c.rows.reserve(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const DateTimeTextCache::Texts when =
                times.At(data.ValueStampAt(static_cast<int64_t>(i)).seconds);
            ExportCells::Row row{Intern(c, known, when.date), Intern(c, known, when.time), -1, 0};
            const double v = values[i];
            if (IsValueMarker(v))
                row.text =
                    static_cast<int32_t>(Intern(c, known,
                                                ResourceString(v == NoValue           ? 612
                                                               : v == UnderRangeValue ? 613
                                                                                      : 614)));
            else
                row.value = RoundToDisplayStep(v, step, decimals);
            c.rows.push_back(row);
        }
        return c;
    }();
    return cells;
}

void BM_SessionExportJob(benchmark::State& state) {
    const CRecSession& session = MillionPoints();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ours.xlsx"));
    for (auto _ : state) {
        CXLSData workbook;
        if (!workbook.Open(path)) {
            state.SkipWithError("cannot create the workbook");
            return;
        }
        SessionExportJob job(session, workbook);
        StepProgress p;
        do
            p = job.Step();
        while (p.state == JobStateType::Running);
        if (p.state != JobStateType::Done) {
            state.SkipWithError("the workbook could not be written");
            return;
        }
    }
    state.counters["MB_written"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
    state.counters["rows"] = session.ChanData().ValueCount();
}
BENCHMARK(BM_SessionExportJob)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

bool WriteWithLibxlsxwriter(const std::string& path, const ExportCells& cells) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    if (!book)
        return false;
    lxw_format* title = workbook_add_format(book);
    format_set_bottom(title, LXW_BORDER_MEDIUM);
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "m/d/yyyy");
    lxw_format* time = workbook_add_format(book);
    format_set_num_format(time, "[$-F400]h:mm:ss\\ AM/PM");

    lxw_worksheet* config = workbook_add_worksheet(book, "Configuration");
    worksheet_write_string(config, 0, 0, "Configuration", title);
    worksheet_write_string(config, 1, 0, "Vexlo, version 1.1.0000", nullptr);
    worksheet_write_string(config, 3, 0, "Nom", title);
    worksheet_write_string(config, 3, 1, "Valeur", title);
    worksheet_write_string(config, 4, 0, "En-tête", nullptr);
    worksheet_write_string(config, 5, 0, "Pied", nullptr);
    worksheet_write_string(config, 6, 0, "Commentaires", nullptr);
    for (std::size_t i = 0; i < cells.configuration.size(); ++i) {
        const auto row = static_cast<lxw_row_t>(8 + i);
        lxw_format* style = cells.configurationHeaders[i] ? title : nullptr;
        worksheet_write_string(config, row, 0, cells.configuration[i].first.c_str(), style);
        if (!cells.configuration[i].second.empty())
            worksheet_write_string(config, row, 1, cells.configuration[i].second.c_str(), style);
    }

    lxw_worksheet* points = workbook_add_worksheet(book, "DataPoints");
    worksheet_freeze_panes(points, 2, 2);
    worksheet_write_string(points, 0, 0, "DataPoints", title);
    worksheet_write_string(points, 1, 0, "Date", title);
    worksheet_write_string(points, 1, 1, "Time", title);
    worksheet_write_string(points, 1, 2, cells.channelName.c_str(), title);
    worksheet_write_string(points, 1, 3, cells.units.c_str(), nullptr);
    lxw_row_t r = 2;
    for (const ExportCells::Row& row : cells.rows) {
        worksheet_write_string(points, r, 0, cells.texts[row.date].c_str(), date);
        worksheet_write_string(points, r, 1, cells.texts[row.time].c_str(), time);
        if (row.text >= 0)
            worksheet_write_string(
                points, r, 2, cells.texts[static_cast<std::size_t>(row.text)].c_str(), nullptr);
        else
            worksheet_write_number(points, r, 2, row.value, nullptr);
        ++r;
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

void BM_Libxlsxwriter(benchmark::State& state) {
    const ExportCells& cells = Cells();
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("libxlsxwriter.xlsx")).toStdString();
    for (auto _ : state) {
        if (!WriteWithLibxlsxwriter(path, cells)) {
            state.SkipWithError("libxlsxwriter could not write the workbook");
            return;
        }
    }
    state.counters["MB_written"] =
        static_cast<double>(QFileInfo(QString::fromStdString(path)).size()) / 1e6;
    state.counters["rows"] = static_cast<double>(cells.rows.size());
}
BENCHMARK(BM_Libxlsxwriter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Keeps the best wall time of each benchmark for the comparison printed at the end.
class ComparingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const double seconds = run.GetAdjustedRealTime() / 1000.0;
            auto [it, added] = best.emplace(run.benchmark_name(), seconds);
            if (!added)
                it->second = std::min(it->second, seconds);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> best;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto ours = std::find_if(reporter.best.begin(), reporter.best.end(), [](const auto& b) {
        return b.first.rfind("BM_SessionExportJob", 0) == 0;
    });
    const auto theirs = std::find_if(reporter.best.begin(), reporter.best.end(), [](const auto& b) {
        return b.first.rfind("BM_Libxlsxwriter", 0) == 0;
    });
    if (ours == reporter.best.end() || theirs == reporter.best.end())
        return 0;
    const double ratio = ours->second / theirs->second;
    std::printf("\nExport of %d points, best of the runs: ours %.3f s, libxlsxwriter %.3f s, "
                "ratio %.2f (target <= %.2f, and ours < %.1f s): %s\n",
                kPoints, ours->second, theirs->second, ratio, kTargetRatio, kTargetSeconds,
                ratio <= kTargetRatio && ours->second < kTargetSeconds ? "met" : "NOT met");
    return 0;
}

#include "BenchSessions.h"
#include "core/export/CsvExport.h"
#include "core/session/CRecSession.h"
#include "support/SessionTestSupport.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A million recorded points of a voltage logger written as CSV, from the loaded session to
// the file in place; the target is under a second.
void BM_CsvMillionRows(benchmark::State& state) {
    const std::unique_ptr<CRecSession> session = ReadImage(BenchSessions::Voltage(1000000));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.csv"));
    int64_t rows = 0;
    for (auto _ : state) {
        CsvExportJob job(*session, path, CsvFormat{';', ','});
        if (!job.Open()) {
            state.SkipWithError("the CSV file cannot be opened");
            return;
        }
        while (job.Step().state == JobStateType::Running) {
        }
        rows += job.RowCount();
    }
    state.counters["rows"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CsvMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();

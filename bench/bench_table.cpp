#include "BenchSessions.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionTable.h"

#include <benchmark/benchmark.h>

namespace {

// What the data table costs when a million-value session is shown: making the table, and the
// texts of one screen of rows at its end (all a scroll to the end asks for).
const CRecSession& MillionValues() {
    static CRecSession session;
    static const bool read =
        static_cast<bool>(ReadSessionImage(session, BenchSessions::Voltage(1000000), false));
    (void)read;
    return session;
}

void BM_OpenTable(benchmark::State& state) {
    const CRecSession& session = MillionValues();
    for (auto _ : state) {
        const SessionTable table(session);
        benchmark::DoNotOptimize(table.RowCount());
    }
}
BENCHMARK(BM_OpenTable)->Unit(benchmark::kMicrosecond);

void BM_LastScreenOfRows(benchmark::State& state) {
    const SessionTable table(MillionValues());
    constexpr int kRowsOnScreen = 40;
    for (auto _ : state) {
        for (int r = table.RowCount() - kRowsOnScreen; r < table.RowCount(); ++r)
            for (int c = 0; c < SessionTable::kColumnCount; ++c)
                benchmark::DoNotOptimize(table.Cell(r, c));
    }
}
BENCHMARK(BM_LastScreenOfRows)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

#include "BenchSessions.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionFile.h"

#include <benchmark/benchmark.h>

namespace {

void ReadSession(benchmark::State& state, const QByteArray& image) {
    for (auto _ : state) {
        CRecSession session;
        const Outcome read = ReadSessionImage(session, image, false);
        benchmark::DoNotOptimize(session.ChanData().FirstRecord().Samples().AnalogValues().data());
        if (!read)
            state.SkipWithError("read failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadVoltageSession(benchmark::State& state) {
    ReadSession(state, BenchSessions::Voltage(static_cast<int>(state.range(0))));
}

void BM_ReadThermocoupleSessionWithCjc(benchmark::State& state) {
    ReadSession(state, BenchSessions::Thermocouple(static_cast<int>(state.range(0))));
}

void BM_WindowStatistics(benchmark::State& state) {
    CRecSession session;
    (void)ReadSessionImage(session, BenchSessions::Voltage(static_cast<int>(state.range(0))),
                           false);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ChannelTexts(session.ChanData()).RangeStatistics(false, 0, 0, QString()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ReadVoltageSession)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadThermocoupleSessionWithCjc)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowStatistics)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

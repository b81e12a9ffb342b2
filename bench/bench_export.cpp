#include "core/common/TimeFormat.h"
#include "core/export/CXLSData.h"
#include "core/export/DateTimeTextCache.h"
#include "core/export/WorkbookProgress.h"

#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

// A million recorded points as the export writes them: a date text, a time text and a value
// rounded to its display step, one row each, into a workbook on disk.
constexpr int kRows = 1000000;
constexpr int kSecondsPerDay = 86400;

class SilentProgress : public WorkbookProgress {
public:
    void Report(qint64, qint64) override {}
    bool CancelRequested() override { return false; }
};

struct RowTexts {
    std::vector<QString> dates;
    std::vector<QString> times;
};

// Made once: the export's own date and time texts repeat in the same way.
const RowTexts& Texts() {
    static const RowTexts texts = [] {
        RowTexts t;
        for (int day = 0; day <= kRows / kSecondsPerDay; ++day)
            t.dates.push_back(QStringLiteral("05/%1/2024").arg(3 + day, 2, 10, QLatin1Char('0')));
        for (int s = 0; s < kSecondsPerDay; ++s)
            t.times.push_back(QStringLiteral("%1:%2:%3")
                                  .arg(s / 3600, 2, 10, QLatin1Char('0'))
                                  .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                  .arg(s % 60, 2, 10, QLatin1Char('0')));
        return t;
    }();
    return texts;
}

double ValueAt(int row) {
    constexpr double kStep = 0.01;
    return std::round((21.5 + 4.0 * std::sin(row / 5000.0)) / kStep) * kStep;
}

void BM_ExportMillionRows(benchmark::State& state) {
    const RowTexts& texts = Texts();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.xlsx"));
    SilentProgress progress;
    qint64 written = 0;
    for (auto _ : state) {
        CXLSData data;
        if (!data.Open(path)) {
            state.SkipWithError("cannot create the workbook");
            return;
        }
        data.AddSheet(QStringLiteral("DataPoints"), 2, 2);
        data.AddText(u"Date", CellStyleType::BottomBorder);
        data.AddText(u"Time", CellStyleType::BottomBorder);
        data.AddText(u"Température", CellStyleType::BottomBorder);
        data.AddText(u"°C");
        for (int r = 0; r < kRows; ++r) {
            data.NewRows(1);
            data.AddText(texts.dates[static_cast<size_t>(r / kSecondsPerDay)], CellStyleType::Date);
            data.AddText(texts.times[static_cast<size_t>(r % kSecondsPerDay)],
                         CellStyleType::TimeOfDay);
            data.AddNumber(ValueAt(r));
        }
        data.NewRows(1);
        if (data.Close(progress).type != WorkbookCloseType::Done) {
            state.SkipWithError("the workbook could not be written");
            return;
        }
        written = QFileInfo(path).size();
    }
    state.counters["MB_written"] = static_cast<double>(written) / 1e6;
}
BENCHMARK(BM_ExportMillionRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The date and time texts of the points of a million-second recording, as the export needs
// them: formatted stamp by stamp, and through the export's cache.
constexpr qint64 kFirstStamp = 1709647630; // 2024/03/05 14:07:10 in Paris

void BM_PointTextsFormatted(benchmark::State& state) {
    for (auto _ : state)
        for (qint64 t = kFirstStamp; t < kFirstStamp + kRows; ++t)
            benchmark::DoNotOptimize(FormatDateAndTime(t, 0));
}
BENCHMARK(BM_PointTextsFormatted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_PointTextsCached(benchmark::State& state) {
    for (auto _ : state) {
        DateTimeTextCache cache;
        for (qint64 t = kFirstStamp; t < kFirstStamp + kRows; ++t)
            benchmark::DoNotOptimize(cache.At(t));
    }
}
BENCHMARK(BM_PointTextsCached)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();

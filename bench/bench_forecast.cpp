// The score forecast on the large bank with a year of answers (a million log rows on
// the 100k bank): what the plan window reads before it shows the five mocks' forecasts
// today and on exam day, and what the chart's calibration page reads.
//
//   bench_forecast --bank=<bank.db> [Google Benchmark flags]
#include "BenchSupport.h"
#include "core/progress/PlanForecast.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

using bench::timed;

struct Bench {
    QString copy;
    TDM1 dm;
    QDateTime now;
};
Bench* g;

const char* const kPlan = "forecast: the plan's read, exam in 30 days";
const char* const kCalibration = "forecast: the calibration read";

void BM_Plan(benchmark::State& state)
{
    const QDate exam = g->now.toLocalTime().date().addDays(30);
    double expected = 0;
    timed(state, kPlan, [] {}, [&] {
        const progress::BankRecall recall(g->dm.db());
        const auto forecasts = progress::mockForecasts(recall, g->now, exam);
        expected = forecasts.front().today ? forecasts.front().today->expected : -1;
    });
    state.counters["mock 1 today"] = expected;
}

void BM_Calibration(benchmark::State& state)
{
    qint64 predicted = 0;
    timed(state, kCalibration, [] {}, [&] { predicted = progress::readCalibration(g->dm.db()).predicted; });
    state.counters["predicted"] = double(predicted);
}

void prepare(const QString& bank)
{
    bench::makeBankOnce(bank);
    g->copy = QFileInfo(bank).absolutePath() + QStringLiteral("/work-forecast.db");
    bench::freshCopy(bank, g->copy);
    if (!g->dm.openBank(g->copy))
        throw std::runtime_error("cannot open the bank copy");
    g->now = store::Clock::now();
    store::Connection& db = g->dm.db();
    {
        store::Transaction t(db);
        bench::renumberPartsForMocks(db); // so each mock draws its whole paper
        t.commit();
    }
    bench::fillAnswerLog(db, g->now);
    std::printf("bank %s: %lld questions, %lld log rows, %lld memory states\n", qPrintable(bank),
                db.scalar(QStringLiteral("select count(*) from tab_answ")).toLongLong(),
                db.scalar(QStringLiteral("select count(*) from answer_log")).toLongLong(),
                db.scalar(QStringLiteral("select count(*) from memory_state")).toLongLong());
}

bool summary()
{
    using bench::result;
    return bench::report({result(kPlan, {}, 100.0), result(kCalibration, {}, 100.0)});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    Bench bench;
    g = &bench;
    try {
        prepare(bank);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_forecast: %s\n", e.what());
        return 1;
    }
    const auto reg = [](const char* label, auto fn) {
        benchmark::RegisterBenchmark(label, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
    };
    reg("Forecast/plan", BM_Plan);
    reg("Forecast/calibration", BM_Calibration);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    bench.dm.closeBank();
    bench::removeBank(bench.copy);
    g = nullptr;
    return ok ? 0 : 3;
}

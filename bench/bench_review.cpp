// Today's review on the large bank with a year of answers (a million log rows on
// the 100k bank) and a memory state for every answered question, spread so that
// about one in twelve has come due: building today's queue, with and without an
// exam ahead, and the menu's count of due questions.
//
//   bench_review --bank=<bank.db> [Google Benchmark flags]
#include "BenchSupport.h"
#include "core/review/Queue.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"

#include <QCoreApplication>
#include <QFile>
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
    int dueNow = 0;
};
Bench* g;

const review::PlanToday kPlan{.mark = 0, .amount = 100};

void BM_Queue(benchmark::State& state, const std::string& name, int examInDays)
{
    const QDate exam = examInDays < 0 ? QDate() : g->now.toLocalTime().date().addDays(examInDays);
    review::PlanToday plan = kPlan;
    plan.examDate = exam;
    int due = 0, fresh = 0;
    timed(state, name, [] {}, [&] {
        const review::TodaysReview r = review::todaysReview(g->dm.db(), g->now, plan);
        due = int(r.due.size());
        fresh = int(r.fresh.size());
    });
    state.counters["due"] = due;
    state.counters["new"] = fresh;
}

void BM_Count(benchmark::State& state)
{
    int due = 0;
    timed(state, "today's review: the menu's count", [] {}, [&] { due = int(review::dueToday(g->dm.db(), g->now, {}).size()); });
    state.counters["due"] = due;
}

void prepare(const QString& bank)
{
    bench::makeBankOnce(bank);
    g->copy = QFileInfo(bank).absolutePath() + QStringLiteral("/work-review.db");
    bench::freshCopy(bank, g->copy);
    if (!g->dm.openBank(g->copy))
        throw std::runtime_error("cannot open the bank copy");
    g->now = store::Clock::now();
    store::Connection& db = g->dm.db();
    bench::fillAnswerLog(db, g->now);
    std::printf("bank %s: %lld questions, %lld log rows, %lld memory states\n", qPrintable(bank),
                db.scalar(QStringLiteral("select count(*) from tab_answ")).toLongLong(),
                db.scalar(QStringLiteral("select count(*) from answer_log")).toLongLong(),
                db.scalar(QStringLiteral("select count(*) from memory_state")).toLongLong());
}

bool summary()
{
    using bench::result;
    return bench::report({result("today's review: build the queue", {}, 30.0),
                          result("today's review: build the queue, exam in 30 days", {}, 30.0),
                          result("today's review: build the queue, exam in 5 days", {}, 30.0),
                          result("today's review: the menu's count", {}, 30.0)});
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
        std::fprintf(stderr, "bench_review: %s\n", e.what());
        return 1;
    }
    const auto reg = [](const char* label, auto fn) {
        benchmark::RegisterBenchmark(label, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
    };
    reg("Review/queue", [](benchmark::State& s) { BM_Queue(s, "today's review: build the queue", -1); });
    reg("Review/queue, exam in 30 days", [](benchmark::State& s) { BM_Queue(s, "today's review: build the queue, exam in 30 days", 30); });
    reg("Review/queue, exam in 5 days", [](benchmark::State& s) { BM_Queue(s, "today's review: build the queue, exam in 5 days", 5); });
    reg("Review/count", BM_Count);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    bench.dm.closeBank();
    bench::removeBank(bench.copy);
    g = nullptr;
    return ok ? 0 : 3;
}

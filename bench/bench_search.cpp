// Search on the large bank: building the index, queries of 1 to 10 characters to
// their first 200 results, and recording an answer with the index built beside the
// same without it (answering never touches the index).
//
//   bench_search --bank=<bank.db> [Google Benchmark flags]
#include "BenchSupport.h"
#include "core/search/Search.h"
#include "core/search/SearchIndex.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Migrations.h"
#include "core/store/Statistics.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::timed;

constexpr int kFirst = 200;
const int kLengths[] = {1, 2, 3, 5, 10};

struct Bench {
    QStringList copies;
    TDM1 indexed;   // the bank with its index
    TDM1 unindexed; // the same bank without one
    std::map<int, QStringList> queries; // by length: pieces of the bank's own texts
    QString latin;  // an option letter: in nearly every question
    QString question, chapter;
    QStringList points;
};
Bench* g;

std::string caseName(int length)
{
    return "search, " + std::to_string(length) + (length == 1 ? " character" : " characters") + ": first 200";
}

void BM_Build(benchmark::State& state)
{
    timed(state, "search: build the index", [] {}, [] { search::buildIndex(g->indexed.db()); });
}

void BM_Query(benchmark::State& state)
{
    const int length = int(state.range(0));
    const QStringList& queries = g->queries[length];
    int next = 0;
    timed(state, caseName(length), [] {}, [&] {
        const auto hits = search::find(g->indexed.db(), queries[next++ % queries.size()], {}, kFirst);
        benchmark::DoNotOptimize(hits);
    });
}

void BM_Common(benchmark::State& state)
{
    timed(state, "search, a letter in nearly every question: first 200", [] {}, [] {
        const auto hits = search::find(g->indexed.db(), g->latin, {}, kFirst);
        benchmark::DoNotOptimize(hits);
    });
}

void BM_Count(benchmark::State& state)
{
    const QStringList& queries = g->queries[3];
    int next = 0;
    timed(state, "search, 3 characters: count", [] {}, [&] {
        benchmark::DoNotOptimize(search::count(g->indexed.db(), queries[next++ % queries.size()]));
    });
}

void record(TDM1& dm)
{
    store::Connection& db = dm.db();
    store::Transaction t(db);
    db.exec(QStringLiteral("update tab_answ set E2_1=:ans, E2=:ans, E1=:day, E3=E3+1, E4=E4-1 where A1=:a1"),
            {{":ans", QStringLiteral("B")}, {":day", store::Clock::today()}, {":a1", g->question}});
    dm.LogDailyAnswer(1, 2, 1);
    dm.CountChapterAnswer(g->chapter, 2, 2);
    dm.CountPointAnswer(g->points, 2, 2);
    t.commit();
}

void BM_Record(benchmark::State& state)
{
    bench::paired(state, "record answer with the index (raw: without)", [] { record(g->indexed); }, [] { record(g->unindexed); });
}

void prepare(const QString& bank)
{
    const QString dir = QFileInfo(bank).absolutePath();
    const QString a = dir + QStringLiteral("/work-search.db");
    const QString b = dir + QStringLiteral("/work-search-none.db");
    bench::freshCopy(bank, a);
    bench::freshCopy(bank, b);
    g->copies << a << b;
    if (!g->indexed.openBank(a) || !g->unindexed.openBank(b))
        throw std::runtime_error("cannot open the bank copies");
    store::Connection& db = g->indexed.db();
    search::buildIndex(db);
    // Pieces of the questions' own texts, from questions spread over the bank.
    const int total = db.scalar(QStringLiteral("select count(*) from search_doc")).toInt();
    for (int length : kLengths) {
        for (int i = 0; g->queries[length].size() < 20 && i < 200; ++i) {
            const QString body = db.scalar(QStringLiteral("select body from search_doc where docid = :d"),
                                           {{":d", qint64(1 + (i * 4999 + length * 131) % total)}})
                                     .toString();
            const QString piece = body.mid(2 + i % 7, length);
            if (piece.size() == length && !piece.contains(QLatin1Char('\n')))
                g->queries[length] << piece;
        }
    }
    g->latin = QStringLiteral("A");
    const store::Rows q = db.query(QStringLiteral(
        "select a1,a10,k3,k4,k5 from tab_answ where k5 is not null and k5<>'' order by a1 limit 1"));
    if (q.empty())
        throw std::runtime_error("no question with three exam points");
    g->question = q.at(0, "a1").toString();
    g->chapter = q.at(0, "a10").toString();
    g->points = {q.at(0, "k3").toString(), q.at(0, "k4").toString(), q.at(0, "k5").toString()};
    std::printf("bank %s: %d questions; queries of 1 character match about %d questions\n", qPrintable(bank), total,
                search::count(db, g->queries[1].value(0)));
}

bool summary()
{
    using bench::result;
    std::vector<bench::Result> results = {result("search: build the index", {}, 30000.0)};
    for (int length : kLengths)
        results.push_back(result(caseName(length), {}, 20.0));
    results.push_back(result("search, a letter in nearly every question: first 200", {}, 20.0));
    results.push_back(result("search, 3 characters: count"));
    results.push_back(result("record answer with the index (raw: without): ours", "record answer with the index (raw: without): raw", 0, 1.3));
    return bench::report(results);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    if (!QFile::exists(bank)) {
        std::fprintf(stderr, "usage: bench_search --bank=<bank.db> [benchmark flags]  (see bench/run.sh)\n");
        return 2;
    }
    Bench bench;
    g = &bench;
    try {
        prepare(bank);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_search: %s\n", e.what());
        return 1;
    }
    benchmark::RegisterBenchmark("Search/build", BM_Build)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    for (int length : kLengths)
        benchmark::RegisterBenchmark("Search/query", BM_Query)->Arg(length)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);
    benchmark::RegisterBenchmark("Search/common", BM_Common)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
    benchmark::RegisterBenchmark("Search/count", BM_Count)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
    benchmark::RegisterBenchmark("Search/record", BM_Record)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    bench.indexed.closeBank();
    bench.unindexed.closeBank();
    for (const QString& copy : bench.copies)
        bench::removeBank(copy);
    g = nullptr;
    return ok ? 0 : 3;
}

// Importing a file of questions on the large bank, as 试题导入 does it: reading the
// file, the preview (everything checked, nothing written) and the import itself, one
// transaction for the whole file with the search index kept current. The file holds
// 9,999 questions, the most a bank's own running numbers allow, of every kind, with
// formatting in the stems and exam points of the bank's outline.
//
//   bench_import --bank=<bank.db> [Google Benchmark flags]
#include "BenchSupport.h"
#include "core/authoring/AuthoringRules.h"
#include "core/authoring/QuestionImport.h"
#include "core/exchange/Exchange.h"
#include "core/search/SearchIndex.h"
#include "core/store/DataModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <stdexcept>

namespace {

using bench::timed;

constexpr int kQuestions = authoring::kMaxRunningNumber;

struct Bench {
    QString source; // the bank with its search index built, copied for every import
    QString work;
    QString chapter;
    std::map<exchange::Format, QByteArray> files;
    TDM1 dm;
};
Bench* g;

// Question i of the file, of the kind `kind` (0 … 4: single, multiple, judgement, fill, subjective).
exchange::Question question(int i, int kind, const QStringList& points)
{
    exchange::Question q;
    q.number = i;
    q.points = {points[i % points.size()]};
    q.analysis = QStringLiteral("<p>第%1题的解析：<b>栈</b>只在一端插入和删除。</p>").arg(i);
    const QString head = QStringLiteral("<p>第%1题：下列关于<b>数据结构</b>的说法，").arg(i);
    {
        switch (kind) {
        case 0:
            q.kind = exchange::Kind::Single;
            q.stem = head + QStringLiteral("后进先出的是</p>");
            q.options = {QStringLiteral("栈"), QStringLiteral("队列"), QStringLiteral("数组"), QStringLiteral("链表")};
            q.answer = QStringLiteral("A");
            break;
        case 1:
            q.kind = exchange::Kind::Multiple;
            q.stem = head + QStringLiteral("属于线性结构的有</p>");
            q.options = {QStringLiteral("栈"), QStringLiteral("树"), QStringLiteral("队列"), QStringLiteral("图"), QStringLiteral("线性表")};
            q.answer = QStringLiteral("ACE");
            break;
        case 2:
            q.kind = exchange::Kind::TrueFalse;
            q.stem = head + QStringLiteral("栈可以用数组实现</p>");
            q.answer = QStringLiteral("A");
            break;
        case 3:
            q.kind = exchange::Kind::Fill;
            q.stem = head + QStringLiteral("栈的插入叫____</p>");
            q.answer = QStringLiteral("入栈");
            break;
        default:
            q.kind = exchange::Kind::Subjective;
            q.stem = head + QStringLiteral("论述栈与队列的区别</p>");
            q.answer = QStringLiteral("栈后进先出，队列先进先出。");
            break;
        }
    }
    return q;
}

// The file's questions, taking turns over the kinds the bank has types for.
std::vector<exchange::Question> questions(const std::vector<int>& kinds, const QStringList& points)
{
    std::vector<exchange::Question> out;
    for (int i = 1; i <= kQuestions; ++i)
        out.push_back(question(i, kinds[size_t(i) % kinds.size()], points));
    return out;
}

std::string caseName(const char* what, exchange::Format format)
{
    return std::string("import: ") + what + ", " + exchange::formatName(format).toStdString();
}

void BM_Read(benchmark::State& state)
{
    const auto format = exchange::Format(state.range(0));
    timed(state, caseName("read 9,999 questions", format), [] {}, [&] {
        benchmark::DoNotOptimize(exchange::readQuestions(format, g->files.at(format)));
    });
}

authoring::ImportRequest request(bool dryRun)
{
    authoring::ImportRequest r;
    r.chapter = g->chapter;
    r.validOnly = true;
    r.dryRun = dryRun;
    return r;
}

void BM_Preview(benchmark::State& state)
{
    const auto format = exchange::Format(state.range(0));
    bench::freshCopy(g->source, g->work);
    if (!g->dm.openBank(g->work))
        throw std::runtime_error("cannot open the bank copy");
    timed(state, caseName("preview 9,999 questions (read and check)", format), [] {}, [&] {
        const auto r = authoring::importQuestions(g->dm.db(), exchange::readQuestions(format, g->files.at(format)), request(true));
        if (r.refused || r.saved != kQuestions)
            throw std::runtime_error(QStringLiteral("the preview takes %1 of %2: %3").arg(r.saved).arg(kQuestions)
                                         .arg(r.refused ? r.error : r.problems.empty() ? QString() : r.problems.front().text()).toStdString());
    });
    g->dm.closeBank();
}

void BM_Import(benchmark::State& state)
{
    const auto format = exchange::Format(state.range(0));
    timed(
        state, caseName("9,999 questions into a chapter (read and save)", format),
        [] {
            bench::freshCopy(g->source, g->work);
            if (!g->dm.openBank(g->work))
                throw std::runtime_error("cannot open the bank copy");
        },
        [&] {
            int seen = 0;
            const auto r = authoring::importQuestions(g->dm.db(), exchange::readQuestions(format, g->files.at(format)), request(false),
                                                      [&seen](int done, int) { seen = done; });
            if (r.refused || r.saved != kQuestions || seen != kQuestions)
                throw std::runtime_error(QStringLiteral("the import saved %1 of %2: %3").arg(r.saved).arg(kQuestions)
                                             .arg(r.refused ? r.error : r.problems.empty() ? QString() : r.problems.front().text()).toStdString());
        },
        [] { g->dm.closeBank(); });
}

void prepare(const QString& bank)
{
    const QString dir = QFileInfo(bank).absolutePath();
    g->source = dir + QStringLiteral("/work-import-source.db");
    g->work = dir + QStringLiteral("/work-import.db");
    bench::freshCopy(bank, g->source);
    QStringList points;
    std::vector<int> kinds;
    {
        TDM1 dm;
        if (!dm.openBank(g->source))
            throw std::runtime_error("cannot open the bank copy");
        // As in a bank the candidate has searched: every import keeps the index current.
        if (!search::isBuilt(dm.db()))
            search::buildIndex(dm.db());
        g->chapter = dm.db().scalar(QStringLiteral("select min(A10) from tab_answ where length(A10)=6")).toString();
        const store::Rows rows = dm.db().query(QStringLiteral("select ftid from tab_rule order by ftid limit 50"));
        for (int r = 0; r < rows.size(); ++r)
            points << rows.at(r, "ftid").toString();
        if (g->chapter.isEmpty() || points.isEmpty())
            throw std::runtime_error("the bank has no chapter or no exam point");
        for (int kind = 0; kind < 5; ++kind) {
            exchange::ReadResult probe;
            probe.questions.push_back(question(1, kind, points));
            authoring::ImportRequest r;
            r.chapter = g->chapter;
            r.dryRun = true;
            if (!authoring::importQuestions(dm.db(), probe, r).refused)
                kinds.push_back(kind);
        }
        dm.closeBank();
    }
    if (kinds.empty())
        throw std::runtime_error("the bank has no type for any kind of question");
    const std::vector<exchange::Question> qs = questions(kinds, points);
    for (exchange::Format f : {exchange::Format::Csv, exchange::Format::Xlsx, exchange::Format::Gift, exchange::Format::MoodleXml})
        g->files[f] = exchange::writeQuestions(f, qs).data;
    std::printf("bank %s: %d questions of %d kinds into chapter %s; files: CSV %lld KB, XLSX %lld KB, GIFT %lld KB, Moodle XML %lld KB\n",
                qPrintable(bank), kQuestions, int(kinds.size()), qPrintable(g->chapter), g->files[exchange::Format::Csv].size() / 1024LL,
                g->files[exchange::Format::Xlsx].size() / 1024LL, g->files[exchange::Format::Gift].size() / 1024LL,
                g->files[exchange::Format::MoodleXml].size() / 1024LL);
}

bool summary()
{
    using bench::result;
    std::vector<bench::Result> results;
    for (exchange::Format f : {exchange::Format::Csv, exchange::Format::Xlsx, exchange::Format::Gift, exchange::Format::MoodleXml})
        results.push_back(result(caseName("read 9,999 questions", f)));
    results.push_back(result(caseName("preview 9,999 questions (read and check)", exchange::Format::Csv)));
    for (exchange::Format f : {exchange::Format::Csv, exchange::Format::MoodleXml})
        results.push_back(result(caseName("9,999 questions into a chapter (read and save)", f), {}, 10000.0));
    return bench::report(results);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    if (!QFile::exists(bank)) {
        std::fprintf(stderr, "usage: bench_import --bank=<bank.db> [benchmark flags]  (see bench/run.sh)\n");
        return 2;
    }
    Bench bench;
    g = &bench;
    bool ok = false;
    try {
        prepare(bank);
        for (exchange::Format f : {exchange::Format::Csv, exchange::Format::Xlsx, exchange::Format::Gift, exchange::Format::MoodleXml})
            benchmark::RegisterBenchmark("Import/read", BM_Read)->Arg(int(f))->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
        benchmark::RegisterBenchmark("Import/preview", BM_Preview)->Arg(int(exchange::Format::Csv))->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
        for (exchange::Format f : {exchange::Format::Csv, exchange::Format::MoodleXml})
            benchmark::RegisterBenchmark("Import/save", BM_Import)->Arg(int(f))->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        ok = summary();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_import: %s\n", e.what());
        bench::removeBank(bench.source);
        bench::removeBank(bench.work);
        return 1;
    }
    bench::removeBank(bench.source);
    bench::removeBank(bench.work);
    g = nullptr;
    return ok ? 0 : 3;
}

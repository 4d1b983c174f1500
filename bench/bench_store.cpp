// Store benchmarks on a large bank. Each case runs through our layer and, where it
// has one, as the same SQL on a bare SQLCipher handle, so the overhead shows as a
// ratio. Prints the median of every case at the end.
//
//   bench_store --bank=<bank.db> [Google Benchmark flags]
#include "BenchSupport.h"
#include "core/practice/ChooserRules.h"
#include "core/review/AnswerLog.h"
#include "core/store/Migrations.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/JetFunctions.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::median;
using bench::paired;
using bench::Raw;
using bench::timed;

auto& g_ms = bench::samples(); // per-iteration times of the last run of each case

// ---- the bank --------------------------------------------------------------

struct Question {
    QString id, chapter;
    QStringList points;
};

struct Bench {
    QStringList copies;
    TDM1 dm;
    std::unique_ptr<Raw> raw;
    Question question;        // a question with three exam points
    QString bigChapter;       // 4-character chapter with about 2,000 questions
    QStringList practiceIds;  // 100 questions of that chapter
    QString otherSection;     // a section whose counters change between study-time runs
};
Bench* g;

std::string utf8(const QString& s) { return s.toStdString(); }

const char* const kQuestionRowUpdate =
    "update tab_answ set E2_1=:ans, E2=:ans, E1=:day, E3=E3+1, E4=E4-1 where A1=:a1";

// ---- 1. one recorded answer with all its bookkeeping -------------------------

void recordOurs()
{
    store::Connection& db = g->dm.db();
    store::Transaction t(db);
    review::AnswerContext context;
    context.secondsSpent = 20;
    review::logAnswer(db, g->question.id, false, QStringLiteral("B"), context, store::Clock::now());
    db.exec(QString::fromLatin1(kQuestionRowUpdate),
            {{":ans", QStringLiteral("B")}, {":day", store::Clock::today()}, {":a1", g->question.id}});
    g->dm.LogDailyAnswer(1, 2, 1);
    g->dm.CountChapterAnswer(g->question.chapter, 2, 2);
    g->dm.CountPointAnswer(g->question.points, 2, 2);
    t.commit();
}

// The answer's log row and memory state as bare SQL, the model computed alike.
void logRaw(Raw& r, const std::string& id)
{
    const auto column = [](sqlite3_stmt* s, int i) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return t ? QDateTime::fromString(QString::fromUtf8(t), Qt::ISODateWithMs) : QDateTime();
    };
    const auto iso = [](const QDateTime& t) { return t.isValid() ? utf8(t.toUTC().toString(Qt::ISODateWithMs)) : std::string(); };
    review::MemoryState state;
    sqlite3_stmt* s = r.stmt("select stability, difficulty, phase, step, last_review, due from memory_state where A1=:a1");
    r.text(s, 1, id);
    if (sqlite3_step(s) == SQLITE_ROW) {
        state.stability = sqlite3_column_double(s, 0);
        state.difficulty = sqlite3_column_double(s, 1);
        state.phase = review::Phase(sqlite3_column_int(s, 2));
        state.step = sqlite3_column_int(s, 3);
        state.lastReview = column(s, 4);
        state.due = column(s, 5);
    }
    sqlite3_reset(s);
    const QDateTime now = store::Clock::now().toUTC();
    const review::MemoryState next = review::schedule(state, review::ratingOfAnswer(false, 20, 0), now);

    s = r.stmt("insert into answer_log (A1, at, right, answer, seconds, source) values (:a1, :at, 0, :ans, 20, 1)");
    r.text(s, 1, id);
    r.text(s, 2, iso(now));
    r.text(s, 3, "B");
    r.run(s);
    s = r.stmt("insert or replace into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
               "values (:a1, :s, :d, :phase, :step, :last, :due)");
    r.text(s, 1, id);
    sqlite3_bind_double(s, 2, next.stability);
    sqlite3_bind_double(s, 3, next.difficulty);
    sqlite3_bind_int(s, 4, int(next.phase));
    sqlite3_bind_int(s, 5, next.step);
    r.text(s, 6, iso(next.lastReview));
    r.text(s, 7, iso(next.due));
    r.run(s);
}

void recordRaw()
{
    Raw& r = *g->raw;
    const std::string day = utf8(store::Clock::today().toString(Qt::ISODate));
    r.exec("BEGIN IMMEDIATE");
    logRaw(r, utf8(g->question.id));
    sqlite3_stmt* s = r.stmt(kQuestionRowUpdate);
    r.text(s, 1, "B");
    r.text(s, 2, day);
    r.text(s, 3, utf8(g->question.id));
    r.run(s);

    s = r.stmt("update tab_rz set A2=A2+1, A3=A3+:a3, B1=B1+:b1, B2=B2+:b2 where A1=:day");
    sqlite3_bind_int(s, 1, 1);
    sqlite3_bind_int(s, 2, 0);
    sqlite3_bind_int(s, 3, 1);
    r.text(s, 4, day);
    r.run(s);
    if (r.changes() == 0) {
        s = r.stmt("insert into tab_rz (A1,A2,A3,B1,B2) values (:day,1,:w,1,:w)");
        r.text(s, 1, day);
        sqlite3_bind_int(s, 2, 1);
        r.run(s);
    }

    const std::string code = utf8(g->question.chapter);
    std::string in = "(";
    for (size_t i = 0; i < code.size(); ++i)
        in += (i ? ",:p" : ":p") + std::to_string(i);
    in += ")";
    s = r.stmt("update tab_kmmc set C4=C4+:c4, D1=D1+1, D2=D2+:d2 where C1 in " + in);
    sqlite3_bind_int(s, 1, 1);
    sqlite3_bind_int(s, 2, 1);
    for (size_t n = code.size(), i = 0; n >= 1; --n, ++i)
        r.text(s, int(3 + i), code.substr(0, n));
    r.run(s);

    std::vector<std::string> points, sections, tops;
    for (const QString& p : g->question.points) {
        points.push_back(utf8(p));
        sections.push_back(utf8(p.left(6)));
        tops.push_back(utf8(p.left(2)));
    }
    const std::string list = "(:p0,:p1,:p2)";
    for (const char* counter : {"q2", "q1", "q4"}) {
        const std::string set = std::string(" set ") + counter + "=" + counter + "+1 where ";
        const std::pair<std::string, const std::vector<std::string>*> stmts[] = {
            {"update tab_rule" + set + "ftid in " + list, &points},
            {"update tab_fgmc" + set + "id in " + list, &sections},
            {"update tab_fgmc" + set + "id in " + list, &tops},
        };
        for (const auto& [sql, values] : stmts) {
            s = r.stmt(sql);
            for (size_t i = 0; i < values->size(); ++i)
                r.text(s, int(i + 1), (*values)[i]);
            r.run(s);
        }
    }
    r.exec("COMMIT");
}

void BM_Record(benchmark::State& state)
{
    paired(state, "record answer", [] {}, recordOurs, [] {}, recordRaw);
}
void BM_RecordChooserOpen(benchmark::State& state)
{
    g->dm.openIfClosed(g->dm.Cn1Table_kmmc);
    g->dm.openIfClosed(g->dm.Cn1Table_rz);
    timed(state, "record answer: ours, chooser open", [] {}, recordOurs);
    g->dm.Cn1Table_kmmc->close();
    g->dm.Cn1Table_rz->close();
}

// ---- 2. study time over the 500 chapter rows ---------------------------------

void studyTimeRaw()
{
    Raw& r = *g->raw;
    const std::string day = utf8(store::Clock::today().toString(Qt::ISODate));
    r.exec("BEGIN IMMEDIATE");
    sqlite3_stmt* s = r.stmt("select A2, A3, D1 from tab_rz where A1=:day");
    r.text(s, 1, day);
    if (sqlite3_step(s) == SQLITE_ROW) {
        const qint64 a2 = sqlite3_column_int64(s, 0), a3 = sqlite3_column_int64(s, 1);
        const QString d1 = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2)));
        sqlite3_reset(s);
        const std::string clock = utf8(store::secondsToClockText(store::ClockTextToSeconds(d1) + 5));
        char a4[32];
        std::snprintf(a4, sizeof a4, "%2.2f", a2 > 0 ? double(a2 - a3) / double(a2) * 100.0 : 0.0);
        sqlite3_stmt* u = r.stmt("update tab_rz set D1=:d1, A4=:a4 where A1=:day");
        r.text(u, 1, clock);
        r.text(u, 2, a2 > 0 ? a4 : "0");
        r.text(u, 3, day);
        r.run(u);
    }
    sqlite3_reset(s);
    s = r.stmt("select C1, D1, D2, C6 from tab_kmmc");
    std::vector<std::pair<std::string, std::string>> changed;
    while (sqlite3_step(s) == SQLITE_ROW) {
        const qint64 d1 = sqlite3_column_int64(s, 1), d2 = sqlite3_column_int64(s, 2);
        char c6[32] = "0";
        if (d1 > 0)
            std::snprintf(c6, sizeof c6, "%2.2f", double(d1 - d2) / double(d1) * 100.0);
        const char* old = reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
        if (!old || std::string(old) != c6)
            changed.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), c6);
    }
    sqlite3_reset(s);
    for (const auto& [c1, c6] : changed) {
        sqlite3_stmt* u = r.stmt("update tab_kmmc set C6=:c6 where C1=:c1");
        r.text(u, 1, c6);
        r.text(u, 2, c1);
        r.run(u);
    }
    r.exec("COMMIT");
}

// Between runs one more answer lands in a section, so each run has rows to rescore.
void studyTimeOurs()
{
    g->dm.AddStudyTime(QStringLiteral("0:00:05"));
}
void answerInOurs()
{
    g->dm.CountChapterAnswer(g->otherSection, 1, 2);
}
void answerInRaw()
{
    Raw& r = *g->raw;
    const std::string code = utf8(g->otherSection);
    sqlite3_stmt* s = r.stmt("update tab_kmmc set D1=D1+1, D2=D2+1 where C1 in (:a,:b,:c,:d)");
    for (int i = 0; int n : {6, 4, 2, 1})
        r.text(s, ++i, code.substr(0, size_t(n)));
    r.run(s);
}

void BM_StudyTime(benchmark::State& state)
{
    paired(state, "add study time", answerInOurs, studyTimeOurs, answerInRaw, studyTimeRaw);
}
void BM_StudyTimeChooserOpen(benchmark::State& state)
{
    g->dm.openIfClosed(g->dm.Cn1Table_kmmc);
    g->dm.openIfClosed(g->dm.Cn1Table_rz);
    timed(state, "add study time: ours, chooser open", answerInOurs, studyTimeOurs);
    g->dm.Cn1Table_kmmc->close();
    g->dm.Cn1Table_rz->close();
}
// ---- 3. the new questions of a 2,000-question chapter in a dataset --------------

// The program's own statement of a chapter's new questions, with another chapter test
// where one is given.
QString newQuestionsSql(const QString& chapterTest = {})
{
    const QString sql = practice::practiceStatement(practice::PracticeMode::NewQuestions, g->bigChapter).sql;
    return chapterTest.isEmpty() ? sql : QString(sql).replace(store::chapterCondition(g->bigChapter), chapterTest);
}

int walkChapter(const QString& sql, const store::Params& params)
{
    store::Dataset ds(&g->dm.db());
    ds.setSql(sql);
    for (const auto& [name, value] : params)
        ds.setParam(name, value);
    ds.open();
    int n = 0;
    for (ds.first(); !ds.eof(); ds.next())
        n += int(ds.text(QStringLiteral("a1")).size() > 0);
    ds.close();
    return n;
}

void BM_ChapterSet(benchmark::State& state)
{
    const QString sql = newQuestionsSql();
    const store::Params params = store::chapterParams(g->bigChapter);
    const std::string rawSql = utf8(store::translateJetSql(sql));
    int rows = 0, rawRows = 0;
    paired(
        state, "chapter set", [] {}, [&] { rows = walkChapter(sql, params); }, [] {},
        [&] {
            Raw& r = *g->raw;
            sqlite3_stmt* s = r.stmt(rawSql);
            for (const auto& [name, value] : params)
                r.text(s, sqlite3_bind_parameter_index(s, name.toUtf8().constData()), utf8(value.toString()));
            rawRows = 0;
            size_t bytes = 0;
            while (sqlite3_step(s) == SQLITE_ROW) {
                ++rawRows;
                for (int i = 0, n = sqlite3_column_count(s); i < n; ++i) {
                    sqlite3_column_text(s, i);
                    bytes += size_t(sqlite3_column_bytes(s, i));
                }
            }
            benchmark::DoNotOptimize(bytes);
            sqlite3_reset(s);
        });
    if (rows != rawRows)
        state.SkipWithError("ours and raw read different rows");
    state.counters["rows"] = rows;
}
void BM_ChapterSetPlainPrefix(benchmark::State& state)
{
    const QString sql = newQuestionsSql(QStringLiteral("(left(A10,%1) = :code)").arg(g->bigChapter.size()));
    int rows = 0;
    timed(state, "chapter set: ours, prefix test alone", [] {}, [&] { rows = walkChapter(sql, {{":code", g->bigChapter}}); });
    state.counters["rows"] = rows;
}

// ---- 4. clearing the open answers before a practice screen -------------------

const char* const kMarkPractice = "update tab_answ set E2_1='A' where A1=:a1";

void markPracticeOurs()
{
    store::Transaction t(g->dm.db());
    for (const QString& id : std::as_const(g->practiceIds))
        g->dm.db().exec(QString::fromLatin1(kMarkPractice), {{":a1", id}});
    t.commit();
}
void markPracticeRaw()
{
    Raw& r = *g->raw;
    r.exec("BEGIN IMMEDIATE");
    for (const QString& id : std::as_const(g->practiceIds)) {
        sqlite3_stmt* s = r.stmt(kMarkPractice);
        r.text(s, 1, utf8(id));
        r.run(s);
    }
    r.exec("COMMIT");
}

void BM_ClearAnswers(benchmark::State& state)
{
    paired(
        state, "clear E2_1", markPracticeOurs, [] { store::clearOpenAnswers(g->dm.db()); }, markPracticeRaw,
        [] { g->raw->run(g->raw->stmt("update tab_answ set E2_1='' where E2_1 <> '' OR E2_1 IS NULL")); });
}

// ---- 5. a dataset over every question ----------------------------------------
// The question list's shape over the whole bank: what the dataset's own work (reading
// every row, walking, sorting and filtering in memory, locating, cloning) costs.

const char* const kAllQuestions = "select A1, A10, A13, F1, E3, E1 from tab_answ";

struct WholeBank {
    store::Dataset ds;
    QString lastId;
};
WholeBank* g_set;

void openWholeBank()
{
    if (g_set)
        return;
    g_set = new WholeBank;
    g_set->ds.setConnection(&g->dm.db());
    g_set->ds.setSql(QString::fromLatin1(kAllQuestions));
    g_set->ds.open();
    g_set->ds.last();
    g_set->lastId = g_set->ds.text("A1");
}

void BM_DatasetOpen(benchmark::State& state)
{
    openWholeBank();
    store::Dataset& ds = g_set->ds;
    int rows = 0;
    paired(
        state, "whole-bank dataset: open", [&] { ds.close(); }, [&] { ds.open(); }, [] {},
        [&] { rows = g->raw->readAll(g->raw->stmt(kAllQuestions)); });
    if (ds.recordCount() != rows)
        state.SkipWithError("ours and raw read different rows");
    state.counters["rows"] = rows;
}

// The plain set again, untimed, before and after a case that sorts or filters.
void plainSet()
{
    g_set->ds.setFiltered(false);
    g_set->ds.setSort(QString());
}

void BM_DatasetWalk(benchmark::State& state)
{
    openWholeBank();
    store::Dataset& ds = g_set->ds;
    qint64 sum = 0;
    timed(state, "whole-bank dataset: walk", plainSet, [&] {
        for (ds.first(); !ds.eof(); ds.next())
            sum += ds.integer("A13");
    });
    benchmark::DoNotOptimize(sum);
}
void BM_DatasetSort(benchmark::State& state)
{
    openWholeBank();
    timed(state, "whole-bank dataset: sort on 2 keys", plainSet, [] { g_set->ds.setSort("E3 DESC, a10"); }, plainSet);
}
void BM_DatasetFilter(benchmark::State& state)
{
    openWholeBank();
    timed(state, "whole-bank dataset: filter", plainSet, [] {
        g_set->ds.setFilter("A13=11 and a10 like '03*' and f1<>1");
        g_set->ds.setFiltered(true);
    }, plainSet);
}
void BM_DatasetLocate(benchmark::State& state)
{
    openWholeBank();
    timed(state, "whole-bank dataset: locate the last row", [] { g_set->ds.first(); }, [] { g_set->ds.locate("A1", g_set->lastId); });
}
void BM_DatasetClone(benchmark::State& state)
{
    openWholeBank();
    timed(state, "whole-bank dataset: clone", [] {}, [] { benchmark::DoNotOptimize(g_set->ds.clone()); });
}
void BM_DatasetRefresh(benchmark::State& state)
{
    openWholeBank();
    timed(state, "whole-bank dataset: refresh", [] {}, [] { g_set->ds.refresh(); });
}

// ---- set-up and summary -------------------------------------------------------

// Each side works on its own copy, so neither sees the other's writes (which would
// empty its page cache) and the cached bank stays as generated.
QString workCopy(const QString& bank, const QString& name)
{
    const QString copy = QFileInfo(bank).absolutePath() + QLatin1Char('/') + name;
    bench::freshCopy(bank, copy);
    g->copies << copy;
    return copy;
}

// A year of answers: ten log rows for every question (a million on the large
// bank) and a memory state for each, so the writes meet full indexes.
void fillAnswerLog(store::Connection& db)
{
    store::Transaction t(db);
    db.exec(QStringLiteral(
        "insert into answer_log (A1, at, right, answer, seconds, source) "
        "select A1, printf('2025-%02d-%02dT08:00:00.000Z', 1 + n % 12, 1 + (n * 7) % 28), n % 3 <> 0, 'A', 10 + n, 1 + n % 5 "
        "from tab_answ, (with recursive c(n) as (select 0 union all select n + 1 from c where n < 9) select n from c)"));
    db.exec(QStringLiteral("insert or replace into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
                           "select A1, 12.5, 5.0, 2, 0, '2025-12-01T08:00:00.000Z', '2025-12-13T08:00:00.000Z' from tab_answ"));
    t.commit();
}

void prepare(const QString& bank)
{
    const QString path = workCopy(bank, QStringLiteral("work-ours.db"));
    if (!g->dm.openBank(path))
        throw std::runtime_error("cannot open the bank " + utf8(path));
    const QString rawPath = workCopy(bank, QStringLiteral("work-raw.db"));
    {
        auto rawDb = store::Connection::open(rawPath, store::bankKey());
        store::migrateBank(*rawDb);
        fillAnswerLog(*rawDb);
    }
    g->raw = std::make_unique<Raw>(rawPath);
    store::Connection& db = g->dm.db();
    fillAnswerLog(db);
    const store::Rows q = db.query(QStringLiteral(
        "select a1,a10,k3,k4,k5 from tab_answ where k5 is not null and k5<>'' and (E2='' or E2 is null) order by a1 limit 1"));
    if (q.empty())
        throw std::runtime_error("no question with three exam points");
    g->question = {q.at(0, "a1").toString(), q.at(0, "a10").toString(),
                   {q.at(0, "k3").toString(), q.at(0, "k4").toString(), q.at(0, "k5").toString()}};
    g->bigChapter = db.scalar(QStringLiteral("select C1 from tab_kmmc where length(C1)=4 order by C3 desc limit 1")).toString();
    g->otherSection = db.scalar(QStringLiteral("select C1 from tab_kmmc where length(C1)=6 order by C1 desc limit 1")).toString();
    const store::Rows ids = db.query(QStringLiteral("select a1 from tab_answ where ") + store::chapterCondition(g->bigChapter)
                                         + QStringLiteral(" order by a1 limit 100"),
                                     store::chapterParams(g->bigChapter));
    for (const auto& row : ids.values)
        g->practiceIds << row[0].toString();
    store::clearOpenAnswers(db);
    std::printf("bank %s (copies beside it): %lld questions, %lld chapter rows; chapter %s has %lld questions\n", qPrintable(bank),
                db.scalar("select count(*) from tab_answ").toLongLong(), db.scalar("select count(*) from tab_kmmc").toLongLong(),
                qPrintable(g->bigChapter),
                db.scalar(QStringLiteral("select count(*) from tab_answ where ") + store::chapterCondition(g->bigChapter),
                          store::chapterParams(g->bigChapter))
                    .toLongLong());
}

bool summary()
{
    using bench::result;
    return bench::report({
        result("record answer: ours", "record answer: raw", 2.0, 1.3),
        result("record answer: ours, chooser open", "record answer: raw", 2.0),
        result("add study time: ours", "add study time: raw", 5.0),
        result("add study time: ours, chooser open", "add study time: raw", 5.0),
        result("chapter set: ours", "chapter set: raw", 20.0),
        result("chapter set: ours, prefix test alone", "chapter set: raw"),
        result("clear E2_1: ours", "clear E2_1: raw", 5.0),
        result("whole-bank dataset: open: ours", "whole-bank dataset: open: raw"),
        result("whole-bank dataset: walk"),
        result("whole-bank dataset: sort on 2 keys"),
        result("whole-bank dataset: filter"),
        result("whole-bank dataset: locate the last row"),
        result("whole-bank dataset: clone"),
        result("whole-bank dataset: refresh", "whole-bank dataset: open: raw"),
    });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    if (!QFile::exists(bank)) {
        std::fprintf(stderr, "usage: bench_store --bank=<bank.db> [benchmark flags]  (see bench/run.sh)\n");
        return 2;
    }
    Bench bench;
    g = &bench;
    try {
        prepare(bank);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_store: %s\n", e.what());
        return 1;
    }
    const auto reg = [](const char* name, void (*fn)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
    };
    reg("Record", BM_Record);
    reg("Record/chooser_open", BM_RecordChooserOpen);
    reg("StudyTime", BM_StudyTime);
    reg("StudyTime/chooser_open", BM_StudyTimeChooserOpen);
    reg("ChapterSet", BM_ChapterSet);
    reg("ChapterSet/prefix_test_alone", BM_ChapterSetPlainPrefix);
    reg("ClearAnswers", BM_ClearAnswers);
    // Few runs: each reads or sorts the whole bank.
    const auto whole = [](const char* name, void (*fn)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
    };
    whole("WholeBankDataset/open", BM_DatasetOpen);
    whole("WholeBankDataset/walk", BM_DatasetWalk);
    whole("WholeBankDataset/sort", BM_DatasetSort);
    whole("WholeBankDataset/filter", BM_DatasetFilter);
    whole("WholeBankDataset/locate", BM_DatasetLocate);
    whole("WholeBankDataset/clone", BM_DatasetClone);
    whole("WholeBankDataset/refresh", BM_DatasetRefresh);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    // The copies are big; the cached bank stays for the next run.
    delete g_set;
    g_set = nullptr;
    bench.dm.closeBank();
    bench.raw.reset();
    for (const QString& copy : bench.copies)
        bench::removeBank(copy);
    g = nullptr;
    return ok ? 0 : 3;
}

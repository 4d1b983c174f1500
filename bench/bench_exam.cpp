// Mock-exam benchmarks on the large bank, each beside the bare SQL that does the
// same work: starting mock 1 up to its first question on the real screen
// (offscreen), recording one exam answer, and grading a 120-question paper.
// Prints the median of every case, its ratio to the bare SQL and its target.
//
//   bench_exam [--bank=<bank.db>] [Google Benchmark flags]
//
// Parts of the bank are renumbered in a work copy so that mock 1, which draws from
// every part of the book, finds each of its parts (about 2,500 questions a part).
#include "BenchSupport.h"
#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "exam/TFrmExam.h"
#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Random.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

auto& g_ms = bench::samples();

using bench::median;
using bench::timed;

struct Bench {
    TDM1 dm;
    QString work;
    QString graded; // a 120-question paper, about half right
};
Bench* g;

store::Connection& db() { return g->dm.db(); }

void dropNewestPapers()
{
    for (const QString& t : db().tables())
        if (t.startsWith(QLatin1String("tab_exam")) && t != g->graded)
            g->dm.DropPaperTable(t);
    db().exec(QStringLiteral("delete from tab_cj where A1 <> :keep"), {{QStringLiteral(":keep"), g->graded}});
}

// ---- starting mock 1 ---------------------------------------------------------------------

void BM_StartMock(benchmark::State& state)
{
    std::unique_ptr<TFrmExam> screen;
    timed(
        state, "mnks(1) to first question", [] {},
        [&] {
            const exam::NewPaper p = exam::createPaper(g->dm, 1, store::Clock::today());
            screen = std::make_unique<TFrmExam>();
            if (!screen->InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")) || !screen->OpenPaper())
                throw std::runtime_error("no paper");
            screen->show(); // shows question 1
        },
        [&] {
            screen->KZTimeCounter1->stop();
            screen.reset();
            DM1->Cn1Query_exam->close();
            dropNewestPapers();
        });
}

// The same statements without the screen, the datasets or our layer's checks.
void BM_StartMockRaw(benchmark::State& state)
{
    std::mt19937 rng(5);
    timed(
        state, "mnks(1) raw SQL", [] {},
        [&] {
            store::Connection& c = db();
            const store::Rows newest = c.query(QStringLiteral("select A1, A3_1 from tab_cj order by A3_1 desc limit 1"));
            const QString table = QStringLiteral("tab_exam%1").arg(newest.empty() ? 1 : newest.at(0, QStringLiteral("A1")).toString().mid(8).toInt() + 1);
            store::Transaction t(c);
            c.exec(QStringLiteral("insert into tab_cj (A1,A3,A3_1,D1) values (:a1,'x',1,'2024-01-01')"), {{QStringLiteral(":a1"), table}});
            c.exec(store::paperTableSql(table));
            t.commit();
            store::Transaction d(c);
            for (int type : {11, 14}) {
                for (const exam::DrawEntry& e : exam::drawsOf(1, type)) {
                    QString end = e.prefix;
                    end.back() = QChar(char16_t(end.back().unicode() + 1));
                    const store::Rows ids = c.query(QStringLiteral("select A1 from tab_answ where A13 = :t and A10 >= :lo and A10 < :hi and F1 <> 1 order by A10, F1, A1"),
                                                    {{QStringLiteral(":t"), type}, {QStringLiteral(":lo"), e.prefix}, {QStringLiteral(":hi"), end}});
                    store::Params params;
                    QStringList marks;
                    for (int pos : exam::drawPositions(ids.size(), e.count, rng)) {
                        marks << QStringLiteral(":i%1").arg(marks.size());
                        params.emplace_back(marks.back(), ids.values[size_t(pos)][0]);
                    }
                    if (marks.isEmpty())
                        continue;
                    c.exec(QStringLiteral("insert into ") + table + QStringLiteral(" select a.a1,a.a2,a.a2_1,a.k3,a.k4,a.k5,a.k6,a.k7,a.k8,a.k9,a.k10,a.k11,a.k12,a.a10,a.a13,a.a14,a.e1,a.e2,a.e2_1,a.e3,a.e4,b.jx,a.csbs,a.f1 from tab_answ a, tab_exer b where a.a1=b.a1 and a.a1 in (") + marks.join(QLatin1Char(',')) + QStringLiteral(")"), params);
                }
            }
            d.commit();
            c.exec(QStringLiteral("update ") + table + QStringLiteral(" set E2_1 = ''"));
            const store::Rows paper = c.query(QStringLiteral("select * from ") + table + QStringLiteral(" order by A13, A1"));
            c.query(QStringLiteral("select A15 from tab_exer where A1 = :a1"), {{QStringLiteral(":a1"), paper.values[0][0]}});
        },
        [] { dropNewestPapers(); });
}

// ---- recording one answer ------------------------------------------------------------------

void openGraded()
{
    exam::openPaper(db(), *DM1->Cn1Query_exam, g->graded, false);
}

void BM_RecordAnswer(benchmark::State& state)
{
    openGraded();
    store::Dataset& paper = *DM1->Cn1Query_exam;
    int i = 0;
    timed(
        state, "record exam answer", [&] { paper.moveTo(1 + (i++ % std::min(100, paper.recordCount()))); },
        [&] { exam::recordExamAnswer(g->dm, paper, paper.text(QStringLiteral("E2_1")) == QLatin1String("B") ? QStringLiteral("C") : QStringLiteral("B")); },
        [] {});
}

void BM_RecordAnswerRaw(benchmark::State& state)
{
    const store::Rows rows = db().query(QStringLiteral("select A1, A10, K3, K4, K5 from ") + g->graded + QStringLiteral(" order by A13, A1"));
    int i = 0;
    QString id, chapter;
    QStringList points;
    timed(
        state, "record exam answer raw SQL",
        [&] {
            const auto& r = rows.values[size_t(i++ % std::min(100, rows.size()))];
            id = r[0].toString();
            chapter = r[1].toString();
            points = {r[2].toString(), r[3].toString(), r[4].toString()};
        },
        [&] {
            store::Connection& c = db();
            const QDate today = store::Clock::today();
            store::Transaction t(c);
            c.exec(QStringLiteral("update ") + g->graded + QStringLiteral(" set E2_1 = 'B', E2 = 'B', E1 = :d, E3 = E3 + 1, E4 = E4 - 1 where A1 = :a1"),
                   {{QStringLiteral(":d"), today}, {QStringLiteral(":a1"), id}});
            c.exec(QStringLiteral("update tab_rz set A2=A2+1, A3=A3+1, B1=B1+0, B2=B2+0 where A1=:day"), {{QStringLiteral(":day"), today}});
            QStringList codes;
            store::Params cp;
            for (qsizetype n = chapter.size(); n >= 1; --n) {
                codes << QStringLiteral(":c%1").arg(n);
                cp.emplace_back(codes.back(), chapter.left(n));
            }
            c.exec(QStringLiteral("update tab_kmmc set C4=C4+0, D1=D1+1, D2=D2+1 where C1 in (") + codes.join(QLatin1Char(',')) + QStringLiteral(")"), cp);
            for (const char* counter : {"q2", "q4"}) {
                const QString set = QStringLiteral(" set %1=%1+1 where ").arg(QLatin1String(counter));
                c.exec(QStringLiteral("update tab_rule") + set + QStringLiteral("ftid in (:p0,:p1,:p2)"),
                       {{QStringLiteral(":p0"), points[0]}, {QStringLiteral(":p1"), points[1]}, {QStringLiteral(":p2"), points[2]}});
                c.exec(QStringLiteral("update tab_fgmc") + set + QStringLiteral("id in (:p0,:p1,:p2)"),
                       {{QStringLiteral(":p0"), points[0].left(6)}, {QStringLiteral(":p1"), points[1].left(6)}, {QStringLiteral(":p2"), points[2].left(6)}});
                c.exec(QStringLiteral("update tab_fgmc") + set + QStringLiteral("id in (:p0,:p1,:p2)"),
                       {{QStringLiteral(":p0"), points[0].left(2)}, {QStringLiteral(":p1"), points[1].left(2)}, {QStringLiteral(":p2"), points[2].left(2)}});
            }
            c.query(QStringLiteral("select A2, E2, E3, E4 from tab_answ where A1 = :a1"), {{QStringLiteral(":a1"), id}});
            c.exec(QStringLiteral("update tab_answ set E4 = E4 - 1, E3 = E3 + 1, E2_1 = 'B', E2 = 'B', E1 = :d where A1 = :a1"),
                   {{QStringLiteral(":d"), today}, {QStringLiteral(":a1"), id}});
            t.commit();
        },
        [] {});
}

// ---- grading ---------------------------------------------------------------------------------

void BM_Grade(benchmark::State& state)
{
    timed(
        state, "grade 120 questions", [] {},
        [] { exam::gradePaper(g->dm, g->graded, QStringLiteral("tab_tx1"), QStringLiteral("0:00:01")); }, [] {});
}

void BM_GradeRaw(benchmark::State& state)
{
    timed(
        state, "grade raw SQL", [] {},
        [] {
            store::Connection& c = db();
            const QString p = g->graded;
            store::Transaction t(c);
            const double score = c.scalar(QStringLiteral("select sum(tab_tx1.B3) from %1, tab_tx1 where %1.A13 = tab_tx1.A1 and %1.A2 = %1.E2_1").arg(p)).toDouble();
            c.exec(QStringLiteral("update tab_cj set A6 = :a6, D2 = '0:00:01' where A1 = :a1"), {{QStringLiteral(":a6"), score}, {QStringLiteral(":a1"), p}});
            const QDate today = store::Clock::today();
            const store::Rows day = c.query(QStringLiteral("select A2, A3, D1 from tab_rz where A1=:day"), {{QStringLiteral(":day"), today}});
            c.exec(QStringLiteral("update tab_rz set D1 = '01:00:00', A4 = '50.00' where A1 = :day"), {{QStringLiteral(":day"), today}});
            c.query(QStringLiteral("select C1, D1, D2, C6 from tab_kmmc"));
            t.commit();
        },
        [] {});
}

// ---- set-up and summary ------------------------------------------------------------------------

void prepare(const QString& bank)
{
    bench::makeBankOnce(bank);
    g->work = QFileInfo(bank).absolutePath() + QStringLiteral("/work-exam.db");
    bench::freshCopy(bank, g->work);
    if (!g->dm.openBank(g->work))
        throw std::runtime_error("cannot open the bank copy");
    g->dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    DM1 = &g->dm;
    app::CurrentPaperNo = 1;
    store::Connection& c = db();
    {
        store::Transaction t(c);
        bench::renumberPartsForMocks(c);
        c.exec(QStringLiteral("delete from tab_cj"));
        c.exec(QStringLiteral("insert or ignore into tab_rz (A1) values (:d)"), {{QStringLiteral(":d"), store::Clock::today()}});
        t.commit();
    }
    const int candidates = c.scalar(QStringLiteral("select count(*) from tab_answ where A13 in (11, 14)")).toInt();
    // The paper that recording and grading work on: 120 questions, every other one right.
    const exam::NewPaper p = exam::createPaper(g->dm, 1, store::Clock::today());
    store::Random::seed(3);
    exam::drawPaper(c, 1, p.table, store::Random::generator());
    c.exec(QStringLiteral("update %1 set E2_1 = case when rowid % 2 = 0 then A2 else 'Z' end").arg(p.table));
    g->graded = p.table;
    std::printf("bank %s: %d candidates of mock 1, paper %s of %d questions\n", qPrintable(bank), candidates,
                qPrintable(p.table), c.scalar(QStringLiteral("select count(*) from ") + p.table).toInt());
}

bool summary()
{
    using bench::result;
    return bench::report({result("mnks(1) to first question", "mnks(1) raw SQL", 30.0),
                          result("record exam answer", "record exam answer raw SQL", 3.0, 1.3),
                          result("grade 120 questions", "grade raw SQL", 5.0)});
}

} // namespace

BENCHMARK(BM_StartMock)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartMockRaw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_RecordAnswer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1000);
BENCHMARK(BM_RecordAnswerRaw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1000);
BENCHMARK(BM_Grade)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_GradeRaw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    Bench bench;
    g = &bench;
    prepare(bank);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    DM1 = nullptr;
    g = nullptr;
    return ok ? 0 : 3;
}

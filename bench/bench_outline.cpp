// Outline benchmarks on a large bank: loading the outline, opening a node with 50
// exam points and opening the practice set of a point linked to 200 questions,
// each through our layer and as the same SQL on a bare SQLCipher handle.
//
//   bench_outline [--bank=<bank.db>] [--index-cost] [Google Benchmark flags]
//
// Without --bank (or TESVORA_BENCH_BANK) the 100k-question bank is made once in
// <build>/bench-data. The work copy is shaped to ~450 nodes, one node of 50 points
// and one point of 200 questions. --index-cost prints what the point-lookup
// indexes add to the file.
#include "BenchSupport.h"
#include "core/outline/OutlineRules.h"
#include "outline/TFrmRuleLxxt.h"
#include "outline/TfrmLawsFaGui.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/JetFunctions.h"
#include "core/store/Schema.h"

#include <QApplication>
#include <QTableWidget>
#include <QDir>
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

auto& g_ms = bench::samples();

using bench::median;
using bench::paired;
using bench::Raw;
using bench::timed;

struct Bench {
    TDM1 dm;
    std::unique_ptr<Raw> raw;
    QStringList copies;
    QString bigNode;  // a section node with 50 points
    QString bigPoint; // a point linked to 200 questions
    int nodes = 0;
};
Bench* g;

std::string utf8(const QString& s) { return s.toStdString(); }

// ---- the cases ---------------------------------------------------------------------

void BM_LoadOutline(benchmark::State& state)
{
    int rows = 0, rawRows = 0;
    paired(
        state, "load outline",
        [&] {
            const std::vector<outline::OutlineRow> outlineRows = outline::readOutline(g->dm.db());
            QStringList texts;
            for (const outline::OutlineRow& r : outlineRows)
                texts << outline::counterText(r.counters.q) << outline::counterText(r.counters.q1);
            benchmark::DoNotOptimize(texts);
            rows = int(outlineRows.size());
        },
        [&] { rawRows = g->raw->readAll(g->raw->stmt("select * from tab_fgmc order by bh")); });
    if (rows != rawRows)
        state.SkipWithError("ours and raw read different rows");
    state.counters["rows"] = rows;
}

void BM_OpenNode(benchmark::State& state)
{
    store::Dataset points(&g->dm.db());
    int rows = 0, rawRows = 0;
    paired(
        state, "open node (50 points)",
        [&] {
            const int threshold = outline::keyThreshold(500, outline::pointCount(g->dm.db(), g->bigNode));
            benchmark::DoNotOptimize(threshold);
            outline::openNodePoints(points, g->bigNode);
            QStringList entries;
            for (int i = 0, n = points.recordCount(); i < n; ++i)
                entries << outline::pointEntry(points.valueAt(i, QStringLiteral("sn")).toString(),
                                               points.valueAt(i, QStringLiteral("q")).toLongLong());
            benchmark::DoNotOptimize(entries);
            rows = points.recordCount();
        },
        [&] {
            Raw& r = *g->raw;
            sqlite3_stmt* s = r.stmt("select count(*) as icou1 from tab_rule where (id = :id)");
            r.bind(s, {{":id", g->bigNode}});
            r.readAll(s);
            s = r.stmt("select * from tab_rule where id=:id order by ftid");
            r.bind(s, {{":id", g->bigNode}});
            rawRows = r.readAll(s);
        });
    if (rows != rawRows)
        state.SkipWithError("ours and raw read different rows");
    state.counters["rows"] = rows;
}

void BM_PointSet(benchmark::State& state)
{
    const practice::PracticeStatement s = outline::pointPracticeStatement(g->bigPoint);
    const std::string rawSql = utf8(store::translateJetSql(s.sql));
    int rows = 0, rawRows = 0;
    paired(
        state, "point practice set (200 questions)",
        [&] {
            store::Dataset set(&g->dm.db());
            set.setSql(s.sql);
            for (const auto& [name, value] : s.params)
                set.setParam(name, value);
            set.open();
            rows = set.recordCount();
        },
        [&] {
            sqlite3_stmt* st = g->raw->stmt(rawSql);
            g->raw->bind(st, s.params);
            rawRows = g->raw->readAll(st);
        });
    if (rows != rawRows)
        state.SkipWithError("ours and raw read different rows");
    state.counters["rows"] = rows;
}

// The same two through the real browser (offscreen): the table with its items,
// and the detail page with its list, viewer and note.
void BM_ScreenLoadOutline(benchmark::State& state)
{
    TfrmLawsFaGui browser;
    timed(state, "load outline: screen", [] {}, [&] { browser.LoadOutline(); });
    state.counters["rows"] = browser.nodeIds().size();
}

void BM_ScreenOpenNode(benchmark::State& state)
{
    TfrmLawsFaGui browser;
    browser.show();
    const int row = int(browser.nodeIds().indexOf(g->bigNode));
    timed(
        state, "open node (50 points): screen",
        [&] {
            if (browser.detailShown())
                browser.m_btnBackClick();
            browser.m_grid->selectRow(row);
        },
        [&] {
            browser.m_btnSelectClick();
            QCoreApplication::processEvents(); // the viewer lays out the first text
        });
    state.counters["rows"] = browser.queryDetail()->recordCount();
}

void BM_ScreenPointSet(benchmark::State& state)
{
    const practice::PracticeStatement s = outline::pointPracticeStatement(g->bigPoint);
    std::unique_ptr<TFrmRuleLxxt> screen;
    timed(
        state, "point practice set: screen",
        [&] {
            screen.reset();
            screen = std::make_unique<TFrmRuleLxxt>();
        },
        [&] {
            if (screen->LoadQuestionSet(s) != TFrmLxxt::Loaded::Questions)
                throw std::runtime_error("the point has no question");
        });
    state.counters["rows"] = g->dm.Cn1Query_tm->recordCount();
    screen.reset();
}

// ---- set-up ------------------------------------------------------------------------

QString workCopy(const QString& bank, const QString& name)
{
    const QString copy = QFileInfo(bank).absolutePath() + QLatin1Char('/') + name;
    bench::freshCopy(bank, copy);
    g->copies << copy;
    return copy;
}

// The generated outline has 330 nodes of 10 points each and ~70 questions per
// point: add nodes up to ~450, fill one section to 50 points and link one point
// to 200 questions (in the first free point column of extra questions).
void shapeOutline(store::Connection& db)
{
    store::Transaction t(db);
    const int bh = int(db.scalar(QStringLiteral("select max(bh) from tab_fgmc")).toLongLong());
    int added = 0;
    for (int top = 91; top <= 98 && added < 120; ++top) {
        const QString topId = QString::number(top);
        db.exec(QStringLiteral("insert into tab_fgmc (id,n,bh) values (:id,:n,:bh)"),
                {{":id", topId}, {":n", QStringLiteral("附加纲目 %1").arg(topId)}, {":bh", bh + ++added}});
        for (int s = 1; s <= 14 && added < 120; ++s) {
            const QString id = topId + QStringLiteral("%1").arg(s, 4, 10, QLatin1Char('0'));
            db.exec(QStringLiteral("insert into tab_fgmc (id,n,bh) values (:id,:n,:bh)"),
                    {{":id", id}, {":n", QStringLiteral("附加纲目 %1").arg(id)}, {":bh", bh + ++added}});
        }
    }
    g->bigNode = db.scalar(QStringLiteral("select id from tab_fgmc where length(id)=6 order by bh limit 1 offset 100")).toString();
    const qint64 have = outline::pointCount(db, g->bigNode);
    for (qint64 p = have + 1; p <= 50; ++p)
        db.exec(QStringLiteral("insert into tab_rule (ftid,id,sn,n,q) values (:f,:id,:sn,:n,1)"),
                {{":f", g->bigNode + QStringLiteral("%1").arg(p, 3, 10, QLatin1Char('0'))}, {":id", g->bigNode},
                 {":sn", QStringLiteral("考点%1  ").arg(p)}, {":n", QStringLiteral("{\\rtf1 extra}")}});

    g->bigPoint = db.scalar(QStringLiteral("select ftid from tab_rule order by ftid limit 1 offset 1500")).toString();
    const store::Params byPoint{{":ftid", g->bigPoint}};
    const qint64 linked = db.scalar(QStringLiteral("select count(*) from tab_answ where ") + store::pointCondition(), byPoint).toLongLong();
    const store::Rows more = db.query(QStringLiteral("select a1,k4,k5 from tab_answ where k6 is null and coalesce(k3,'')<>:ftid"
                                                     " and coalesce(k4,'')<>:ftid and coalesce(k5,'')<>:ftid order by a1 desc limit :n"),
                                      {{":ftid", g->bigPoint}, {":n", std::max<qint64>(0, 200 - linked)}});
    for (int i = 0; i < more.size(); ++i) {
        QString column = QStringLiteral("k6");
        for (const char* k : {"k4", "k5"})
            if (more.at(i, QString::fromLatin1(k)).toString().isEmpty()) {
                column = QString::fromLatin1(k);
                break;
            }
        db.exec(QStringLiteral("update tab_answ set %1=:ftid where a1=:a1").arg(column),
                {{":ftid", g->bigPoint}, {":a1", more.at(i, QStringLiteral("a1"))}});
    }
    db.exec(QStringLiteral("update tab_rule set q=200 where ftid=:ftid"), byPoint);
    t.commit();
    g->nodes = int(db.scalar(QStringLiteral("select count(*) from tab_fgmc")).toLongLong());
}

void printPlans(store::Connection& db)
{
    const std::pair<QString, store::Params> statements[] = {
        {QStringLiteral("select * from tab_fgmc order by bh"), {}},
        {QStringLiteral("select count(*) as icou1 from tab_rule where (id = :id)"), {{":id", g->bigNode}}},
        {QStringLiteral("select * from tab_rule where id=:id order by ftid"), {{":id", g->bigNode}}},
        {outline::pointPracticeStatement(g->bigPoint).sql, {{":ftid", g->bigPoint}}},
    };
    for (const auto& [sql, params] : statements) {
        std::printf("plan of %s\n", qPrintable(sql.left(90)));
        const store::Rows plan = db.query(QStringLiteral("explain query plan ") + sql, params);
        for (const auto& row : plan.values)
            std::printf("    %s\n", qPrintable(row.back().toString()));
    }
}

// File size of a compacted copy of the bank: with the point indexes as the schema
// makes them, without any, and with the ones of K4 … K12 holding filled columns only.
void indexCost(const QString& bank)
{
    enum class Kind { Schema, None, Partial };
    const auto vacuumedSize = [&](const QString& name, Kind kind) {
        const QString copy = workCopy(bank, name);
        auto db = store::Connection::open(copy, store::bankKey());
        if (kind != Kind::Schema) {
            for (int k = 3; k <= 12; ++k)
                db->exec(QStringLiteral("drop index if exists ix_answ_k%1").arg(k));
            db->exec(QStringLiteral("drop index if exists ix_rule_id"));
        }
        if (kind == Kind::Partial) {
            db->exec(QStringLiteral("CREATE INDEX ix_answ_k3 ON tab_answ(K3)"));
            for (int k = 4; k <= 12; ++k)
                db->exec(QStringLiteral("CREATE INDEX ix_answ_k%1 ON tab_answ(K%1) WHERE K%1 IS NOT NULL").arg(k));
            db->exec(QStringLiteral("CREATE INDEX ix_rule_id ON tab_rule(id)"));
            const QString ftid = db->scalar(QStringLiteral("select ftid from tab_rule order by ftid limit 1 offset 1500")).toString();
            const store::Rows plan = db->query(QStringLiteral("explain query plan ") + outline::pointPracticeStatement(ftid).sql,
                                               {{":ftid", ftid}});
            int indexed = 0;
            for (const auto& row : plan.values)
                indexed += row.back().toString().contains(QStringLiteral("USING INDEX ix_answ_k")) ? 1 : 0;
            std::printf("filled-only indexes: the point statement searches %d of the 10 point indexes\n", indexed);
        }
        db->execScript(QStringLiteral("VACUUM; PRAGMA wal_checkpoint(TRUNCATE);"));
        db.reset();
        return QFileInfo(copy).size();
    };
    const qint64 with = vacuumedSize(QStringLiteral("work-outline-with.db"), Kind::Schema);
    const qint64 without = vacuumedSize(QStringLiteral("work-outline-without.db"), Kind::None);
    const qint64 partial = vacuumedSize(QStringLiteral("work-outline-partial.db"), Kind::Partial);
    const auto line = [&](const char* what, qint64 size) {
        std::printf("%-34s %8.2f MB  +%6.2f MB (%.1f%%)\n", what, size / 1e6, (size - without) / 1e6,
                    100.0 * double(size - without) / double(without));
    };
    std::printf("%-34s %8.2f MB\n", "without point indexes", without / 1e6);
    line("with the schema's point indexes", with);
    line("with filled-only K4..K12 indexes", partial);
}

bool summary()
{
    using bench::result;
    std::vector<bench::Result> results;
    for (const std::string name : {"load outline", "open node (50 points)", "point practice set (200 questions)"}) {
        results.push_back(result(name + ": ours", name + ": raw", 50.0));
        results.back().name = name;
    }
    for (const char* name : {"load outline: screen", "open node (50 points): screen", "point practice set: screen"})
        results.push_back(result(name, {}, 50.0));
    return bench::report(results);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool cost = false;
    const QString bank = bench::start(argc, argv, {{"--index-cost", &cost}});
    prompt::Script prompts({}, 1); // no window may wait for an answer
    Bench bench;
    g = &bench;
    int code = 0;
    try {
        bench::makeBankOnce(bank);
        if (cost) {
            indexCost(bank);
        } else {
            const QString ours = workCopy(bank, QStringLiteral("work-outline-ours.db"));
            if (!bench.dm.openBank(ours))
                throw std::runtime_error("cannot open the bank copy");
            shapeOutline(bench.dm.db());
            bench.dm.closeBank();
            const QString raw = workCopy(ours, QStringLiteral("work-outline-raw.db"));
            if (!bench.dm.openBank(ours))
                throw std::runtime_error("cannot open the bank copy");
            bench.dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
            DM1 = &bench.dm;
            bench.raw = std::make_unique<Raw>(raw);
            std::printf("bank %s: %d outline nodes; node %s has %lld points; point %s has 200 questions\n", qPrintable(bank),
                        bench.nodes, qPrintable(bench.bigNode), outline::pointCount(bench.dm.db(), bench.bigNode),
                        qPrintable(bench.bigPoint));
            printPlans(bench.dm.db());
            const auto reg = [](const char* name, void (*fn)(benchmark::State&)) {
                benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
            };
            reg("LoadOutline", BM_LoadOutline);
            reg("OpenNode", BM_OpenNode);
            reg("PointSet", BM_PointSet);
            reg("Screen/LoadOutline", BM_ScreenLoadOutline);
            reg("Screen/OpenNode", BM_ScreenOpenNode);
            reg("Screen/PointSet", BM_ScreenPointSet);
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
            code = summary() ? 0 : 3;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_outline: %s\n", e.what());
        code = 1;
    }
    DM1 = nullptr;
    bench.dm.closeBank();
    bench.raw.reset();
    for (const QString& copy : std::as_const(bench.copies))
        bench::removeBank(copy);
    g = nullptr;
    return code;
}

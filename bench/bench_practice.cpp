// Practice-screen benchmarks on a large bank, through the real screen (offscreen):
// recording one answer with 完成, loading a 2,000-question chapter, and moving to
// the next question. Prints the median of every case and whether it meets its target.
//
//   bench_practice [--bank=<bank.db>] [Google Benchmark flags]
//
// Without --bank (or TESVORA_BENCH_BANK) the 100k-question bank is made once in
// <build>/bench-data, as bench/run.sh does for the store benchmarks.
#include "BenchSupport.h"
#include "question/AnswerPages.h"
#include "core/practice/ChooserRules.h"
#include "practice/TFrmLxxt.h"
#include "core/app/AppState.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"

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
    QString chapter;
    int chapterQuestions = 0;
    QStringList openIds; // questions whose E2_1 a screen left behind
};
Bench* g;

// The chooser keeps the chapter table open (filtered) while practice runs; the
// statement it hands to the practice screen.
practice::PracticeStatement openLikeTheChooser()
{
    store::Dataset* kmmc = g->dm.Cn1Table_kmmc;
    g->dm.openIfClosed(kmmc);
    kmmc->setFiltered(false);
    kmmc->setFilter(QStringLiteral("c1<>'xx'"));
    kmmc->setFiltered(true);
    kmmc->locate(QStringLiteral("C1"), g->chapter);
    return practice::practiceStatement(practice::PracticeMode::NewQuestions, g->chapter);
}

// Answers left open by an earlier screen, so the reset has rows to write.
void leaveOpenAnswers()
{
    store::Connection& db = g->dm.db();
    store::Transaction t(db);
    for (const QString& id : std::as_const(g->openIds))
        db.exec(QStringLiteral("update tab_answ set E2_1='A' where A1=:a1"), {{":a1", id}});
    t.commit();
}

// ---- 1. loading a 2,000-question chapter -------------------------------------------

void BM_Load(benchmark::State& state)
{
    const practice::PracticeStatement statement = openLikeTheChooser();
    std::unique_ptr<TFrmLxxt> screen;
    int rows = 0;
    timed(
        state, "load question set",
        [&] {
            screen.reset();
            leaveOpenAnswers();
            screen = std::make_unique<TFrmLxxt>();
        },
        [&] {
            if (screen->LoadQuestionSet(statement) != TFrmLxxt::Loaded::Questions)
                throw std::runtime_error("the chapter has no new question");
        });
    rows = g->dm.Cn1Query_tm->recordCount();
    screen.reset();
    state.counters["rows"] = rows;
}

// ---- 2. recording one answer with 完成 -----------------------------------------------

std::unique_ptr<TFrmLxxt> shownScreen()
{
    const practice::PracticeStatement statement = openLikeTheChooser();
    auto screen = std::make_unique<TFrmLxxt>();
    if (screen->LoadQuestionSet(statement) != TFrmLxxt::Loaded::Questions)
        throw std::runtime_error("the chapter has no new question");
    screen->show();
    QCoreApplication::processEvents();
    screen->Timer1->stop();
    screen->KZTimeCounter1->stop();
    return screen;
}

void BM_Record(benchmark::State& state)
{
    std::unique_ptr<TFrmLxxt> screen = shownScreen();
    TFrmLxxt& f = *screen;
    f.Notebook1->setCurrentIndex(practice::SinglePage);
    int n = 0;
    // Each answer differs from the one before, so each is counted with all its bookkeeping.
    timed(
        state, "record answer (完成)", [&] { f.Notebook1->option(practice::SinglePage, (n++ % 2))->setChecked(true); },
        [&] { f.SaveAnswer(f.currentIndex(), f.Notebook1->currentIndex(), practice::SaveMode::Check, f.groupFirst() + f.groupSize() - 1, f.groupFirst()); });
    screen->hide();
}

// ---- 3. moving to the next question ------------------------------------------------

void BM_Next(benchmark::State& state)
{
    std::unique_ptr<TFrmLxxt> screen = shownScreen();
    TFrmLxxt& f = *screen;
    timed(
        state, "next question",
        [&] {
            // Back to the start at the end of the set (untimed).
            if (!f.epEfTrBtn2->isEnabled())
                f.fcBG_txChange(0);
        },
        [&] {
            f.epEfTrBtn2Click();
            QCoreApplication::processEvents(); // paints the stem, the grid and the labels
        });
    state.counters["questions"] = f.currentIndex();
    screen->hide();
}

// ---- set-up and summary -------------------------------------------------------------

void prepare(QString bank)
{
    bench::makeBankOnce(bank);
    g->work = QFileInfo(bank).absolutePath() + QStringLiteral("/work-practice.db");
    bench::freshCopy(bank, g->work);
    if (!g->dm.openBank(g->work))
        throw std::runtime_error("cannot open the bank copy");
    g->dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    DM1 = &g->dm;
    store::Connection& db = g->dm.db();
    g->chapter = db.scalar(QStringLiteral("select C1 from tab_kmmc where length(C1)=4 order by C3 desc limit 1")).toString();
    const store::Rows ids = db.query(QStringLiteral("select a1 from tab_answ where ") + store::chapterCondition(g->chapter)
                                         + QStringLiteral(" order by a1 limit 100"),
                                     store::chapterParams(g->chapter));
    for (const auto& row : ids.values)
        g->openIds << row[0].toString();
    g->chapterQuestions = int(db.scalar(QStringLiteral("select count(*) from tab_answ where ") + store::chapterCondition(g->chapter),
                                        store::chapterParams(g->chapter))
                                  .toLongLong());
    app::TypeIds = {11, 14};
    app::TypeAnswerTimes = {600, 900};
    std::printf("bank %s: chapter %s has %d questions\n", qPrintable(bank), qPrintable(g->chapter), g->chapterQuestions);
}

bool summary()
{
    using bench::result;
    return bench::report({result("record answer (完成)", {}, 3.0), result("load question set", {}, 50.0),
                          result("next question", {}, 15.0)});
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString bank = bench::start(argc, argv);
    prompt::Script prompts({}, 3); // no window may wait for an answer
    Bench bench;
    g = &bench;
    try {
        prepare(bank);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_practice: %s\n", e.what());
        return 1;
    }
    const auto reg = [](const char* name, void (*fn)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
    };
    reg("Record", BM_Record);
    reg("Load", BM_Load);
    reg("Next", BM_Next);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = summary();
    if (!prompts.asked().empty())
        std::printf("prompts shown: %s\n", qPrintable(prompts.texts().join(QStringLiteral(", "))));
    DM1 = nullptr;
    bench.dm.closeBank();
    bench::removeBank(bench.work);
    g = nullptr;
    return ok ? 0 : 3;
}

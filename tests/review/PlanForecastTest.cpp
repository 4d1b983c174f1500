// The mock papers' score forecast on a real bank: the positions its draw table
// fills, what each question's recall is predicted from, the kept history and the
// calibration of the model against the answer log.

#include "core/exam/PaperDraw.h"
#include "core/progress/PlanForecast.h"
#include "core/review/AnswerLog.h"
#include "core/store/Migrations.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <QFile>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <random>

namespace {

const QDateTime kNow(QDate(2026, 3, 2), QTime(8, 0), QTimeZone::utc());

// A copy of the demo bank at the newest layout.
struct DemoBank {
    TempDir t;
    QString path = t.file(QStringLiteral("demo.db"));
    std::unique_ptr<store::Connection> db;
    DemoBank()
    {
        EXPECT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        db = store::Connection::open(path, store::bankKey());
        store::migrateBank(*db);
    }
    QVariant scalar(const QString& sql, const store::Params& p = {}) { return db->scalar(sql, p); }
    // A drawable question of a type in a chapter (by prefix).
    QString questionOf(int type, const QString& prefix, int skip = 0)
    {
        return scalar(QStringLiteral("select A1 from tab_answ where A13 = :t and A10 like :p and F1 <> 1 order by A1 limit 1 offset :s"),
                      {{":t", type}, {":p", prefix + QLatin1Char('%')}, {":s", skip}})
            .toString();
    }
    void logRight(const QString& id, bool right, const QDateTime& at)
    {
        review::logAnswer(*db, id, right, right ? QStringLiteral("A") : QStringLiteral("B"), {}, at);
    }
};

} // namespace

TEST(PlanForecast, APaperHasThePositionsAndScoreADrawnPaperHas)
{
    DemoBank bank;
    const progress::BankRecall recall(*bank.db);
    ASSERT_GT(recall.questionCount(), 0);
    for (int mock = 1; mock <= progress::kMockCount; ++mock) {
        const auto positions = recall.paperSlots(mock, kNow);
        std::mt19937 rng(mock);
        const QString table = QStringLiteral("tab_exam9%1").arg(mock);
        store::createPaperTable(*bank.db, table);
        const int drawn = exam::drawPaper(*bank.db, mock, table, rng);
        EXPECT_EQ(int(positions.size()), drawn) << "mock " << mock;
        const double full = bank.scalar(QStringLiteral("select sum(t.B3) from %1 p join tab_tx%2 t on t.A1 = p.A13").arg(table).arg(mock)).toDouble();
        const review::ScoreForecast f = review::forecastScore(positions);
        EXPECT_DOUBLE_EQ(f.fullScore, full) << "mock " << mock;
        EXPECT_DOUBLE_EQ(f.passLine, full * 3 / 5) << "mock " << mock;
        // Untouched, every question stands at the neutral prior.
        EXPECT_NEAR(f.expected, full * progress::kNeutralRecall, 1e-9) << "mock " << mock;
    }
    EXPECT_TRUE(recall.paperSlots(0, kNow).empty());
    EXPECT_TRUE(recall.paperSlots(6, kNow).empty());
}

TEST(PlanForecast, RecallComesFromTheLogElseTheCountersElseFirstAnswersInTheChapterElseTheNeutralPrior)
{
    DemoBank bank;
    auto chapterOf = [&](const QString& id) {
        return bank.scalar("select substr(A10, 1, 4) from tab_answ where A1 = :a", {{":a", id}}).toString();
    };
    // Chapter one: two questions met in the log, one right and one wrong, and one never met.
    const QString logged = bank.questionOf(11, QStringLiteral("01"), 0);
    const QString chapter1 = chapterOf(logged);
    const QString missed = bank.questionOf(11, chapter1, 1);
    const QString unmetInLoggedChapter = bank.questionOf(11, chapter1, 2);
    // Chapter two: counters only (answered before the log began).
    const QString counted = bank.questionOf(11, QStringLiteral("02"), 0);
    const QString unmetInCountedChapter = bank.questionOf(11, chapterOf(counted), 1);
    const QString untouched = bank.questionOf(11, QStringLiteral("03"), 0);
    const QString voided = bank.questionOf(11, QStringLiteral("04"), 0);
    ASSERT_FALSE(voided.isEmpty());
    ASSERT_FALSE(unmetInLoggedChapter.isEmpty());

    bank.db->exec("update tab_kmmc set D1 = 0, D2 = 0");
    bank.logRight(logged, true, kNow.addDays(-3));
    bank.logRight(missed, false, kNow.addDays(-3));
    bank.logRight(logged, true, kNow.addDays(-1)); // a review: not a first answer
    // The chapter's counters hold reviews too; the first answers decide for a question not met.
    bank.db->exec("update tab_kmmc set D1 = 30, D2 = 1 where C1 = :c", {{":c", chapter1}});
    // Answered twice before the log began, the last time right, three days ago.
    bank.db->exec("update tab_answ set E3 = 2, E4 = 0, E2 = A2, E1 = :d where A1 = :a",
                  {{":d", kNow.date().addDays(-3).toString(Qt::ISODate)}, {":a", counted}});
    bank.db->exec("update tab_kmmc set D1 = 8, D2 = 2 where C1 = :c", {{":c", chapterOf(counted)}});
    bank.db->exec("update tab_answ set F1 = 1 where A1 = :a", {{":a", voided}});

    const progress::BankRecall recall(*bank.db);
    const auto stored = review::storedMemoryState(*bank.db, logged);
    ASSERT_TRUE(stored);
    EXPECT_DOUBLE_EQ(recall.recallOf(logged, kNow), review::retrievability(*stored, kNow));
    EXPECT_DOUBLE_EQ(recall.recallOf(unmetInLoggedChapter, kNow), 0.5) << "first answers: one of two right";
    review::AnswerCounters c{2, 0, true, kNow.date().addDays(-3)};
    EXPECT_DOUBLE_EQ(recall.recallOf(counted, kNow), review::retrievability(review::estimateFromCounters(c), kNow));
    EXPECT_DOUBLE_EQ(recall.recallOf(unmetInCountedChapter, kNow), 0.75) << "no first answer logged: the counters";
    EXPECT_DOUBLE_EQ(recall.recallOf(untouched, kNow), progress::kNeutralRecall);
    EXPECT_DOUBLE_EQ(recall.recallOf(voided, kNow), -1) << "a voided question is never drawn";
    EXPECT_LT(recall.recallOf(logged, kNow.addDays(40)), recall.recallOf(logged, kNow)) << "forgotten by a later day";
}

TEST(PlanForecast, ExamDayIsForecastOnlyWhenItIsStillAhead)
{
    DemoBank bank;
    // Everything answered right a day ago: recall is high now and fades by exam day.
    store::Transaction t(*bank.db);
    for (const auto& r : bank.db->query("select A1 from tab_answ where F1 <> 1").values)
        bank.logRight(r[0].toString(), true, kNow.addDays(-1));
    t.commit();

    const auto ahead = progress::mockForecasts(*bank.db, kNow, kNow.date().addDays(60));
    ASSERT_EQ(ahead.size(), size_t(progress::kMockCount));
    for (const progress::MockForecast& f : ahead) {
        EXPECT_EQ(f.title, exam::mockTitle(f.mock));
        ASSERT_TRUE(f.today) << f.mock;
        ASSERT_TRUE(f.examDay) << f.mock;
        EXPECT_GT(f.today->expected, f.today->fullScore * 0.85) << f.mock;
        EXPECT_LT(f.examDay->expected, f.today->expected) << f.mock;
        EXPECT_LE(f.examDay->low, f.examDay->expected);
        EXPECT_GE(f.examDay->high, f.examDay->expected);
    }
    for (const QDate& exam : {QDate(), kNow.date().addDays(-1)})
        for (const progress::MockForecast& f : progress::mockForecasts(*bank.db, kNow, exam)) {
            EXPECT_TRUE(f.today);
            EXPECT_FALSE(f.examDay) << "no exam to come";
        }
    const auto onTheDay = progress::mockForecasts(*bank.db, kNow, kNow.date());
    EXPECT_TRUE(onTheDay[0].examDay) << "the exam is today";
}

TEST(PlanForecast, KeepsOneRowADayPerMockAndReadsThemInOrder)
{
    DemoBank bank;
    progress::MockForecast f;
    f.mock = 2;
    f.today = review::ScoreForecast{50, 40, 60, 100, 60};
    progress::MockForecast none;
    none.mock = 4;
    const QDate day(2026, 3, 2);
    progress::keepForecasts(*bank.db, day, {f, none});
    f.today->expected = 55;
    progress::keepForecasts(*bank.db, day, {f}); // later the same day
    f.mock = 1;
    progress::keepForecasts(*bank.db, day.addDays(-1), {f});

    const auto history = progress::forecastHistory(*bank.db);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].day, day.addDays(-1));
    EXPECT_EQ(history[0].mock, 1);
    EXPECT_EQ(history[1].day, day);
    EXPECT_EQ(history[1].mock, 2);
    EXPECT_DOUBLE_EQ(history[1].expected, 55) << "the day's last figures";
    EXPECT_DOUBLE_EQ(history[1].low, 40);
    EXPECT_DOUBLE_EQ(history[1].high, 60);
    EXPECT_DOUBLE_EQ(history[1].full, 100);
}

TEST(PlanForecast, TheLogKeepsThePredictionBeforeEachAnswerAndTheCalibrationBinsIt)
{
    DemoBank bank;
    const QString q = bank.questionOf(11, QStringLiteral("01"));
    bank.logRight(q, true, kNow);
    EXPECT_TRUE(bank.scalar("select recall from answer_log where A1 = :a", {{":a", q}}).isNull())
        << "a new question: nothing was predicted";
    const auto state = review::storedMemoryState(*bank.db, q);
    bank.logRight(q, false, kNow.addDays(5));
    EXPECT_DOUBLE_EQ(bank.scalar("select recall from answer_log where A1 = :a and right = 0", {{":a", q}}).toDouble(),
                     review::retrievability(*state, kNow.addDays(5)));

    bank.db->exec("delete from answer_log");
    // Answers with known predictions: 0.95 right 3 of 4 times; 0.3 right 1 of 2; 1.0 once, wrong; one unpredicted.
    struct Row {
        QVariant recall;
        int right;
    };
    const Row rows[] = {{0.95, 1}, {0.95, 1}, {0.95, 0}, {0.95, 1}, {0.3, 1}, {0.3, 0}, {1.0, 0}, {QVariant(), 1}};
    for (const Row& r : rows)
        bank.db->exec("insert into answer_log (A1, at, right, answer, seconds, source, recall) values ('x', 't', :r, 'A', 1, 1, :p)",
                      {{":r", r.right}, {":p", r.recall}});
    progress::Calibration c = progress::readCalibration(*bank.db);
    EXPECT_EQ(c.logged, 8);
    EXPECT_EQ(c.predicted, 7);
    EXPECT_FALSE(c.enough());
    ASSERT_EQ(c.bins.size(), 2u);
    EXPECT_DOUBLE_EQ(c.bins[0].from, 0.3);
    EXPECT_EQ(c.bins[0].answers, 2);
    EXPECT_DOUBLE_EQ(c.bins[0].actual, 0.5);
    EXPECT_DOUBLE_EQ(c.bins[1].from, 0.9);
    EXPECT_DOUBLE_EQ(c.bins[1].to, 1.0);
    EXPECT_EQ(c.bins[1].answers, 5) << "a prediction of 1 falls into the last bin";
    EXPECT_NEAR(c.bins[1].predicted, (0.95 * 4 + 1.0) / 5, 1e-12);
    EXPECT_DOUBLE_EQ(c.bins[1].actual, 0.6);

    for (int i = 0; i < progress::kCalibrationMinimum - 8; ++i)
        bank.db->exec("insert into answer_log (A1, at, right, answer, seconds, source) values ('x', 't', 1, 'A', 1, 1)");
    EXPECT_TRUE(progress::readCalibration(*bank.db).enough()) << "200 answers in the log";
}

TEST(PlanForecast, TheLayoutStepAddsThePredictionColumnOnceEvenWhenItIsThere)
{
    DemoBank bank;
    // As a bank of the previous layout arrives, and as one whose number is older than its tables.
    bank.db->execScript("DROP TABLE forecast_day; PRAGMA user_version = 6;");
    EXPECT_EQ(store::migrateBank(*bank.db), store::newestBankVersion() - 6); // this step and any after it
    EXPECT_TRUE(bank.db->hasTable("forecast_day"));
    EXPECT_TRUE(bank.db->columnsOf("answer_log").contains("recall", Qt::CaseInsensitive));
    bank.db->execScript("PRAGMA user_version = 6;");
    EXPECT_EQ(store::migrateBank(*bank.db), store::newestBankVersion() - 6);
    EXPECT_EQ(store::bankVersion(*bank.db), store::newestBankVersion());
}

namespace {

// The calibration as one pass over the log would count it, to hold the kept bins against.
progress::Calibration calibrationOfLog(store::Connection& db)
{
    progress::Calibration c;
    c.logged = db.scalar("select count(*) from answer_log").toLongLong();
    for (const auto& r : db.query("select min(max(cast(recall * 10 as integer), 0), 9) as bin, count(*), avg(recall), avg(right <> 0) "
                                  "from answer_log where recall is not null group by bin order by bin").values) {
        progress::CalibrationBin b;
        b.from = r[0].toInt() / 10.0;
        b.answers = r[1].toLongLong();
        b.predicted = r[2].toDouble();
        b.actual = r[3].toDouble();
        c.predicted += b.answers;
        c.bins.push_back(b);
    }
    return c;
}

void expectSameCalibration(const progress::Calibration& kept, const progress::Calibration& log, const char* step)
{
    SCOPED_TRACE(step);
    EXPECT_EQ(kept.logged, log.logged);
    EXPECT_EQ(kept.predicted, log.predicted);
    ASSERT_EQ(kept.bins.size(), log.bins.size());
    for (size_t i = 0; i < log.bins.size(); ++i) {
        EXPECT_DOUBLE_EQ(kept.bins[i].from, log.bins[i].from);
        EXPECT_EQ(kept.bins[i].answers, log.bins[i].answers);
        EXPECT_NEAR(kept.bins[i].predicted, log.bins[i].predicted, 1e-9);
        EXPECT_NEAR(kept.bins[i].actual, log.bins[i].actual, 1e-12);
    }
}

} // namespace

TEST(PlanForecast, TheCalibrationKeptBesideTheLogFollowsEveryChangeToIt)
{
    DemoBank bank;
    const QString q = bank.questionOf(1, QString());
    const QString other = bank.questionOf(1, QString(), 1);
    // Answers given as the program gives them, then the log changed by hand as a repair would.
    bank.logRight(q, true, kNow);
    bank.logRight(q, false, kNow.addDays(3));
    bank.logRight(q, true, kNow.addDays(9));
    bank.logRight(other, true, kNow);
    bank.logRight(other, true, kNow.addDays(40));
    expectSameCalibration(progress::readCalibration(*bank.db), calibrationOfLog(*bank.db), "answers recorded");
    const struct {
        const char* step;
        const char* sql;
    } changes[] = {
        {"predictions written in", "insert into answer_log (A1, at, right, answer, seconds, source, recall) values "
                                   "('x', 't', 1, 'A', 1, 1, 0.0), ('x', 't', 0, 'A', 1, 1, 0.55), ('x', 't', 2, 'A', 1, 1, 1.0)"},
        {"a prediction moved to another bin", "update answer_log set recall = 0.15 where recall = 0.55"},
        {"an answer turned right", "update answer_log set right = 1 where recall = 0.15"},
        {"a prediction taken away", "update answer_log set recall = null where recall = 1.0"},
        {"a row removed", "delete from answer_log where rowid = (select max(rowid) from answer_log)"},
        {"the whole log removed", "delete from answer_log"},
    };
    for (const auto& c : changes) {
        bank.db->exec(QString::fromLatin1(c.sql));
        expectSameCalibration(progress::readCalibration(*bank.db), calibrationOfLog(*bank.db), c.step);
    }
}

TEST(PlanForecast, TheLayoutStepCountsALogThatIsAlreadyThere)
{
    DemoBank bank;
    bank.logRight(bank.questionOf(1, QString()), true, kNow);
    bank.logRight(bank.questionOf(1, QString()), false, kNow.addDays(2));
    bank.db->execScript("DROP TABLE answer_log_bin; DROP TRIGGER answer_log_bin_insert; DROP TRIGGER answer_log_bin_delete;"
                        " DROP TRIGGER answer_log_bin_update; PRAGMA user_version = 9;");
    // Rows written before the step, by an older program.
    bank.db->exec("insert into answer_log (A1, at, right, answer, seconds, source, recall) values "
                  "('x', 't', 1, 'A', 1, 1, 0.42), ('x', 't', 0, 'A', 1, 1, 0.47), ('x', 't', 1, 'A', 1, 1, null)");
    EXPECT_EQ(store::migrateBank(*bank.db), store::newestBankVersion() - 9);
    const progress::Calibration c = progress::readCalibration(*bank.db);
    expectSameCalibration(c, calibrationOfLog(*bank.db), "after the step");
    EXPECT_EQ(c.logged, 5);
    bank.logRight(bank.questionOf(1, QString()), true, kNow.addDays(30));
    expectSameCalibration(progress::readCalibration(*bank.db), calibrationOfLog(*bank.db), "an answer after the step");
}

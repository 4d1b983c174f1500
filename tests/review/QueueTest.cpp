// Today's review: which questions are due, in what order, aimed at the exam day,
// and how many new ones and minutes the plan leaves.

#include "practice/PracticeFixture.h"

#include "core/review/AnswerLog.h"
#include "core/review/Queue.h"
#include "core/store/Migrations.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

using review::Phase;
using review::PlanToday;

// The fixture's clock: 09:30 on its first day.
const QDateTime kNow = QDateTime(practicetest::kDay1, QTime(9, 30)).toUTC();

class QueueTest : public ::testing::Test {
protected:
    practicetest::ClockScope clock;
    practicetest::FixtureBank bank;

    // A question in review, last answered `daysAgo` days before now (fractions allowed),
    // due when its recall reaches 90 % unless `dueInDays` says otherwise.
    void reviewed(const QString& id, double stability, double daysAgo, std::optional<double> dueInDays = {},
                  Phase phase = Phase::Review, int f1 = 0)
    {
        bank.add({.id = id, .e2 = QStringLiteral("A"), .e3 = 1, .f1 = f1});
        const QDateTime last = kNow.addSecs(qint64(-daysAgo * 86400));
        const QDateTime due = dueInDays ? kNow.addSecs(qint64(*dueInDays * 86400)) : last.addSecs(qint64(stability * 86400));
        bank.db().exec(QStringLiteral("insert into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
                                      "values (:a1, :s, 5, :phase, 0, :last, :due)"),
                       {{":a1", id},
                        {":s", stability},
                        {":phase", int(phase)},
                        {":last", last.toString(Qt::ISODateWithMs)},
                        {":due", due.toString(Qt::ISODateWithMs)}});
    }
    // Last answered wrong 20 days ago by a program without the log; the bank then
    // opened by this one.
    void answeredBeforeTheLog(const QString& id)
    {
        bank.add({.id = id, .key = "A", .e1 = practicetest::kDay1.addDays(-20), .e2 = QStringLiteral("B"), .e3 = 2, .e4 = -1});
        bank.db().execScript(QStringLiteral("PRAGMA user_version = 7"));
        store::migrateBank(bank.db());
    }
    QStringList due(const QDate& exam = {}) { return review::dueToday(bank.db(), kNow, exam); }
    void logSeconds(const QList<int>& seconds)
    {
        int n = 0;
        for (int s : seconds)
            bank.db().exec(QStringLiteral("insert into answer_log (A1, at, right, answer, seconds, source) "
                                          "values ('x', :at, 1, 'A', :s, 1)"),
                           {{":at", kNow.addSecs(-3600 + n++).toString(Qt::ISODateWithMs)}, {":s", s}});
    }
};

TEST_F(QueueTest, DueQuestionsComeMostLikelyForgottenFirst)
{
    reviewed("q-long-ago", 2, 10);          // recall far below the target
    reviewed("q-just-past", 5, 6);          // just below
    reviewed("q-fresh", 30, 2);             // well remembered
    reviewed("q-steps", 0.2, 0.003, 0.004, Phase::Learning); // a learning step later today
    reviewed("q-tomorrow", 3, 2, 1.1);      // due tomorrow morning, recall still above
    reviewed("q-void", 2, 10, {}, Phase::Review, 1); // voided: out of practice
    answeredBeforeTheLog("q-unlogged"); // its estimate is due long since
    bank.add({.id = "q-never"});

    EXPECT_EQ(due(), (QStringList{"q-unlogged", "q-long-ago", "q-just-past", "q-steps"}));
}

TEST_F(QueueTest, AQuestionAnsweredBeforeTheLogIsDueByItsEstimateUntilItsFirstLoggedAnswer)
{
    answeredBeforeTheLog("q-old");
    reviewed("q-other", 2, 10);
    EXPECT_EQ(due(), (QStringList{"q-old", "q-other"}));

    // Its first logged answer gives it a state of its own, due in days: it is gone,
    // and not counted twice on the way.
    review::logAnswer(bank.db(), "q-old", true, "A", {}, kNow);
    EXPECT_EQ(due(), QStringList{"q-other"});
    EXPECT_EQ(bank.number("select count(*) from unlogged_answered"), 0);
}

TEST_F(QueueTest, AQuestionWhoseDueTimeRunsPastTheExamComesWhileItsRecallStillHolds)
{
    // Stability 10, last answered nine and a half days ago: recall is still above the
    // target, and its stored due time lies 12 days ahead, past an exam in 9 days.
    reviewed("q", 10, 9.5, 12);
    EXPECT_TRUE(due().isEmpty());
    EXPECT_EQ(due(practicetest::kDay1.addDays(9)), QStringList{"q"});
    // An exam beyond the due time changes nothing; one already past neither.
    EXPECT_TRUE(due(practicetest::kDay1.addDays(30)).isEmpty());
    EXPECT_TRUE(due(practicetest::kDay1.addDays(-1)).isEmpty());
}

TEST_F(QueueTest, InTheLastDaysWhatWouldBeForgottenByTheExamGoesFirst)
{
    reviewed("q-holds", 40, 2);  // remembered well past the exam
    reviewed("q-older", 4, 3);   // recall now 0.92; by the exam (8 days) lower
    reviewed("q-today", 2, 0.1); // answered this morning: recall now 1, by the exam (5 days) lowest
    reviewed("q-due", 1, 3);     // due today in any case

    // Without an exam only the due one; by recall now.
    EXPECT_EQ(due(), QStringList{"q-due"});
    // Exam in 5 days: everything below the target by then, lowest recall on exam day first.
    EXPECT_EQ(due(practicetest::kDay1.addDays(5)), (QStringList{"q-due", "q-today", "q-older"}));
    // Exam in 30 days: not yet the last days, the order of today.
    EXPECT_EQ(due(practicetest::kDay1.addDays(30)), QStringList{"q-due"});
}

TEST(QueueRules, NewQuestionsFillWhatThePlanLeavesAfterTodaysAnswersAndTheDueReviews)
{
    struct Case {
        const char* what;
        PlanToday plan;
        qint64 due, unanswered;
        double pace;
        qint64 expected;
    } cases[] = {
        {"answers a day, nothing done", {.mark = 0, .amount = 50}, 10, 1000, 60, 40},
        {"answers already given count", {.mark = 0, .amount = 50, .answeredToday = 45}, 0, 1000, 60, 5},
        {"more due than the plan", {.mark = 0, .amount = 50}, 80, 1000, 60, 0},
        {"plan exceeded", {.mark = 0, .amount = 50, .answeredToday = 60}, 0, 1000, 60, 0},
        {"few questions left", {.mark = 0, .amount = 50}, 0, 7, 60, 7},
        {"minutes a day at 30 s", {.mark = 1, .time = 30}, 20, 1000, 30, 40},
        {"minutes already studied", {.mark = 1, .time = 30, .minutesToday = 25}, 0, 1000, 30, 10},
        {"no plan", {}, 0, 1000, 60, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(review::newQuestionsToday(c.plan, c.due, c.unanswered, c.pace), c.expected) << c.what;
}

TEST(QueueRules, PaceIsTheMedianOfEnoughAnswersElseTheDefault)
{
    EXPECT_EQ(review::paceSeconds({}), review::kDefaultSecondsPerAnswer);
    EXPECT_EQ(review::paceSeconds({5, 5, 5, 5, 5, 5, 5, 5, 5}), review::kDefaultSecondsPerAnswer); // nine say too little
    EXPECT_EQ(review::paceSeconds({90, 1, 2, 3, 4, 5, 6, 7, 8, 9, 400}), 6);
    EXPECT_EQ(review::paceSeconds({10, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 5.5);
    EXPECT_EQ(review::estimateMinutes(0, 30), 0);
    EXPECT_EQ(review::estimateMinutes(3, 30), 2); // 90 s: a part-minute counts
    EXPECT_EQ(review::estimateMinutes(4, 30), 2);
}

TEST_F(QueueTest, TodaysReviewCountsDueAndNewAndEstimatesTheMinutesAtTheCandidatesPace)
{
    reviewed("q1", 2, 10);
    reviewed("q2", 2, 10);
    for (const char* id : {"n1", "n2", "n3", "n4", "n5"})
        bank.add({.id = id});
    bank.add({.id = "n0-void", .f1 = 1});

    // No log: the default pace; the plan leaves room for 3 new after 2 reviews.
    review::TodaysReview r = review::todaysReview(bank.db(), kNow, {.mark = 0, .amount = 5});
    EXPECT_EQ(r.due, (QStringList{"q1", "q2"}));
    EXPECT_EQ(r.fresh, (QStringList{"n1", "n2", "n3"}));
    EXPECT_FALSE(r.paceFromLog);
    EXPECT_EQ(r.minutes, 5);
    EXPECT_FALSE(r.examAimed);

    logSeconds({20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 0, 0});
    r = review::todaysReview(bank.db(), kNow, {.mark = 0, .amount = 50, .examDate = practicetest::kDay1.addDays(3)});
    EXPECT_TRUE(r.paceFromLog);
    EXPECT_EQ(r.secondsPerAnswer, 20);
    EXPECT_EQ(r.fresh.size(), 5);
    EXPECT_EQ(r.minutes, 3); // 7 × 20 s
    EXPECT_TRUE(r.examAimed);
    EXPECT_TRUE(r.lastDays);
    EXPECT_EQ(r.daysToExam, 3);
}

} // namespace

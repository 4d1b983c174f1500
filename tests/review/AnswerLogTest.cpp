// The answer log and memory state written with each counted answer.

#include "exam/ExamFixture.h"

#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "core/practice/ChooserRules.h"
#include "core/question/AnswerRules.h"
#include "core/review/AnswerLog.h"
#include "core/store/Dataset.h"

#include <sqlite3.h>

#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>

namespace {

using practicetest::ClockScope;
using practicetest::QuestionRow;

const QDateTime kNow(practicetest::kDay1, QTime(9, 30)); // the fixture's clock

class AnswerLogTest : public ::testing::Test {
protected:
    ClockScope clock;
    examtest::ExamBank bank;
    store::Dataset& set() { return *bank.dm.Cn1Query_tm; }

    void openSet()
    {
        set().close();
        set().setSql(QStringLiteral("select %1 from tab_answ order by a1").arg(QLatin1String(practice::kQuestionColumns)));
        set().open();
    }
    practice::RecordOutcome record(const QString& id, const QString& answer, const review::AnswerContext& context = {})
    {
        EXPECT_TRUE(set().locate(QStringLiteral("a1"), id));
        return practice::recordAnswer(bank.dm, set(), answer, context);
    }
    // right|answer|seconds|source of each log row of a question, oldest first.
    QStringList logOf(const QString& id)
    {
        QStringList out;
        for (const auto& r : bank.db().query(QStringLiteral("select at, right, answer, seconds, source from answer_log "
                                                            "where A1 = :a1 order by rowid"),
                                             {{":a1", id}}).values) {
            EXPECT_EQ(r[0].toString(), kNow.toUTC().toString(Qt::ISODateWithMs));
            out << QStringLiteral("%1|%2|%3|%4").arg(r[1].toString(), r[2].toString(), r[3].toString(), r[4].toString());
        }
        return out;
    }
    // A full disk where the answer's log row goes: the bank capped at its size and
    // the log filled with another question's rows up to the cap.
    void fillTheLogToTheCap()
    {
        bank.db().scalar(QStringLiteral("PRAGMA max_page_count = %1").arg(bank.number("PRAGMA page_count")));
        for (;;) {
            try {
                bank.db().exec("insert into answer_log (A1, at, right, answer, seconds, source) values ('filler', '2020-01-01', 0, 'x', 0, 1)");
            } catch (const store::DbError& e) {
                ASSERT_EQ(e.kind(), store::DbError::Kind::Full);
                return;
            }
        }
    }
    qint64 rows(const char* table) { return bank.number(QStringLiteral("select count(*) from %1").arg(QLatin1String(table))); }
};

TEST_F(AnswerLogTest, ACountedAnswerAddsOneLogRowAndMovesTheDueTime)
{
    bank.add({.id = "q1", .key = "A"});
    openSet();
    EXPECT_FALSE(review::storedMemoryState(bank.db(), "q1"));

    review::AnswerContext context;
    context.source = review::Source::WrongRedo;
    context.secondsSpent = 17;
    EXPECT_EQ(record("q1", "B", context).what, practice::Recorded::Counted);
    EXPECT_EQ(logOf("q1"), QStringList{"0|B|17|3"});
    const auto first = review::storedMemoryState(bank.db(), "q1");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->phase, review::Phase::Learning);
    EXPECT_EQ(first->lastReview, kNow.toUTC());
    EXPECT_GT(first->due, kNow.toUTC());

    // The same answer again is only re-dated and logs nothing; a cleared answer neither.
    EXPECT_EQ(record("q1", "B").what, practice::Recorded::Confirmed);
    EXPECT_EQ(record("q1", "").what, practice::Recorded::Cleared);
    EXPECT_EQ(logOf("q1").size(), 1);

    // A changed answer counts and logs again, from the stored state.
    clock.set(practicetest::kDay1); // same minute: the state still moves on by the rating
    EXPECT_EQ(record("q1", "A").what, practice::Recorded::Counted);
    EXPECT_EQ(logOf("q1"), (QStringList{"0|B|17|3", "1|A|0|1"}));
    const auto second = review::storedMemoryState(bank.db(), "q1");
    ASSERT_TRUE(second);
    EXPECT_EQ(bank.number("select E3 from tab_answ where A1='q1'"), 2) << "one log row per counted answer";
    EXPECT_NE(second->due, first->due);
}

// The rating follows the time taken against the type's answer time.
TEST_F(AnswerLogTest, TheRatingComesFromRightnessAndTime)
{
    const struct {
        const char* answer;
        qint64 spent, answerTime;
        review::Rating rating;
    } cases[] = {
        {"B", 5, 60, review::Rating::Again},
        {"A", 19, 60, review::Rating::Easy},
        {"A", 30, 60, review::Rating::Good},
        {"A", 60, 60, review::Rating::Hard},
        {"A", 500, 0, review::Rating::Good}, // no time limit
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString id = QStringLiteral("r%1").arg(++n);
        SCOPED_TRACE(id.toStdString());
        bank.add({.id = id, .key = "A"});
        openSet();
        review::AnswerContext context;
        context.secondsSpent = c.spent;
        context.answerTime = c.answerTime;
        record(id, QString::fromLatin1(c.answer), context);
        const auto s = review::storedMemoryState(bank.db(), id);
        ASSERT_TRUE(s);
        EXPECT_DOUBLE_EQ(s->stability, review::initialStability(c.rating));
        EXPECT_DOUBLE_EQ(s->difficulty, review::initialDifficulty(c.rating));
    }
}

// A question answered before the log began starts from the estimate of its counters.
TEST_F(AnswerLogTest, AnOldQuestionStartsFromItsEstimatedState)
{
    const struct {
        const char* name;
        QuestionRow row;
        review::AnswerCounters counters;
    } cases[] = {
        {"right and clear", {.id = "o1", .key = "A", .e1 = QDate(2024, 4, 1), .e2 = "A", .e3 = 4, .e4 = 2}, {4, 2, true, QDate(2024, 4, 1)}},
        {"last answer wrong", {.id = "o2", .key = "A", .e1 = QDate(2024, 3, 1), .e2 = "C", .e3 = 2, .e4 = -3}, {2, -3, false, QDate(2024, 3, 1)}},
        {"day kept with a time", {.id = "o3", .key = "A", .e1 = "2024-04-20 00:00:00", .e2 = "A", .e3 = 1, .e4 = -1}, {1, -1, true, QDate(2024, 4, 20)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bank.add(c.row);
        openSet();
        record(c.row.id, "A");
        const review::MemoryState estimate = review::estimateFromCounters(c.counters);
        ASSERT_EQ(estimate.phase, review::Phase::Review);
        const review::MemoryState expected = review::schedule(estimate, review::Rating::Good, kNow.toUTC());
        const auto s = review::storedMemoryState(bank.db(), c.row.id);
        ASSERT_TRUE(s);
        EXPECT_DOUBLE_EQ(s->stability, expected.stability);
        EXPECT_DOUBLE_EQ(s->difficulty, expected.difficulty);
        EXPECT_EQ(s->phase, review::Phase::Review);
    }
}

int refuseCommit(void*)
{
    return 1;
}

// A failure anywhere leaves neither the bookkeeping nor the log row nor the state.
TEST_F(AnswerLogTest, TheLogIsWrittenAllOrNothingWithTheBookkeeping)
{
    sqlite3* handle = bank.db().handle();
    const auto sql = [this](const char* statement) { return [this, statement] { bank.db().exec(QString::fromLatin1(statement)); }; };
    const struct {
        const char* name;
        std::function<void()> breakIt, mendIt;
    } cases[] = {
        {"the log row fails", sql("create trigger no_log before insert on answer_log begin select raise(abort, 'x'); end"), sql("drop trigger no_log")},
        {"the memory state fails", sql("create trigger no_mem before insert on memory_state begin select raise(abort, 'x'); end"), sql("drop trigger no_mem")},
        {"the question row fails after the log",
         sql("create trigger no_answers before update on tab_answ begin select raise(abort, 'x'); end"), sql("drop trigger no_answers")},
        {"the disk is full at the log row", [this] { fillTheLogToTheCap(); }, [this] { bank.liftTheCap(); }},
        {"the commit is refused", [handle] { sqlite3_commit_hook(handle, &refuseCommit, nullptr); },
         [handle] { sqlite3_commit_hook(handle, nullptr, nullptr); }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString id = QStringLiteral("f%1").arg(++n);
        bank.add({.id = id, .key = "A", .e1 = QDate(2024, 4, 1), .e2 = "A", .e3 = 3});
        openSet();
        ASSERT_TRUE(set().locate("a1", id));
        c.breakIt();
        const QString before = bank.snapshot();
        const qint64 logRows = rows("answer_log"), states = rows("memory_state");
        EXPECT_THROW(practice::recordAnswer(bank.dm, set(), "B"), store::DbError);
        c.mendIt();
        EXPECT_EQ(bank.snapshot(), before);
        EXPECT_EQ(rows("answer_log"), logRows);
        EXPECT_EQ(rows("memory_state"), states);
        EXPECT_EQ(practice::recordAnswer(bank.dm, set(), "B").what, practice::Recorded::Counted);
        EXPECT_EQ(logOf(id), QStringList{"0|B|0|1"});
        EXPECT_EQ(rows("memory_state"), states + 1);
    }
}

TEST_F(AnswerLogTest, AnExamAnswerIsLoggedAsAMockExamAnswer)
{
    bank.add({.id = "q1", .key = "A", .points = {"010101001"}, .e1 = QDate(2024, 4, 1), .e2 = "A", .e3 = 2, .e4 = 1});
    bank.type(1, 11, 80, 1);
    bank.scoreRow(QStringLiteral("tab_exam1"), 1);
    bank.paperOf(QStringLiteral("tab_exam1"), {"q1"});
    store::Dataset paper(nullptr);
    paper.setConnection(&bank.db());
    exam::openPaper(bank.db(), paper, QStringLiteral("tab_exam1"), true);

    EXPECT_EQ(exam::recordExamAnswer(bank.dm, paper, "B", 42).what, practice::Recorded::Counted);
    EXPECT_EQ(exam::recordExamAnswer(bank.dm, paper, "B", 50).what, practice::Recorded::Confirmed);
    EXPECT_EQ(logOf("q1"), QStringList{"0|B|42|4"});
    EXPECT_EQ(bank.number("select E3 from tab_answ where A1='q1'"), 3);
    // Estimated from the bank row's counters as they were, then answered wrong.
    const review::MemoryState expected =
        review::schedule(review::estimateFromCounters({2, 1, true, QDate(2024, 4, 1)}), review::Rating::Again, kNow.toUTC());
    const auto s = review::storedMemoryState(bank.db(), "q1");
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->stability, expected.stability);
    EXPECT_EQ(s->phase, review::Phase::Relearning);
}

} // namespace

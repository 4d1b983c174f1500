// The checker the kill loop trusts: silent on a bank the answer path wrote, and
// loud about each kind of counter that went astray.

#include "core/question/AnswerRules.h"
#include "practice/PracticeFixture.h"
#include "reliability/CounterCheck.h"

#include "core/store/Dataset.h"

#include <gtest/gtest.h>

using namespace practicetest;

namespace {

class CounterCheckTest : public ::testing::Test {
protected:
    CounterCheckTest()
    {
        // One question per chapter; q1 has two points of section 010101, q2 one of 020202.
        bank.add({.id = "q1", .key = "A", .chapter = "010101", .points = {"010101001", "010101002"}});
        bank.add({.id = "q2", .key = "AC", .type = 14, .chapter = "010102", .points = {"020202001"}});
        set = bank.dm.Cn1Query_tm;
        set->setSql(QStringLiteral("select a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4 from tab_answ order by a1"));
        set->open();
        unlogged = reliability::unloggedAnswers(bank.db());
        answer(1, "B");
        answer(1, "A");
        answer(2, "A");
        clock.set(kDay2);
        set->refresh();
        answer(1, "C");
        answer(2, "AC");
    }
    void answer(int row, const char* text)
    {
        set->moveTo(row);
        practice::recordAnswer(bank.dm, *set, QString::fromUtf8(text));
    }

    ClockScope clock;
    FixtureBank bank;
    store::Dataset* set = nullptr;
    QHash<QString, qint64> unlogged;
};

TEST_F(CounterCheckTest, ABankWrittenByTheAnswerPathHasNoFaults)
{
    EXPECT_EQ(reliability::counterFaults(bank.db()).join(QLatin1Char('\n')).toStdString(), "");
}

TEST_F(CounterCheckTest, EveryCounterThatGoesAstrayIsReported)
{
    const struct {
        const char* change;
        const char* fault; // the start of one reported line
    } cases[] = {
        {"update tab_answ set E3=E3+1 where A1='q1'", "chapter 010101: C4 1, D1 3; its questions: 1 answered, 4 answers"},
        {"update tab_answ set E3=0, E2=NULL, E4=0 where A1='q2'", "chapter 0: C4 2, D1 5; its questions: 1 answered, 3 answers"},
        {"update tab_answ set E4=1 where A1='q2'", "question q2: E4 1"},
        {"update tab_answ set E2=NULL where A1='q1'", "question q1: E3 3 but last answer"},
        {"update tab_kmmc set C4=C4+1 where C1='01'", "chapter 01: C4 3"},
        {"update tab_kmmc set D2=D2+1 where C1='0101'", "chapter 0101: D2 4, its question chapters hold 3"},
        {"update tab_kmmc set D2=D1+1 where C1='010102'", "chapter 010102: D2 3 with D1 2"},
        {"update tab_rz set A2=A2+1 where A1='2024-05-07'", "daily log: 6 answers"},
        {"update tab_rz set A3=A3-1 where A1='2024-05-06'", "daily log: 2 wrong answers, the question chapters hold 3"},
        {"update tab_rz set B2=-1 where A1='2024-05-06'", "daily log 2024-05-06: A2 3, A3 2, B1 2, B2 -1"},
        {"update tab_rule set q2=q2-1 where ftid='010101002'", "tab_rule 010101002: q1 1, q2 2; its questions: 1 answered, 3 answers"},
        {"update tab_rule set q4=q4+1 where ftid='020202001'", "tab_rule 020202001: q4 2, the chapters of its questions hold 1"},
        {"update tab_fgmc set q1=q1+1 where id='01'", "tab_fgmc 01: q1 2"},
        {"update tab_fgmc set q4=-1 where id='020202'", "tab_fgmc 020202: q4 -1 with q2 2"},
        {"insert into tab_cj (A1) values ('tab_exam7')", "score row tab_exam7: no paper table"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        store::Transaction t(bank.db()); // rolled back after each case
        bank.db().exec(QString::fromUtf8(c.change));
        const QStringList faults = reliability::counterFaults(bank.db());
        EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [&](const QString& f) { return f.startsWith(QString::fromUtf8(c.fault)); }))
            << faults.join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_EQ(reliability::counterFaults(bank.db()).join(QLatin1Char('\n')).toStdString(), "");
}

// Each counted answer is one log row; a question's rows and memory state go with its counters.
TEST_F(CounterCheckTest, TheAnswerLogFollowsTheCountersAndEveryStrayIsReported)
{
    EXPECT_EQ(reliability::logFaults(bank.db(), unlogged).join(QLatin1Char('\n')).toStdString(), "");
    // Answers from before the log are not asked of it.
    EXPECT_EQ(reliability::unloggedAnswers(bank.db()), (QHash<QString, qint64>{{"q1", 0}, {"q2", 0}}));
    const struct {
        const char* change;
        const char* fault;
    } cases[] = {
        {"update tab_answ set E3=E3+1 where A1='q1'", "answer log q1: 3 rows, E3 4 of which 4 logged"},
        {"delete from answer_log where rowid = (select max(rowid) from answer_log where A1='q2')", "answer log q2: 1 rows, E3 2 of which 2 logged"},
        {"insert into answer_log select * from answer_log where A1='q2' limit 1", "answer log q2: 3 rows"},
        {"delete from memory_state where A1='q1'", "memory state q1: missing with 3 log rows"},
        {"update memory_state set last_review='2024-05-06T07:30:00.000Z' where A1='q2'", "memory state q2: last review 2024-05-06T07:30:00.000Z"},
        {"insert into answer_log (A1, at, right, answer, seconds, source) values ('gone', '2024-05-06', 0, 'A', 0, 1)",
         "answer log: 1 rows of questions not in the bank"},
        {"update answer_log_bin set answers = answers + 1 where bin = -1", "calibration bin -1:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        store::Transaction t(bank.db()); // rolled back after each case
        bank.db().exec(QString::fromUtf8(c.change));
        const QStringList faults = reliability::logFaults(bank.db(), unlogged);
        EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [&](const QString& f) { return f.startsWith(QString::fromUtf8(c.fault)); }))
            << faults.join(QLatin1Char('\n')).toStdString();
    }
    // A bank whose questions were answered before the log began: those answers stay unlogged.
    bank.db().exec("update tab_answ set E3 = E3 + 5");
    const QHash<QString, qint64> before = reliability::unloggedAnswers(bank.db());
    EXPECT_EQ(before.value("q1"), 5);
    EXPECT_EQ(reliability::logFaults(bank.db(), before).join(QLatin1Char('\n')).toStdString(), "");
}

} // namespace

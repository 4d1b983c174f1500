// Sequences of the answer path that leave a counter outside what it can mean.

#include "core/question/AnswerRules.h"
#include "practice/PracticeFixture.h"
#include "reliability/CounterCheck.h"

#include "core/store/Dataset.h"

#include "core/store/Schema.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace practicetest;

namespace {

// A practice screen left open past midnight: checking an answer given yesterday
// again dates the question today without counting it in today's log, so a later
// correction that day must not take back a wrong answer today's log never held.
TEST(AnswerPath, ACorrectionAfterMidnightKeepsTheDaysWrongQuestionsInBounds)
{
    ClockScope clock;
    FixtureBank bank;
    bank.add({.id = "q1", .key = "A", .chapter = "010101"});
    bank.add({.id = "q2", .key = "A", .chapter = "010102"});
    store::Dataset* set = bank.dm.Cn1Query_tm;
    set->setSql(QStringLiteral("select a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4 from tab_answ order by a1"));
    set->open();
    const auto answer = [&](int row, const char* text) {
        set->moveTo(row);
        return practice::recordAnswer(bank.dm, *set, QString::fromUtf8(text)).what;
    };

    EXPECT_EQ(answer(1, "B"), practice::Recorded::Counted); // wrong, yesterday
    clock.set(kDay2);
    EXPECT_EQ(answer(2, "A"), practice::Recorded::Counted);   // today's first: right
    EXPECT_EQ(answer(1, "B"), practice::Recorded::Confirmed); // checked again after midnight
    EXPECT_EQ(answer(1, "A"), practice::Recorded::Counted);   // corrected

    const store::Rows today = bank.db().query(QStringLiteral("select A2, A3, B1, B2 from tab_rz where A1=:d"), {{":d", kDay2}});
    ASSERT_EQ(today.size(), 1);
    EXPECT_EQ(today.at(0, "A2").toLongLong(), 2);
    EXPECT_EQ(today.at(0, "B2").toLongLong(), 0);
    EXPECT_EQ(reliability::counterFaults(bank.db()).join(QLatin1Char('\n')).toStdString(), "");
}

// A long session draws and drops many papers; what the engine keeps for their
// statements must not grow with them.
TEST(LongSession, ADroppedPaperLetsGoOfItsStatements)
{
    FixtureBank bank;
    const auto statementBytes = [&] {
        int current = 0, high = 0;
        sqlite3_db_status(bank.db().handle(), SQLITE_DBSTATUS_STMT_USED, &current, &high, 0);
        return current;
    };
    int afterFirst = 0;
    for (int i = 1; i <= 40; ++i) {
        const QString table = QStringLiteral("tab_exam%1").arg(i);
        store::createPaperTable(bank.db(), table);
        bank.db().exec(QStringLiteral("insert into tab_cj (A1) values (:a1)"), {{":a1", table}});
        store::Dataset* paper = bank.dm.Cn1Query_exam;
        paper->setSql(QStringLiteral("select * from %1 order by A13, A1").arg(table));
        paper->open();
        paper->close();
        bank.dm.DropPaperTable(table);
        ASSERT_FALSE(bank.db().hasTable(table));
        if (i == 1)
            afterFirst = statementBytes();
    }
    EXPECT_LE(statementBytes(), afterFirst + 16 * 1024);
}

} // namespace

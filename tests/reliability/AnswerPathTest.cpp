// Sequences of the answer path that leave a counter outside what it can mean.

#include "practice/AnswerRules.h"
#include "practice/PracticeFixture.h"
#include "reliability/CounterCheck.h"

#include "store/Dataset.h"

#include <gtest/gtest.h>

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

} // namespace

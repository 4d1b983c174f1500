#include "core/store/Schema.h"
#include "core/store/Statistics.h"
#include "support/TempBank.h"

#include <gtest/gtest.h>

using store::Connection;
using store::DbError;

TEST(Statistics, ClockTextToSecondsReadsTheClocksText)
{
    struct Case {
        const char* text;
        qint64 seconds;
    } cases[] = {
        {"1:02:03", 3723},
        {"00:05:07", 307},
        {"0:00:00", 0},
        {"24:00:01", 86401},
        {"123:59:59", 446399},
        {"2:30", 7200},          // two fields: hours only, the minutes are never read
        {"90", 0},               // no colon at all
        {"", 0},
        {"1:02:0345", 3723},     // seconds are the first two characters after the second colon
        {"1:02:3", 3723},
        {"1:02:", 3720},
        {"1:02:03:04", 3720},    // a third colon drops the rest
        {"::", 0},
        {"x:05:07", 307},        // a field that is not a number counts 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(store::ClockTextToSeconds(QString::fromLatin1(c.text)), c.seconds) << c.text;
}

TEST(Statistics, SecondsToClockTextPadsEveryFieldAndReadsBack)
{
    struct Case {
        qint64 seconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00"}, {9, "00:00:09"}, {3723, "01:02:03"}, {7570, "02:06:10"},
        {86401, "24:00:01"}, {360000, "100:00:00"}, {-5, "00:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store::secondsToClockText(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
    for (qint64 s = 0; s < 200000; s += 997)
        ASSERT_EQ(store::ClockTextToSeconds(store::secondsToClockText(s)), s);
}

TEST(Statistics, ScoreTextsHaveTwoDecimalsAndZeroWithoutAnswers)
{
    struct Case {
        qint64 answers, wrong;
        const char* text;
    } cases[] = {
        {3, 1, "66.67"}, {7, 1, "85.71"}, {1, 0, "100.00"}, {2, 2, "0.00"}, {8, 1, "87.50"},
        {0, 0, "0"}, {-1, 0, "0"}, {3, 3, "0.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store::answerScoreText(c.answers, c.wrong), QString::fromLatin1(c.text)) << c.answers << "/" << c.wrong;
    EXPECT_EQ(store::scoreText(5), "5.00");
}

TEST(Statistics, PaperTotalScoreSumsTheTypeTable)
{
    TempDir t;
    auto db = Connection::create(t.file("bank.db"), store::bankKey());
    store::createBankSchema(*db);
    EXPECT_EQ(store::PaperTotalScore(*db, "tab_tx1"), 0);
    db->exec("insert into tab_tx1 (A1,B1,B2,B3) values (11,'单选题',60,1),(14,'多选题',20,2),(31,'判断题',5,0.5),(40,'简答',1,null)");
    EXPECT_EQ(store::PaperTotalScore(*db, "tab_tx1"), 103); // 60 + 40 + 2.5, rounded
    EXPECT_THROW(store::PaperTotalScore(*db, "tab_tx1 union select 1"), DbError);
    EXPECT_THROW(store::PaperTotalScore(*db, "tab_answ"), DbError);
    EXPECT_THROW(store::PaperTotalScore(*db, "tab_tx9"), DbError);
}

TEST(Statistics, ClearOpenAnswersWritesOnlyRowsThatCarryOne)
{
    TempDir t;
    auto db = Connection::create(t.file("bank.db"), store::bankKey());
    store::createBankSchema(*db);
    db->exec("insert into tab_answ (A1,E2_1) values ('a','AB'),('b',''),('c',null),('d','0'),('e','')");
    EXPECT_EQ(store::clearOpenAnswers(*db), 3);
    EXPECT_EQ(db->scalar("select count(*) from tab_answ where E2_1 = ''").toInt(), 5);
    EXPECT_EQ(store::clearOpenAnswers(*db), 0);
}

#include "ShellTestSupport.h"

#include "core/app/ShellRules.h"

using namespace shell;

TEST(ShellRulesTest, ScreenSizeTagPicksTheCompactLayoutForEightHundredWideOrSixHundredHigh)
{
    const struct {
        QSize screen;
        const char* tag;
    } cases[] = {
        {{800, 600}, "800"},   {{800, 1024}, "800"},  {{1280, 600}, "800"},  {{1280, 1024}, "1024"},
        {{1024, 768}, "1024"}, {{1920, 1080}, "1024"}, {{801, 601}, "1024"}, {{640, 480}, "1024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen.width() << "x" << c.screen.height());
        EXPECT_EQ(screenSizeTagFor(c.screen), QLatin1String(c.tag));
    }
    EXPECT_EQ(designSizeFor(QStringLiteral("800")), QSize(800, 600));
    EXPECT_EQ(designSizeFor(QStringLiteral("1024")), QSize(1024, 768));
}

TEST(ShellRulesTest, OnlyNinetySixDotsPerInchCountAsSmallFonts)
{
    EXPECT_TRUE(isSmallFontsDpi(96));
    EXPECT_TRUE(isSmallFontsDpi(96.0001));
    for (qreal dpi : {72.0, 95.0, 97.0, 120.0, 144.0, 192.0})
        EXPECT_FALSE(isSmallFontsDpi(dpi)) << dpi;
}

TEST_F(ShellTest, ReadingTheCurrentPaperLeavesItAsItIs)
{
    const struct {
        int stored;
        int paper;        // what a reader gets
        const char* table;
    } cases[] = {{0, 1, "tab_tx1"}, {1, 1, "tab_tx1"}, {3, 3, "tab_tx3"}, {5, 5, "tab_tx5"}, {6, 1, "tab_tx1"}, {-2, 1, "tab_tx1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        app::CurrentPaperNo = c.stored;
        EXPECT_EQ(app::currentPaperNo(), c.paper);
        EXPECT_EQ(app::currentTypeTable(), QLatin1String(c.table));
        EXPECT_EQ(app::CurrentPaperNo, c.stored) << "a getter writes nothing";
        app::ensureCurrentPaperNo();
        EXPECT_EQ(app::CurrentPaperNo, c.paper);
    }
}

struct PlanRulesTest : ShellTest {
    ProgramFolder folder;
    std::unique_ptr<store::Connection> db = folder.createBank();

    PlanRulesTest() { store::Clock::setFixed(QDateTime(QDate(2024, 5, 20), QTime(21, 0))); }

    void setPlan(int mark, int amount, int time)
    {
        db->exec(QStringLiteral("update tab_plan set PlanMark=:m, PlanAmount=:a, PlanTime=:t"),
                 {{QStringLiteral(":m"), mark}, {QStringLiteral(":a"), amount}, {QStringLiteral(":t"), time}});
    }
    void logDay(const QDate& day, int answers, const QString& studyTime)
    {
        db->exec(QStringLiteral("insert into tab_rz (A1, A2, A3, B1, B2, D1, A4) values (:d, :n, 0, :n, 0, :t, '100.00')"),
                 {{QStringLiteral(":d"), day}, {QStringLiteral(":n"), answers}, {QStringLiteral(":t"), studyTime}});
    }
};

TEST_F(PlanRulesTest, TodaysWorkComesFromTodaysLogRowOnly)
{
    EXPECT_FALSE(todaysWork(*db).logged);
    EXPECT_EQ(todaysWork(*db).answers, 0);
    EXPECT_EQ(todaysWork(*db).minutes(), 0);

    logDay(QDate(2024, 5, 19), 80, QStringLiteral("03:00:00"));
    EXPECT_FALSE(todaysWork(*db).logged) << "yesterday's row is not today's";

    logDay(QDate(2024, 5, 20), 37, QStringLiteral("00:29:59"));
    const DayWork w = todaysWork(*db);
    EXPECT_TRUE(w.logged);
    EXPECT_EQ(w.answers, 37);
    EXPECT_EQ(w.seconds, 29 * 60 + 59);
    EXPECT_EQ(w.minutes(), 29);
}

TEST_F(PlanRulesTest, PlanComparison)
{
    const struct {
        const char* name;
        int mark, amount, time;
        int answers;           // -1: no log row today
        const char* studyTime;
        PlanStatus expected;
    } cases[] = {
        {"49 of 50 answers", 0, 50, 30, 49, "05:00:00", PlanStatus::Below},
        {"50 of 50 answers", 0, 50, 30, 50, "00:00:00", PlanStatus::Met},
        {"51 of 50 answers", 0, 50, 30, 51, "00:00:00", PlanStatus::Exceeded},
        {"29:59 of 30 minutes counts 29", 1, 50, 30, 500, "00:29:59", PlanStatus::Below},
        {"30 of 30 minutes", 1, 50, 30, 0, "0:30:59", PlanStatus::Met},
        {"31 of 30 minutes", 1, 50, 30, 0, "00:31:00", PlanStatus::Exceeded},
        {"no row: 0 answers", 0, 50, 30, -1, "", PlanStatus::Below},
        {"no row: 0 minutes", 1, 50, 30, -1, "", PlanStatus::Below},
        {"no row, plan of 0 answers", 0, 0, 30, -1, "", PlanStatus::Met},
        {"no kind of plan", 2, 50, 30, 10, "00:10:00", PlanStatus::NoPlan},
        {"unset kind", -1, 50, 30, 10, "00:10:00", PlanStatus::NoPlan},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db->exec(QStringLiteral("delete from tab_rz"));
        setPlan(c.mark, c.amount, c.time);
        if (c.answers >= 0)
            logDay(QDate(2024, 5, 20), c.answers, QString::fromLatin1(c.studyTime));
        EXPECT_EQ(comparePlan(readStudyPlan(*db), todaysWork(*db)), c.expected);
    }

    db->exec(QStringLiteral("delete from tab_plan"));
    EXPECT_FALSE(readStudyPlan(*db).present);
    EXPECT_EQ(comparePlan(readStudyPlan(*db), todaysWork(*db)), PlanStatus::NoPlan);
}

TEST_F(PlanRulesTest, TwentyFourHoursOfStudyEndTheDay)
{
    const struct {
        const char* d1;
        bool exhausted;
    } cases[] = {
        {"23:59:59", false}, {"24:00:00", true}, {"24:00:01", true}, {"100:00:00", true}, {"", false}, {"1440:00", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.d1);
        db->exec(QStringLiteral("delete from tab_rz"));
        logDay(QDate(2024, 5, 20), 1, QString::fromLatin1(c.d1));
        EXPECT_EQ(studyDayExhausted(todaysWork(*db)), c.exhausted);
    }
    db->exec(QStringLiteral("delete from tab_rz"));
    logDay(QDate(2024, 5, 19), 1, QStringLiteral("30:00:00"));
    EXPECT_FALSE(studyDayExhausted(todaysWork(*db))) << "only today's time counts";
}

TEST_F(PlanRulesTest, AnswerTimesComeFromTheCurrentPapersTypeTable)
{
    db->exec(QStringLiteral("delete from tab_tx1"));
    db->exec(QStringLiteral("insert into tab_tx1 (A1, B1, time) values (14, '多选题', 1.5), (11, '单选题', 0.35), (21, '判断题', 2)"));
    db->exec(QStringLiteral("insert into tab_tx3 (A1, B1, time) values (11, '单选题', 3)"));

    app::CurrentPaperNo = 0;
    loadTypeAnswerTimes(*db);
    EXPECT_EQ(app::CurrentPaperNo, 1) << "paper 0 means paper 1";
    // In table order (by type id); minutes in tenths of a second, 0.35 minutes is 210 and not 209.
    EXPECT_EQ(app::TypeIds, (QVector<int>{11, 14, 21}));
    EXPECT_EQ(app::TypeAnswerTimes, (QVector<int>{210, 900, 1200}));

    app::CurrentPaperNo = 3;
    loadTypeAnswerTimes(*db);
    EXPECT_EQ(app::TypeIds, QVector<int>{11});
    EXPECT_EQ(app::TypeAnswerTimes, QVector<int>{1800});

    app::CurrentPaperNo = 4; // an empty table leaves the times as they were
    loadTypeAnswerTimes(*db);
    EXPECT_EQ(app::TypeAnswerTimes, QVector<int>{1800});
}

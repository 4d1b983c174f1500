#include "ShellTestSupport.h"

#include "app/MenuView.h"
#include "common/Prompt.h"
#include "app/TFrmStart.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>

namespace {

struct MainWindowTest : ShellTest {
    ProgramFolder folder;
    std::unique_ptr<store::Connection> bank;

    MainWindowTest()
    {
        folder.addMenu();
        bank = folder.createBank();
        store::Clock::setFixed(QDateTime(QDate(2024, 5, 20), QTime(22, 15)));
        openDataModule(folder);
    }

    void setPlan(int mark, int amount, int time)
    {
        // The plan binds up to the exam day; on it no daily quota is added to the question.
        bank->exec(QStringLiteral("update tab_plan set PlanMark=:m, PlanAmount=:a, PlanTime=:t, ExamDate='2024-05-20'"),
                   {{QStringLiteral(":m"), mark}, {QStringLiteral(":a"), amount}, {QStringLiteral(":t"), time}});
    }
    void logToday(int answers, const QString& studyTime)
    {
        bank->exec(QStringLiteral("insert into tab_rz (A1, A2, A3, B1, B2, D1, A4) values (:d, :n, 0, :n, 0, :t, '100.00')"),
                   {{QStringLiteral(":d"), QDate(2024, 5, 20)}, {QStringLiteral(":n"), answers}, {QStringLiteral(":t"), studyTime}});
    }
};

} // namespace

TEST_F(MainWindowTest, QuitComparesTodaysWorkWithThePlan)
{
    using prompt::Icon;
    const struct {
        const char* name;
        int mark, amount, time;
        int answers; // -1: no log row today
        const char* studyTime;
        int answer;  // the button pressed
        const char* message; // nullptr: none
        Icon icon;
        prompt::Buttons buttons;
        bool closes;
    } cases[] = {
        {"49 of 50, OK", 0, 50, 30, 49, "01:00:00", prompt::Ok, "还未完成今日学习计划，要退出吗？", Icon::Question, prompt::Buttons::OkCancel, true},
        {"49 of 50, Cancel", 0, 50, 30, 49, "01:00:00", prompt::Cancel, "还未完成今日学习计划，要退出吗？", Icon::Question, prompt::Buttons::OkCancel, false},
        {"50 of 50", 0, 50, 30, 50, "00:00:10", prompt::Ok, "恭喜完成今日学习计划！", Icon::Information, prompt::Buttons::Ok, true},
        {"51 of 50", 0, 50, 30, 51, "00:00:10", prompt::Ok, "超额完成学习计划，要注意休息呦！", Icon::Information, prompt::Buttons::Ok, true},
        {"29:59 of 30 minutes, Cancel", 1, 50, 30, 999, "00:29:59", prompt::Cancel, "还未完成今日学习计划，要退出吗？", Icon::Question, prompt::Buttons::OkCancel, false},
        {"30 minutes", 1, 50, 30, 0, "00:30:00", prompt::Ok, "恭喜完成今日学习计划！", Icon::Information, prompt::Buttons::Ok, true},
        {"no log row, by answers", 0, 50, 30, -1, "", prompt::Cancel, "还未完成今日学习计划，要退出吗？", Icon::Question, prompt::Buttons::OkCancel, false},
        {"no log row, by minutes", 1, 50, 30, -1, "", prompt::Ok, "还未完成今日学习计划，要退出吗？", Icon::Question, prompt::Buttons::OkCancel, true},
        {"no kind of plan", 7, 50, 30, 3, "00:01:00", prompt::Ok, nullptr, Icon::Information, prompt::Buttons::Ok, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bank->exec(QStringLiteral("delete from tab_rz"));
        setPlan(c.mark, c.amount, c.time);
        if (c.answers >= 0)
            logToday(c.answers, QString::fromLatin1(c.studyTime));
        openDataModule(folder);

        TFrmStart w(folder.appDir(), QSize(1024, 768));
        w.show();
        QSignalSpy closed(&w, &TFrmStart::closed);
        prompt::Script script({c.answer});
        EXPECT_TRUE(w.dispatcher().dispatch(QStringLiteral("quit")));

        if (c.message) {
            ASSERT_EQ(script.asked().size(), 1u);
            const prompt::Asked& a = script.asked()[0];
            EXPECT_EQ(a.kind, prompt::Asked::Kind::MessageBox);
            EXPECT_EQ(a.caption, QStringLiteral("提示"));
            EXPECT_EQ(a.text, QString::fromUtf8(c.message));
            EXPECT_EQ(a.page, int(c.icon));
            EXPECT_EQ(a.mode, int(c.buttons));
        } else {
            EXPECT_TRUE(script.asked().empty());
        }
        EXPECT_EQ(closed.size(), c.closes ? 1 : 0);
        EXPECT_EQ(w.isVisible(), !c.closes);
        // Closing the window closes the bank; staying keeps it open.
        if (c.closes) {
            EXPECT_THROW(DM1->db(), store::DbError);
        } else {
            EXPECT_NO_THROW(DM1->db().scalar(QStringLiteral("select count(*) from tab_plan")));
            EXPECT_TRUE(w.dispatcher().dispatch(QStringLiteral("quit"))) << "the program keeps running and can still quit";
        }
    }
}

TEST_F(MainWindowTest, QuitStillClosesWhenThePlanCannotBeRead)
{
    bank->exec(QStringLiteral("drop table tab_plan"));
    openDataModule(folder);
    TFrmStart w(folder.appDir(), QSize(1024, 768));
    w.show();
    prompt::Script script;
    w.dispatcher().dispatch(QStringLiteral("quit"));
    EXPECT_TRUE(script.asked().empty());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, ClosingTheWindowClosesTheBank)
{
    TFrmStart w(folder.appDir(), QSize(1024, 768));
    w.show();
    DM1->openIfClosed(DM1->Cn1Table_rz);
    DM1->openIfClosed(DM1->Cn1Table_plan);
    w.close();
    EXPECT_FALSE(DM1->Cn1Table_rz->isOpen());
    EXPECT_FALSE(DM1->Cn1Table_plan->isOpen());
    EXPECT_THROW(DM1->db(), store::DbError);
}

TEST_F(MainWindowTest, ShowStepSetsTheSessionUp)
{
    bank->exec(QStringLiteral("update tab_tx1 set time=2 where A1=14"));
    openDataModule(folder);
    app::MusicOn = false;
    app::VolumeLevel = 3;

    TFrmStart w(folder.appDir(), QSize(800, 600));
    EXPECT_EQ(app::ScreenSizeTag, QStringLiteral("800"));
    EXPECT_EQ(w.size(), QSize(800, 600));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(app::MusicOn);
    EXPECT_EQ(app::VolumeLevel, 10);
    EXPECT_EQ(app::CurrentPaperNo, 1);
    EXPECT_EQ(app::TypeIds, (QVector<int>{11, 14}));
    EXPECT_EQ(app::TypeAnswerTimes, (QVector<int>{600, 1200}));
    EXPECT_TRUE(w.ShockwaveFlash1->isLoaded());
    EXPECT_TRUE(w.ShockwaveFlash1->isAnimationRunning());
    EXPECT_EQ(w.ShockwaveFlash1->geometry(), w.rect()) << "the menu fills the window";
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);

    // A menu click reaches the dispatcher; the menu rests while the screen is open.
    bool restingDuringScreen = false;
    w.dispatcher().setOpener(QStringLiteral("szjh"), [&] { restingDuringScreen = !w.ShockwaveFlash1->isAnimationRunning(); });
    w.ShockwaveFlash1->commandButton(QStringLiteral("szjh"))->click();
    EXPECT_TRUE(restingDuringScreen);
    EXPECT_TRUE(w.ShockwaveFlash1->isAnimationRunning());
}

TEST_F(MainWindowTest, AfterAMockPaperItsQuestionTypesStayCurrent)
{
    TFrmStart w(folder.appDir(), QSize(1024, 768));
    w.show();
    w.dispatcher().setOpener(QStringLiteral("mnks3"), [] {});
    w.dispatcher().dispatch(QStringLiteral("mnks3"));
    EXPECT_EQ(app::CurrentPaperNo, 3);
    EXPECT_EQ(app::currentTypeTable(), QStringLiteral("tab_tx3"));
}

TEST_F(MainWindowTest, TwentyFourHoursOfStudyTodayEndTheProgramWithoutAWord)
{
    const struct {
        const char* studyTime; // nullptr: no log row
        bool ends;
    } cases[] = {{"23:59:59", false}, {"24:00:00", true}, {"31:10:00", true}, {nullptr, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.studyTime ? c.studyTime : "no row");
        bank->exec(QStringLiteral("delete from tab_rz"));
        if (c.studyTime)
            logToday(10, QString::fromLatin1(c.studyTime));
        openDataModule(folder);
        prompt::Script script;
        TFrmStart w(folder.appDir(), QSize(1024, 768));
        QSignalSpy closed(&w, &TFrmStart::closed);
        w.show();
        if (c.ends)
            EXPECT_TRUE(closed.wait(2000));
        else
            QTest::qWait(50);
        EXPECT_EQ(closed.size(), c.ends ? 1 : 0);
        EXPECT_EQ(w.isVisible(), !c.ends);
        EXPECT_TRUE(script.asked().empty());
        // Once ending, the menu takes no more commands.
        int opened = 0;
        w.dispatcher().setOpener(QStringLiteral("rz"), [&] { ++opened; });
        w.ShockwaveFlash1->commandButton(QStringLiteral("rz"))->click();
        EXPECT_EQ(opened, c.ends ? 0 : 1);
    }
}

TEST_F(MainWindowTest, AStartFromElsewhereBringsTheWindowBack)
{
    TFrmStart w(folder.appDir(), QSize(1024, 768));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.showMinimized();
    QTest::qWait(20);
    w.bringForward();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, QuitBelowThePlanNamesTheAnswersADayTheExamDateAsks)
{
    setPlan(0, 50, 30);
    for (int i = 0; i < 95; ++i)
        bank->exec(QStringLiteral("insert into tab_answ (A1, A2, A10, A13) values (:a, 'A', '0101', 11)"),
                   {{QStringLiteral(":a"), QStringLiteral("q%1").arg(i)}});
    const QString question = QStringLiteral("还未完成今日学习计划，要退出吗？");
    const struct {
        QDate exam;
        QString message;
    } cases[] = {
        {QDate(2024, 5, 30), question + QStringLiteral("\n\n要在考试前做完未做的题和错题，每天需做 10 道题。")},
        {QDate(2024, 5, 20), question}, // exam day: nothing left to spread
        {QDate(2024, 5, 19), QString()}, // the exam is over: no plan to keep
        {QDate(), QString()},            // no exam ahead
    };
    for (const auto& c : cases) {
        bank->exec(QStringLiteral("update tab_plan set ExamDate=:d"), {{QStringLiteral(":d"), c.exam.isValid() ? QVariant(c.exam) : QVariant()}});
        openDataModule(folder);
        TFrmStart w(folder.appDir(), QSize(1024, 768));
        w.show();
        prompt::Script script({prompt::Cancel});
        w.dispatcher().dispatch(QStringLiteral("quit"));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(script.asked().empty()) << c.exam.toString().toStdString();
            EXPECT_FALSE(w.isVisible());
            continue;
        }
        ASSERT_EQ(script.asked().size(), 1u);
        EXPECT_EQ(script.asked()[0].text, c.message);
    }
}

TEST_F(MainWindowTest, TheMenuShowsTheQuestionsDueTodayAndReadsThemAgainWhenAScreenCloses)
{
    // Clock: 2024-05-20 22:15. Two questions whose recall fell below 90 % days ago.
    for (const char* id : {"q1", "q2"}) {
        bank->exec(QStringLiteral("insert into tab_answ (A1, A2, A10, A13, E2, E3, F1) values (:a1, 'A', '010101', 11, 'A', 1, 0)"),
                   {{QStringLiteral(":a1"), QString::fromLatin1(id)}});
        bank->exec(QStringLiteral("insert into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
                                  "values (:a1, 2, 5, 2, 0, '2024-05-10T08:00:00.000Z', '2024-05-12T08:00:00.000Z')"),
                   {{QStringLiteral(":a1"), QString::fromLatin1(id)}});
    }
    openDataModule(folder);
    TFrmStart w(folder.appDir(), QSize(1024, 768));
    w.show();
    EXPECT_EQ(w.ShockwaveFlash1->badgeOf(QStringLiteral("jrfx")), QStringLiteral("2"));
    QAbstractButton* command = w.ShockwaveFlash1->commandButton(QStringLiteral("jrfx"));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->accessibleName(), QStringLiteral("今日复习，今天待复习 2 题"));

    // A screen answers one of them (its due time moves on); the count follows when it closes.
    w.dispatcher().setOpener(QStringLiteral("jrfx"), [] {
        DM1->db().exec(QStringLiteral("update memory_state set last_review = '2024-05-20T22:00:00.000Z', "
                                      "stability = 20, due = '2024-06-09T22:00:00.000Z' where A1 = 'q1'"));
    });
    QTest::mouseClick(command, Qt::LeftButton);
    EXPECT_EQ(w.ShockwaveFlash1->badgeOf(QStringLiteral("jrfx")), QStringLiteral("1"));
    EXPECT_EQ(command->accessibleName(), QStringLiteral("今日复习，今天待复习 1 题"));

    // Nothing due: no badge, the caption alone.
    w.dispatcher().setOpener(QStringLiteral("jrfx"), [] { DM1->db().exec(QStringLiteral("delete from memory_state")); });
    QTest::mouseClick(command, Qt::LeftButton);
    EXPECT_EQ(w.ShockwaveFlash1->badgeOf(QStringLiteral("jrfx")), QString());
    EXPECT_EQ(command->accessibleName(), QStringLiteral("今日复习"));
}

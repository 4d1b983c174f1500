// 今日复习 on a fixture bank: its counts, 开始复习 through the practice screen, and
// the counts again after it.

#include "practice/PracticeScreenFixture.h"

#include "core/progress/ProgressRules.h"
#include "review/TFrmReview.h"
#include "support/WhenModal.h"

#include <QTimeZone>

namespace {

using practicetest::ClockScope;
using practicetest::FixtureBank;

const QDateTime kNow = QDateTime(practicetest::kDay1, QTime(9, 30)).toUTC(); // ClockScope's time

class ReviewScreenTest : public ::testing::Test {
protected:
    ClockScope clock;
    FixtureBank bank;
    prompt::Script prompts{{}, 1};

    ReviewScreenTest() { DM1 = &bank.dm; }
    ~ReviewScreenTest() override { DM1 = nullptr; }

    // A question last answered `daysAgo` days ago with this stability, due when its
    // recall reaches 90 %.
    void reviewed(const QString& id, double stability, double daysAgo)
    {
        bank.add({.id = id, .e2 = QStringLiteral("A"), .e3 = 1});
        const QDateTime last = kNow.addSecs(qint64(-daysAgo * 86400));
        bank.db().exec(QStringLiteral("insert into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
                                      "values (:a1, :s, 5, 2, 0, :last, :due)"),
                       {{":a1", id},
                        {":s", stability},
                        {":last", last.toString(Qt::ISODateWithMs)},
                        {":due", last.addSecs(qint64(stability * 86400)).toString(Qt::ISODateWithMs)}});
    }
    void plan(int answersADay, const QDate& exam = {})
    {
        progress::saveStudyPlan(bank.db(), {.mark = 0, .amount = answersADay, .time = 30, .examDate = exam});
    }
    QString dueOf(const QString& id) { return bank.value("select due from memory_state where A1 = :a1", {{":a1", id}}).toString(); }
};

TEST_F(ReviewScreenTest, ShowsTheDueAndNewCountsAndTheMinutesAndNamesThemForAScreenReader)
{
    reviewed("q-due1", 2, 10);
    reviewed("q-due2", 3, 5);
    reviewed("q-later", 30, 1);
    for (const char* id : {"n1", "n2", "n3"})
        bank.add({.id = id});
    plan(4, practicetest::kDay1.addDays(20));

    reviewq::TFrmReview screen;
    screen.show();
    EXPECT_EQ(screen.lblDue->text(), "待复习：2 题");
    EXPECT_EQ(screen.lblNew->text(), "新题：2 题");
    EXPECT_EQ(screen.lblMinutes->text(), "预计用时：约 4 分钟"); // 60 s each without a log
    EXPECT_EQ(screen.lblDue->accessibleName(), "待复习：2 题");
    EXPECT_TRUE(screen.lblExam->text().startsWith("距考试还有 20 天"));
    EXPECT_FALSE(screen.lblEmpty->isVisibleTo(&screen));
    EXPECT_TRUE(screen.btnStart->isEnabled());
    EXPECT_TRUE(screen.btnStart->accessibleDescription().contains("待复习：2 题，新题：2 题"));
    EXPECT_EQ(screen.btnStart->accessibleName(), "开始复习");
    EXPECT_EQ(screen.btnClose->accessibleName(), "关闭");
    EXPECT_EQ(reviewq::dueTodayCount(), 2);
}

TEST_F(ReviewScreenTest, StartPractisesTheDueQuestionsFirstAndAnAnswerMovesItsDueTimeSoTheCountDrops)
{
    reviewed("q-mild", 3, 5);   // recall 0.87: due
    reviewed("q-urgent", 2, 10); // recall 0.76: most urgent
    bank.add({.id = "n1"});
    plan(3);

    reviewq::TFrmReview screen;
    screen.show();
    ASSERT_EQ(screen.lblDue->text(), "待复习：2 题");
    const QString dueBefore = dueOf("q-urgent");

    QString title;
    QStringList order;
    WhenModal<TFrmLxxt> answer([&](TFrmLxxt* s) {
        s->Timer1->stop();
        title = s->windowTitle();
        store::Dataset* set = DM1->Cn1Query_tm;
        for (int i = 1; i <= set->recordCount(); ++i)
            if (set->moveTo(i))
                order << set->text(QStringLiteral("a1"));
        // The first question, answered right (its key is A).
        set->moveTo(1);
        QTest::mouseClick(s->Notebook1->option(practice::SinglePage, 0), Qt::LeftButton);
        QTest::mouseClick(s->epEfTrBtn3, Qt::LeftButton);
        s->close();
    });
    QTest::mouseClick(screen.btnStart, Qt::LeftButton);
    EXPECT_EQ(answer.seen(), 1);
    EXPECT_EQ(title, "今日复习");
    EXPECT_EQ(order, (QStringList{"q-urgent", "q-mild", "n1"}));

    // Answered in the review queue, due again in days: one left, and the plan's one new.
    EXPECT_EQ(bank.value("select source from answer_log where A1 = 'q-urgent'").toInt(), int(review::Source::ReviewQueue));
    EXPECT_GT(dueOf("q-urgent"), dueBefore);
    EXPECT_GT(dueOf("q-urgent"), kNow.addDays(1).toString(Qt::ISODateWithMs));
    EXPECT_EQ(screen.lblDue->text(), "待复习：1 题");
    EXPECT_EQ(screen.current().due, QStringList{"q-mild"});
    EXPECT_EQ(reviewq::dueTodayCount(), 1);
}

TEST_F(ReviewScreenTest, ADayWithNothingToDoSaysSoAndOnlyCloses)
{
    reviewed("q-later", 30, 1);
    reviewq::TFrmReview screen; // no plan: no new questions
    screen.show();
    QApplication::setActiveWindow(&screen);
    EXPECT_TRUE(screen.lblEmpty->isVisibleTo(&screen));
    EXPECT_TRUE(screen.lblEmpty->text().startsWith("今天没有需要复习的题目"));
    EXPECT_FALSE(screen.lblDue->isVisibleTo(&screen));
    EXPECT_FALSE(screen.btnStart->isEnabled());
    EXPECT_TRUE(screen.btnClose->hasFocus());
    EXPECT_TRUE(screen.btnClose->accessibleDescription().startsWith("今天没有需要复习的题目"));
    QTest::keyClick(&screen, Qt::Key_Escape);
    EXPECT_FALSE(screen.isVisible());
}

} // namespace

// What the exam screen tells the answer log besides the answer: the seconds on the
// question, and no bookmark toggle while the exam runs.
#include "exam/ExamScreenFixture.h"

#include "core/review/Fsrs.h"

using namespace examscreentest;

namespace {

double difficultyOf(ExamBank& bank, const QString& id)
{
    return bank.value(QStringLiteral("select difficulty from memory_state where A1=:a1"), {{":a1", id}}).toDouble();
}

double firstDifficulty(review::Rating rating)
{
    return review::schedule(review::MemoryState{}, rating, store::Clock::now()).difficulty;
}

TEST_F(ExamScreen, TheLogGetsTheSecondsOnEachQuestionLessThePause)
{
    questions(3);
    TFrmExam& f = start(); // one minute a question: no answer time is set
    after(12);
    option(practice::SinglePage, 'A');
    click(f.epEfTrBtn2);
    after(3); // s002 is shown from here
    after(7);
    click(f.epEfTrBtn13); // pause: the exam clock stands still
    after(0);
    now = now.addSecs(300);
    store::Clock::setFixed(now);
    click(f.epEfTrBtn13);
    after(30);
    option(practice::SinglePage, 'A');
    click(f.epEfTrBtn2);
    after(61);
    option(practice::SinglePage, 'B');
    click(f.epEfTrBtn1);

    EXPECT_EQ(bank.value("select group_concat(A1 || ':' || seconds || ':' || source, ' ') from "
                         "(select * from answer_log order by rowid)").toString(),
              "s001:12:4 s002:40:4 s003:61:4");
    EXPECT_NEAR(difficultyOf(bank, "s001"), firstDifficulty(review::Rating::Easy), 1e-9);
    EXPECT_NEAR(difficultyOf(bank, "s002"), firstDifficulty(review::Rating::Good), 1e-9);
    EXPECT_NEAR(difficultyOf(bank, "s003"), firstDifficulty(review::Rating::Again), 1e-9);
}

TEST_F(ExamScreen, TheTypesAnswerTimeRatesAnExamAnswer)
{
    questions(2);
    app::TypeIds = {11};
    app::TypeAnswerTimes = {300}; // 30 s
    TFrmExam& f = start();
    after(31);
    option(practice::SinglePage, 'A');
    click(f.epEfTrBtn2);
    EXPECT_NEAR(difficultyOf(bank, "s001"), firstDifficulty(review::Rating::Hard), 1e-9);
}

TEST_F(ExamScreen, NoBookmarkToggleWhileTheExamRuns)
{
    questions(2);
    TFrmExam& f = start();
    ASSERT_NE(f.btnBookmark, nullptr);
    EXPECT_FALSE(f.btnBookmark->isVisible());
    QApplication::setActiveWindow(&f);
    QTest::keyClick(&f, Qt::Key_D, Qt::ControlModifier);
    QTest::qWait(200); // a shortcut clicks after a moment
    f.btnBookmarkClick();
    EXPECT_EQ(bank.number("select count(*) from bookmark"), 0);
}

} // namespace

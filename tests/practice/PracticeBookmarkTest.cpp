#include "practice/PracticeScreenFixture.h"

#include "authoring/TfrmTedit.h"
#include "core/review/Fsrs.h"
#include "support/WhenModal.h"
#include "support/BookmarkToggle.h"

using namespace practicescreentest;

namespace {

// ---- the ☆ toggle ------------------------------------------------------------------------

TEST_F(ScreenTest, TheBookmarkToggleFollowsTheQuestionByClickAndCtrlD)
{
    addNumbered(3);
    TFrmLxxt& f = open();
    bookmarktest::driveToggle(f, bank.db(),
                              {[this] { return shownId(); }, [&] { click("epEfTrBtn2"); }, [&] { click("epEfTrBtn1"); },
                               [this] { return bank.snapshot(); }});
}

TEST_F(ScreenTest, CtrlDInTheFillInBoxBookmarksAndLeavesTheTypingAlone)
{
    bank.add({.id = "q1", .key = "x", .type = 13});
    TFrmLxxt& f = open();
    QLineEdit* fill = f.Notebook1->fillEdit();
    ASSERT_TRUE(fill->isVisible());
    QApplication::setActiveWindow(&f);
    fill->setFocus();
    QTest::keyClicks(fill, "abc");
    QTest::keyClick(fill, Qt::Key_Home);
    bookmarktest::pressCtrlD(f);
    EXPECT_EQ(fill->text(), "abc");
    EXPECT_TRUE(fill->hasFocus()) << "the answer being typed keeps the focus";
    bookmarktest::expectState(f, bank.db(), "q1", true);
}

TEST_F(ScreenTest, AFailedBookmarkWriteSaysSoAndKeepsTheToggleAsItWas)
{
    addNumbered(2);
    TFrmLxxt& f = open();
    bank.db().exec("drop table bookmark"); // every read and write of it fails from here
    prompts.clear();
    QTest::mouseClick(f.btnBookmark, Qt::LeftButton);
    EXPECT_EQ(prompts.texts(), QStringList{practice::kActionFailed});
    EXPECT_EQ(f.btnBookmark->accessibleName(), "收藏本题");
    EXPECT_FALSE(f.bookmarked());
    EXPECT_FALSE(f.btnBookmark->isChecked());
    // The next question cannot say whether it is bookmarked: the toggle is not offered.
    click("epEfTrBtn2");
    EXPECT_FALSE(f.btnBookmark->isEnabled());
}

TEST_F(ScreenTest, AScreenReadersToggleBookmarksAsAClickDoes)
{
    addNumbered(1);
    TFrmLxxt& f = open();
    accessibleToggle(f.btnBookmark);
    bookmarktest::expectState(f, bank.db(), "q01", true);
    accessibleToggle(f.btnBookmark);
    bookmarktest::expectState(f, bank.db(), "q01", false);
}

// ---- seconds on a question and the rating they give -----------------------------------------

TEST_F(ScreenTest, AnswerSecondsAndTheAnswerTimeRateTheAnswer)
{
    const struct {
        const char* name;
        int seconds;       // the clock moved on by this much
        int ticks;         // Timer1 ticks (100 fill the gauge)
        int tenths;        // the type's answer time, 0: not set (one minute)
        char letter;       // A is right
        review::Rating rating;
        int logged;        // seconds in the answer log
    } cases[] = {
        {"right in under a third of the time", 19, 0, 0, 'A', review::Rating::Easy, 19},
        {"right at a third of the time", 20, 0, 0, 'A', review::Rating::Good, 20},
        {"right after the time, by the clock", 75, 0, 0, 'A', review::Rating::Hard, 75},
        {"right after the gauge ran out", 0, 100, 0, 'A', review::Rating::Hard, 60},
        {"right before the gauge ran out", 0, 99, 0, 'A', review::Rating::Easy, 0},
        {"wrong and fast", 3, 0, 0, 'B', review::Rating::Again, 3},
        {"the type's own time: 70 s of 150", 70, 0, 1500, 'A', review::Rating::Good, 70},
        {"the type's own time: 45 s of 150", 45, 0, 1500, 'A', review::Rating::Easy, 45},
        {"the type's own time: 20 s of 15", 20, 0, 150, 'A', review::Rating::Hard, 20},
    };
    addNumbered(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bank.db().exec("delete from answer_log");
        bank.db().exec("delete from memory_state");
        bank.db().exec("update tab_answ set E1=null, E2=null, E3=0, E4=0");
        app::TypeIds = c.tenths ? QVector<int>{11} : QVector<int>{};
        app::TypeAnswerTimes = c.tenths ? QVector<int>{c.tenths} : QVector<int>{};
        const QDateTime shown = store::Clock::now();
        TFrmLxxt& f = open();
        store::Clock::setFixed(shown.addSecs(c.seconds));
        for (int i = 0; i < c.ticks; ++i)
            f.Timer1Timer();
        clickOption(practice::SinglePage, QChar::fromLatin1(c.letter));
        click("epEfTrBtn3");
        const store::Rows log = bank.db().query("select seconds, right from answer_log");
        ASSERT_EQ(log.values.size(), 1u);
        EXPECT_EQ(log.values[0][0].toInt(), c.logged);
        EXPECT_EQ(log.values[0][1].toInt(), c.letter == 'A' ? 1 : 0);
        const review::MemoryState expected = review::schedule(review::MemoryState{}, c.rating, store::Clock::now());
        EXPECT_NEAR(bank.value("select difficulty from memory_state where A1='q01'").toDouble(), expected.difficulty, 1e-9);
        EXPECT_NEAR(bank.value("select stability from memory_state where A1='q01'").toDouble(), expected.stability, 1e-9);
        screen->close();
        store::Clock::setFixed(shown);
    }
}

TEST_F(ScreenTest, SecondsStartAgainWithEveryQuestionShown)
{
    addNumbered(2);
    TFrmLxxt& f = open();
    const QDateTime t0 = store::Clock::now();
    store::Clock::setFixed(t0.addSecs(40)); // 40 s on q01, left unanswered
    click("epEfTrBtn2");
    store::Clock::setFixed(t0.addSecs(52));
    clickOption(practice::SinglePage, 'A');
    click("epEfTrBtn1"); // leaving q02 records it
    EXPECT_EQ(f.currentIndex(), 1);
    EXPECT_EQ(bank.value("select group_concat(A1 || ':' || seconds) from answer_log").toString(), "q02:12");
}

TEST_F(ScreenTest, TimeInTheQuestionEditorIsNotTimeOnTheQuestion)
{
    addNumbered(1);
    open();
    const QDateTime t0 = store::Clock::now();
    store::Clock::setFixed(t0.addSecs(10));
    WhenModal<TfrmTedit> edit([&](TfrmTedit* w) {
        store::Clock::setFixed(t0.addSecs(310)); // five minutes over the editor
        w->reject();
    });
    click("epEfTrBtn11");
    EXPECT_EQ(edit.seen(), 1);
    store::Clock::setFixed(t0.addSecs(315));
    clickOption(practice::SinglePage, 'A');
    click("epEfTrBtn3");
    EXPECT_EQ(bank.value("select seconds from answer_log").toInt(), 15);
}

} // namespace

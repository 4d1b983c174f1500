#include "practice/PracticeScreenFixture.h"

using namespace practicescreentest;


// ---- loading, groups and moving -------------------------------------------------------

TEST_F(ScreenTest, FortyFiveQuestionsMakeThreeGroups)
{
    addNumbered(45);
    TFrmLxxt& f = open();
    EXPECT_EQ(f.Lb_zs->text(), "3");
    EXPECT_EQ(f.Lb_ts->text(), "45");
    EXPECT_EQ(f.Lb_zb->text(), "1");
    EXPECT_EQ(shownId(), "q01");
    EXPECT_FALSE(f.FlatSpeedButton1->isEnabled());
    EXPECT_TRUE(f.FlatSpeedButton2->isEnabled());

    click("FlatSpeedButton2");
    click("FlatSpeedButton2");
    EXPECT_EQ(f.Lb_zb->text(), "3");
    EXPECT_EQ(shownId(), "q41");
    int enabled = 0;
    for (int i = 0; i < 20; ++i)
        enabled += f.thButtons[size_t(i)]->isEnabled() ? 1 : 0;
    EXPECT_EQ(enabled, 5);
    EXPECT_TRUE(f.thButtons[4]->isEnabled());
    EXPECT_FALSE(f.thButtons[5]->isEnabled());
    EXPECT_TRUE(f.FlatSpeedButton1->isEnabled());
    EXPECT_FALSE(f.FlatSpeedButton2->isEnabled());

    QTest::mouseClick(f.thButtons[4], Qt::LeftButton);
    EXPECT_EQ(shownId(), "q45");
    EXPECT_EQ(f.Label12->text(), "5");
    EXPECT_FALSE(f.epEfTrBtn2->isEnabled()); // the last question
    click("FlatSpeedButton1");
    EXPECT_EQ(f.Lb_zb->text(), "2");
    EXPECT_EQ(shownId(), "q21");
}

TEST_F(ScreenTest, NextAndPreviousCrossGroupBorders)
{
    addNumbered(45);
    TFrmLxxt& f = open();
    EXPECT_FALSE(f.epEfTrBtn1->isEnabled()); // the first question
    QTest::mouseClick(f.thButtons[19], Qt::LeftButton);
    EXPECT_EQ(shownId(), "q20");
    EXPECT_EQ(f.Re1->accessibleName(), "第20题 试题") << "a screen reader hears where a move lands";
    click("epEfTrBtn2");
    EXPECT_EQ(shownId(), "q21");
    EXPECT_EQ(f.Lb_zb->text(), "2");
    EXPECT_EQ(f.Label12->text(), "1");
    EXPECT_EQ(f.Re1->accessibleName(), "第1题 试题") << "numbered within the group, as the grid is";
    EXPECT_TRUE(f.thButtons[0]->isChecked());
    EXPECT_TRUE(f.FlatSpeedButton1->isEnabled());
    EXPECT_TRUE(f.FlatSpeedButton2->isEnabled());

    click("epEfTrBtn1"); // back over the border: the first question of the previous group
    EXPECT_EQ(shownId(), "q01");
    EXPECT_EQ(f.Lb_zb->text(), "1");
    EXPECT_FALSE(f.FlatSpeedButton1->isEnabled());
    EXPECT_TRUE(f.FlatSpeedButton2->isEnabled());
    EXPECT_FALSE(f.epEfTrBtn1->isEnabled());

    // Pressed from the keyboard, 下一题 hands the focus to the stem, which a screen reader then names.
    QApplication::setActiveWindow(&f);
    f.epEfTrBtn2->setFocus();
    ASSERT_TRUE(f.epEfTrBtn2->hasFocus());
    QTest::keyClick(f.epEfTrBtn2, Qt::Key_Space);
    EXPECT_EQ(shownId(), "q02");
    EXPECT_TRUE(f.Re1->hasFocus());
    EXPECT_EQ(f.Re1->accessibleName(), "第2题 试题");
}

TEST_F(ScreenTest, LoadingClearsOpenAnswersAndDisablesTypesWithoutQuestions)
{
    bank.add({.id = "q1", .key = "A", .e2 = "A", .e3 = 1, .e2_1 = "A"}); // answered on an earlier screen
    bank.add({.id = "q2", .key = "A", .type = 12});
    bank.add({.id = "other", .key = "A", .chapter = "010102", .e2_1 = "B"}); // outside the set
    TFrmLxxt& f = open();
    EXPECT_EQ(bank.number("select count(*) from tab_answ where E2_1<>''"), 0);
    EXPECT_EQ(f.gridMark(0), AnswerMark::Open);
    EXPECT_EQ(app::FirstQuestionId, "q1");
    EXPECT_EQ(f.epLabel2->text(), "第一部分 > 第一章");

    QStringList enabled;
    for (ui::PictureButton* b : f.txButtons)
        if (b->isEnabled())
            enabled << b->accessibleName();
    EXPECT_EQ(enabled, (QStringList{"任意", "单选", "判断"}));
    EXPECT_TRUE(f.txButtons[0]->isChecked());

    // An empty set: the screen is not shown.
    TFrmLxxt empty;
    EXPECT_EQ(empty.LoadQuestionSet(statement(QStringLiteral("where A1='none'"))), TFrmLxxt::Loaded::Empty);
}

TEST_F(ScreenTest, ChapterCodesReachTheSetAsBoundValues)
{
    bank.add({.id = "q1", .key = "A"});
    const QString where = QStringLiteral("where left(A10,:n) = :code");
    TFrmLxxt f;
    EXPECT_EQ(f.LoadQuestionSet(statement(where, {{":n", 6}, {":code", QStringLiteral("010101")}})), TFrmLxxt::Loaded::Questions);
    TFrmLxxt g;
    EXPECT_EQ(g.LoadQuestionSet(statement(where, {{":n", 6}, {":code", QStringLiteral("01' or '1'='1")}})), TFrmLxxt::Loaded::Empty);
}

// ---- answering on every page through the widgets --------------------------------------------

TEST_F(ScreenTest, EveryPageRecordsWhatIsPressedOrTyped)
{
    struct Case {
        const char* id;
        int type;
        const char* key;
        int page;
        std::function<void(ScreenTest&)> answer;
        const char* recorded;
    };
    const Case cases[] = {
        {"a", 11, "B", practice::SinglePage, [](ScreenTest& t) { t.clickOption(0, 'C'); t.clickOption(0, 'B'); }, "B"},
        {"b", 14, "BD", practice::MultiPage, [](ScreenTest& t) { t.clickOption(1, 'D'); t.clickOption(1, 'B'); }, "BD"},
        {"c", 14, "AC", practice::MultiPage, [](ScreenTest& t) { t.clickOption(1, 'A'); t.clickOption(1, 'C'); t.clickOption(1, 'A'); }, "C"},
        {"d", 12, "A", practice::JudgePage, [](ScreenTest& t) { QTest::mouseClick(t.screen->Notebook1->judgeButton(false), Qt::LeftButton);
                                                                 QTest::mouseClick(t.screen->Notebook1->judgeButton(true), Qt::LeftButton); }, "A"},
        {"e", 13, "8,16", practice::FillPage, [](ScreenTest& t) { QTest::keyClicks(t.screen->Notebook1->fillEdit(), "  8,16 "); }, "8,16"},
        {"f", 64, "1", practice::SubjectivePage, [](ScreenTest& t) { t.screen->Notebook1->subjectiveBox()->setCurrentIndex(1); }, "1"},
        {"g", 15, "ACE", practice::MatchPage, [](ScreenTest& t) { for (QChar c : QStringLiteral("ECA")) t.clickOption(5, c); }, "ACE"},
    };
    for (const Case& c : cases)
        bank.add({.id = QString::fromLatin1(c.id), .key = QString::fromLatin1(c.key), .options = 6, .type = c.type});
    TFrmLxxt& f = open("where 1=1", "order by a1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_EQ(shownId(), QString::fromLatin1(c.id));
        EXPECT_EQ(f.Notebook1->currentIndex(), c.page);
        EXPECT_EQ(f.Notebook1->toolTip(), practice::pageHint(c.page));
        c.answer(*this);
        click("epEfTrBtn3");
        EXPECT_EQ(column(QString::fromLatin1(c.id), "E2"), QString::fromUtf8(c.recorded));
        const bool right = QString::fromUtf8(c.recorded) == QString::fromLatin1(c.key);
        EXPECT_EQ(f.gridMark(f.currentIndex() - 1), right ? AnswerMark::Right : AnswerMark::Wrong);
        if (f.epEfTrBtn2->isEnabled())
            click("epEfTrBtn2");
    }
    EXPECT_TRUE(prompts.asked().empty());
}

TEST_F(ScreenTest, ATypeWithoutAPageRecordsNothingAndSaysSo)
{
    // Banks name their types with 题: the subjective one still finds its page.
    bank.db().exec("update tab_tx1 set B1='案例分析题' where A1=64");
    bank.add({.id = "a", .key = "AB", .type = 14, .xx = 1});
    bank.add({.id = "b", .key = "A", .type = 99, .xx = 2}); // "其他": no page
    bank.add({.id = "c", .key = "1", .type = 64, .xx = 3});
    TFrmLxxt& f = open("where 1=1", "order by xx");
    EXPECT_EQ(f.Notebook1->currentIndex(), practice::MultiPage);
    clickOption(1, 'A');
    click("epEfTrBtn2");
    EXPECT_EQ(f.Notebook1->page(), practice::NoPage);
    EXPECT_EQ(f.Notebook1->currentWidget()->objectName(), "noAnswerPage");
    EXPECT_TRUE(child<QLabel>("noAnswerPage")->isVisible());
    EXPECT_EQ(child<QLabel>("noAnswerPage")->text(), "本题型不需作答");
    EXPECT_EQ(f.Re1->toPlainText(), "题干 b");
    const QString before = bank.snapshot();
    click("epEfTrBtn3");
    EXPECT_EQ(bank.snapshot(), before);
    EXPECT_TRUE(prompts.asked().empty());
    click("epEfTrBtn2"); // leaving it records nothing either
    EXPECT_EQ(column("b", "E2"), "<null>");
    EXPECT_EQ(column("b", "E3"), "0");
    EXPECT_EQ(column("a", "E2"), "A");
    EXPECT_EQ(f.Notebook1->currentIndex(), practice::SubjectivePage);
}

TEST_F(ScreenTest, CheckingWithNothingGivenAsksForAnAnswer)
{
    bank.add({.id = "q1", .key = "B"});
    TFrmLxxt& f = open();
    clickOption(0, 'B');
    clickOption(0, 'B'); // pressing the pressed one releases it
    click("epEfTrBtn3");
    EXPECT_EQ(prompts.texts(), QStringList{"请先做出答案！"});
    EXPECT_EQ(prompts.asked().at(0).caption, "提示");
    EXPECT_EQ(column("q1", "E3"), "0");
    EXPECT_EQ(column("q1", "E2"), "<null>");
    EXPECT_FALSE(f.epEfTrBtn6->isEnabled());
    EXPECT_EQ(bank.number("select count(*) from tab_rz"), 0);
}

TEST_F(ScreenTest, CheckingTwiceCountsOnceAndChangingCountsAgain)
{
    bank.add({.id = "q1", .key = "B", .points = {"010101001"}, .analysis = QByteArray("{\\rtf1 解析}")});
    TFrmLxxt& f = open();
    EXPECT_FALSE(f.epEfTrBtn4->isEnabled());
    EXPECT_FALSE(f.epEfTrBtn9->isEnabled());
    clickOption(0, 'A');
    click("epEfTrBtn3");
    click("epEfTrBtn3");
    EXPECT_EQ(column("q1", "E3"), "1");
    EXPECT_EQ(bank.number("select A2 from tab_rz"), 1);
    EXPECT_TRUE(f.epEfTrBtn4->isEnabled());
    EXPECT_TRUE(f.epEfTrBtn9->isEnabled());
    EXPECT_TRUE(f.epEfTrBtn6->isEnabled());
    EXPECT_EQ(f.gridMark(0), AnswerMark::Wrong);

    clickOption(0, 'B');
    click("epEfTrBtn3");
    EXPECT_EQ(column("q1", "E3"), "2");
    EXPECT_EQ(column("q1", "E4"), "-2");
    EXPECT_EQ(bank.number("select A2 from tab_rz"), 2);
    EXPECT_EQ(bank.number("select B2 from tab_rz"), 0); // put right the same day
    EXPECT_EQ(bank.number("select q2 from tab_rule where ftid='010101001'"), 2);
    EXPECT_EQ(f.gridMark(0), AnswerMark::Right);
}

TEST_F(ScreenTest, AFailedRecordingIsReportedAndLosesNothing)
{
    bank.add({.id = "q1", .key = "A", .points = {"010101001"}});
    TFrmLxxt& f = open();
    const QString before = bank.snapshot();
    bank.db().exec("alter table tab_rule rename to tab_rule_gone");
    clickOption(0, 'A');
    click("epEfTrBtn3");
    bank.db().exec("alter table tab_rule_gone rename to tab_rule");
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].caption, "错误");
    EXPECT_EQ(bank.snapshot(), before);
    EXPECT_EQ(f.gridMark(0), AnswerMark::Open);
    EXPECT_FALSE(f.epEfTrBtn6->isEnabled());
    // The answer is still on the page: checking again records it.
    click("epEfTrBtn3");
    EXPECT_EQ(column("q1", "E2"), "A");
    EXPECT_EQ(bank.number("select q2 from tab_rule where ftid='010101001'"), 1);
    EXPECT_EQ(f.gridMark(0), AnswerMark::Right);
}

TEST_F(ScreenTest, KeysAnswerAndMoveOnTheChoicePages)
{
    bank.add({.id = "q1", .key = "C", .xx = 1});
    bank.add({.id = "q2", .key = "A", .xx = 2});
    bank.add({.id = "m1", .key = "BD", .type = 14, .xx = 3});
    TFrmLxxt& f = open();
    f.Re1->setFocus();
    QTest::keyClick(&f, Qt::Key_C);
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "C");
    QTest::keyClick(&f, Qt::Key_B);
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "B");
    QTest::keyClick(&f, Qt::Key_F); // not shown on a four-option question
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "B");
    QTest::keyClick(&f, Qt::Key_Return); // 下一题 records the answer left
    EXPECT_EQ(shownId(), "q2");
    EXPECT_EQ(column("q1", "E2"), "B");
    EXPECT_EQ(f.gridMark(0), AnswerMark::Wrong);
    QTest::keyClick(&f, Qt::Key_Backspace);
    EXPECT_EQ(shownId(), "q1");
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "B"); // put back on the page

    QTest::mouseClick(f.thButtons[2], Qt::LeftButton);
    ASSERT_EQ(f.Notebook1->currentIndex(), practice::MultiPage);
    QTest::keyClick(&f, Qt::Key_D);
    QTest::keyClick(&f, Qt::Key_B);
    QTest::keyClick(&f, Qt::Key_A);
    QTest::keyClick(&f, Qt::Key_A); // toggles
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "BD");
}

TEST_F(ScreenTest, LeavingAQuestionMarksItsButton)
{
    addNumbered(3);
    TFrmLxxt& f = open();
    clickOption(0, 'A');
    click("epEfTrBtn2");
    clickOption(0, 'B');
    click("epEfTrBtn2");
    EXPECT_EQ(f.gridMark(0), AnswerMark::Right);
    EXPECT_EQ(f.gridMark(1), AnswerMark::Wrong);
    EXPECT_EQ(f.thButtons[1]->accessibleDescription(), "做错");
    // Coming back and clearing the answer: not answered again, nothing counted.
    QTest::mouseClick(f.thButtons[1], Qt::LeftButton);
    clickOption(0, 'B');
    QTest::mouseClick(f.thButtons[2], Qt::LeftButton);
    EXPECT_EQ(f.gridMark(1), AnswerMark::Open);
    EXPECT_EQ(column("q02", "E2_1"), "");
    EXPECT_EQ(column("q02", "E3"), "1");
}

// ---- the type filter, the timer, closing ---------------------------------------------------

TEST_F(ScreenTest, ChangingTheTypeRecordsTheShownAnswerQuietly)
{
    bank.add({.id = "s1", .key = "A", .type = 11});
    bank.add({.id = "s2", .key = "A", .type = 11});
    bank.add({.id = "c1", .key = "案例", .type = 64});
    TFrmLxxt& f = open();
    clickOption(0, 'A');
    ui::PictureButton* caseType = nullptr;
    for (ui::PictureButton* b : f.txButtons)
        if (b->accessibleName() == QStringLiteral("案例分析"))
            caseType = b;
    ASSERT_NE(caseType, nullptr);
    QTest::mouseClick(caseType, Qt::LeftButton);
    EXPECT_EQ(column("s1", "E2"), "A");
    EXPECT_EQ(shownId(), "c1");
    EXPECT_EQ(f.Lb_ts->text(), "1");
    EXPECT_EQ(f.Notebook1->currentIndex(), practice::SubjectivePage);
    EXPECT_EQ(f.Notebook1->subjectiveSide(), "案例\n分析");
    EXPECT_TRUE(prompts.asked().empty());

    QTest::mouseClick(f.txButtons[0], Qt::LeftButton); // 任意
    EXPECT_EQ(f.Lb_ts->text(), "3");
    EXPECT_EQ(f.Notebook1->subjectiveSide(), "主\n观");
    // The grid shows the state of the recorded answer, the page shows it again.
    EXPECT_EQ(f.gridMark(0), AnswerMark::Right);
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "A");
}

// Assistive technology's Toggle (no click) on a grid or type button moves as a
// click does, recording the answer on the page once on the way.
TEST_F(ScreenTest, ToggleOnAGridOrTypeButtonMovesAsAClickDoes)
{
    addNumbered(3); // q01 … q03, single choice, key A
    bank.add({.id = "c1", .key = "案例", .type = 64});
    struct Case {
        const char* what;
        std::function<QAbstractButton*(TFrmLxxt&)> button;
        const char* shown;
        const char* questions; // 题数 after the move
    };
    const Case cases[] = {
        {"grid button 3", [](TFrmLxxt& f) { return f.thButtons[2]; }, "q03", "4"},
        {"type 案例分析", [](TFrmLxxt& f) -> QAbstractButton* {
             for (ui::PictureButton* b : f.txButtons)
                 if (b->accessibleName() == QStringLiteral("案例分析"))
                     return b;
             return nullptr;
         }, "c1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFrmLxxt& f = open();
        const qint64 answers = bank.number("select ifnull(sum(E3),0) from tab_answ");
        ASSERT_EQ(shownId(), "q01");
        clickOption(0, 'A');
        QAbstractButton* b = c.button(f);
        accessibleToggle(b);
        EXPECT_TRUE(b->isChecked());
        EXPECT_EQ(shownId(), QString::fromLatin1(c.shown));
        EXPECT_EQ(f.Lb_ts->text(), QString::fromLatin1(c.questions));
        EXPECT_EQ(column("q01", "E2"), "A");
        EXPECT_EQ(bank.number("select ifnull(sum(E3),0) from tab_answ"), answers + 1);
    }
    EXPECT_TRUE(prompts.asked().empty());
}

// 下一题 presses the next grid button in code: the answer is recorded once and
// the screen moves one question, not two.
TEST_F(ScreenTest, NextRecordsTheAnswerOnceAndMovesOneQuestion)
{
    addNumbered(3);
    TFrmLxxt& f = open();
    clickOption(0, 'A');
    click("epEfTrBtn2");
    EXPECT_EQ(shownId(), "q02");
    EXPECT_TRUE(f.thButtons[1]->isChecked());
    clickOption(0, 'B');
    click("epEfTrBtn2");
    EXPECT_EQ(shownId(), "q03");
    click("epEfTrBtn1");
    EXPECT_EQ(shownId(), "q02");
    EXPECT_EQ(column("q01", "E3"), "1");
    EXPECT_EQ(column("q02", "E3"), "1");
    EXPECT_EQ(column("q03", "E3"), "0");
    const store::Rows log = bank.db().query("select A2,A3 from tab_rz");
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.at(0, "A2").toInt(), 2);
    EXPECT_EQ(log.at(0, "A3").toInt(), 1);
}

TEST_F(ScreenTest, TheAnswerTimerRunsOutByTheTypesTime)
{
    bank.add({.id = "q1", .key = "A", .type = 11, .xx = 1});
    bank.add({.id = "q2", .key = "A", .type = 12, .xx = 2});
    app::TypeIds = {11, 14};
    app::TypeAnswerTimes = {1200, 900};
    TFrmLxxt& f = open("where 1=1", "order by xx");
    EXPECT_EQ(f.Timer1->interval(), 1200); // 100 steps: two minutes
    for (int i = 0; i < 99; ++i)
        f.Timer1Timer();
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_EQ(f.epIndiGauge1->value(), 99);
    EXPECT_EQ(f.epIndiGauge1->cellColour(64), f.epIndiGauge1->cellColour(0));
    EXPECT_NE(f.epIndiGauge1->cellColour(65), f.epIndiGauge1->cellColour(0)); // red past the 65th
    f.Timer1->start();
    f.Timer1Timer();
    EXPECT_EQ(prompts.texts(), QStringList{"到时间了"});
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(column("q1", "csbs"), "Y");
    // Still answerable; the next question starts its own timer.
    clickOption(0, 'A');
    click("epEfTrBtn2");
    EXPECT_EQ(column("q1", "E2"), "A");
    EXPECT_EQ(f.Timer1->interval(), 600); // a type not listed: one minute
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.epIndiGauge1->value(), 0);
    EXPECT_EQ(column("q2", "csbs"), "<null>");
}

TEST_F(ScreenTest, ClosingRecordsTheShownAnswerAndAddsTheStudyTime)
{
    bank.add({.id = "q1", .key = "A"});
    bank.add({.id = "q2", .key = "A"});
    TFrmLxxt& f = open();
    clickOption(0, 'A');
    click("epEfTrBtn2");
    clickOption(0, 'C');
    for (int i = 0; i < 65; ++i)
        f.KZTimeCounter1Timer();
    EXPECT_EQ(f.epLabel1->text(), "0:01:05");
    EXPECT_EQ(f.epLabel1->accessibleName(), QStringLiteral("时钟 0:01:05"));
    click("epEfTrBtn99");
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(column("q2", "E2"), "C");
    const store::Rows log = bank.db().query("select A2,A3,D1,A4 from tab_rz");
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.at(0, "A2").toInt(), 2);
    EXPECT_EQ(log.at(0, "A3").toInt(), 1);
    EXPECT_EQ(log.at(0, "D1").toString(), "00:01:05");
    EXPECT_EQ(log.at(0, "A4").toString(), "50.00");
    EXPECT_EQ(bank.value("select C6 from tab_kmmc where C1='010101'").toString(), "50.00");
    EXPECT_FALSE(bank.dm.Cn1Query_tm->isOpen());
    EXPECT_FALSE(bank.dm.Cn1Table_tx->isOpen());
}

// ---- voiding, notices, the panes -----------------------------------------------------

TEST_F(ScreenTest, VoidingAndRestoringLeavesTheQuestionOutOfNewPractice)
{
    bank.add({.id = "q1", .key = "A", .f1 = 2, .ecount = 2});
    TFrmLxxt& f = open();
    EXPECT_EQ(f.Label21->text(), "本题是您加入的题目！");
    EXPECT_EQ(f.Label24->text(), "本题被您修改过");
    click("epEfTrBtn10");
    EXPECT_EQ(column("q1", "F1"), "1");
    EXPECT_EQ(column("q1", "E2"), "zero");
    EXPECT_EQ(f.Label21->text(), "本题已被您作废！");
    EXPECT_EQ(f.epEfTrBtn10->text(), "取消作废");
    click("epEfTrBtn10");
    EXPECT_EQ(column("q1", "F1"), "0");
    EXPECT_EQ(column("q1", "E2"), "zero");
    EXPECT_EQ(f.Label21->text(), "本题曾被作废，现已被您取消！");
    EXPECT_EQ(f.epEfTrBtn10->text(), "题目作废");
    // Not a new question any more.
    EXPECT_EQ(bank.number("select count(*) from tab_answ where (E2 = '' or E2 is null) and (f1<>1)"), 0);
}

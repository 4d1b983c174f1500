#include "exam/ExamScreenFixture.h"

using namespace examscreentest;


// ---- the grid and moving ----------------------------------------------------------------

TEST_F(ExamScreen, GridEnablesOneButtonPerQuestion)
{
    questions(8, 2);
    TFrmExam& f = start();
    EXPECT_EQ(f.questionCount(), 10);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("正在答卷"));
    EXPECT_EQ(f.epLabel2->text(), exam::paperTitle(practicetest::kDay1, 1, 1));
    for (int i = 1; i <= exam::kGridSize; ++i) {
        ui::PictureButton* b = f.thButtons[size_t(i - 1)];
        EXPECT_EQ(b->isEnabled(), i <= 10) << i;
        // Past the paper's end: no number, not on screen, so a screen reader never meets it.
        EXPECT_EQ(b->text(), i <= 10 ? QString::number(i) : QString()) << i;
        EXPECT_EQ(b->isVisible(), i <= 10) << i;
    }
    EXPECT_EQ(f.thButtons[10]->geometry().topLeft(), f.thButtons[5]->geometry().topLeft() + QPoint(0, f.thButtons[5]->height() + f.thButtons[0]->parentWidget()->layout()->spacing()))
        << "the grid keeps its places";
    EXPECT_EQ(f.thButtons[0]->accessibleName(), QStringLiteral("第1题 未做"));
    EXPECT_TRUE(f.thButtons[0]->isChecked());
    EXPECT_FALSE(f.epEfTrBtn1->isEnabled());
    EXPECT_TRUE(f.epEfTrBtn2->isEnabled());
    // Exam mode: answers hidden until graded.
    for (ui::CommandButton* b : {f.epEfTrBtn4, f.epEfTrBtn6, f.epEfTrBtn9, f.epEfTrBtn10, f.epEfTrBtn12})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(f.epEfTrBtn8->isEnabled()); // 设置 in both modes
    EXPECT_EQ(f.Label7->text(), QStringLiteral("单选 每题1分 共8分")) << "the paper's own 8 questions";

    QTest::mouseClick(f.thButtons[9], Qt::LeftButton);
    EXPECT_EQ(f.Label5->text(), "10");
    EXPECT_EQ(shownId(), "m002") << "paper order: type, then id";
    EXPECT_EQ(f.Label7->text(), QStringLiteral("多选 每题2分 共4分"));
    EXPECT_EQ(f.Notebook1->currentIndex(), practice::MultiPage);
    EXPECT_FALSE(f.epEfTrBtn2->isEnabled());
    EXPECT_TRUE(f.epEfTrBtn1->isEnabled());
    click(f.epEfTrBtn1);
    EXPECT_EQ(shownId(), "m001");
}

TEST_F(ExamScreen, AnswersAreRecordedWhenLeavingAQuestion)
{
    questions(3, 1);
    TFrmExam& f = start();
    option(practice::SinglePage, 'B');
    click(f.epEfTrBtn2);
    EXPECT_EQ(paperAnswer("s001"), "B");
    EXPECT_EQ(bank.value("select E2 || '/' || E3 || '/' || E4 from tab_answ where A1='s001'").toString(), "B/1/-3");
    EXPECT_EQ(f.gridMark(1), practice::AnswerMark::Answered);
    EXPECT_EQ(f.thButtons[0]->accessibleName(), QStringLiteral("第1题 已做"));

    // Pressing the pressed option again releases it: leaving stores nothing.
    QTest::mouseClick(f.thButtons[0], Qt::LeftButton);
    EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 1)->isChecked());
    option(practice::SinglePage, 'B');
    click(f.epEfTrBtn2);
    EXPECT_EQ(paperAnswer("s001"), "");
    EXPECT_EQ(f.gridMark(1), practice::AnswerMark::Open);

    // Multiple choice ABD, shown again as exactly those three.
    f.pressGridButton(4);
    option(practice::MultiPage, 'A');
    option(practice::MultiPage, 'B');
    option(practice::MultiPage, 'D');
    click(f.epEfTrBtn1);
    EXPECT_EQ(paperAnswer("m001"), "ABD");
    f.pressGridButton(4);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f.Notebook1->option(practice::MultiPage, i)->isChecked(), i == 0 || i == 1 || i == 3) << i;
    EXPECT_TRUE(f.Notebook1->option(practice::MultiPage, 4)->isVisible());
    EXPECT_FALSE(f.Notebook1->option(practice::MultiPage, 5)->isVisible()) << "beyond A2_1";
}

// Assistive technology's Toggle (no click) on a grid button moves as a click does,
// recording the answer on the page on the way.
TEST_F(ExamScreen, ToggleOnAGridButtonMovesAsAClickDoes)
{
    questions(3, 1);
    TFrmExam& f = start();
    option(practice::SinglePage, 'B');
    accessibleToggle(f.thButtons[3]);
    EXPECT_TRUE(f.thButtons[3]->isChecked());
    EXPECT_FALSE(f.thButtons[0]->isChecked());
    EXPECT_EQ(f.Label5->text(), "4");
    EXPECT_EQ(shownId(), "m001");
    EXPECT_EQ(f.Notebook1->currentIndex(), practice::MultiPage);
    EXPECT_EQ(paperAnswer("s001"), "B");
    EXPECT_EQ(f.gridMark(1), practice::AnswerMark::Answered);
    EXPECT_TRUE(f.epEfTrBtn1->isEnabled());
    EXPECT_FALSE(f.epEfTrBtn2->isEnabled());
}

// 下一题 presses the next grid button in code: each answer is recorded once and
// the screen moves one question, not two.
TEST_F(ExamScreen, NextRecordsTheAnswerOnceAndMovesOneQuestion)
{
    questions(4);
    TFrmExam& f = start();
    option(practice::SinglePage, 'B');
    click(f.epEfTrBtn2);
    EXPECT_EQ(f.Label5->text(), "2");
    EXPECT_TRUE(f.thButtons[1]->isChecked());
    option(practice::SinglePage, 'A');
    click(f.epEfTrBtn1);
    EXPECT_EQ(f.Label5->text(), "1");
    // Across two answered questions: a second recording would write the page shown next into the one left.
    click(f.epEfTrBtn2);
    click(f.epEfTrBtn2);
    EXPECT_EQ(f.Label5->text(), "3");
    EXPECT_EQ(paperAnswer("s001"), "B");
    EXPECT_EQ(paperAnswer("s002"), "A");
    EXPECT_EQ(bank.column("select E2 || '/' || E3 || '/' || E4 from tab_answ where A1 in ('s001','s002','s003') order by A1"),
              (QStringList{"B/1/-3", "A/1/0", "<null>"}));
}

// A blind candidate hears what the labels show, and the number of the question a move lands on.
TEST_F(ExamScreen, LabelsNameTheirValuesAndAMoveNamesTheQuestion)
{
    questions(3);
    TFrmExam& f = start();
    EXPECT_EQ(f.epLabel2->accessibleName(), QStringLiteral("试卷名称 ") + exam::paperTitle(practicetest::kDay1, 1, 1));
    EXPECT_EQ(f.Label7->accessibleName(), QStringLiteral("题型 单选 每题1分 共3分"));
    EXPECT_EQ(f.Label1->accessibleName(), QStringLiteral("提示"));
    EXPECT_EQ(f.Re1->accessibleName(), QStringLiteral("第1题 试题"));
    // The clock is reached by Tab and names the time as it is.
    EXPECT_TRUE(f.epLb_time1->focusPolicy() & Qt::TabFocus);
    after(7);
    EXPECT_EQ(f.epLb_time1->accessibleName(), QStringLiteral("考试用时 0:00:07"));
    click(f.epEfTrBtn2);
    EXPECT_EQ(f.Re1->accessibleName(), QStringLiteral("第2题 试题"));
    key(Qt::Key_Return);
    EXPECT_EQ(f.Re1->accessibleName(), QStringLiteral("第3题 试题"));
    click(f.epEfTrBtn1);
    EXPECT_EQ(f.Re1->accessibleName(), QStringLiteral("第2题 试题"));

    // Pressed from the keyboard, 下一题 hands the focus to the stem, whose name a screen reader then says;
    // also at the last question, where 下一题 turns disabled.
    QApplication::setActiveWindow(&f);
    f.epEfTrBtn2->setFocus();
    ASSERT_TRUE(f.epEfTrBtn2->hasFocus());
    QTest::keyClick(f.epEfTrBtn2, Qt::Key_Space);
    EXPECT_EQ(f.currentQuestion(), 3);
    EXPECT_FALSE(f.epEfTrBtn2->isEnabled());
    EXPECT_TRUE(f.Re1->hasFocus());
    f.epEfTrBtn1->setFocus();
    QTest::keyClick(f.epEfTrBtn1, Qt::Key_Space);
    EXPECT_EQ(f.currentQuestion(), 2);
    EXPECT_TRUE(f.Re1->hasFocus());
}

// The note button tells a screen reader too that the question has a note.
TEST_F(ExamScreen, TheNoteButtonSaysWhenTheQuestionHasANote)
{
    questions(2);
    TFrmExam& f = start();
    EXPECT_EQ(f.epEfTrBtn5->text(), QStringLiteral("笔记"));
    EXPECT_EQ(f.epEfTrBtn5->accessibleDescription(), QString());
    WhenModal<TFrmBj> inNote([&](TFrmBj* note) {
        note->DBMemo1->setPlainText(QStringLiteral("第一题的笔记"));
        note->close();
    });
    click(f.epEfTrBtn5);
    ASSERT_EQ(inNote.seen(), 1);
    for (int number : {1, 2, 1}) {
        f.pressGridButton(number);
        const bool noted = number == 1;
        EXPECT_EQ(f.epEfTrBtn5->text(), noted ? QStringLiteral("有内容") : QStringLiteral("笔记")) << number;
        EXPECT_EQ(f.epEfTrBtn5->accessibleDescription(), noted ? QStringLiteral("有内容") : QString()) << number;
        EXPECT_EQ(f.epEfTrBtn5->accessibleName(), QStringLiteral("笔记")) << "the name says what the button does";
    }
}

// A handler that fails tells the candidate what the practice screen tells, and the exam goes on.
TEST_F(ExamScreen, AFailedMoveSaysThePracticeScreensLine)
{
    questions(3);
    TFrmExam& f = start();
    // The question's page cannot be read: the type table has lost its names.
    bank.db().exec(QStringLiteral("alter table tab_tx1 rename to tx_kept"));
    bank.db().exec(QStringLiteral("create table tab_tx1 (A1 integer)"));
    prompt::Script prompts({1});
    click(f.epEfTrBtn2);
    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_TRUE(prompts.texts().front().startsWith(QStringLiteral("操作未能完成，请重试！"))) << prompts.texts().front().toStdString();
    EXPECT_TRUE(f.isVisible());
    bank.db().exec(QStringLiteral("drop table tab_tx1"));
    bank.db().exec(QStringLiteral("alter table tx_kept rename to tab_tx1"));
    f.pressGridButton(3);
    EXPECT_EQ(f.currentQuestion(), 3);
}

TEST_F(ExamScreen, KeysAnswerAndMoveOnTheChoicePages)
{
    questions(3);
    TFrmExam& f = start();
    key(Qt::Key_C);
    key(Qt::Key_Return);
    EXPECT_EQ(f.currentQuestion(), 2);
    EXPECT_EQ(paperAnswer("s001"), "C");
    key(Qt::Key_F); // no sixth option on a four-option question
    key(Qt::Key_Backspace);
    EXPECT_EQ(f.currentQuestion(), 1);
    EXPECT_EQ(paperAnswer("s002"), "");
}

// ---- pause ------------------------------------------------------------------------------

TEST_F(ExamScreen, PauseStopsClockKeysAndGrid)
{
    questions(3);
    TFrmExam& f = start();
    after(30);
    EXPECT_EQ(f.epLb_time1->text(), "0:00:30");
    EXPECT_EQ(f.epLb_time1->accessibleName(), QStringLiteral("考试用时 0:00:30"));
    click(f.epEfTrBtn13);
    EXPECT_TRUE(f.paused());
    EXPECT_EQ(f.epEfTrBtn13->text(), QStringLiteral("继续考试"));
    EXPECT_TRUE(f.Cover->isVisible());
    EXPECT_TRUE(f.Cover->scrolling());
    QCoreApplication::processEvents();
    EXPECT_EQ(f.Cover->geometry(), f.Splitter1->parentWidget()->rect());
    for (ui::CommandButton* b : {f.epEfTrBtn1, f.epEfTrBtn2, f.epEfTrBtn3, f.epEfTrBtn5, f.epEfTrBtn7})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(f.fcBG_th->isEnabled());
    EXPECT_FALSE(f.Notebook1->isEnabled());

    key(Qt::Key_B);
    key(Qt::Key_Return);
    after(600);
    EXPECT_EQ(f.currentQuestion(), 1);
    EXPECT_FALSE(f.Notebook1->option(practice::SinglePage, 1)->isChecked());
    EXPECT_EQ(f.epLb_time1->text(), "0:00:30") << "the clock does not move while paused";

    click(f.epEfTrBtn13);
    EXPECT_FALSE(f.Cover->isVisible());
    EXPECT_FALSE(f.Cover->scrolling());
    EXPECT_FALSE(f.epEfTrBtn1->isEnabled()) << "disabled before the pause on question 1";
    EXPECT_TRUE(f.epEfTrBtn2->isEnabled());
    EXPECT_TRUE(f.fcBG_th->isEnabled());
    after(15);
    EXPECT_EQ(f.epLb_time1->text(), "0:00:45");
}

// ---- minimise and restore -----------------------------------------------------------------

TEST_F(ExamScreen, ShownAgainTheExamGoesOnWhereItWas)
{
    // A window manager's minimise and restore, or a desktop switch, hides and shows the screen.
    questions(5);
    TFrmExam& f = start();
    f.pressGridButton(3);
    option(practice::SinglePage, 'C');
    after(15);
    f.hide();
    after(2);
    f.show();
    QCoreApplication::processEvents();
    after(1);
    EXPECT_EQ(f.epLb_time1->text(), "0:00:18");
    EXPECT_EQ(f.currentQuestion(), 3);
    EXPECT_TRUE(f.thButtons[2]->isChecked());
    EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 2)->isChecked());
    click(f.epEfTrBtn2);
    EXPECT_EQ(paperAnswer("s003"), "C") << "the answer given before the hide is recorded";
}

// ---- the answer on screen survives a crash ------------------------------------------------

TEST_F(ExamScreen, PauseAndThePeriodicSaveKeepTheAnswerOnScreen)
{
    questions(3, 1);
    TFrmExam& f = start();
    after(1);
    f.pressGridButton(4);
    option(practice::MultiPage, 'A');
    option(practice::MultiPage, 'E');
    click(f.epEfTrBtn13); // pause
    EXPECT_EQ(paperAnswer("m001"), "AE");
    EXPECT_EQ(f.gridMark(4), practice::AnswerMark::Answered);
    click(f.epEfTrBtn13);

    f.pressGridButton(2);
    option(practice::SinglePage, 'B');
    after(3);
    EXPECT_EQ(paperAnswer("s002"), "") << "between two saves";
    after(1); // the clock's periodic save
    EXPECT_EQ(paperAnswer("s002"), "B");
    EXPECT_EQ(bank.value("select E3 from tab_answ where A1='s002'").toInt(), 1);
    after(5);
    EXPECT_EQ(bank.value("select E3 from tab_answ where A1='s002'").toInt(), 1) << "the same answer again is not counted twice";
}

// ---- size --------------------------------------------------------------------------------

TEST_F(ExamScreen, CompactScreenCoversTheWholeDesktop)
{
    const QString before = app::ScreenSizeTag;
    app::ScreenSizeTag = QStringLiteral("800");
    TFrmExam compact;
    app::ScreenSizeTag = before;
    EXPECT_EQ(compact.size(), QSize(800, 600));
}

// At 1024 × 768 the exam takes the practice screen's place: the menu's footer stays
// whole below it, and the 120 grid buttons and the commands still fit.
TEST_F(ExamScreen, FullScreenTakesThePracticeScreensPlaceAndHoldsEveryElement)
{
    const QString before = app::ScreenSizeTag;
    app::ScreenSizeTag = QStringLiteral("1024");
    TFrmExam f;
    TFrmLxxt practiceScreen;
    app::ScreenSizeTag = before;
    EXPECT_EQ(f.size(), practiceScreen.size());
    f.show();
    QApplication::processEvents();
    for (QWidget* w : f.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&f) || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))
            || w->objectName() == QLatin1String("panelBody"))
            continue;
        const QRect r(w->mapTo(&f, QPoint(0, 0)), w->size());
        EXPECT_TRUE(f.rect().contains(r)) << w->objectName().toStdString();
    }
    const QRect board(f.hintBoard->mapTo(&f, QPoint(0, 0)), f.hintBoard->size());
    const QRect last(f.thButtons.back()->mapTo(&f, QPoint(0, 0)), f.thButtons.back()->size());
    EXPECT_TRUE(board.contains(last)) << "the grid's last row inside its board";
}

#include "exam/ExamFixture.h"
#include "support/WhenModal.h"
#include "support/AccessibleAction.h"
#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "exam/PauseCover.h"
#include "exam/TFrmExam.h"
#include "practice/TFrmLxxt.h"

#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "question/TFrmBj.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/store/Dataset.h"
#include "core/store/Random.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace examtest;

namespace {

const QDateTime kStart(practicetest::kDay1, QTime(9, 0));

class ExamScreen : public ::testing::Test {
public:
    ExamScreen()
    {
        DM1 = &bank.dm;
        app::setEndProgramHandler([this](int code) { ended = code; });
        store::Clock::setFixed(kStart);
        store::Random::seed(11);
        bank.type(1, 11, 80, 1, QStringLiteral("单选"));
        bank.type(1, 14, 40, 2, QStringLiteral("多选"));
    }
    ~ExamScreen() override
    {
        screen.reset();
        app::setEndProgramHandler({});
        DM1 = nullptr;
    }

    // n single-choice questions s001… (key A) and m multiple-choice m001… (key ABD),
    // spread over the parts mock 1 draws from, so that its paper takes every one
    // while there are no more than it asks for.
    void questions(int singles, int multis = 0)
    {
        store::Transaction t(bank.db());
        for (int i = 1; i <= singles; ++i)
            bank.add({.id = QStringLiteral("s%1").arg(i, 3, 10, QLatin1Char('0')), .key = "A", .type = 11, .chapter = chapterFor(11, i - 1)});
        for (int i = 1; i <= multis; ++i)
            bank.add({.id = QStringLiteral("m%1").arg(i, 3, 10, QLatin1Char('0')), .key = "ABD", .options = 5, .type = 14, .chapter = chapterFor(14, i - 1)});
        t.commit();
    }

    static QString chapterFor(int type, int i)
    {
        for (const exam::DrawEntry& e : exam::drawsOf(1, type)) {
            if (i < e.count)
                return (e.prefix + QStringLiteral("0101")).left(6);
            i -= e.count;
        }
        return QStringLiteral("030101");
    }

    // A new paper of mock 1 (every question drawn while there are few), on view, the clock stepped by hand.
    TFrmExam& start()
    {
        app::CurrentPaperNo = 1;
        const exam::NewPaper p = exam::createPaper(bank.dm, 1, practicetest::kDay1);
        table = p.table;
        screen = std::make_unique<TFrmExam>();
        EXPECT_TRUE(screen->InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
        EXPECT_TRUE(screen->OpenPaper());
        screen->show();
        screen->KZTimeCounter1->stop();
        return *screen;
    }
    // Moves the clock on and lets the screen's clock tick once.
    void after(int seconds)
    {
        now = now.addSecs(seconds);
        store::Clock::setFixed(now);
        screen->KZTimeCounter1Timer();
    }
    void click(QAbstractButton* b)
    {
        ASSERT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        // click(), not a synthesized mouse click: two synthesized clicks on the same
        // spot in quick succession read as a double click, which presses again.
        b->click();
    }
    void option(int page, char letter) { click(screen->Notebook1->option(page, letter - 'A')); }
    void key(int k) { QTest::keyClick(screen.get(), Qt::Key(k)); }
    QString paperAnswer(const QString& id)
    {
        return bank.value(QStringLiteral("select ifnull(E2_1,'<null>') from %1 where A1=:a1").arg(table), {{":a1", id}}).toString();
    }
    QString shownId() { return DM1->Cn1Query_exam->text(QStringLiteral("A1")); }
    bool paperExists() { return bank.db().hasTable(table) && bank.number(QStringLiteral("select count(*) from tab_cj where A1='%1'").arg(table)) == 1; }
    // Answers questions 1 … n on the single page with A (right) and moves on.
    void answerRight(int n)
    {
        for (int i = 1; i <= n; ++i) {
            screen->pressGridButton(i);
            option(practice::SinglePage, 'A');
        }
        screen->pressGridButton(n < screen->questionCount() ? n + 1 : 1);
    }

    ClockScope clock;
    ExamBank bank;
    QDateTime now = kStart;
    QString table;
    int ended = -1;
    std::unique_ptr<TFrmExam> screen;
};

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

// ---- submission --------------------------------------------------------------------------

TEST_F(ExamScreen, FullPaperWithNothingAnsweredIsDroppedWithoutAsking)
{
    questions(80, 40);
    TFrmExam& f = start();
    EXPECT_EQ(f.questionCount(), 120);
    prompt::Script prompts({}, 1);
    click(f.epEfTrBtn3);
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(paperExists());
}

TEST_F(ExamScreen, SubmissionAsksWithThreeAnswers)
{
    struct Case {
        const char* name;
        int answer;     // 1 确定, 2 作废, 3 取消
        int answered;   // questions answered before 交卷
        bool kept;
        bool reviewing;
        bool studyTime; // the time went into the day's log
    };
    const Case cases[] = {
        {"确定 grades", 1, 0, true, true, true},
        {"作废 with 80 unanswered drops without study time", 2, 0, false, false, false},
        {"作废 with 49 unanswered adds the study time", 2, 31, false, false, true},
        {"作废 with 50 unanswered adds none", 2, 30, false, false, false},
        {"取消 goes on", 3, 0, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        screen.reset();
        bank.db().exec(QStringLiteral("delete from tab_answ"));
        bank.db().exec(QStringLiteral("delete from tab_exer"));
        bank.db().exec(QStringLiteral("delete from tab_rz"));
        bank.db().exec(QStringLiteral("insert into tab_rz (A1, D1) values (:d, '00:00:00')"), {{":d", practicetest::kDay1}});
        for (const QString& t : bank.db().tables())
            if (t.startsWith(QLatin1String("tab_exam")))
                bank.db().exec(QStringLiteral("drop table ") + t);
        bank.db().exec(QStringLiteral("delete from tab_cj"));
        questions(80);
        TFrmExam& f = start();
        if (c.answered)
            answerRight(c.answered);
        after(125);
        prompt::Script prompts({c.answer});
        click(f.epEfTrBtn3);
        ASSERT_EQ(prompts.asked().size(), 1u);
        EXPECT_EQ(prompts.asked()[0].caption, QStringLiteral("提示"));
        EXPECT_EQ(prompts.asked()[0].text, QStringLiteral("你还有%1道题未做，确定要交卷吗？").arg(80 - c.answered));
        EXPECT_EQ(prompts.asked()[0].variant, QStringLiteral("Exam"));
        EXPECT_EQ(paperExists(), c.kept);
        EXPECT_EQ(f.mode() == exam::Mode::Review, c.reviewing);
        EXPECT_EQ(bank.value("select D1 from tab_rz").toString() != "00:00:00", c.studyTime) << bank.value("select D1 from tab_rz").toString().toStdString();
        if (c.answer == 3) {
            EXPECT_TRUE(f.isVisible());
            EXPECT_TRUE(f.clock().running());
            after(5);
            EXPECT_EQ(f.epLb_time1->text(), "0:02:10");
        }
        if (c.reviewing) {
            EXPECT_EQ(bank.value(QStringLiteral("select A6 || '/' || D2 from tab_cj where A1='%1'").arg(table)).toString(), "0.0/0:02:05");
        }
    }
}

TEST_F(ExamScreen, AllAnsweredAsksTheCongratulation)
{
    questions(2);
    TFrmExam& f = start();
    answerRight(2);
    prompt::Script prompts({3});
    click(f.epEfTrBtn7); // 关闭 while answering is 交卷
    ASSERT_EQ(prompts.texts(), QStringList{QStringLiteral("恭喜你已经做完试卷，确定要交卷吗？")});
}

TEST_F(ExamScreen, TimeOutAtTheLimitNotCountingThePause)
{
    questions(5);
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime = 7200, LeastMark = 0"));
    TFrmExam& f = start();
    answerRight(1);
    prompt::Script prompts({}, 1);
    after(3600);
    click(f.epEfTrBtn13); // pause
    after(5000);
    click(f.epEfTrBtn13);
    after(3599);
    EXPECT_EQ(f.mode(), exam::Mode::Answering);
    EXPECT_TRUE(prompts.asked().empty());
    after(1);
    ASSERT_EQ(prompts.texts(), QStringList{QStringLiteral("很遗憾，考试时间到了！")});
    EXPECT_EQ(prompts.asked()[0].kind, prompt::Asked::Kind::MessageBox);
    EXPECT_EQ(f.mode(), exam::Mode::Review);
    EXPECT_EQ(f.timeUsed(), "2:00:00");
    EXPECT_EQ(f.score(), 1.0);
    EXPECT_EQ(f.currentQuestion(), 1) << "review starts at question 1";
}

TEST_F(ExamScreen, TimeOutWithTheNoteOpenKeepsTheNoteOnItsQuestion)
{
    questions(3);
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime = 60, LeastMark = 0"));
    TFrmExam& f = start();
    f.pressGridButton(2);
    prompt::Script prompts({}, 1);
    WhenModal<TFrmBj> inNote([&](TFrmBj* note) {
        note->DBMemo1->setPlainText(QStringLiteral("第二题的笔记"));
        after(60); // the time runs out while the note is open
    });
    click(f.epEfTrBtn5);
    EXPECT_EQ(inNote.seen(), 1);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("很遗憾，考试时间到了！")});
    EXPECT_EQ(f.mode(), exam::Mode::Review);
    EXPECT_EQ(f.timeUsed(), "0:01:00");
    EXPECT_EQ(bank.value(QStringLiteral("select ifnull(A14,'') from %1 where A1='s002'").arg(table)).toString(), QStringLiteral("第二题的笔记"));
    EXPECT_EQ(bank.value(QStringLiteral("select ifnull(A14,'') from %1 where A1='s001'").arg(table)).toString(), QString())
        << "not on the question shown after grading";
}

// ---- grading and review --------------------------------------------------------------------

TEST_F(ExamScreen, ReviewShowsRightAndWrongAndTheAnswerPanel)
{
    questions(2, 1);
    TFrmExam& f = start();
    option(practice::SinglePage, 'A'); // right
    f.pressGridButton(2);
    option(practice::SinglePage, 'C'); // wrong
    f.pressGridButton(3);              // m001 left unanswered
    prompt::Script prompts({1});
    click(f.epEfTrBtn3);
    EXPECT_EQ(f.mode(), exam::Mode::Review);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("查阅试卷"));
    EXPECT_EQ(f.Notebook_Time->currentIndex(), 1);
    EXPECT_EQ(f.Lb_zfs->text(), QStringLiteral("得分：1 分"));
    EXPECT_EQ(f.currentQuestion(), 1);
    EXPECT_EQ(f.gridMark(1), practice::AnswerMark::Right);
    EXPECT_EQ(f.gridMark(2), practice::AnswerMark::Wrong);
    EXPECT_EQ(f.gridMark(3), practice::AnswerMark::Open) << "unanswered has its own mark, not the wrong one";
    EXPECT_EQ(f.thButtons[1]->accessibleName(), QStringLiteral("第2题 做错"));
    EXPECT_FALSE(f.Notebook1->isEnabled());
    EXPECT_FALSE(f.epEfTrBtn3->isEnabled());
    EXPECT_FALSE(f.epEfTrBtn13->isVisible());
    EXPECT_TRUE(f.epEfTrBtn12->isEnabled());

    f.pressGridButton(2);
    key(Qt::Key_A); // letters change nothing in review
    EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 2)->isChecked());
    click(f.epEfTrBtn6);
    EXPECT_TRUE(f.answerPanelOpen());
    EXPECT_EQ(f.epEfTrBtn6->text(), QStringLiteral("返回"));
    EXPECT_EQ(f.Panel2->headline()->text(), QStringLiteral("很遗憾，做错了，请继续努力！"));
    EXPECT_EQ(f.Panel2->yours()->text(), "C");
    EXPECT_EQ(f.Panel2->correct()->text(), "A");
    f.pressGridButton(1); // changing the question closes it at once
    EXPECT_FALSE(f.answerPanelOpen());
    EXPECT_EQ(f.epEfTrBtn6->text(), QStringLiteral("答案"));
}

TEST_F(ExamScreen, BelowThePassMarkIsDroppedWhenTheReviewCloses)
{
    const struct {
        int leastMark;
        bool kept;
    } cases[] = {{2, true}, {3, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.leastMark);
        screen.reset();
        bank.db().exec(QStringLiteral("delete from tab_answ"));
        bank.db().exec(QStringLiteral("delete from tab_exer"));
        bank.db().exec(QStringLiteral("update tab_plan set LeastMark = :m"), {{":m", c.leastMark}});
        questions(3);
        TFrmExam& f = start();
        answerRight(2); // 2 points
        prompt::Script prompts({1});
        click(f.epEfTrBtn3);
        EXPECT_EQ(f.belowPass(), !c.kept);
        EXPECT_TRUE(paperExists()) << "kept while it is reviewed";
        click(f.epEfTrBtn7);
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(paperExists(), c.kept);
    }
}

TEST_F(ExamScreen, GradingFailureLeavesTheExamUsable)
{
    questions(3);
    TFrmExam& f = start();
    answerRight(1);
    bank.db().exec(QStringLiteral("create trigger stop_score before update on tab_cj begin select raise(abort, 'read only'); end"));
    prompt::Script prompts({1, 1});
    click(f.epEfTrBtn3);
    EXPECT_EQ(prompts.texts().back(), QStringLiteral("发生错误！"));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.mode(), exam::Mode::Answering);
    EXPECT_TRUE(f.clock().running());
    EXPECT_FALSE(progress::isShown());
    bank.db().exec(QStringLiteral("drop trigger stop_score"));
    prompt::Script again({1});
    click(f.epEfTrBtn3);
    EXPECT_EQ(f.mode(), exam::Mode::Review);
}

// A full disk: the answer that cannot be saved stays on its question with the
// guard's message and kind line; answers saved before stay, and the exam goes on
// once there is room again.
TEST_F(ExamScreen, AnAnswerAFullBankCannotTakeStaysOnItsQuestion)
{
    questions(3);
    TFrmExam& f = start();
    option(practice::SinglePage, 'A');
    click(f.epEfTrBtn2);
    ASSERT_EQ(paperAnswer("s001"), "A");
    option(practice::SinglePage, 'B');
    // No page to spare, and the paper's own page full to the brim: the answer's row cannot grow.
    bank.fillToTheCap();
    qsizetype pad = 0;
    for (const qsizetype step : {256, 16, 1}) {
        for (;;) {
            try {
                bank.db().exec(QStringLiteral("update %1 set jx = :pad where A1 = 's003'").arg(table),
                               {{":pad", QString(pad + step, QLatin1Char('x'))}});
                pad += step;
            } catch (const store::DbError& e) {
                ASSERT_EQ(e.kind(), store::DbError::Kind::Full) << e.message().toStdString();
                break;
            }
        }
    }
    const QString before = bank.snapshot() + bank.column(QStringLiteral("select A1 || '=' || ifnull(E2_1,'') from %1").arg(table)).join(u',');
    {
        prompt::Script prompts({}, 3);
        click(f.epEfTrBtn2);
        EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("答案未能保存，请重新作答！\n磁盘空间不足，无法保存。")});
    }
    EXPECT_EQ(bank.snapshot() + bank.column(QStringLiteral("select A1 || '=' || ifnull(E2_1,'') from %1").arg(table)).join(u','), before);
    EXPECT_EQ(paperAnswer("s001"), "A");
    EXPECT_EQ(f.Label5->text(), "2");
    EXPECT_TRUE(f.thButtons[1]->isChecked());
    EXPECT_FALSE(f.thButtons[2]->isChecked());
    EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 1)->isChecked()) << "the answer left the screen";
    EXPECT_EQ(f.gridMark(2), practice::AnswerMark::Open);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.Notebook1->isEnabled());
    EXPECT_EQ(ended, -1);
    // 交卷 cannot keep it either: it says so and the exam goes on.
    {
        prompt::Script prompts({1}, 3);
        click(f.epEfTrBtn3);
        EXPECT_EQ(prompts.texts().value(0), QStringLiteral("答案未能保存，请重新作答！\n磁盘空间不足，无法保存。"));
        EXPECT_EQ(f.mode(), exam::Mode::Answering);
        EXPECT_TRUE(f.clock().running());
        EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 1)->isChecked());
    }

    // Room again: the same click records the answer and moves on.
    bank.liftTheCap();
    {
        prompt::Script prompts({}, 3);
        click(f.epEfTrBtn2);
        EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join(u'|').toStdString();
    }
    EXPECT_EQ(paperAnswer("s002"), "B");
    EXPECT_EQ(f.Label5->text(), "3");
    EXPECT_EQ(f.gridMark(2), practice::AnswerMark::Answered);
    EXPECT_EQ(bank.value("select E2 from tab_answ where A1='s002'").toString(), "B");
    option(practice::SinglePage, 'A');
    prompt::Script handIn({1});
    click(f.epEfTrBtn3);
    EXPECT_EQ(f.mode(), exam::Mode::Review);
    EXPECT_EQ(bank.column(QStringLiteral("select ifnull(E2_1,'') from %1 order by A1").arg(table)), (QStringList{"A", "B", "A"}));
}

TEST_F(ExamScreen, FailuresAtHandingInLeaveTheExamGoingOnce)
{
    // Counting the unanswered fails at 交卷: the clock runs on.
    questions(3);
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime = 60, LeastMark = 0"));
    TFrmExam& f = start();
    answerRight(1);
    after(10);
    bank.db().exec(QStringLiteral("alter table %1 rename to kept").arg(table));
    bank.db().exec(QStringLiteral("create view %1 as select A1 from kept").arg(table));
    {
        prompt::Script prompts({}, 1);
        click(f.epEfTrBtn3);
        EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("发生错误！")});
        EXPECT_TRUE(f.clock().running());
        after(5);
        EXPECT_EQ(f.epLb_time1->text(), "0:00:15");
    }
    bank.db().exec(QStringLiteral("drop view %1").arg(table));
    bank.db().exec(QStringLiteral("alter table kept rename to %1").arg(table));

    // Grading fails at the time-out: said once, the clock stays at the limit, 交卷 tries again.
    bank.db().exec(QStringLiteral("create trigger stop_score before update on tab_cj begin select raise(abort, 'read only'); end"));
    {
        prompt::Script prompts({}, 1);
        after(45);
        for (int i = 0; i < 5; ++i)
            after(1);
        EXPECT_EQ(prompts.texts(), (QStringList{QStringLiteral("很遗憾，考试时间到了！"), QStringLiteral("发生错误！")}));
        EXPECT_EQ(f.mode(), exam::Mode::Answering);
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(f.clock().running());
        EXPECT_EQ(f.epLb_time1->text(), "0:01:00");
        EXPECT_TRUE(f.Notebook1->isEnabled()) << "still answerable";
    }
    bank.db().exec(QStringLiteral("drop trigger stop_score"));
    prompt::Script again({1});
    click(f.epEfTrBtn3);
    EXPECT_EQ(f.mode(), exam::Mode::Review);
    EXPECT_EQ(f.timeUsed(), "0:01:00");
}

TEST_F(ExamScreen, AFreshPaperThatCannotBeOpenedIsDropped)
{
    questions(3);
    app::CurrentPaperNo = 1;
    const exam::NewPaper p = exam::createPaper(bank.dm, 1, practicetest::kDay1);
    table = p.table;
    screen = std::make_unique<TFrmExam>();
    ASSERT_TRUE(screen->InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
    bank.db().exec(QStringLiteral("update %1 set E2_1 = null").arg(table)); // opening a fresh paper writes every row
    bank.db().exec(QStringLiteral("create trigger stop_open before update on %1 begin select raise(abort, 'read only'); end").arg(table));
    prompt::Script prompts({}, 1);
    EXPECT_FALSE(screen->OpenPaper());
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("无法打开试卷！")});
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(bank.db().hasTable(table));
    EXPECT_EQ(bank.number(QStringLiteral("select count(*) from tab_cj where A1='%1'").arg(table)), 0) << "no unscored row left behind";
}

TEST_F(ExamScreen, ReviewNoticesAndVoiding)
{
    questions(2);
    bank.db().exec(QStringLiteral("update tab_answ set F1 = 2 where A1 = 's002'"));
    bank.scoreRow(QStringLiteral("tab_exam3"), 3, 70.0);
    bank.paperOf(QStringLiteral("tab_exam3"), {"s001", "s002"});
    table = QStringLiteral("tab_exam3");
    screen = std::make_unique<TFrmExam>();
    TFrmExam& f = *screen;
    f.InitPaper(table, QStringLiteral("卷"), exam::Mode::Review, 70, QStringLiteral("1:10:00"));
    ASSERT_TRUE(f.OpenPaper());
    f.show();
    EXPECT_EQ(f.epLb_time2->text(), "1:10:00");
    EXPECT_EQ(f.Lb_zfs->text(), QStringLiteral("得分：70 分"));
    EXPECT_FALSE(f.epEfTrBtn13->isVisible());
    f.pressGridButton(2);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("本题是您加入的题目！"));
    EXPECT_EQ(f.Label1->accessibleName(), QStringLiteral("提示 本题是您加入的题目！"));
    f.pressGridButton(1);
    EXPECT_EQ(f.Label1->accessibleName(), QStringLiteral("提示"));
    click(f.epEfTrBtn12);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("本题已被您作废！"));
    EXPECT_EQ(f.Label1->accessibleName(), QStringLiteral("提示 本题已被您作废！"));
    EXPECT_EQ(f.epEfTrBtn12->text(), QStringLiteral("取消作废"));
    EXPECT_EQ(bank.value("select F1 from tab_answ where A1='s001'").toInt(), 1);
    click(f.epEfTrBtn12);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("本题曾被作废，现已被您取消！"));
    EXPECT_EQ(bank.value("select F1 from tab_answ where A1='s001'").toInt(), 0);
    click(f.epEfTrBtn7);
    EXPECT_TRUE(paperExists()) << "a review from the score list never drops";
}

} // namespace

TEST_F(ExamScreen, ATypeWithoutAPageRecordsNothingAndATrailingTiStillFindsItsPage)
{
    // Mock 5 draws type 64 only: named as real banks name it, and named so that no page fits.
    const struct {
        const char16_t* name;
        int page;
    } cases[] = {
        {u"案例分析题", practice::SubjectivePage},
        {u"其他", practice::NoPage},
    };
    bank.fill(QStringLiteral("050101"), 64, 2, QStringLiteral("c"));
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.name).toStdString());
        bank.db().exec("delete from tab_tx5");
        bank.type(5, 64, 2, 20, QString::fromUtf16(c.name));
        app::CurrentPaperNo = 5;
        const exam::NewPaper p = exam::createPaper(bank.dm, 5, practicetest::kDay1);
        table = p.table;
        screen = std::make_unique<TFrmExam>();
        TFrmExam& f = *screen;
        ASSERT_TRUE(f.InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
        ASSERT_TRUE(f.OpenPaper());
        f.show();
        f.KZTimeCounter1->stop();
        ASSERT_EQ(f.questionCount(), 2);
        EXPECT_EQ(f.Notebook1->page(), c.page);
        EXPECT_EQ(f.Notebook1->currentWidget()->objectName() == QStringLiteral("noAnswerPage"), c.page == practice::NoPage);
        const QString first = shownId();
        EXPECT_EQ(f.Re1->toPlainText(), QStringLiteral("题干 ") + first);
        f.Notebook1->subjectiveBox()->setCurrentIndex(1); // only reachable on the 主观 page
        f.pressGridButton(2);
        const QString second = shownId();
        f.pressGridButton(1);
        EXPECT_EQ(paperAnswer(second), "") << "the first question's choice is not read for the second";
        EXPECT_EQ(paperAnswer(first), c.page == practice::NoPage ? QString() : QStringLiteral("1"));
        EXPECT_EQ(bank.value(QStringLiteral("select ifnull(E2,'<null>') from tab_answ where A1=:a1"), {{":a1", second}}).toString(), "<null>");
        screen.reset();
    }
}

// 交卷 keeps the answer on screen; going on after 取消 must not lose it.
TEST_F(ExamScreen, AnAnswerKeptAtHandingInSurvivesGoingOn)
{
    questions(4);
    TFrmExam& f = start();
    option(practice::SinglePage, 'A');
    {
        prompt::Script prompts({3});
        click(f.epEfTrBtn3);
        ASSERT_EQ(prompts.texts(), QStringList{QStringLiteral("你还有3道题未做，确定要交卷吗？")});
    }
    EXPECT_EQ(paperAnswer("s001"), "A");
    click(f.epEfTrBtn2);
    EXPECT_EQ(f.Label5->text(), "2");
    EXPECT_EQ(paperAnswer("s001"), "A");
    EXPECT_EQ(f.gridMark(1), practice::AnswerMark::Answered);
    click(f.epEfTrBtn1);
    EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 0)->isChecked());
    prompt::Script prompts({3});
    click(f.epEfTrBtn3);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("你还有3道题未做，确定要交卷吗？")});
    EXPECT_EQ(bank.value("select E2 || '/' || E3 from tab_answ where A1='s001'").toString(), "A/1");
}

// The exam screen from 交卷 on: handing in, time-outs, review, and failures on the way.
#include "exam/ExamScreenFixture.h"

using namespace examscreentest;


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

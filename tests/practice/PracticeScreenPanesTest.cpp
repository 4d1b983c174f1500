// The practice screen's panes and windows: the shared stem, the answer panel, notes, analysis and exam points, the desktop, both arrangements and assistive technology.
#include "practice/PracticeScreenFixture.h"

using namespace practicescreentest;


TEST_F(ScreenTest, ASharedStemOpensTheLowerPaneAndAPlainQuestionClosesIt)
{
    bank.add({.id = "0101010000000001-1", .key = "A", .xx = 1, .stem = QByteArray("小题一")});
    bank.add({.id = "0101010000000001-2", .key = "A", .xx = 2, .stem = QByteArray("小题二")});
    bank.add({.id = "q3", .key = "A", .xx = 3, .stem = QByteArray("{\\rtf1\\ansi \\u26222?\\u36890?\\u39064?}")});
    bank.db().exec("insert into tab_title (A1,A15) values ('0101010000000001','共用题干：某系统')");
    TFrmLxxt& f = open("where 1=1", "order by xx");
    EXPECT_TRUE(f.lowerPaneOpen());
    EXPECT_EQ(f.Re1->toPlainText(), "共用题干：某系统");
    EXPECT_EQ(f.Re2->toPlainText(), "小题一");
    EXPECT_EQ(f.Splitter1->sizes().at(1), 150);
    const int panes = f.Splitter1->sizes().at(0) + f.Splitter1->sizes().at(1);
    f.Splitter1->setSizes({panes - 200, 200}); // the candidate drags the splitter
    click("epEfTrBtn2");
    EXPECT_EQ(f.Re2->toPlainText(), "小题二");
    EXPECT_EQ(f.Splitter1->sizes().at(1), 200);
    click("epEfTrBtn2");
    EXPECT_FALSE(f.lowerPaneOpen());
    EXPECT_EQ(f.Re1->toPlainText(), "普通题");
}

TEST_F(ScreenTest, TheAnswerPanelSlidesOpenAndClosesForTheNextQuestion)
{
    bank.add({.id = "j1", .key = "A", .type = 12, .xx = 1});
    bank.add({.id = "n1", .key = "1", .type = 73, .xx = 2});
    TFrmLxxt& f = open("where 1=1", "order by xx");
    EXPECT_FALSE(f.epEfTrBtn6->isEnabled()); // not answered yet
    QTest::mouseClick(f.Notebook1->judgeButton(true), Qt::LeftButton);
    click("epEfTrBtn3");
    click("epEfTrBtn6");
    EXPECT_TRUE(f.answerPanelOpen());
    EXPECT_EQ(f.epEfTrBtn6->text(), "返回");
    EXPECT_EQ(f.Panel2->width(), f.Re1->parentWidget()->parentWidget()->width());
    EXPECT_EQ(f.panelHeadline->text(), "恭喜你，做对了！");
    EXPECT_EQ(f.panelYours->text(), "对");
    EXPECT_EQ(f.panelCorrect->text(), "对");
    click("epEfTrBtn6");
    EXPECT_FALSE(f.answerPanelOpen());
    EXPECT_EQ(f.Panel2->width(), 0);
    click("epEfTrBtn6");
    click("epEfTrBtn2");
    EXPECT_FALSE(f.answerPanelOpen());
    EXPECT_EQ(f.epEfTrBtn6->text(), "答案");
    EXPECT_FALSE(f.Panel2->isVisible());
    // Type 73 never shows its answer, even once answered.
    f.Notebook1->subjectiveBox()->setCurrentIndex(1);
    click("epEfTrBtn3");
    EXPECT_FALSE(f.epEfTrBtn6->isEnabled());
}

TEST_F(ScreenTest, TheNoteEditorPostsAndRenamesTheNoteButton)
{
    bank.add({.id = "q1", .key = "A"});
    TFrmLxxt& f = open();
    EXPECT_EQ(f.epEfTrBtn5->text(), "笔记");
    bool seen = false;
    std::function<void()> typeNote = [&] {
        auto* note = qobject_cast<TFrmBj*>(QApplication::activeModalWidget());
        if (!note) {
            QTimer::singleShot(10, typeNote);
            return;
        }
        seen = note->Label1->text() == QLatin1String("lx") && note->windowTitle() == QStringLiteral("笔记")
               && note->accessibleName() == QStringLiteral("笔记");
        QTest::keyClicks(note->DBMemo1, "cache");
        note->close();
    };
    QTimer::singleShot(0, typeNote);
    click("epEfTrBtn5");
    EXPECT_TRUE(seen);
    EXPECT_EQ(column("q1", "A14"), "cache");
    EXPECT_EQ(f.epEfTrBtn5->text(), "有内容");
    EXPECT_EQ(f.epEfTrBtn5->accessibleName(), "笔记") << "the name says what the button does";
    EXPECT_EQ(f.epEfTrBtn5->accessibleDescription(), "有内容") << "a screen reader hears the note is there";
}

// Runs `act` on the modal window of type W once it shows, then closes it.
// (Each poll posts the next one: a poll that held itself would never be freed.)
template <class W>
void whenShown(std::function<void(W*)> act, int delayMs = 0)
{
    QTimer::singleShot(delayMs, [act] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            act(w);
            w->close();
            return;
        }
        whenShown<W>(act, 10);
    });
}

TEST_F(ScreenTest, AnalysisAndExamPointsOpenForTheQuestionShown)
{
    bank.add({.id = "q1", .key = "A", .xx = 1, .analysis = QByteArray("甲的解析")});
    bank.add({.id = "q2", .key = "A", .points = {"010101001", "020202001"}, .xx = 2, .analysis = QByteArray("乙的解析")});
    TFrmLxxt& f = open("where 1=1", "order by xx");
    click("epEfTrBtn2");
    clickOption(0, 'B');
    click("epEfTrBtn3");
    QString analysis;
    whenShown<TFrmJx>([&](TFrmJx* w) { analysis = w->Re->toPlainText(); });
    click("epEfTrBtn4");
    EXPECT_EQ(analysis, "乙的解析");
    int points = 0;
    whenShown<TfrmAnswFagui>([&](TfrmAnswFagui* w) { points = w->ListBox1->count(); });
    click("epEfTrBtn9");
    EXPECT_EQ(points, 2);
    EXPECT_TRUE(f.isVisible());
}

TEST_F(ScreenTest, ExamPointsThatCannotBeReadLeaveTheScreenWithItsAnswerAndTime)
{
    bank.add({.id = "q1", .key = "A", .points = {"010101001"}});
    TFrmLxxt& f = open();
    clickOption(0, 'A');
    click("epEfTrBtn3");
    for (int i = 0; i < 30; ++i)
        f.KZTimeCounter1Timer();
    // The question's point columns fail to read (K12 is gone); answering still works.
    QStringList kept = bank.db().columnsOf("tab_answ");
    kept.removeIf([](const QString& c) { return c.compare("K12", Qt::CaseInsensitive) == 0; });
    bank.db().exec("alter table tab_answ rename to tab_answ_old");
    bank.db().exec(QStringLiteral("create table tab_answ as select %1 from tab_answ_old").arg(kept.join(',')));
    clickOption(0, 'B');
    prompts.clear();
    click("epEfTrBtn9");

    EXPECT_TRUE(f.isVisible());
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].caption, "错误");
    EXPECT_TRUE(prompts.asked()[0].text.startsWith("无法读取本题的考点！")) << prompts.asked()[0].text.toStdString();
    EXPECT_FALSE(prompts.asked()[0].text.contains("K12")) << "the engine's words are logged, not shown";
    EXPECT_EQ(f.Notebook1->state().single[1], true);
    for (int i = 0; i < 30; ++i)
        f.KZTimeCounter1Timer();
    click("epEfTrBtn99");
    EXPECT_EQ(column("q1", "E2"), "B");
    EXPECT_EQ(bank.value("select D1 from tab_rz").toString(), "00:01:00");
}

TEST_F(ScreenTest, ComingBackFromTheDesktopKeepsTheQuestionAndTheClock)
{
    addNumbered(3);
    TFrmLxxt& f = open();
    click("epEfTrBtn2");
    clickOption(0, 'B');
    for (int i = 0; i < 5; ++i)
        f.KZTimeCounter1Timer();
    click("epEfTrBtn7"); // no window manager here: our windows are minimised
    EXPECT_TRUE(f.isMinimized());
    f.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(shownId(), "q02");
    EXPECT_EQ(f.epLabel1->text(), "0:00:05");
    EXPECT_EQ(practice::ReadAnswerText(f.Notebook1->state()), "B");
}

// ---- arrangement, accessibility, pictures -----------------------------------------------------

TEST_F(ScreenTest, BothArrangementsHoldEveryElementInsideTheWindow)
{
    addNumbered(3);
    for (const char* tag : {"1024", "800"}) {
        SCOPED_TRACE(tag);
        app::ScreenSizeTag = QString::fromLatin1(tag);
        TFrmLxxt& f = open();
        EXPECT_EQ(f.size(), tag == QLatin1String("800") ? QSize(780, 490) : QSize(923, 585));
        QApplication::processEvents();
        for (QWidget* w : f.findChildren<QWidget*>()) {
            if (!w->isVisibleTo(&f) || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const QRect r(w->mapTo(&f, QPoint(0, 0)), w->size());
            if (w->objectName() == QLatin1String("panelBody") || w->parentWidget()->objectName() == QLatin1String("fcBG_tx"))
                continue; // clipped by their containers
            EXPECT_TRUE(f.rect().contains(r)) << w->objectName().toStdString();
        }
        // The grid: five columns of four, 1–4 in the first column.
        EXPECT_EQ(f.thButtons[3]->x(), f.thButtons[0]->x());
        EXPECT_GT(f.thButtons[4]->x(), f.thButtons[0]->x());
        EXPECT_EQ(f.thButtons[4]->y(), f.thButtons[0]->y());
    }
}

TEST_F(ScreenTest, EveryControlIsNamedForAssistiveTechnologyAndReachableByTab)
{
    bank.add({.id = "q1", .key = "A", .options = 6});
    bank.add({.id = "j1", .key = "A", .type = 12});
    TFrmLxxt& f = open();
    QStringList unnamed;
    for (QWidget* w : f.findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->window() != &f)
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << w->metaObject()->className() + QStringLiteral(" ") + w->objectName();
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
    EXPECT_EQ(f.thButtons[2]->accessibleName(), "第3题");
    EXPECT_EQ(f.Notebook1->option(practice::SinglePage, 0)->accessibleName(), "单选 A");
    EXPECT_EQ(f.Notebook1->option(practice::MultiPage, 1)->accessibleName(), "多选 B");

    // Tab from the first command reaches the grid, the options and the commands.
    QSet<QString> reached;
    QApplication::setActiveWindow(&f);
    f.epEfTrBtn99->setFocus();
    for (int i = 0; i < 200; ++i) {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        reached << w->objectName();
        QTest::keyClick(w, Qt::Key_Tab);
    }
    for (const QString& name : {QStringLiteral("th1"), QStringLiteral("opt0A"), QStringLiteral("opt0F"),
                                QStringLiteral("epEfTrBtn3"), QStringLiteral("epEfTrBtn99"), QStringLiteral("tx0"), QStringLiteral("Re1")})
        EXPECT_TRUE(reached.contains(name)) << name.toStdString();
    // Inside the radio-style grid the arrow keys move, as in any radio group.
    f.thButtons[0]->setFocus();
    QTest::keyClick(f.thButtons[0], Qt::Key_Down);
    EXPECT_TRUE(f.thButtons[1]->hasFocus());
    EXPECT_EQ(shownId(), "j1");
    EXPECT_TRUE(f.epEfTrBtn11->isEnabled());  // 修改本题 opens the question editor
    EXPECT_TRUE(f.epEfTrBtn8->isEnabled());   // 设置 opens the settings window
}

TEST_F(ScreenTest, AMissingPictureEndsTheProgram)
{
    TempDir appDir;
    QDir().mkpath(appDir.file("pic"));
    for (const char* name : {"zeptup.bmp", "zeptdw.bmp", "zeptyes.bmp", "zeptno.bmp", "zeptdw_r.bmp"})
        QFile::copy(QStringLiteral(TESVORA_APPDIR "/pic/") + QLatin1String(name), appDir.file(QStringLiteral("pic/") + QLatin1String(name)));
    bank.dm.AppDir = appDir.dir.path() + QLatin1Char('/');
    int ended = -1;
    app::setEndProgramHandler([&](int code) { ended = code; });
    { TFrmLxxt f; }
    app::setEndProgramHandler({});
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].caption, "错误");
    EXPECT_EQ(prompts.asked()[0].text, "无法提取资源文件！");
    EXPECT_EQ(prompts.asked()[0].mode, 1);
    EXPECT_EQ(prompts.asked()[0].page, 2);
}


TEST_F(ScreenTest, OptionsCarryTheirTextsAndCountersTheirValuesForAScreenReader)
{
    bank.add({.id = "q1", .key = "A", .xx = 1,
              .stem = QStringLiteral("顺序查找的平均查找长度是\nA. (n-1)/2\nＢ．n/2\nC、 (n+1)/2\nD. n")});
    bank.add({.id = "q2", .key = "A", .xx = 2, .stem = QStringLiteral("下列说法正确的是（ ）。")});
    bank.add({.id = "q3", .key = "AB", .type = 14, .xx = 3, .stem = QStringLiteral("多选\nA.甲\nB.乙")});
    TFrmLxxt& f = open("where 1=1", "order by xx");
    const auto descriptions = [&](int page) {
        QStringList out;
        for (int i = 0; i < 4; ++i)
            out << f.Notebook1->option(page, i)->accessibleDescription();
        return out;
    };
    EXPECT_EQ(descriptions(0), (QStringList{"(n-1)/2", "n/2", "(n+1)/2", "n"}));
    EXPECT_EQ(f.Notebook1->option(0, 0)->accessibleName(), QStringLiteral("单选 A"));
    EXPECT_EQ(f.Lb_ts->accessibleName(), QStringLiteral("题数 3"));
    EXPECT_EQ(f.Label12->accessibleName(), QStringLiteral("本组第几题 1"));
    click("epEfTrBtn2");
    EXPECT_EQ(descriptions(0), (QStringList{"", "", "", ""})) << "a stem without options says nothing stale";
    EXPECT_EQ(f.Label12->accessibleName(), QStringLiteral("本组第几题 2"));
    click("epEfTrBtn2");
    EXPECT_EQ(descriptions(1), (QStringList{"甲", "乙", "", ""}));
}

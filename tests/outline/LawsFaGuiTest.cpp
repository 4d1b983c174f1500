#include "outline/MasteryMap.h"
#include "outline/TfrmLawDetail.h"
#include "outline/TFrmRuleLxxt.h"
#include "outline/TfrmLawsFaGui.h"
#include "question/AnswerPages.h"
#include "practice/PracticeFixture.h"
#include "practice/TFrmLxxt.h"
#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "support/BookmarkToggle.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace practicetest;

namespace {

// The fixture bank with an outline of its own: nodes in bh order, points under them.
class BrowserTest : public ::testing::Test {
public:
    BrowserTest()
    {
        DM1 = &bank.dm;
        bank.db().exec("delete from tab_fgmc");
        bank.db().exec("delete from tab_rule");
    }
    ~BrowserTest() override
    {
        browser.reset();
        DM1 = nullptr;
    }

    void node(const QString& id, const QString& name, outline::Counters c = {})
    {
        bank.db().exec("insert into tab_fgmc (id,n,bh,q,q1,q2,q4) values (:id,:n,:bh,:q,:q1,:q2,:q4)",
                       {{":id", id}, {":n", name}, {":bh", ++m_bh}, {":q", c.q}, {":q1", c.q1}, {":q2", c.q2}, {":q4", c.q4}});
    }
    void point(const QString& ftid, const QString& title, qint64 q, const QString& text = {})
    {
        bank.db().exec("insert into tab_rule (ftid,id,sn,n,q,q1,q2,q4) values (:f,:id,:sn,:n,:q,1,2,1)",
                       {{":f", ftid}, {":id", ftid.left(6)}, {":sn", title}, {":n", text.isEmpty() ? title + "的内容" : text}, {":q", q}});
    }
    TfrmLawsFaGui& open()
    {
        browser = std::make_unique<TfrmLawsFaGui>();
        browser->show();
        browser->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        return *browser;
    }
    void click(QAbstractButton* b)
    {
        ASSERT_TRUE(b->isVisible() && b->isEnabled()) << b->objectName().toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Selects the node row (0-based) with the mouse and opens it with 选定.
    void openRow(int row)
    {
        QTableWidget* grid = browser->m_grid;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 1)).center());
        click(browser->m_btnSelect);
    }
    QStringList entries()
    {
        QStringList out;
        if (QListWidget* list = browser->detail() ? browser->detail()->m_LBmenu : nullptr)
            for (int i = 0; i < list->count(); ++i)
                out << list->item(i)->text();
        return out;
    }
    QString note() { return browser->detail()->m_pNote->text(); }

    ClockScope clock;
    FixtureBank bank;
    prompt::Script prompts{{}, 1};
    std::unique_ptr<TfrmLawsFaGui> browser;

private:
    int m_bh = 0;
};

TEST_F(BrowserTest, AnEmptyOutlineShowsOnlyTheHeadingAndOpensNothing)
{
    TfrmLawsFaGui& f = open();
    EXPECT_EQ(f.m_grid->rowCount(), 0);
    EXPECT_EQ(f.m_grid->columnCount(), 5);
    EXPECT_TRUE(f.nodeIds().isEmpty());
    click(f.m_btnSelect);
    f.m_editFind->setText("节");
    click(f.m_btnFind);
    EXPECT_FALSE(f.detailShown());
    ASSERT_EQ(prompts.asked().size(), 1u); // only that nothing was found
    EXPECT_EQ(prompts.asked().front().text, QStringLiteral("未找到与“节”有关的考点！"));
    EXPECT_FALSE(f.m_btnMost->isEnabled());
    EXPECT_FALSE(f.m_btnQuestion->isEnabled());
    EXPECT_TRUE(f.m_btnBack->isHidden());
}

TEST_F(BrowserTest, BothLayoutsSizeTheWindowTheHeadingsAndTheRows)
{
    node("01", "第一章 计算机系统", {12, 3, 5, 1});
    node("010001", "第一节 数据表示与运算，一个很长很长很长很长很长很长很长很长很长很长的考点名称", {1234567890, 3, 5, 1});
    struct Case {
        const char* tag;
        QSize window;
        int nameWidth, headingHeight, blanks;
    } cases[] = {{"1024", {900, 599}, 554, 36, 29}, {"800", {780, 490}, 430, 30, 19}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        app::ScreenSizeTag = QString::fromLatin1(c.tag);
        TfrmLawsFaGui& f = open();
        EXPECT_EQ(f.size(), c.window);
        EXPECT_EQ(f.m_grid->columnWidth(0), c.nameWidth);
        for (int col = 1; col < 5; ++col)
            EXPECT_EQ(f.m_grid->columnWidth(col), 80);
        EXPECT_EQ(f.m_grid->horizontalHeader()->height(), c.headingHeight);
        EXPECT_EQ(f.m_grid->rowHeight(0), 30);
        EXPECT_EQ(f.m_grid->horizontalHeaderItem(0)->text(), QString(c.blanks, ' ') + "考 点 名 称");
        EXPECT_EQ(f.m_grid->horizontalHeaderItem(1)->text(), "  题  数");
        EXPECT_EQ(f.m_grid->horizontalHeaderItem(4)->text(), " 做错道次");
        EXPECT_EQ(f.m_grid->item(0, 1)->text(), "       12");
        EXPECT_EQ(f.m_grid->item(1, 1)->text(), "1234567890");
        EXPECT_EQ(f.m_grid->item(0, 4)->text(), "        1");
        // The whole table, the commands and the legend lie inside the window.
        for (QWidget* w : std::initializer_list<QWidget*>{f.m_grid, f.m_legend, f.m_btnExit, f.m_editFind, f.m_btnSelect}) {
            const QRect r(w->mapTo(&f, QPoint(0, 0)), w->size());
            EXPECT_TRUE(f.rect().contains(r)) << w->objectName().toStdString();
        }
        // A long name is read whole in the tooltip of the selected row.
        f.m_grid->selectRow(1);
        EXPECT_EQ(f.m_grid->toolTip(), f.m_grid->item(1, 0)->text());
    }
}

// At 800 × 600 the browser stood taller than the practice screen and covered the
// menu's footer with its 关于 and 退出: it takes the practice screen's place now.
TEST_F(BrowserTest, ItCoversWhatThePracticeScreenCoversOverTheMenu)
{
    node("01", "第一章 计算机系统", {12, 3, 5, 1});
    for (const char* tag : {"800", "1024"}) {
        SCOPED_TRACE(tag);
        app::ScreenSizeTag = QString::fromLatin1(tag);
        const bool compact = app::ScreenSizeTag == "800";
        QWidget menu;
        menu.setGeometry(0, 0, compact ? 800 : 1024, compact ? 600 : 768);
        menu.show();
        TFrmLxxt practice(&menu);
        ui::centreWindow(&practice, &menu);
        TfrmLawsFaGui browser(&menu);
        QRect shown;
        QTimer::singleShot(0, &browser, [&] {
            shown = browser.geometry();
            browser.close();
        });
        browser.exec();
        if (compact)
            EXPECT_EQ(shown, practice.geometry());
        EXPECT_EQ(shown.center(), menu.geometry().center());
        // The footer of the menu (its last 50 pixels) stays in view.
        EXPECT_LE(shown.bottom(), menu.geometry().bottom() - 50);
    }
}

TEST_F(BrowserTest, FindStartsAtTheFirstMatchAndARepeatedFindMovesOnAndWraps)
{
    const QStringList names{"总论", "数据结构", "操作系统 进程管理", "网络", "数据库", "软件工程", "操作系统 存储管理", "安全"};
    for (int i = 0; i < names.size(); ++i)
        node(QStringLiteral("0%1").arg(i + 1) + "0001", names[i]);
    TfrmLawsFaGui& f = open();
    f.m_grid->selectRow(6); // row 7 of the table
    f.m_editFind->setText(" 操作系统 ");
    click(f.m_btnFind);
    EXPECT_EQ(f.m_grid->currentRow(), 2);
    click(f.m_btnFind); // the same search goes on to the next match
    EXPECT_EQ(f.m_grid->currentRow(), 6);
    click(f.m_btnFind); // and wraps
    EXPECT_EQ(f.m_grid->currentRow(), 2);

    // Enter in the box finds as well; a new text starts over; blanks change nothing.
    f.m_editFind->setText("存储");
    QTest::keyClick(f.m_editFind, Qt::Key_Return);
    EXPECT_EQ(f.m_grid->currentRow(), 6);
    f.m_editFind->setText("   ");
    click(f.m_btnFind);
    EXPECT_EQ(f.m_grid->currentRow(), 6);
    EXPECT_TRUE(prompts.asked().empty());
    // No match says so and leaves the selection.
    f.m_editFind->setText("编译原理");
    click(f.m_btnFind);
    EXPECT_EQ(f.m_grid->currentRow(), 6);
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked().front().text, QStringLiteral("未找到与“编译原理”有关的考点！"));
}

TEST_F(BrowserTest, FindReachesExamPointsAndShowsThemInTheirNode)
{
    node("01", "第一章 计算机系统");
    node("010001", "数据的表示");
    point("01000101", "进制转换", 2);
    point("01000102", "校验码", 3);
    node("010002", "校验与纠错");
    point("01000201", "海明校验码", 1);
    TfrmLawsFaGui& f = open();
    f.m_editFind->setText("校验");
    // In outline order: a point of 数据的表示, the node 校验与纠错, then its point.
    click(f.m_btnFind);
    ASSERT_TRUE(f.detailShown());
    EXPECT_EQ(f.m_Ltiltle->text(), QStringLiteral("数据的表示"));
    EXPECT_EQ(f.detail()->m_LBmenu->currentRow(), 1);
    EXPECT_EQ(f.queryDetail()->text("ftid"), QStringLiteral("01000102"));
    click(f.m_btnBack);
    click(f.m_btnFind);
    EXPECT_FALSE(f.detailShown());
    EXPECT_EQ(f.m_grid->currentRow(), 2);
    click(f.m_btnFind);
    ASSERT_TRUE(f.detailShown());
    EXPECT_EQ(f.queryDetail()->text("ftid"), QStringLiteral("01000201"));
    click(f.m_btnBack);
    click(f.m_btnFind); // wraps to the first hit
    EXPECT_EQ(f.queryDetail()->text("ftid"), QStringLiteral("01000102"));
}

TEST_F(BrowserTest, ChapterLevelNodesAreRefusedAndOthersOpen)
{
    node("01", "第一章");
    node("1", "第一部分");
    node("0100", "第一章 第一小节");
    node("010001", "第一节");
    struct Case {
        int row;
        bool opens;
    } cases[] = {{0, false}, {1, false}, {2, true}, {3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        TfrmLawsFaGui& f = open();
        prompts.clear();
        openRow(c.row);
        EXPECT_EQ(f.detailShown(), c.opens);
        if (c.opens) {
            EXPECT_TRUE(prompts.asked().empty());
            EXPECT_EQ(f.m_Ltiltle->text(), f.m_grid->item(c.row, 0)->text());
            EXPECT_TRUE(f.m_editFind->isHidden());
            EXPECT_TRUE(f.m_btnSelect->isHidden());
            EXPECT_FALSE(f.m_btnBack->isHidden());
            EXPECT_FALSE(f.m_grid->isVisible());
        } else {
            ASSERT_EQ(prompts.asked().size(), 1u);
            const prompt::Asked& a = prompts.asked().front();
            EXPECT_EQ(a.kind, prompt::Asked::Kind::Prompt);
            EXPECT_EQ(a.caption, "提示");
            EXPECT_EQ(a.text, "请选择具体章节!");
            EXPECT_EQ(a.mode, int(prompt::Mode::Narrow));
            EXPECT_EQ(a.page, int(prompt::Page::Warning));
            EXPECT_TRUE(f.m_grid->isVisible());
        }
    }
}

TEST_F(BrowserTest, KeyThresholdIsTheNodesQuestionsPerPoint)
{
    node("010001", "七题三点", {7});
    node("010002", "二题三点", {2});
    node("010003", "无考点", {5});
    for (const char* section : {"010001", "010002"})
        for (const char* p : {"01", "02", "03"})
            point(QString::fromLatin1(section) + p, QStringLiteral("考点") + p, 1);
    const std::pair<int, int> cases[] = {{0, 2}, {1, 1}, {2, 1}};
    for (const auto& [row, threshold] : cases) {
        SCOPED_TRACE(row);
        TfrmLawsFaGui& f = open();
        openRow(row);
        ASSERT_TRUE(f.detailShown());
        EXPECT_EQ(f.keyThreshold(), threshold);
        EXPECT_EQ(f.keyToggle(), 0);
    }
}

TEST_F(BrowserTest, KeyPointsNarrowTheListAndToggleBack)
{
    node("010001", "第一节", {12});
    point("01000101", "数制转换", 1);
    point("01000102", "补码运算   ", 9);
    point("01000103", "浮点数", 2);
    TfrmLawsFaGui& f = open();
    openRow(0);
    ASSERT_EQ(f.keyThreshold(), 4);
    EXPECT_EQ(entries(), QStringList({"数制转换(1)", "补码运算(9)", "浮点数(2)"}));

    click(f.m_btnMost);
    EXPECT_EQ(entries(), QStringList({"补码运算(9)"}));
    EXPECT_EQ(f.m_btnMost->text(), "全部(&A)");
    EXPECT_EQ(f.keyToggle(), 1);
    EXPECT_EQ(f.detail()->m_LBmenu->currentRow(), 0);
    EXPECT_EQ(f.detail()->Re->toPlainText().trimmed(), "补码运算   的内容");
    EXPECT_EQ(note(), "相关题数：9题  已做题数：1题  已做道次：2次  做错道次：1次");

    click(f.m_btnMost);
    EXPECT_EQ(entries().size(), 3);
    EXPECT_EQ(f.m_btnMost->text(), "重点(&M)");
    EXPECT_EQ(f.keyToggle(), 0);
    EXPECT_TRUE(prompts.asked().empty());
}

TEST_F(BrowserTest, WithoutKeyPointsTheCaptionAndTheListStay)
{
    node("010001", "第一节", {30});
    node("010002", "空节", {4});
    for (const char* p : {"01000101", "01000102", "01000103"})
        point(QString::fromLatin1(p), QStringLiteral("考点") + QString::fromLatin1(p).right(1), 5);
    for (int row : {0, 1}) {
        SCOPED_TRACE(row);
        TfrmLawsFaGui& f = open();
        openRow(row);
        const QStringList before = entries();
        prompts.clear();
        click(f.m_btnMost);
        ASSERT_EQ(prompts.asked().size(), 1u);
        EXPECT_EQ(prompts.asked().front().kind, prompt::Asked::Kind::MessageBox);
        EXPECT_EQ(prompts.asked().front().text, "此考点暂无重点内容！");
        EXPECT_EQ(f.m_btnMost->text(), "重点(&M)");
        EXPECT_EQ(f.keyToggle(), 0);
        EXPECT_EQ(entries(), before);
        EXPECT_EQ(entries().size(), row == 0 ? 3 : 0);
        EXPECT_EQ(f.queryDetail()->recordCount(), entries().size()); // no filter left behind
    }
}

TEST_F(BrowserTest, PointsWithoutQuestionsAreListedBareAndCannotBePractised)
{
    node("010001", "第一节", {3});
    point("01000101", "先读的考点  ", 0);
    point("01000102", "有题的考点", 3);
    TfrmLawsFaGui& f = open();
    openRow(0);
    EXPECT_EQ(entries(), QStringList({"先读的考点", "有题的考点(3)"}));
    EXPECT_EQ(note(), "虽然针对该内容的习题没有，您仍要仔细阅读！");
    EXPECT_FALSE(f.m_btnQuestion->isEnabled());

    QListWidget* list = f.detail()->m_LBmenu;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_TRUE(f.m_btnQuestion->isEnabled());
    EXPECT_EQ(f.detail()->Re->toPlainText().trimmed(), "有题的考点的内容");
    QTest::keyClick(list, Qt::Key_Up); // the keys move the same way
    EXPECT_FALSE(f.m_btnQuestion->isEnabled());
    EXPECT_EQ(f.detail()->Re->toPlainText().trimmed(), "先读的考点  的内容");
}

TEST_F(BrowserTest, TheDetailPanelTakesTheTablesPlaceInBothLayouts)
{
    node("010001", "第一节", {3});
    point("01000101", "考点一", 3);
    for (const char* tag : {"1024", "800"}) {
        SCOPED_TRACE(tag);
        app::ScreenSizeTag = QString::fromLatin1(tag);
        TfrmLawsFaGui& f = open();
        const QRect table(f.m_grid->parentWidget()->mapTo(&f, QPoint(0, 0)), f.m_grid->parentWidget()->size());
        openRow(0);
        TfrmLawDetail* d = f.detail();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(QRect(d->mapTo(&f, QPoint(0, 0)), d->size()), table);
        EXPECT_EQ(d->Splitter1->handleWidth(), 3);
        EXPECT_EQ(d->Splitter1->sizes().value(0), 388);
        EXPECT_EQ(d->m_pNote->height(), 28);
        EXPECT_EQ(d->m_LBmenu->font().pixelSize(), 16);
        EXPECT_EQ(d->Re->font().pixelSize(), 16);
        // Large counters shrink the note's face instead of cutting the line.
        bank.db().exec("update tab_rule set q=1234, q1=1000, q2=88888, q4=7777");
        f.m_btnBackClick();
        openRow(0);
        d = f.detail();
        EXPECT_LE(QFontMetrics(d->m_pNote->font()).horizontalAdvance(d->m_pNote->text()), d->m_pNote->contentsRect().width());
        bank.db().exec("update tab_rule set q=3, q1=1, q2=2, q4=1");
        // The candidate can drag the splitter.
        QList<int> sizes = d->Splitter1->sizes();
        d->Splitter1->setSizes({sizes[0] - 100, sizes[1] + 100});
        EXPECT_EQ(d->Splitter1->sizes().value(0), 288);
    }
}

TEST_F(BrowserTest, ANodeWithoutPointsSaysSoAndGoesBack)
{
    node("010001", "空节", {0});
    TfrmLawsFaGui& f = open();
    openRow(0);
    ASSERT_TRUE(f.detailShown());
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(note(), "此节点下暂无考点。");
    EXPECT_FALSE(f.m_btnQuestion->isEnabled());
    click(f.m_btnBack);
    EXPECT_FALSE(f.detailShown());
}

TEST_F(BrowserTest, BackReloadsTheCountersAndReselectsTheRow)
{
    node("01", "第一章", {3, 0, 0, 0});
    node("010001", "第一节", {3, 0, 0, 0});
    point("01000101", "考点一", 3);
    TfrmLawsFaGui& f = open();
    openRow(1);
    click(f.m_btnMost); // key points listed; back resets the toggle
    ASSERT_EQ(f.keyToggle(), 1);
    bank.db().exec("update tab_fgmc set q1=2, q2=5, q4=1 where id='010001'");
    EXPECT_EQ(f.m_grid->item(1, 3)->text(), "        0"); // not before 返回

    click(f.m_btnBack);
    EXPECT_FALSE(f.detailShown());
    EXPECT_TRUE(f.m_grid->isVisible());
    EXPECT_EQ(f.m_Ltiltle->text(), "考 点 目 录");
    EXPECT_EQ(f.m_grid->item(1, 2)->text(), "        2");
    EXPECT_EQ(f.m_grid->item(1, 3)->text(), "        5");
    EXPECT_EQ(f.m_grid->currentRow(), 1);
    EXPECT_EQ(f.keyToggle(), 0);
    EXPECT_EQ(f.m_btnMost->text(), "重点(&M)");
    EXPECT_FALSE(f.m_btnMost->isEnabled());
    EXPECT_FALSE(f.m_btnQuestion->isEnabled());
    EXPECT_TRUE(f.m_btnBack->isHidden());
    EXPECT_EQ(f.m_grid->item(1, 0)->data(Qt::AccessibleDescriptionRole).toString(), "已覆盖 67%，正确率 80%");
}

TEST_F(BrowserTest, TheMasteryMapSpeaksEachRowsFigures)
{
    node("010001", "练过", {10, 4, 8, 2});
    node("010002", "没练过", {6, 0, 0, 0});
    node("010003", "没有题", {0, 0, 0, 0});
    TfrmLawsFaGui& f = open();
    const QStringList spoken{"已覆盖 40%，正确率 75%", "尚未练习", "暂无习题"};
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(f.m_grid->item(row, 0)->data(Qt::AccessibleDescriptionRole).toString(), spoken[row]);
    EXPECT_FALSE(f.m_legend->accessibleName().isEmpty());
    EXPECT_FALSE(f.m_legend->isHidden());
}

TEST_F(BrowserTest, TheKeyboardAloneFindsOpensAndLeaves)
{
    node("01", "第一章");
    node("010001", "第一节 数据");
    point("01000101", "考点一", 2);
    TfrmLawsFaGui& f = open();
    f.m_editFind->setFocus();
    f.m_editFind->setText("数据");
    QTest::keyClick(f.m_editFind, Qt::Key_Return);
    EXPECT_EQ(f.m_grid->currentRow(), 1);
    EXPECT_TRUE(f.m_grid->hasFocus());
    QTest::keyClick(f.m_grid, Qt::Key_Return);
    ASSERT_TRUE(f.detailShown());
    EXPECT_TRUE(f.detail()->m_LBmenu->hasFocus());
    QTest::keyClick(f.windowHandle(), Qt::Key_M, Qt::AltModifier); // through the shortcut map
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.keyToggle() == 1; }, 1000)); // the button clicks after its animation
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(f.detailShown());
    QTest::keyClick(f.m_grid, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    // Every control has a name a screen reader can speak.
    for (QWidget* w : std::initializer_list<QWidget*>{f.m_grid, f.m_editFind, f.m_btnFind, f.m_btnSelect, f.m_btnMost,
                                                     f.m_btnQuestion, f.m_btnBack, f.m_btnExit})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
}

// ---- practising a point -------------------------------------------------------------------

// The outline over the fixture's chapter 010101: a top node, its section with two
// points, and questions of the chapter linked to them.
void pointOutline(FixtureBank& b)
{
    b.db().exec("delete from tab_fgmc");
    b.db().exec("delete from tab_rule");
    b.db().exec("insert into tab_fgmc (id,n,bh,q) values ('01','第一章',1,3),('010101','第一节',2,3)");
    b.db().exec("insert into tab_rule (ftid,id,sn,n,q) values ('010101001','010101','数制(进制)转换','按权展开',2),"
                "('010101002','010101','补码','取反加一',1),('010101003','010101','未收题的考点','',4)");
    b.add({.id = "q1", .key = "A", .points = {"010101001"}});
    b.add({.id = "q2", .key = "B", .chapter = "010102", .points = {"020202001", "010101001"}, .f1 = 1});
    b.add({.id = "q3", .key = "C", .chapter = "010102", .points = {"010101002"}});
}

class PointPracticeTest : public BrowserTest {
public:
    PointPracticeTest() { pointOutline(bank); }

    // Opens the section and selects the point of entry `entry`.
    TfrmLawsFaGui& openPoint(int entry)
    {
        TfrmLawsFaGui& f = open();
        openRow(1);
        EXPECT_TRUE(f.detailShown());
        f.detail()->m_LBmenu->setCurrentRow(entry);
        return f;
    }
    // Runs `act` on the point practice screen once it shows, then closes it.
    void whenPracticeShows(std::function<void(TFrmRuleLxxt&)> act)
    {
        QTimer::singleShot(0, [act] {
            TFrmRuleLxxt* screen = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* r = qobject_cast<TFrmRuleLxxt*>(w); r && r->isVisible())
                    screen = r;
            if (!screen) {
                ADD_FAILURE() << "the point practice screen is not on view";
                return;
            }
            screen->Timer1->stop();
            act(*screen);
            screen->close();
        });
    }
    static void answer(TFrmLxxt& s, QChar letter)
    {
        QTest::mouseClick(s.Notebook1->option(practice::SinglePage, letter.unicode() - u'A'), Qt::LeftButton);
        QTest::mouseClick(s.epEfTrBtn3, Qt::LeftButton);
    }
};

TEST_F(PointPracticeTest, PractisingAPointRecordsWhatChapterPracticeRecords)
{
    // The same answer given on the chapter practice screen of a twin bank.
    FixtureBank twin;
    pointOutline(twin);
    DM1 = &twin.dm;
    {
        TFrmLxxt chapter;
        ASSERT_EQ(chapter.LoadQuestionSet(practice::practiceStatement(practice::PracticeMode::NewQuestions, "010101")),
                  TFrmLxxt::Loaded::Questions);
        chapter.show();
        chapter.Timer1->stop();
        answer(chapter, 'B');
        chapter.close();
    }
    DM1 = &bank.dm;

    TfrmLawsFaGui& f = openPoint(0);
    ASSERT_TRUE(f.m_btnQuestion->isEnabled());
    QString heading;
    QStringList shown;
    whenPracticeShows([&](TFrmRuleLxxt& s) {
        heading = s.epLabel2->text();
        shown << DM1->Cn1Query_tm->text("a1");
        EXPECT_EQ(DM1->Cn1Query_tm->recordCount(), 2); // voided q2 too
        if (DM1->Cn1Query_tm->text("a1") != "q1")
            QTest::mouseClick(s.thButtons[1], Qt::LeftButton);
        shown << DM1->Cn1Query_tm->text("a1");
        answer(s, 'B');
    });
    click(f.m_btnQuestion);
    EXPECT_EQ(heading, "数制(进制)转换"); // a title with "(" finds its point
    EXPECT_EQ(shown.last(), "q1");
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.detailShown());

    // Every counter the answer touched, in both banks: the same rows. The question
    // rows differ only by what practice does not touch (q2 was shown, not answered).
    EXPECT_EQ(bank.snapshot(), twin.snapshot());
    EXPECT_EQ(bank.number("select q2 from tab_rule where ftid='010101001'"), 1);
    EXPECT_EQ(bank.number("select q4 from tab_fgmc where id='01'"), 1);
    EXPECT_EQ(bank.number("select D2 from tab_kmmc where C1='010101'"), 1);
    // Only the answer log tells them apart: where each answer was given.
    EXPECT_EQ(twin.value("select group_concat(source) from answer_log").toString(), "1"); // chapter practice
    EXPECT_EQ(bank.value("select group_concat(source) from answer_log").toString(), "2"); // point practice
    // The note shows the point's counters as the practice left them at once; the
    // table's counters are current after 返回.
    EXPECT_EQ(note(), "相关题数：2题  已做题数：1题  已做道次：1次  做错道次：1次");
    click(f.m_btnBack);
    EXPECT_EQ(f.m_grid->item(1, 3)->text(), "        1");
    EXPECT_EQ(f.m_grid->item(1, 4)->text(), "        1");
}

TEST_F(PointPracticeTest, TheScreenAsksForAnAnswerAndShowsTheVoidCaption)
{
    TfrmLawsFaGui& f = openPoint(0);
    QStringList captions, notices;
    QString title, heading;
    bool analysisShown = true;
    whenPracticeShows([&](TFrmRuleLxxt& s) {
        title = s.windowTitle();
        analysisShown = s.epEfTrBtn4->isVisible();
        for (int button : {0, 1}) {
            QTest::mouseClick(s.thButtons[size_t(button)], Qt::LeftButton);
            captions << DM1->Cn1Query_tm->text("a1") + ":" + s.epEfTrBtn10->text();
            notices << s.Label21->text();
        }
        prompts.clear();
        QTest::mouseClick(s.epEfTrBtn3, Qt::LeftButton);
        EXPECT_EQ(prompts.texts(), QStringList({"题还没做呢！"}));
        EXPECT_NE(s.findChild<QObject*>("epEfTrBtnwin"), nullptr);
        EXPECT_NE(s.findChild<QObject*>("Label5"), nullptr);
        EXPECT_EQ(s.findChild<QObject*>("epEfTrBtn11"), nullptr);
    });
    click(f.m_btnQuestion);
    EXPECT_TRUE(title.isEmpty());
    EXPECT_FALSE(analysisShown);
    captions.sort();
    EXPECT_EQ(captions, QStringList({"q1:本题作废", "q2:取消作废"}));
    EXPECT_TRUE(notices.contains("本题已被您作废！"));
}

TEST_F(PointPracticeTest, ThePointPracticeScreenBookmarksTheQuestionShown)
{
    TfrmLawsFaGui& f = openPoint(0);
    bool driven = false;
    whenPracticeShows([&](TFrmRuleLxxt& s) {
        const auto shown = [] { return DM1->Cn1Query_tm->text("a1"); };
        bookmarktest::driveToggle(s, bank.db(),
                                  {shown, [&] { QTest::mouseClick(s.thButtons[1], Qt::LeftButton); },
                                   [&] { QTest::mouseClick(s.thButtons[0], Qt::LeftButton); }, [this] { return bank.snapshot(); }});
        driven = true;
    });
    click(f.m_btnQuestion);
    EXPECT_TRUE(driven);
}

TEST_F(PointPracticeTest, APointWhoseQuestionsAreGoneIsReportedDone)
{
    TfrmLawsFaGui& f = openPoint(2);
    ASSERT_TRUE(f.m_btnQuestion->isEnabled()); // q counts 4, but no question lists it
    prompts.clear();
    click(f.m_btnQuestion);
    ASSERT_EQ(prompts.asked().size(), 1u);
    const prompt::Asked& a = prompts.asked().front();
    EXPECT_EQ(a.caption, "提示");
    EXPECT_EQ(a.text, "恭喜你，习题已做完！");
    EXPECT_EQ(a.mode, int(prompt::Mode::Single));
    EXPECT_EQ(a.page, int(prompt::Page::Information));
    EXPECT_EQ(a.variant, prompt::variantText(prompt::Variant::No));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.detail()->m_LBmenu->currentRow(), 2);
}

TEST_F(PointPracticeTest, ASecondPointWithTheSameTitlePractisesItsOwnQuestions)
{
    bank.db().exec("insert into tab_rule (ftid,id,sn,n,q) values ('010101004','010101','补码','同名的另一考点',1)");
    bank.add({.id = "q4", .key = "D", .points = {"010101004"}});
    TfrmLawsFaGui& f = openPoint(3);
    ASSERT_EQ(f.detail()->m_LBmenu->currentItem()->text(), "补码(1)");
    QStringList ids;
    whenPracticeShows([&](TFrmRuleLxxt&) {
        for (int i = 0; i < DM1->Cn1Query_tm->recordCount(); ++i)
            ids << DM1->Cn1Query_tm->valueAt(i, "a1").toString();
    });
    click(f.m_btnQuestion);
    EXPECT_EQ(ids, QStringList({"q4"}));
}

} // namespace

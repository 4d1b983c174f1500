#include "question/TfrmAnswFagui.h"
#include "core/app/AppState.h"
#include "core/store/DataModule.h"
#include "core/store/RtfWriter.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"
#include "ui/RichTextView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray rtf(const QString& text)
{
    store::RtfWriter w;
    w.addText(text);
    w.endParagraph();
    return w.toRtf();
}

// An outline of two sections with points, and questions that list them.
class AnswFaguiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::resetAppState();
        const QString path = dir.file("bank.db");
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        ASSERT_TRUE(dm.openBank(path));
        DM1 = &dm;
        node("010001", "数据表示与运算");
        node("020001", "进程管理");
        node("01'001", "引号节");
        point("01000101", "010001", "数制及其转换", "按权展开求和");
        point("02000102", "020001", "进程状态", "就绪、运行、阻塞");
        point("02000103", "020001", "数制及其转换", "同名考点的另一节");
        point("01'00101", "01'001", "带引号的考点", "引号考点的内容");
    }
    void TearDown() override
    {
        DM1 = nullptr;
        app::resetAppState();
    }

    void node(const char* id, const char* name)
    {
        dm.db().exec("insert into tab_fgmc (id,n) values (:id,:n)", {{":id", QString::fromUtf8(id)}, {":n", QString::fromUtf8(name)}});
    }
    void point(const char* ftid, const char* nodeId, const char* title, const char* text)
    {
        dm.db().exec("insert into tab_rule (ftid,id,sn,n) values (:f,:id,:sn,:n)",
                     {{":f", QString::fromUtf8(ftid)}, {":id", QString::fromUtf8(nodeId)},
                      {":sn", QString::fromUtf8(title)}, {":n", rtf(QString::fromUtf8(text))}});
    }
    // A question whose point columns K3, K4, … hold the given values (null for a QVariant()).
    void question(const char* id, const QList<QVariant>& points)
    {
        store::Params params{{":a1", QString::fromUtf8(id)}};
        QStringList columns{"A1"}, marks{":a1"};
        for (int i = 0; i < points.size(); ++i) {
            columns << QStringLiteral("K%1").arg(i + 3);
            marks << QStringLiteral(":k%1").arg(i + 3);
            params.emplace_back(marks.back(), points[i]);
        }
        dm.db().exec("insert into tab_answ (" + columns.join(',') + ") values (" + marks.join(',') + ")", params);
    }
    void clickEntry(TfrmAnswFagui& f, int row)
    {
        QListWidget* list = f.ListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    QStringList titles(const TfrmAnswFagui& f)
    {
        QStringList out;
        for (int i = 0; i < f.ListBox1->count(); ++i)
            out << f.ListBox1->item(i)->text();
        return out;
    }

    TempDir dir;
    TDM1 dm;
};

TEST_F(AnswFaguiTest, LoadTakesTheFilledPointColumnsInOrder)
{
    question("none", {QVariant(), "", QVariant()});
    question("gaps", {"", "02000102", QVariant(), "01000101", "", "", "", "", "", "02000102"});
    question("one", {"01000101"});
    struct Case {
        const char* id;
        bool loaded;
        QStringList ids;
    } cases[] = {
        {"none", false, {}},
        {"missing question", false, {}},
        {"gaps", true, {"02000102", "01000101", "02000102"}},
        {"one", true, {"01000101"}},
    };
    for (const Case& c : cases) {
        TfrmAnswFagui f;
        EXPECT_EQ(f.load(QString::fromUtf8(c.id)), c.loaded) << c.id;
        EXPECT_EQ(f.pointIds(), c.ids) << c.id;
    }
}

TEST_F(AnswFaguiTest, TwoPointsInTwoNodesFollowTheChosenEntry)
{
    question("q", {"02000102", "01000101"});
    TfrmAnswFagui f;
    ASSERT_TRUE(f.load("q"));
    f.show();
    EXPECT_EQ(f.windowTitle(), "相关考点");
    ASSERT_EQ(f.ListBox1->count(), 2);
    // The first point of the query is current; its text and node are shown.
    const QString first = f.ListBox1->item(0)->text();
    EXPECT_EQ(f.ListBox1->currentRow(), 0);
    const bool firstIsProcess = first == "进程状态";
    EXPECT_EQ(f.Re->toPlainText().trimmed(), firstIsProcess ? "就绪、运行、阻塞" : "按权展开求和");
    EXPECT_EQ(f.epLabel1->text(), firstIsProcess ? "进程管理" : "数据表示与运算");

    clickEntry(f, 1);
    EXPECT_EQ(f.ListBox1->currentRow(), 1);
    EXPECT_EQ(f.Re->toPlainText().trimmed(), firstIsProcess ? "按权展开求和" : "就绪、运行、阻塞");
    EXPECT_EQ(f.epLabel1->text(), firstIsProcess ? "数据表示与运算" : "进程管理");

    // The keyboard moves the same way.
    f.ListBox1->setFocus();
    QTest::keyClick(f.ListBox1, Qt::Key_Up);
    EXPECT_EQ(f.epLabel1->text(), firstIsProcess ? "进程管理" : "数据表示与运算");

    QTest::mouseClick(f.findChild<QAbstractButton*>("epEfTrBtn1"), Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(AnswFaguiTest, SameTitleInTwoNodesShowsTheNodeOfTheChosenPoint)
{
    question("q", {"01000101", "02000103"});
    TfrmAnswFagui f;
    ASSERT_TRUE(f.load("q"));
    f.show();
    ASSERT_EQ(titles(f), QStringList({"数制及其转换", "数制及其转换"}));
    QStringList nodes, texts;
    for (int row : {0, 1}) {
        clickEntry(f, row);
        nodes << f.epLabel1->text();
        texts << f.Re->toPlainText().trimmed();
    }
    nodes.sort();
    texts.sort();
    EXPECT_EQ(nodes, QStringList({"数据表示与运算", "进程管理"}));
    EXPECT_EQ(texts, QStringList({"同名考点的另一节", "按权展开求和"}));
}

TEST_F(AnswFaguiTest, PointsMissingFromTheOutlineGiveAnEmptyWindow)
{
    question("q", {"09999999", "0"});
    TfrmAnswFagui f;
    ASSERT_TRUE(f.load("q"));
    f.show();
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_TRUE(f.Re->toPlainText().isEmpty());
    EXPECT_TRUE(f.epLabel1->text().isEmpty());
}

TEST_F(AnswFaguiTest, IdsWithQuotesAreLookedUpAsTheyAre)
{
    question("q'1", {"01'00101"});
    TfrmAnswFagui f;
    ASSERT_TRUE(f.load("q'1"));
    f.show();
    EXPECT_EQ(titles(f), QStringList({"带引号的考点"}));
    EXPECT_EQ(f.epLabel1->text(), "引号节");
    EXPECT_EQ(f.Re->toPlainText().trimmed(), "引号考点的内容");
}

TEST_F(AnswFaguiTest, BothArrangements)
{
    question("q", {"01000101"});
    struct Case {
        const char* tag;
        QSize size;
        int list;
    } cases[] = {{"800", {657, 421}, 185}, {"1024", {917, 585}, -1}};
    for (const Case& c : cases) {
        app::ScreenSizeTag = QString::fromLatin1(c.tag);
        TfrmAnswFagui f;
        ASSERT_TRUE(f.load("q"));
        f.show();
        EXPECT_EQ(f.size(), c.size) << c.tag;
        if (c.list > 0)
            EXPECT_EQ(f.ListBox1->width(), c.list) << c.tag;
        EXPECT_GT(f.Re->width(), f.ListBox1->width()) << c.tag;
        // Every control is reachable by keyboard.
        for (QWidget* w : std::initializer_list<QWidget*>{f.ListBox1, f.Re, f.findChild<QAbstractButton*>("epEfTrBtn1")})
            EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << c.tag << " " << w->objectName().toStdString();
    }
}

} // namespace

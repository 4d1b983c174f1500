#include "core/practice/ChooserRules.h"
#include "question/TFrmJx.h"
#include "practice/TFrmLxxt.h"
#include "practice/TFrmkmmc.h"
#include "core/app/AppState.h"
#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "common/Prompt.h"
#include "core/store/Connection.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/RtfWriter.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"
#include "support/WhenModal.h"
#include "ui/CommandButton.h"
#include "ui/RichTextView.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLCDNumber>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using practice::PracticeMode;

namespace {

// A bank with a small chapter tree and questions in every state a mode looks at.
class ChooserRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = store::Connection::create(dir.file("bank.db"), store::bankKey());
        store::createBankSchema(*db);
    }

    struct Question {
        const char* id;
        const char* chapter;
        int type = 11;
        int order = 1;      // xx
        QVariant answer{};  // E2
        int weight = 0;     // E4
        int answers = 0;    // E3
        int voided = 0;     // F1
    };
    void add(const Question& q)
    {
        db->exec("insert into tab_answ (A1,A2,A10,A13,xx,E2,E4,E3,F1) values (:a1,'A',:a10,:a13,:xx,:e2,:e4,:e3,:f1)",
                 {{":a1", QString::fromUtf8(q.id)}, {":a10", QString::fromUtf8(q.chapter)}, {":a13", q.type},
                  {":xx", q.order}, {":e2", q.answer}, {":e4", q.weight}, {":e3", q.answers}, {":f1", q.voided}});
    }
    QStringList select(PracticeMode mode, const QString& code)
    {
        const practice::PracticeStatement s = practice::practiceStatement(mode, code);
        const store::Rows rows = db->query(s.sql, s.params);
        QStringList ids;
        for (int i = 0; i < rows.size(); ++i)
            ids << rows.at(i, "a1").toString();
        return ids;
    }

    TempDir dir;
    std::unique_ptr<store::Connection> db;
};

TEST_F(ChooserRulesTest, ModesSelectTheirQuestionsOfTheChapterAndItsSectionsInOrder)
{
    add({"n2", "010101", 11, 2, QVariant()});            // new (null answer)
    add({"n1", "010101", 11, 1, QString("")});           // new (empty answer), earlier in the book
    add({"n3", "010102", 14, 1, QVariant()});            // new, a later type
    add({"nv", "010101", 11, 3, QVariant(), 0, 0, 1});   // never answered but voided
    add({"w1", "010102", 11, 5, "B", -2, 1});             // wrong
    add({"w2", "010101", 11, 9, "C", -1, 1});             // wrong, less so
    add({"w3", "010101", 11, 9, "C", -3, 4});             // wrong, answered more often
    add({"wv", "010102", 11, 1, "B", -5, 1, 1});          // wrong but voided
    add({"r1", "010101", 11, 1, "A", 0, 2});              // answered right
    add({"o1", "010201", 11, 1, QVariant()});             // another chapter
    add({"o2", "0102", 11, 1, "B", -1, 1});               // a question filed on the chapter row itself

    struct Case {
        PracticeMode mode;
        const char* code;
        QStringList expected;
    } cases[] = {
        {PracticeMode::NewQuestions, "0101", {"n1", "n2", "n3"}},
        {PracticeMode::NewByChapter, "0101", {"n1", "n2", "n3"}},
        {PracticeMode::NewQuestions, "010101", {"n1", "n2"}},
        {PracticeMode::NewQuestions, "0102", {"o1"}},
        // type, then fewest answers, then the most negative weight, …
        {PracticeMode::WrongQuestions, "0101", {"w1", "w2", "w3"}},
        {PracticeMode::WrongQuestions, "0102", {"o2"}},
        // voided questions are reviewed too
        {PracticeMode::Review, "0101", {"wv", "w1", "w2", "r1", "w3"}},
        {PracticeMode::NewQuestions, "0103", {}},
        {PracticeMode::Review, "0103", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(select(c.mode, QString::fromUtf8(c.code)), c.expected) << int(c.mode) << " " << c.code;
}

TEST_F(ChooserRulesTest, StatementsKeepTheirWordingAndOrderWithTheCodeBound)
{
    struct Case {
        PracticeMode mode;
        const char* head;
        const char* tail;
    } cases[] = {
        {PracticeMode::NewQuestions, "select a1,a2,a2_1,k3,", "and (+E2 = '' or +E2 is null) and (f1<>1) order by a13,a10,xx,a1"},
        {PracticeMode::NewByChapter, "select a1,a2,a2_1,k3,", "and (+E2 = '' or +E2 is null) and (f1<>1) order by a13,a10,xx"},
        {PracticeMode::WrongQuestions, "select a1,a2,a2_1,k3,", "and (E4 < 0) and (f1<>1) order by a13,e3,e4,e1,xx,a1"},
        {PracticeMode::Review, "select a1,a2,a2_1,k3,", "and (E2 <> '' and E2 is not null) order by a13,e3,e4,e1,xx,a1"},
    };
    const QString code = QStringLiteral("01'1");
    for (const Case& c : cases) {
        const practice::PracticeStatement s = practice::practiceStatement(c.mode, code);
        EXPECT_TRUE(s.sql.startsWith(QString::fromUtf8(c.head))) << s.sql.toStdString();
        EXPECT_TRUE(s.sql.endsWith(QString::fromUtf8(c.tail))) << s.sql.toStdString();
        EXPECT_TRUE(s.sql.contains("left(A10,4) = :code")) << s.sql.toStdString();
        EXPECT_FALSE(s.sql.contains(code)) << "the code must travel as a parameter";
        ASSERT_FALSE(s.params.empty());
        EXPECT_EQ(s.params.front(), (std::pair<QString, QVariant>(":code", code)));
    }
}

TEST_F(ChooserRulesTest, AChapterCodeWithAQuoteSelectsItsQuestions)
{
    add({"q1", "01'101", 11, 1, QVariant()});
    add({"q2", "01'101", 11, 2, "A", -1, 1});
    add({"q3", "01'201", 11, 1, QVariant()});
    add({"q4", "010101", 11, 1, QVariant()});
    EXPECT_EQ(select(PracticeMode::NewQuestions, "01'1"), QStringList({"q1"}));
    EXPECT_EQ(select(PracticeMode::WrongQuestions, "01'1"), QStringList({"q2"}));
    EXPECT_EQ(select(PracticeMode::Review, "01'101"), QStringList({"q2"}));
    EXPECT_EQ(practice::chapterQuestionCount(*db, "01'1"), 2);
    EXPECT_EQ(practice::chapterQuestionCount(*db, "0101"), 1);
    EXPECT_EQ(practice::chapterQuestionCount(*db, "0109"), 0);
}

TEST(ChooserRules, OnlyChaptersAndSectionsArePractised)
{
    const std::pair<const char*, bool> cases[] = {
        {"", false}, {"0", false}, {"01", false}, {"1'", false}, {"0101", true}, {"010101", true}, {"01'1", true}};
    for (const auto& [code, chapter] : cases)
        EXPECT_EQ(practice::isChapterCode(QString::fromUtf8(code)), chapter) << code;
}

// The board's sums on a real bank through the data module's general query.
class ChooserTotalsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = dir.file("bank.db");
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        ASSERT_TRUE(dm.openBank(path));
    }
    void chapter(const char* code, int questions, int answers, int wrong)
    {
        dm.db().exec("insert into tab_kmmc (C1,C2,C3,D1,D2) values (:c1,'c',:c3,:d1,:d2)",
                     {{":c1", QString::fromUtf8(code)}, {":c3", questions}, {":d1", answers}, {":d2", wrong}});
    }
    TempDir dir;
    TDM1 dm;
};

TEST_F(ChooserTotalsTest, OnlySectionsAreSummed)
{
    chapter("0", 100, 50, 10);
    chapter("01", 100, 50, 10);
    chapter("0101", 100, 50, 10);
    chapter("010101", 30, 5, 1);
    chapter("010102", 40, 2, 0);
    chapter("xx", 999, 999, 999);
    const practice::ChapterTotals t = practice::readChapterTotals(*dm.Cn1Query1);
    EXPECT_EQ(t.questions, 70);
    EXPECT_EQ(t.answers, 7);
    EXPECT_EQ(t.wrong, 1);
    EXPECT_EQ(practice::totalsScoreText(t), QString("85.71"));
    EXPECT_TRUE(dm.Cn1Query1->isOpen());
}

TEST_F(ChooserTotalsTest, NoSectionsReadAsZeroAndKeepTheScore)
{
    chapter("01", 5, 5, 5);
    const practice::ChapterTotals t = practice::readChapterTotals(*dm.Cn1Query1);
    EXPECT_EQ(t.questions, 0);
    EXPECT_EQ(t.answers, 0);
    EXPECT_EQ(practice::totalsScoreText(t), std::nullopt);
}

TEST(ChooserRules, BoardValues)
{
    EXPECT_EQ(practice::shownQuestionCount(12000), 10000);
    EXPECT_EQ(practice::shownQuestionCount(10000), 10000);
    EXPECT_EQ(practice::shownQuestionCount(9999), 9999);
    const std::pair<practice::ChapterTotals, std::optional<QString>> scores[] = {
        {{0, 0, 0}, std::nullopt}, {{0, 3, 1}, QString("66.67")}, {{0, 4, 4}, QString("0.00")},
        {{0, 5, 0}, QString("100.00")}};
    for (const auto& [totals, text] : scores)
        EXPECT_EQ(practice::totalsScoreText(totals), text) << totals.answers << "/" << totals.wrong;
}

// ---------------------------------------------------------------------------
// The chooser window on a small bank: real widgets offscreen, real practice screens.

QByteArray guidance(const QString& text)
{
    store::RtfWriter w;
    w.addText(text);
    w.endParagraph();
    return w.toRtf();
}

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::resetAppState();
        const QString path = dir.file("bank.db");
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        ASSERT_TRUE(dm.openBank(path));
        dm.AppDir = QStringLiteral(TESVORA_APPDIR "/"); // the generated pictures
        DM1 = &dm;
        db().exec("insert into tab_tx1 (A1,B1,B2,B3,time) values (11,'单选',40,1,1)");
        db().exec("insert into tab_tx1 (A1,B1,B2,B3,time) values (14,'多选',20,2,1.5)");

        chapter("0", "基础知识");
        chapter("01", "第一部分");
        chapter("0101", "第一章 数据的表示", guidance("先掌握按权展开。"));
        chapter("010101", "第一节 数制", {}, 3);
        chapter("010102", "第二节 机器数", {}, 1);
        chapter("0102", "第二章 中央处理器");
        chapter("010201", "第一节 指令", {}, 1);
        chapter("0103", "第三章 空章");
        chapter("01'1", "第四章 带引号");
        chapter("01'101", "第一节 带引号", {}, 1);
        chapter("xx", "习题集");

        question("q1", "010101", 11, QVariant());
        question("q2", "010101", 11, QVariant());
        question("q3", "010101", 14, QVariant());
        question("q4", "010102", 11, "A");   // answered right
        question("q5", "010201", 11, "A");   // answered right: nothing new, nothing wrong
        question("q6", "01'101", 11, QVariant());
    }
    void TearDown() override
    {
        DM1 = nullptr;
        app::resetAppState();
    }

    store::Connection& db() { return dm.db(); }
    void chapter(const char* code, const char* name, const QByteArray& jx = {}, int questions = 0)
    {
        db().exec("insert into tab_kmmc (C1,C1_1,C2,C3,bh,jx) values (:c1,:c2,:c2,:c3,:bh,:jx)",
                  {{":c1", QString::fromUtf8(code)}, {":c2", QString::fromUtf8(name)}, {":c3", questions},
                   {":bh", ++m_bh}, {":jx", jx.isEmpty() ? QVariant() : QVariant(jx)}});
    }
    void question(const char* id, const char* chapter, int type, const QVariant& answer)
    {
        db().exec("insert into tab_answ (A1,A2,A10,A13,xx,E2,E4,E3) values (:a1,'A',:a10,:a13,1,:e2,0,:e3)",
                  {{":a1", QString::fromUtf8(id)}, {":a10", QString::fromUtf8(chapter)}, {":a13", type},
                   {":e2", answer}, {":e3", answer.isNull() ? 0 : 1}});
        db().exec("insert into tab_exer (A1,A15) values (:a1,:a15)",
                  {{":a1", QString::fromUtf8(id)}, {":a15", guidance(QStringLiteral("题干 ") + QString::fromUtf8(id))}});
    }

    // The chooser as the menu shows it, without entering its own loop.
    std::unique_ptr<TFrmkmmc> openChooser()
    {
        auto f = std::make_unique<TFrmkmmc>();
        f->show();
        f->FormShow();
        return f;
    }
    QString currentCode() { return dm.Cn1Table_kmmc->text("C1"); }
    void selectChapter(TFrmkmmc& f, const QString& code)
    {
        auto* model = f.DBGrid1->model();
        for (int r = 0; r < model->rowCount(); ++r)
            if (dm.Cn1Table_kmmc->valueAt(r, "C1").toString() == code) {
                f.DBGrid1->scrollTo(model->index(r, 0));
                QTest::mouseClick(f.DBGrid1->viewport(), Qt::LeftButton, {}, f.DBGrid1->visualRect(model->index(r, 0)).center());
                ASSERT_EQ(currentCode(), code);
                return;
            }
        FAIL() << "no row " << code.toStdString();
    }
    QAbstractButton* button(TFrmkmmc& f, const char* name) { return f.findChild<QAbstractButton*>(name); }

    TempDir dir;
    TDM1 dm;
    int m_bh = 0;
};

TEST_F(ChooserTest, BothArrangementsListEveryChapterButTheExerciseSet)
{
    struct Case {
        const char* tag;
        QSize window;
        int first, other;
    } cases[] = {{"1024", {936, 613}, 370, 65}, {"800", {761, 480}, 308, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        app::ScreenSizeTag = QString::fromLatin1(c.tag);
        auto f = openChooser();
        EXPECT_EQ(f->size(), c.window);
        EXPECT_TRUE(f->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(f->windowTitle(), "科目名称");
        EXPECT_TRUE(f->choosing());

        QAbstractItemModel* m = f->DBGrid1->model();
        QStringList captions;
        for (int col = 0; col < m->columnCount(); ++col)
            captions << m->headerData(col, Qt::Horizontal).toString().remove(QLatin1Char('\n'));
        EXPECT_EQ(captions, QStringList({"章节名称", "习题数目", "已做题数", "已做道次", "做错道次", "综合成绩"}));
        // Every heading fits its column (on two lines where one would run into the next).
        QApplication::processEvents();
        const QFontMetrics fm(f->DBGrid1->horizontalHeader()->font());
        for (int col = 0; col < m->columnCount(); ++col) {
            const QString heading = m->headerData(col, Qt::Horizontal).toString();
            for (const QString& line : heading.split(QLatin1Char('\n')))
                EXPECT_LE(fm.horizontalAdvance(line) + 3, f->DBGrid1->columnWidth(col)) << heading.toStdString();
            if (heading.contains(QLatin1Char('\n')))
                EXPECT_GE(f->DBGrid1->horizontalHeader()->height(), 2 * fm.height()) << heading.toStdString();
        }
        EXPECT_EQ(f->DBGrid1->columnWidth(0), c.first);
        for (int col = 1; col < 6; ++col)
            EXPECT_EQ(f->DBGrid1->columnWidth(col), c.other) << col;
        EXPECT_EQ(m->rowCount(), 10);
        EXPECT_FALSE(m->match(m->index(0, 0), Qt::DisplayRole, "习题集", -1, Qt::MatchExactly).size());
        EXPECT_EQ(m->data(m->index(0, 5), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
        EXPECT_EQ(f->DBGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(f->DBGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);

        // Commands over the drawn faces; the two screens that are not there yet are off.
        const std::pair<const char*, const char*> commands[] = {
            {"btnNew", "练习新题"}, {"btnWrong", "错题重做"}, {"btnReview", "习题重温"},
            {"btnInput", "试题录入"}, {"btnConfig", "设置"}, {"btnClose", "关闭"}, {"btnGuide", "解析指导"}};
        for (const auto& [name, caption] : commands) {
            QAbstractButton* b = button(*f, name);
            ASSERT_NE(b, nullptr) << name;
            EXPECT_EQ(b->text(), QString::fromUtf8(caption));
            EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus) << name;
            EXPECT_TRUE(f->rect().contains(b->geometry())) << name;
        }
        EXPECT_TRUE(button(*f, "btnInput")->isEnabled());
        EXPECT_TRUE(button(*f, "btnConfig")->isEnabled());
        EXPECT_FALSE(f->DBGrid1->accessibleName().isEmpty());
        for (QWidget* w : std::initializer_list<QWidget*>{f->epNum_all, f->epNum_ok, f->epNum_Err, f->Lb_fs})
            EXPECT_FALSE(w->accessibleName().isEmpty());

        // Board: sections only; no answer yet keeps the score's first text.
        EXPECT_EQ(f->epNum_all->intValue(), 6);
        EXPECT_EQ(f->epNum_ok->intValue(), 0);
        EXPECT_EQ(f->epNum_Err->intValue(), 0);
        EXPECT_EQ(f->epNum_all->digitCount(), 5);
        EXPECT_EQ(f->Lb_fs->text(), "分数");
        f->close();
        EXPECT_FALSE(f->choosing());
        EXPECT_FALSE(dm.Cn1Table_kmmc->isOpen());
        EXPECT_FALSE(dm.Cn1Query1->isOpen());
    }
}

TEST_F(ChooserTest, BoardCapsTheQuestionCountAndShowsTheScore)
{
    db().exec("update tab_kmmc set C3=11990, D1=5, D2=1 where C1='010101'");
    db().exec("update tab_kmmc set D1=2, D2=0 where C1='010102'");
    db().exec("update tab_kmmc set C3=500, D1=500, D2=500 where C1='0101'"); // not a section
    auto f = openChooser();
    EXPECT_EQ(f->epNum_all->intValue(), 10000);
    EXPECT_EQ(f->epNum_ok->intValue(), 7);
    EXPECT_EQ(f->epNum_Err->intValue(), 1);
    EXPECT_EQ(f->Lb_fs->text(), "85.71");
}

TEST_F(ChooserTest, SubjectsAndPartsAreNotPractised)
{
    struct Case {
        const char* code;
        const char* command; // a button, or "" for a double-click, "enter" for the Enter key
    } cases[] = {{"0", "btnNew"}, {"0", "btnWrong"}, {"01", "btnReview"}, {"01", ""}, {"0", "enter"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " " + c.command);
        auto f = openChooser();
        selectChapter(*f, QString::fromUtf8(c.code));
        prompt::Script script;
        WhenModal<TFrmLxxt> practice([](TFrmLxxt* w) { w->close(); });
        const QString command = QString::fromUtf8(c.command);
        if (command.isEmpty())
            QTest::mouseDClick(f->DBGrid1->viewport(), Qt::LeftButton, {},
                               f->DBGrid1->visualRect(f->DBGrid1->currentIndex()).center());
        else if (command == "enter")
            QTest::keyClick(f->DBGrid1, Qt::Key_Return);
        else
            QTest::mouseClick(button(*f, c.command), Qt::LeftButton);
        ASSERT_EQ(script.asked().size(), 1u);
        EXPECT_EQ(script.asked()[0].kind, prompt::Asked::Kind::MessageBox);
        EXPECT_EQ(script.asked()[0].caption, "提示");
        EXPECT_EQ(script.asked()[0].text, "请选择具体章节目录！");
        EXPECT_EQ(script.asked()[0].page, int(prompt::Icon::Information));
        EXPECT_EQ(practice.seen(), 0);
        EXPECT_TRUE(f->isVisible());
    }
}

TEST_F(ChooserTest, EmptySetsAreReportedAndOpenNothing)
{
    struct Case {
        const char* code;
        const char* command;
        const char* text;
    } cases[] = {
        {"0102", "btnWrong", "本章节下没有错题！"},
        {"01'1", "btnReview", "本章节习题还未曾做过！"},
        {"0102", "btnNew", "本章节的新题已全部做完，可选择错题重做或习题重温。"},
        {"0102", "", "本章节的新题已全部做完，可选择错题重做或习题重温。"},
        {"0103", "btnNew", "本章节下还没有习题。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " " + c.command);
        auto f = openChooser();
        selectChapter(*f, QString::fromUtf8(c.code));
        prompt::Script script;
        WhenModal<TFrmLxxt> practice([](TFrmLxxt* w) { w->close(); });
        if (*c.command)
            QTest::mouseClick(button(*f, c.command), Qt::LeftButton);
        else
            QTest::mouseDClick(f->DBGrid1->viewport(), Qt::LeftButton, {},
                               f->DBGrid1->visualRect(f->DBGrid1->currentIndex()).center());
        ASSERT_EQ(script.asked().size(), 1u);
        const prompt::Asked& asked = script.asked()[0];
        EXPECT_EQ(asked.kind, prompt::Asked::Kind::Prompt);
        EXPECT_EQ(asked.caption, "提示");
        EXPECT_EQ(asked.text, QString::fromUtf8(c.text));
        EXPECT_EQ(asked.mode, 1);
        EXPECT_EQ(asked.page, 1);
        EXPECT_EQ(practice.seen(), 0);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(currentCode(), QString::fromUtf8(c.code));
    }
}

TEST_F(ChooserTest, AFailedLoadIsReportedOnceAndNotAsAnEmptyChapter)
{
    // The set opens, the question types of the paper do not.
    db().exec("drop table tab_tx1");
    auto f = openChooser();
    selectChapter(*f, "0101");
    prompt::Script script;
    WhenModal<TFrmLxxt> practice([](TFrmLxxt* w) { w->close(); });
    QTest::mouseClick(button(*f, "btnNew"), Qt::LeftButton);

    ASSERT_EQ(script.asked().size(), 1u) << script.texts().join(" / ").toStdString();
    EXPECT_EQ(script.asked()[0].caption, "错误");
    EXPECT_TRUE(script.asked()[0].text.startsWith("无法打开试题！")) << script.asked()[0].text.toStdString();
    EXPECT_FALSE(script.asked()[0].text.contains("tab_tx1")) << "the engine's words are logged, not shown";
    EXPECT_EQ(practice.seen(), 0);
    EXPECT_TRUE(f->isVisible());
}

TEST_F(ChooserTest, PracticeRunsOnTheChapterAndTheBoardShowsWhatItRecorded)
{
    auto f = openChooser();
    selectChapter(*f, "0101");
    const QString expected = practice::practiceStatement(practice::PracticeMode::NewQuestions, "0101").sql;

    bool chooserHidden = false, chooserOpenFlag = true;
    QStringList ids;
    WhenModal<TFrmLxxt> practice([&](TFrmLxxt* w) {
        chooserHidden = !f->isVisible();
        chooserOpenFlag = f->choosing();
        for (int r = 0; r < dm.Cn1Query_tm->recordCount(); ++r)
            ids << dm.Cn1Query_tm->valueAt(r, "a1").toString();
        // An answer recorded meanwhile, as the practice screen records one.
        dm.CountChapterAnswer("010101", 2, 2);
        w->close();
    });
    QTest::mouseClick(button(*f, "btnNew"), Qt::LeftButton);

    ASSERT_EQ(practice.seen(), 1);
    EXPECT_TRUE(chooserHidden);
    EXPECT_FALSE(chooserOpenFlag);
    EXPECT_EQ(dm.Cn1Query_tm->sql(), expected);
    EXPECT_EQ(ids, QStringList({"q1", "q2", "q3"}));
    EXPECT_EQ(f->rememberedChapter(), "0101");

    // Back again, on the chapter practised, with the new sums.
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->choosing());
    EXPECT_EQ(currentCode(), "0101");
    EXPECT_EQ(f->DBGrid1->currentIndex().row(), dm.Cn1Table_kmmc->recNo() - 1);
    EXPECT_EQ(f->epNum_ok->intValue(), 1);
    EXPECT_EQ(f->epNum_Err->intValue(), 1);
    EXPECT_EQ(f->Lb_fs->text(), "0.00");

    // Every later showing returns to it as well.
    selectChapter(*f, "0102");
    f->FormShow();
    EXPECT_EQ(currentCode(), "0101");
}

TEST_F(ChooserTest, DoubleClickAndEnterStartNewQuestionsInChapterOrder)
{
    auto f = openChooser();
    selectChapter(*f, "01'1"); // a code with a quote selects its questions all the same
    for (const char* how : {"double-click", "enter"}) {
        SCOPED_TRACE(how);
        QStringList ids;
        QString sql;
        WhenModal<TFrmLxxt> practice([&](TFrmLxxt* w) {
            for (int r = 0; r < dm.Cn1Query_tm->recordCount(); ++r)
                ids << dm.Cn1Query_tm->valueAt(r, "a1").toString();
            sql = dm.Cn1Query_tm->sql();
            w->close();
        });
        if (QString(how) == "enter")
            QTest::keyClick(f->DBGrid1, Qt::Key_Enter);
        else
            QTest::mouseDClick(f->DBGrid1->viewport(), Qt::LeftButton, {},
                               f->DBGrid1->visualRect(f->DBGrid1->currentIndex()).center());
        ASSERT_EQ(practice.seen(), 1);
        EXPECT_EQ(ids, QStringList({"q6"}));
        EXPECT_TRUE(sql.endsWith(" order by a13,a10,xx"));
        EXPECT_EQ(currentCode(), "01'1");
    }
}

TEST_F(ChooserTest, WrongQuestionsAndReviewOpenTheirSets)
{
    db().exec("update tab_answ set E2='B', E4=-1, E3=1 where A1='q2'");
    struct Case {
        const char* command;
        QStringList ids;
    } cases[] = {{"btnWrong", {"q2"}}, {"btnReview", {"q2", "q4"}}};
    auto f = openChooser();
    selectChapter(*f, "0101");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        QStringList ids;
        prompt::Script script;
        WhenModal<TFrmLxxt> practice([&](TFrmLxxt* w) {
            for (int r = 0; r < dm.Cn1Query_tm->recordCount(); ++r)
                ids << dm.Cn1Query_tm->valueAt(r, "a1").toString();
            w->close();
        });
        QTest::mouseClick(button(*f, c.command), Qt::LeftButton);
        ASSERT_EQ(practice.seen(), 1);
        EXPECT_EQ(ids, c.ids);
        EXPECT_TRUE(script.asked().empty());
    }
}

TEST_F(ChooserTest, GuidanceFollowsTheChapterAndOpensInTheViewer)
{
    auto f = openChooser();
    QAbstractButton* guide = button(*f, "btnGuide");
    selectChapter(*f, "0101");
    EXPECT_TRUE(guide->isEnabled());
    selectChapter(*f, "0102");
    EXPECT_FALSE(guide->isEnabled());
    selectChapter(*f, "0101");
    ASSERT_TRUE(guide->isEnabled());

    QString shown;
    WhenModal<TFrmJx> viewer([&](TFrmJx* w) {
        shown = w->Re->toPlainText().trimmed();
        w->close();
    });
    QTest::mouseClick(guide, Qt::LeftButton);
    ASSERT_EQ(viewer.seen(), 1);
    EXPECT_EQ(shown, "先掌握按权展开。");
    EXPECT_EQ(currentCode(), "0101");
    EXPECT_TRUE(guide->isEnabled());
}

TEST_F(ChooserTest, ExecEndsWhenTheChooserCloses)
{
    for (const char* how : {"btnClose", "escape"}) {
        SCOPED_TRACE(how);
        TFrmkmmc f;
        WhenModal<TFrmkmmc> closer([&](TFrmkmmc* w) {
            EXPECT_TRUE(w->choosing());
            if (QString(how) == "escape")
                QTest::keyClick(w, Qt::Key_Escape);
            else
                QTest::mouseClick(button(*w, "btnClose"), Qt::LeftButton);
        });
        f.exec();
        EXPECT_EQ(closer.seen(), 1);
        EXPECT_FALSE(f.isVisible());
        EXPECT_FALSE(f.choosing());
        EXPECT_FALSE(dm.Cn1Table_kmmc->isOpen());
    }
}

TEST_F(ChooserTest, AssistiveToolsFindEveryControlByName)
{
    auto f = openChooser();
    QStringList names;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node)
            return;
        const QString name = node->text(QAccessible::Name);
        if (!name.isEmpty())
            names << name;
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(f.get()));
    for (const char* expected : {"章节目录", "练习新题", "错题重做", "习题重温", "试题录入", "设置", "关闭", "解析指导",
                                 "总习题数", "已做题道次", "做错题道次", "综合成绩", "章节名称", "第一章 数据的表示"})
        EXPECT_TRUE(names.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(ChooserTest, MenuWordsOpenTheChooserForTheirSubject)
{
    shell::Dispatcher d;
    shell::installMenuScreens(d);
    for (int subject = 1; subject <= 5; ++subject) {
        const QString word = subject == 1 ? QStringLiteral("lx") : QStringLiteral("lx%1").arg(subject);
        SCOPED_TRACE(word.toStdString());
        int seenSubject = 0;
        bool hourglass = true;
        WhenModal<TFrmkmmc> chooser([&](TFrmkmmc* w) {
            seenSubject = app::CurrentSubject;
            hourglass = QApplication::overrideCursor() != nullptr;
            QTest::mouseClick(button(*w, "btnClose"), Qt::LeftButton);
        });
        EXPECT_TRUE(d.dispatch(word));
        EXPECT_EQ(chooser.seen(), 1);
        EXPECT_EQ(seenSubject, subject);
        EXPECT_FALSE(hourglass);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// The demo bank as shipped: every chapter listed and summed.
TEST(ChooserDemoBank, ListsAndSumsTheShippedBank)
{
    app::resetAppState();
    TempDir dir;
    const QString path = dir.file("ZT468913.db");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
    TDM1 dm;
    ASSERT_TRUE(dm.openBank(path));
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    DM1 = &dm;
    const qint64 chapters = dm.db().scalar("select count(*) from tab_kmmc where c1<>'xx'").toLongLong();
    const qint64 questions = dm.db().scalar("select sum(C3) from tab_kmmc where length(C1)=6").toLongLong();
    {
        TFrmkmmc f;
        f.show();
        f.FormShow();
        EXPECT_EQ(f.DBGrid1->model()->rowCount(), chapters);
        EXPECT_EQ(f.epNum_all->intValue(), questions);
        EXPECT_EQ(dm.Cn1Table_kmmc->recNo(), 1);
    }
    DM1 = nullptr;
}

} // namespace

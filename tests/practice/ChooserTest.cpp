#include "practice/ChooserRules.h"
#include "shell/AppState.h"
#include "store/Connection.h"
#include "store/DataModule.h"
#include "store/Schema.h"
#include "support/TempBank.h"

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
        {PracticeMode::NewQuestions, "select a1 ,a2,a2_1,k3,", "and (E2 = '' or E2 is null)  and (f1<>1)  order by a13,a10,xx,a1"},
        {PracticeMode::NewByChapter, "select a1 ,a2,a2_1,k3,", "and (E2 = '' or E2 is null)  and (f1<>1)  order by a13,a10,xx"},
        {PracticeMode::WrongQuestions, "select a1,a2,a2_1,k3,", "and (E4 < 0)  and (f1<>1) order by a13,e3,e4,e1,xx,a1"},
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

} // namespace

#include "core/authoring/AuthoringRules.h"

#include "authoring/AuthoringFixture.h"
#include "core/outline/PointRules.h"
#include "core/store/Dataset.h"

#include <gtest/gtest.h>

using namespace authoring;
using authoringtest::AuthoringBank;
using authoringtest::QuestionRow;

namespace {

NewQuestion question(const QString& chapter = QStringLiteral("010101"), QStringList points = {})
{
    NewQuestion q;
    q.chapter = chapter;
    q.type = 11;
    q.options = 4;
    q.answer = QStringLiteral("C");
    q.points = std::move(points);
    q.stem = QByteArrayLiteral("<p>七月有几天？</p>");
    return q;
}

// A user question with the given running number, to set the largest one.
void addUserQuestion(AuthoringBank& bank, const QString& id)
{
    QuestionRow r;
    r.id = id;
    r.f1 = 2;
    bank.add(r);
}

QString column(AuthoringBank& bank, const QString& id, const QString& col)
{
    const QVariant v = bank.value(QStringLiteral("select %1 from tab_answ where a1=:a1").arg(col), {{":a1", id}});
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

} // namespace

TEST(NewQuestionId, RunningNumbersBelow1000CarryFiveDigits)
{
    const struct {
        int number;
        const char* text;
    } cases[] = {{1, "00001"}, {12, "00012"}, {999, "00999"}, {1000, "1000"}, {9999, "9999"}};
    for (const auto& c : cases) {
        EXPECT_EQ(runningNumberText(c.number), QString::fromLatin1(c.text)) << c.number;
        // The last four characters give the number back, whatever the width.
        EXPECT_EQ(runningNumberText(c.number).right(4).toInt(), c.number);
    }
    EXPECT_EQ(newQuestionId(QStringLiteral("0102"), 1, 4, 12), QStringLiteral("US0102" "1" "4" "00012"));
    EXPECT_EQ(newQuestionId(QStringLiteral("010101"), 14, 5, 1000), QStringLiteral("US010101" "14" "5" "1000"));
}

TEST(NewQuestionId, FollowsTheLargestOwnQuestion)
{
    practicetest::ClockScope clock;
    const struct {
        QStringList existing;
        const char* expected;
    } cases[] = {
        {{}, "US01010111400001"},
        {{QStringLiteral("B0001"), QStringLiteral("X9999")}, "US01010111400001"},            // book questions do not count
        {{QStringLiteral("US0101011140011")}, "US01010111400012"},                           // 5-digit tail read as 0011
        {{QStringLiteral("US010101114" "00999"), QStringLiteral("US010101114" "00005")}, "US010101114" "1000"}, // the 1000th
        {{QStringLiteral("U-odd-abcd"), QStringLiteral("US010101114" "00007")}, "US010101114" "00008"}, // a tail of no digits is skipped
    };
    for (const auto& c : cases) {
        AuthoringBank bank;
        for (const QString& id : c.existing)
            addUserQuestion(bank, id);
        const SaveOutcome out = saveNewQuestion(bank.db(), question());
        EXPECT_TRUE(out.saved);
        EXPECT_EQ(out.id, QString::fromLatin1(c.expected)) << c.existing.join(',').toStdString();
    }
}

TEST(NewQuestionSave, RefusesPast9999AndWritesNothing)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    addUserQuestion(bank, QStringLiteral("US0101011149999"));
    const QString before = bank.fullSnapshot();
    const SaveOutcome out = saveNewQuestion(bank.db(), question(QStringLiteral("010101"), {QStringLiteral("010101001")}));
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(bank.fullSnapshot(), before);
}

TEST(NewQuestionSave, WritesRowsAndRaisesEveryCounterOnce)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    NewQuestion q = question(QStringLiteral("010101"), {QStringLiteral("010101001"), QStringLiteral("010101002"), QStringLiteral("020202001")});
    q.answer = QStringLiteral("  C'; drop table tab_answ; --  ");
    q.analysis = QByteArrayLiteral("<p>31 天</p>");
    const SaveOutcome out = saveNewQuestion(bank.db(), q);
    ASSERT_TRUE(out.saved);

    EXPECT_EQ(column(bank, out.id, "a2"), QStringLiteral("C'; drop table tab_answ; --"));
    EXPECT_EQ(column(bank, out.id, "a2_1"), QStringLiteral("4"));
    EXPECT_EQ(column(bank, out.id, "a10"), QStringLiteral("010101"));
    EXPECT_EQ(column(bank, out.id, "a13"), QStringLiteral("11"));
    EXPECT_EQ(column(bank, out.id, "f1"), QStringLiteral("2"));
    EXPECT_EQ(column(bank, out.id, "k3"), QStringLiteral("010101001"));
    EXPECT_EQ(column(bank, out.id, "k5"), QStringLiteral("020202001"));
    EXPECT_EQ(column(bank, out.id, "k6"), QStringLiteral("<null>"));
    EXPECT_EQ(bank.value("select A15 from tab_exer where a1=:a1", {{":a1", out.id}}).toByteArray(), q.stem);
    EXPECT_EQ(bank.value("select jx from tab_exer where a1=:a1", {{":a1", out.id}}).toByteArray(), *q.analysis);

    // Chapter and each ancestor once.
    for (const char* c1 : {"010101", "0101", "01", "0"})
        EXPECT_EQ(bank.chapterC3(QString::fromLatin1(c1)), 1) << c1;
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010102")), 0);
    // Two points in one section raise the section (and its top node) once.
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101001")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101002")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101003")), 0);
    for (const char* id : {"010101", "01", "020202", "02"})
        EXPECT_EQ(bank.nodeQ(QString::fromLatin1(id)), 1) << id;
}

TEST(NewQuestionSave, FourCharacterChapterRaisesItsAncestorsOnce)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    ASSERT_TRUE(saveNewQuestion(bank.db(), question(QStringLiteral("0101"))).saved);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("0101")), 1);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("01")), 1);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("0")), 1);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010101")), 0);
}

TEST(NewQuestionSave, AFailedStatementLeavesNoPartOfTheQuestion)
{
    practicetest::ClockScope clock;
    const struct {
        const char* table;
        const char* action;
    } cases[] = {{"tab_answ", "insert"}, {"tab_exer", "insert"}, {"tab_kmmc", "update"}, {"tab_rule", "update"}, {"tab_fgmc", "update"}};
    for (const auto& c : cases) {
        AuthoringBank bank;
        bank.breakTable(QString::fromLatin1(c.table), QString::fromLatin1(c.action));
        const QString before = bank.fullSnapshot();
        EXPECT_THROW(saveNewQuestion(bank.db(), question(QStringLiteral("010101"), {QStringLiteral("010101001")})), store::DbError)
            << c.table;
        EXPECT_EQ(bank.fullSnapshot(), before) << c.table;
        // The connection is usable again afterwards (no transaction left open).
        bank.db().execScript(QStringLiteral("drop trigger break_%1_%2").arg(QString::fromLatin1(c.table), QString::fromLatin1(c.action)));
        EXPECT_TRUE(saveNewQuestion(bank.db(), question()).saved) << c.table;
    }
}

TEST(Checks, InOrderStemAnswerType)
{
    const struct {
        const char* stem;
        const char* answer;
        bool typeChosen;
        Check expected;
    } cases[] = {
        {"", "", false, Check::MissingStem},
        {"  \n\t ", "A", true, Check::MissingStem},
        {"\xEF\xBF\xBC", "A", true, Check::Ok}, // a picture alone is content
        {"题", "  ", false, Check::MissingAnswer},
        {"题", "A", false, Check::MissingType},
        {"题", "A", true, Check::Ok},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkQuestion(QString::fromUtf8(c.stem), QString::fromUtf8(c.answer), c.typeChosen), c.expected)
            << c.stem << "|" << c.answer;
    EXPECT_EQ(checkMessage(Check::MissingStem), QStringLiteral("请填写试题内容！"));
    EXPECT_EQ(checkMessage(Check::MissingAnswer), QStringLiteral("请填写试题答案！"));
    EXPECT_EQ(checkMessage(Check::MissingType), QStringLiteral("请选择题型！"));
}

TEST(Checks, AnswerMustFitTheType)
{
    const struct {
        int type;
        const char* name;
        int options;
        const char* answer;
        AnswerFault fault;
        const char* stored;
    } cases[] = {
        {11, "单选", 3, "C", AnswerFault::None, "C"},
        {11, "单选", 3, " b ", AnswerFault::NotOneLetter, ""}, // lower case is not a letter the page writes
        {11, "单选", 3, "D", AnswerFault::NotOneLetter, ""},
        {11, "单选", 3, "AB", AnswerFault::NotOneLetter, ""},
        {11, "单选", 3, "Z'\xF0\x9F\x98\x80", AnswerFault::NotOneLetter, ""},
        {14, "多选", 4, "DB", AnswerFault::None, "BD"},
        {14, "多选", 4, "ABA", AnswerFault::NotDistinctLetters, ""},
        {14, "多选", 4, "AE", AnswerFault::NotDistinctLetters, ""},
        {15, "不定项", 5, "ACE", AnswerFault::None, "ACE"},
        {15, "不定项", 5, "A,C", AnswerFault::NotDistinctLetters, ""},
        {12, "判断", 5, "A", AnswerFault::None, "A"},
        {12, "判断", 5, "B", AnswerFault::None, "B"},
        {12, "判断", 5, "C", AnswerFault::NotTrueFalse, ""},
        {13, "填空", 1, " 栈，队列 ", AnswerFault::None, "栈，队列"},
        {13, "填空", 1, "   ", AnswerFault::Empty, ""},
        {64, "案例分析", 1, "1", AnswerFault::None, "1"},
        {99, "其他", 5, "随便", AnswerFault::None, "随便"},
    };
    for (const auto& c : cases) {
        const AnswerCheck got = checkAnswer(c.type, QString::fromUtf8(c.name), c.options, QString::fromUtf8(c.answer));
        EXPECT_EQ(got.fault, c.fault) << c.name << "|" << c.answer;
        if (c.fault == AnswerFault::None) {
            EXPECT_EQ(got.answer, QString::fromUtf8(c.stored)) << c.name << "|" << c.answer;
        }
    }
    EXPECT_EQ(answerFaultText(AnswerFault::NotOneLetter, QStringLiteral("单选"), 3),
              QStringLiteral("试题答案与题型“单选”不符：应为 A～C 中的一个字母！"));
    EXPECT_EQ(answerFaultText(AnswerFault::NotDistinctLetters, QStringLiteral("多选"), 1),
              QStringLiteral("试题答案与题型“多选”不符：应为 A 中不重复的字母！"));
    EXPECT_EQ(answerFaultText(AnswerFault::NotTrueFalse, QStringLiteral("判断"), 5),
              QStringLiteral("试题答案与题型“判断”不符：应为 A（正确）或 B（错误）！"));
}

TEST(QuestionTypes, CurrentPaperTableByIdAndMissingTable)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    app::CurrentPaperNo = 0;
    const std::vector<QuestionType> types = readQuestionTypes(*bank.dm.Cn1Table_tx);
    EXPECT_EQ(app::CurrentPaperNo, 1);
    ASSERT_EQ(types.size(), 8u);
    EXPECT_EQ(types.front().id, 11);
    EXPECT_EQ(types.front().name, QStringLiteral("单选"));
    EXPECT_EQ(types.back().id, 99);
    EXPECT_EQ(typeIndex(types, 64), 5);
    EXPECT_EQ(typeIndex(types, 42), -1);

    bank.db().exec(QStringLiteral("drop table tab_tx2"));
    app::CurrentPaperNo = 2;
    EXPECT_TRUE(readQuestionTypes(*bank.dm.Cn1Table_tx).empty());
}

TEST(QuestionTypes, SubjectiveNames)
{
    // Banks name their types with a trailing 题 too: the same type either way.
    for (const char* name : {"简答", "主观", "论述", "案例分析", "名词解释", "查找错误", "综合", "计算", "综合题", "简答题", "案例分析题"})
        EXPECT_TRUE(isSubjectiveType(QString::fromUtf8(name))) << name;
    for (const char* name : {"单选", "多选", "判断", "填空", "简答题目", ""})
        EXPECT_FALSE(isSubjectiveType(QString::fromUtf8(name))) << name;
}

class EditTest : public ::testing::Test {
protected:
    practicetest::ClockScope clock;
    AuthoringBank bank;

    // A question with three points; every q as the bank counts them.
    void SetUp() override
    {
        QuestionRow r;
        r.id = QStringLiteral("Q1");
        r.points = {QStringLiteral("010101001"), QStringLiteral("010101002"), QStringLiteral("020202001")};
        r.stem = QByteArrayLiteral("{\\rtf1\\ansi {\\b bold} stem}");
        r.analysis = QByteArrayLiteral("<p>old analysis</p>");
        bank.add(r);
        QuestionRow other;
        other.id = QStringLiteral("Q2");
        other.points = {QStringLiteral("010101002")};
        bank.add(other);
        bank.db().exec(QStringLiteral("update tab_rule set q=(select count(*) from tab_answ where ") + store::pointCondition()
                       + QStringLiteral(") where ftid=:ftid"),
                       {{":ftid", QStringLiteral("010101001")}});
        bank.db().exec(QStringLiteral("update tab_rule set q=2 where ftid='010101002'"));
        bank.db().exec(QStringLiteral("update tab_rule set q=1 where ftid='020202001'"));
        bank.db().exec(QStringLiteral("update tab_fgmc set q=5"));
    }

    QuestionEdit edit(QStringList points)
    {
        QuestionEdit e;
        e.id = QStringLiteral("Q1");
        e.options = 3;
        e.answer = QStringLiteral("b ");
        e.type = 14;
        e.points = std::move(points);
        return e;
    }
};

TEST_F(EditTest, ThreePointsDownToOneRecountsEveryPoint)
{
    saveQuestionEdit(bank.db(), edit({QStringLiteral("020202001")}));
    EXPECT_EQ(column(bank, "Q1", "k3"), QStringLiteral("020202001"));
    for (int k = 4; k <= 12; ++k)
        EXPECT_EQ(column(bank, "Q1", QStringLiteral("k%1").arg(k)), QStringLiteral("<null>")) << k;
    // The kept point and the two removed ones: each q is what the bank holds now.
    EXPECT_EQ(bank.ruleQ(QStringLiteral("020202001")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101001")), 0);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101002")), 1); // Q2 still lists it
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101003")), 0);
    // Outline node and chapter counts stay.
    EXPECT_EQ(bank.nodeQ(QStringLiteral("010101")), 5);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010101")), 2);

    EXPECT_EQ(column(bank, "Q1", "a2"), QStringLiteral("b"));
    EXPECT_EQ(column(bank, "Q1", "a2_1"), QStringLiteral("3"));
    EXPECT_EQ(column(bank, "Q1", "a13"), QStringLiteral("14"));
}

TEST_F(EditTest, AStoredPointListEndsAtItsFirstEmptyColumnForTheCounters)
{
    bank.db().exec(QStringLiteral("update tab_answ set k4='' where a1='Q1'"));
    using outline::EmptyPoint;
    EXPECT_EQ(outline::questionPointIds(bank.db(), QStringLiteral("Q1"), EmptyPoint::EndsList), QStringList{QStringLiteral("010101001")});
    EXPECT_EQ(outline::questionPointIds(bank.db(), QStringLiteral("Q1"), EmptyPoint::Skipped),
              (QStringList{QStringLiteral("010101001"), QStringLiteral("020202001")}));
    EXPECT_TRUE(outline::questionPointIds(bank.db(), QStringLiteral("nope"), EmptyPoint::EndsList).isEmpty());
}

TEST_F(EditTest, EveryEditCountsOnceAndKeepsWhatItWasNotGiven)
{
    QuestionEdit e = edit({QStringLiteral("010101001")});
    e.type.reset();
    saveQuestionEdit(bank.db(), e);
    saveQuestionEdit(bank.db(), e);
    EXPECT_EQ(column(bank, "Q1", "ecount"), QStringLiteral("2"));
    EXPECT_EQ(column(bank, "Q1", "a13"), QStringLiteral("11"));
    // No new stem or analysis given: the stored documents stay byte for byte.
    EXPECT_EQ(bank.value("select A15 from tab_exer where a1='Q1'").toByteArray(), QByteArrayLiteral("{\\rtf1\\ansi {\\b bold} stem}"));
    EXPECT_EQ(bank.value("select jx from tab_exer where a1='Q1'").toByteArray(), QByteArrayLiteral("<p>old analysis</p>"));

    e.stem = QByteArrayLiteral("<p><b>new</b> stem</p>");
    e.analysis = QByteArray();
    saveQuestionEdit(bank.db(), e);
    EXPECT_EQ(bank.value("select A15 from tab_exer where a1='Q1'").toByteArray(), *e.stem);
    EXPECT_TRUE(bank.value("select jx from tab_exer where a1='Q1'").isNull());
}

TEST_F(EditTest, GroupStemIsWrittenOnlyForGroupQuestions)
{
    QuestionRow g;
    g.id = QStringLiteral("G000000000000001-1");
    bank.add(g);
    bank.db().exec(QStringLiteral("insert into tab_title (A1,A15) values ('G000000000000001','shared')"));
    bank.db().exec(QStringLiteral("insert into tab_title (A1,A15) values ('Q1','not a group')"));

    QuestionEdit e = edit({});
    e.id = g.id;
    e.sharedStem = QByteArrayLiteral("<p>new shared</p>");
    saveQuestionEdit(bank.db(), e);
    EXPECT_EQ(bank.value("select A15 from tab_title where A1='G000000000000001'").toByteArray(), *e.sharedStem);

    QuestionEdit plain = edit({});
    plain.sharedStem = QByteArrayLiteral("<p>ignored</p>");
    saveQuestionEdit(bank.db(), plain);
    EXPECT_EQ(bank.value("select A15 from tab_title where A1='Q1'").toString(), QStringLiteral("not a group"));
}

TEST_F(EditTest, TextsWithoutTheirRowsAreNotDropped)
{
    QuestionRow g;
    g.id = QStringLiteral("G000000000000002-1");
    bank.add(g);
    bank.db().exec(QStringLiteral("delete from tab_exer where A1=:a1"), {{":a1", g.id}});
    QuestionEdit e = edit({});
    e.id = g.id;
    e.stem = QByteArrayLiteral("<p>stem</p>");
    e.sharedStem = QByteArrayLiteral("<p>shared</p>");
    saveQuestionEdit(bank.db(), e);
    EXPECT_EQ(bank.value("select A15 from tab_exer where A1=:a1", {{":a1", g.id}}).toByteArray(), *e.stem);
    EXPECT_EQ(bank.value("select A15 from tab_title where A1='G000000000000002'").toByteArray(), *e.sharedStem);
}

TEST_F(EditTest, AFailedEditChangesNothing)
{
    const struct {
        const char* table;
        const char* id;
    } cases[] = {{"tab_rule", "Q1"}, {"tab_answ", "Q1"}, {"tab_exer", "Q1"}, {nullptr, "gone"}};
    for (const auto& c : cases) {
        if (c.table)
            bank.breakTable(QString::fromLatin1(c.table), QStringLiteral("update"));
        QuestionEdit e = edit({QStringLiteral("020202001")});
        e.id = QString::fromLatin1(c.id);
        e.stem = QByteArrayLiteral("<p>x</p>");
        const QString before = bank.fullSnapshot();
        EXPECT_THROW(saveQuestionEdit(bank.db(), e), store::DbError) << (c.table ? c.table : c.id);
        EXPECT_EQ(bank.fullSnapshot(), before) << (c.table ? c.table : c.id);
        if (c.table)
            bank.db().execScript(QStringLiteral("drop trigger break_%1_update").arg(QString::fromLatin1(c.table)));
    }
}

TEST(Picker, SevenPointArithmetic)
{
    const struct {
        int already;
        int ticked;
        PickVerdict expected;
    } cases[] = {
        {0, 0, PickVerdict::NothingTicked}, {5, 0, PickVerdict::NothingTicked}, {0, 7, PickVerdict::Accept},
        {0, 8, PickVerdict::TooMany},       {5, 2, PickVerdict::Accept},        {5, 3, PickVerdict::TooMany},
        {7, 1, PickVerdict::TooMany},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkPick(c.already, c.ticked), c.expected) << c.already << "+" << c.ticked;
    EXPECT_EQ(pickVerdictText(PickVerdict::TooMany, 5), QStringLiteral("对应考点最多不能超过7条，已有考点5条！"));
    EXPECT_EQ(pickVerdictText(PickVerdict::NothingTicked, 0), QStringLiteral("请选择对应考点，退出请按关闭按钮！"));
}

TEST(Picker, NewPointsSkipThoseAlreadyChosen)
{
    EXPECT_EQ(newPoints({"a", "b"}, {"b", "c", "d", "c"}), QStringList({"c", "d"}));
    EXPECT_EQ(newPoints({}, {"", "x"}), QStringList({"x"}));
}

TEST(Picker, NodesPointsAndDisplayTexts)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    bank.db().exec(QStringLiteral("insert into tab_fgmc (id,n) values ('0101','four'),('0101019','seven')"));
    const std::vector<OutlineNode> nodes = readPickerNodes(bank.db());
    QStringList ids;
    for (const OutlineNode& n : nodes)
        ids << n.id;
    ids.sort();
    EXPECT_EQ(ids, QStringList({"01", "010101", "02", "020202"}));

    const std::vector<ExamPoint> points = readNodePoints(bank.db(), QStringLiteral("010101"));
    ASSERT_EQ(points.size(), 8u);
    EXPECT_EQ(points[0].ftid, QStringLiteral("010101001"));
    EXPECT_EQ(points[0].title, QStringLiteral("栈1"));
    EXPECT_TRUE(readNodePoints(bank.db(), QStringLiteral("0'; --")).empty());

    EXPECT_EQ(pointDisplayText(bank.db(), QStringLiteral("010101002")), QStringLiteral("数据结构[栈2]"));
    EXPECT_EQ(pointDisplayText(bank.db(), QStringLiteral("999")), QStringLiteral("999"));
}

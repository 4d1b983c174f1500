#include "core/question/AnswerRules.h"
#include "core/practice/ChooserRules.h"
#include "practice/PracticeFixture.h"

#include "core/store/Dataset.h"
#include "core/store/Statistics.h"

#include <functional>
#include <sqlite3.h>
#include <gtest/gtest.h>

using namespace practice;
using namespace practicetest;

namespace {

// ---- the pages and their answer texts ----------------------------------------

struct PageCase {
    const char* name;
    std::function<void(PageState&)> setUp;
    QString expected;
};

PageState onPage(int page, int options = kOptionCount)
{
    PageState s;
    s.page = page;
    s.optionCount = options;
    return s;
}

TEST(AnswerText, EveryPageGivesItsText)
{
    const PageCase cases[] = {
        {"single, nothing pressed", [](PageState& s) { s = onPage(SinglePage); }, ""},
        {"single C", [](PageState& s) { s = onPage(SinglePage); s.single[2] = true; }, "C"},
        {"single: the first pressed wins", [](PageState& s) { s = onPage(SinglePage); s.single[3] = s.single[1] = true; }, "B"},
        {"single: a hidden option does not count", [](PageState& s) { s = onPage(SinglePage, 2); s.single[4] = true; }, ""},
        {"multi B and D in order", [](PageState& s) { s = onPage(MultiPage); s.multi[3] = s.multi[1] = true; }, "BD"},
        {"multi: all six", [](PageState& s) { s = onPage(MultiPage); s.multi.fill(true); }, "ABCDEF"},
        {"multi: hidden F left out", [](PageState& s) { s = onPage(MultiPage, 5); s.multi[0] = s.multi[5] = true; }, "A"},
        {"multi reads its own buttons, not the match page's", [](PageState& s) { s = onPage(MultiPage); s.match[0] = true; }, ""},
        {"match A C E", [](PageState& s) { s = onPage(MatchPage); s.match[0] = s.match[2] = s.match[4] = true; }, "ACE"},
        {"fill trimmed, blanks at the separator dropped", [](PageState& s) { s = onPage(FillPage); s.fill = QStringLiteral("  8, 16 \t"); }, "8,16"},
        {"fill with an ideographic blank", [](PageState& s) { s = onPage(FillPage); s.fill = QStringLiteral("\u3000栈\u3000"); }, "栈"},
        {"fill only blanks", [](PageState& s) { s = onPage(FillPage); s.fill = QStringLiteral("   "); }, ""},
        {"judge 对", [](PageState& s) { s = onPage(JudgePage); s.judgement = Judgement::True; }, "A"},
        {"judge 错", [](PageState& s) { s = onPage(JudgePage); s.judgement = Judgement::False; }, "B"},
        {"judge nothing", [](PageState& s) { s = onPage(JudgePage); }, ""},
        {"subjective 不会", [](PageState& s) { s = onPage(SubjectivePage); s.subjective = 0; }, "0"},
        {"subjective 会", [](PageState& s) { s = onPage(SubjectivePage); s.subjective = 1; }, "1"},
        {"subjective nothing", [](PageState& s) { s = onPage(SubjectivePage); }, ""},
    };
    for (const PageCase& c : cases) {
        PageState s;
        c.setUp(s);
        EXPECT_EQ(ReadAnswerText(s), c.expected) << c.name;
    }
}

TEST(AnswerText, PuttingAnAnswerBackPressesTheSameControls)
{
    struct Case {
        int page;
        int options;
        const char* answer;
        const char* readBack; // what the page then gives
    };
    const Case cases[] = {
        {SinglePage, 4, "C", "C"},
        {SinglePage, 2, "C", ""},   // C is not shown on a two-option question
        {SinglePage, 4, "AB", ""},  // a single choice presses a letter equal to the answer only
        {MultiPage, 6, "BD", "BD"},
        {MultiPage, 3, "ACE", "AC"},
        {MatchPage, 6, "F", "F"},
        {FillPage, 6, "x,y", "x,y"},
        {JudgePage, 6, "A", "A"},
        {JudgePage, 6, "B", "B"},
        {JudgePage, 6, "C", ""},
        {SubjectivePage, 6, "1", "1"},
        {SubjectivePage, 6, "0", "0"},
        {SubjectivePage, 6, "2", ""},
        {SinglePage, 4, "", ""},
    };
    for (const Case& c : cases) {
        PageState s = onPage(c.page, c.options);
        // Leftovers of an earlier question must be released.
        s.single.fill(true);
        s.multi.fill(true);
        s.match.fill(true);
        s.judgement = Judgement::True;
        s.fill = QStringLiteral("old");
        s.subjective = 0;
        putAnswer(s, QString::fromUtf8(c.answer));
        EXPECT_EQ(ReadAnswerText(s), QString::fromUtf8(c.readBack)) << c.page << " " << c.answer;
    }
}

TEST(AnswerText, PuttingBackLeavesTheOtherPagesAlone)
{
    PageState s = onPage(MultiPage);
    s.single[0] = true;
    s.fill = QStringLiteral("kept");
    putAnswer(s, QStringLiteral("BC"));
    EXPECT_TRUE(s.single[0]);
    EXPECT_EQ(s.fill, QStringLiteral("kept"));
}

TEST(AnswerPanel, ShowsBothAnswersInTheFormOfThePage)
{
    struct Case {
        const char* name;
        std::function<void(PageState&)> setUp;
        const char* key;
        const char* yours;
        const char* correct;
        bool right;
    };
    const Case cases[] = {
        {"single right", [](PageState& s) { s = onPage(SinglePage); s.single[1] = true; }, "B", "B", "B", true},
        {"multi wrong", [](PageState& s) { s = onPage(MultiPage); s.multi[1] = true; }, "BD", "B", "BD", false},
        {"judge 对 against A", [](PageState& s) { s = onPage(JudgePage); s.judgement = Judgement::True; }, "A", "对", "对", true},
        {"judge 对 against B", [](PageState& s) { s = onPage(JudgePage); s.judgement = Judgement::True; }, "B", "对", "错", false},
        {"fill shows the typed text", [](PageState& s) { s = onPage(FillPage); s.fill = QStringLiteral(" 64 "); }, "64", "64", "64", true},
        {"subjective 会 against 1", [](PageState& s) { s = onPage(SubjectivePage); s.subjective = 1; }, "1", "会", "会", true},
        {"subjective 不会 against 1", [](PageState& s) { s = onPage(SubjectivePage); s.subjective = 0; }, "1", "不会", "会", false},
        {"match nothing", [](PageState& s) { s = onPage(MatchPage); }, "AC", "", "AC", false},
    };
    for (const Case& c : cases) {
        PageState s;
        c.setUp(s);
        const PanelTexts t = answerPanelTexts(s, QString::fromUtf8(c.key));
        EXPECT_EQ(t.yours, QString::fromUtf8(c.yours)) << c.name;
        EXPECT_EQ(t.correct, QString::fromUtf8(c.correct)) << c.name;
        EXPECT_EQ(t.headline, c.right ? QStringLiteral("恭喜你，做对了！") : QStringLiteral("很遗憾，做错了，请继续努力！")) << c.name;
    }
}

TEST(AnswerRules, WrongAnswerWeightLeavesTheWrongQuestionsAfterThreeRightAnswers)
{
    int w = nextWrongWeight(false, 0, false);
    EXPECT_EQ(w, -3);
    for (int expected : {-2, -1, 0, 0})
        EXPECT_EQ(w = nextWrongWeight(true, w, true), expected);
    EXPECT_EQ(nextWrongWeight(false, -7, true), 0); // a first answer ignores what was there
    EXPECT_EQ(nextWrongWeight(true, 0, false), -1);
    EXPECT_EQ(nextWrongWeight(true, -1, false), -2);
}

TEST(AnswerRules, PracticeClockTextReadsBackAsTheSameSeconds)
{
    for (const auto& [seconds, text] : {std::pair<qint64, const char*>{0, "0:00:00"}, {65, "0:01:05"},
                                        {3723, "1:02:03"}, {36000, "10:00:00"}}) {
        EXPECT_EQ(practiceClockText(seconds), QString::fromLatin1(text));
        EXPECT_EQ(store::ClockTextToSeconds(QString::fromLatin1(text)), seconds);
    }
}

// ---- recording into a bank ------------------------------------------------------

class RecordTest : public ::testing::Test {
protected:
    ClockScope clock;
    FixtureBank bank;
    store::Dataset& set() { return *bank.dm.Cn1Query_tm; }

    void openSet()
    {
        set().close();
        set().setSql(QStringLiteral("select %1 from tab_answ order by a1").arg(QLatin1String(practice::kQuestionColumns)));
        set().open();
    }
    RecordOutcome record(const QString& id, const QString& answer)
    {
        EXPECT_TRUE(set().locate(QStringLiteral("a1"), id));
        return recordAnswer(bank.dm, set(), answer);
    }
    // E2_1, E2, E1, E3, E4 of a question in the bank.
    QString history(const QString& id)
    {
        const store::Rows r = bank.db().query(QStringLiteral("select E2_1,E2,E1,E3,E4 from tab_answ where A1=:a1"), {{":a1", id}});
        QStringList parts;
        for (const QVariant& v : r.values.at(0))
            parts << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        return parts.join(QLatin1Char('|'));
    }
    // A2 A3 B1 B2 of today's log row.
    QString log(const QDate& day)
    {
        const store::Rows r = bank.db().query(QStringLiteral("select A2,A3,B1,B2 from tab_rz where A1=:d"), {{":d", day}});
        if (r.empty())
            return QStringLiteral("no row");
        QStringList parts;
        for (const QVariant& v : r.values.at(0))
            parts << v.toString();
        return parts.join(QLatin1Char(' '));
    }
    QString chapter(const QString& code)
    {
        const store::Rows r = bank.db().query(QStringLiteral("select C4,D1,D2 from tab_kmmc where C1=:c"), {{":c", code}});
        return QStringLiteral("%1 %2 %3").arg(r.at(0, "C4").toString(), r.at(0, "D1").toString(), r.at(0, "D2").toString());
    }
    QString point(const QString& table, const QString& keyColumn, const QString& id)
    {
        const store::Rows r = bank.db().query(QStringLiteral("select q1,q2,q4 from %1 where %2=:id").arg(table, keyColumn), {{":id", id}});
        return QStringLiteral("%1 %2 %3").arg(r.at(0, "q1").toString(), r.at(0, "q2").toString(), r.at(0, "q4").toString());
    }
};

TEST_F(RecordTest, WrongFirstThenThreeRightLeavesTheWrongQuestions)
{
    bank.add({.id = "q1", .key = "C"});
    openSet();
    RecordOutcome o = record("q1", "A");
    EXPECT_EQ(o.what, Recorded::Counted);
    EXPECT_FALSE(o.right);
    EXPECT_EQ(o.flags.firstEver, 2);
    EXPECT_EQ(o.flags.previous, 2);
    EXPECT_EQ(history("q1"), "A|A|2024-05-06|1|-3");

    // Each answer differs from the open one (E2_1), so each is counted.
    const std::pair<const char*, int> steps[] = {{"C", -2}, {"B", -3}, {"C", -2}};
    for (const auto& [answer, weight] : steps) {
        record("q1", QString::fromLatin1(answer));
        EXPECT_EQ(bank.number("select E4 from tab_answ where A1='q1'"), weight) << answer;
    }
    EXPECT_EQ(bank.number("select E3 from tab_answ where A1='q1'"), 4);
    // Two more right answers on later screens (their E2_1 cleared in between).
    for (int weight : {-1, 0, 0}) {
        bank.db().exec("update tab_answ set E2_1=''");
        openSet();
        record("q1", "C");
        EXPECT_EQ(bank.number("select E4 from tab_answ where A1='q1'"), weight);
    }
    EXPECT_EQ(set().integer("E4"), 0); // the row in memory follows the bank
}

TEST_F(RecordTest, RightThenWrongMakesAWrongQuestion)
{
    bank.add({.id = "q1", .key = "BD", .type = 14});
    openSet();
    EXPECT_TRUE(record("q1", "BD").right);
    EXPECT_EQ(history("q1"), "BD|BD|2024-05-06|1|0");
    const RecordOutcome o = record("q1", "B");
    EXPECT_EQ(o.flags.firstEver, 1);
    EXPECT_EQ(o.flags.previous, 1); // the previous answer was right
    EXPECT_EQ(history("q1"), "B|B|2024-05-06|2|-1");
    EXPECT_EQ(log(kDay1), "2 1 1 1"); // answers, wrong answers, questions, wrong questions
}

TEST_F(RecordTest, FlagsAcrossDays)
{
    bank.add({.id = "q1", .key = "A"});
    bank.add({.id = "q2", .key = "A", .e1 = QDate(2024, 5, 1), .e2 = "B", .e3 = 1, .e4 = -3});
    openSet();

    RecordOutcome o = record("q1", "B"); // day 1, never answered, wrong
    EXPECT_EQ(o.flags.firstToday, 2);
    EXPECT_EQ(o.flags.firstEver, 2);
    EXPECT_EQ(o.flags.previous, 2);
    o = record("q1", "A"); // same day, put right
    EXPECT_EQ(o.flags.firstToday, 1);
    EXPECT_EQ(o.flags.firstEver, 1);
    EXPECT_EQ(o.flags.previous, 2);
    EXPECT_EQ(log(kDay1), "2 1 1 0"); // the wrong question was put right the same day

    o = record("q2", "A"); // answered wrongly on an earlier day
    EXPECT_EQ(o.flags.firstToday, 2);
    EXPECT_EQ(o.flags.firstEver, 1);
    EXPECT_EQ(o.flags.previous, 2);

    clock.set(kDay2);
    o = record("q1", "C"); // answered yesterday, right then: wrong now
    EXPECT_EQ(o.flags.firstToday, 2);
    EXPECT_EQ(o.flags.previous, 1);
    EXPECT_EQ(log(kDay2), "1 1 1 1");
    EXPECT_EQ(bank.value("select E1 from tab_answ where A1='q1'").toString(), "2024-05-07");
    EXPECT_EQ(chapter("010101"), "1 4 2"); // q2 was answered before this screen
    EXPECT_EQ(chapter("0"), "1 4 2");
}

TEST_F(RecordTest, TheSameAnswerTwiceCountsOnceButIsReDated)
{
    bank.add({.id = "q1", .key = "A"});
    openSet();
    record("q1", "A");
    clock.set(kDay2);
    const RecordOutcome o = record("q1", "A");
    EXPECT_EQ(o.what, Recorded::Confirmed);
    EXPECT_TRUE(o.right);
    EXPECT_EQ(history("q1"), "A|A|2024-05-07|1|0");
    EXPECT_EQ(log(kDay1), "1 0 1 0");
    EXPECT_EQ(log(kDay2), "no row");
    EXPECT_EQ(chapter("0101"), "1 1 0");
}

TEST_F(RecordTest, NothingGivenClearsTheOpenAnswerAndCountsNothing)
{
    bank.add({.id = "q1", .key = "A", .e1 = QDate(2024, 5, 1), .e2 = "B", .e3 = 1, .e4 = -3, .e2_1 = "B"});
    openSet();
    const QString before = bank.snapshot();
    EXPECT_EQ(record("q1", "").what, Recorded::Cleared);
    EXPECT_EQ(history("q1"), "|B|2024-05-01|1|-3");
    EXPECT_EQ(set().text("E2_1"), "");
    QString expected = before;
    expected.replace(QStringLiteral("|B|B|"), QStringLiteral("|B||")); // E2 then E2_1 in the row
    EXPECT_EQ(bank.snapshot(), expected);
}

TEST_F(RecordTest, PointListsStopAtTheFirstEmptyColumn)
{
    bank.add({.id = "q1", .key = "A", .points = {"010101001", "020202001", "", "010101002"}});
    bank.add({.id = "q2", .key = "A", .points = {"", "010101002"}});
    openSet();
    record("q1", "B"); // first answer, wrong: q1, q2 and q4 of both points, their sections and tops
    EXPECT_EQ(point("tab_rule", "ftid", "010101001"), "1 1 1");
    EXPECT_EQ(point("tab_rule", "ftid", "020202001"), "1 1 1");
    EXPECT_EQ(point("tab_rule", "ftid", "010101002"), "0 0 0"); // after the gap
    EXPECT_EQ(point("tab_fgmc", "id", "010101"), "1 1 1");
    EXPECT_EQ(point("tab_fgmc", "id", "02"), "1 1 1");
    record("q2", "A"); // K3 empty: no point counted, though K4 holds one
    EXPECT_EQ(point("tab_rule", "ftid", "010101002"), "0 0 0");
    EXPECT_EQ(point("tab_fgmc", "id", "01"), "1 1 1");
}

TEST_F(RecordTest, AVoidedQuestionAnsweredAgainIsNotNew)
{
    bank.add({.id = "q1", .key = "A", .e2 = "zero", .f1 = 0});
    openSet();
    const RecordOutcome o = record("q1", "A");
    EXPECT_EQ(o.flags.firstEver, 1);
    EXPECT_EQ(o.flags.previous, 2);
    EXPECT_EQ(chapter("010101"), "0 1 0");
}

// A statement failing half-way leaves every counter, the question row and the
// row in memory as they were.
// Every row of the open shared tables and the question row, as the screens see them.
QString shownRows(TDM1& dm, store::Dataset& set)
{
    QString out;
    for (store::Dataset* ds : {dm.Cn1Table_kmmc, dm.Cn1Table_rz, &set}) {
        out += QStringLiteral("--\n");
        for (int r = 0; ds->isOpen() && r < ds->recordCount(); ++r) {
            for (const QString& c : ds->columns())
                out += ds->valueAt(r, c).toString() + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
    }
    return out;
}

int refuseCommit(void*)
{
    return 1;
}

TEST_F(RecordTest, AnAnswerIsRecordedAllOrNothing)
{
    sqlite3* handle = bank.db().handle();
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
    };
    const auto sql = [this](const char* statement) { return [this, statement] { bank.db().exec(QString::fromLatin1(statement)); }; };
    const Case cases[] = {
        // The day's log and the chapter tree are written; the exam points (third) fail.
        {"exam points fail", sql("alter table tab_rule rename to tab_rule_gone"), sql("alter table tab_rule_gone rename to tab_rule")},
        {"the question row fails",
         sql("create trigger no_answers before update on tab_answ begin select raise(abort, 'locked'); end"),
         sql("drop trigger no_answers")},
        {"the commit is refused", [handle] { sqlite3_commit_hook(handle, &refuseCommit, nullptr); },
         [handle] { sqlite3_commit_hook(handle, nullptr, nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bank.db().exec("delete from tab_answ");
        bank.db().exec("delete from tab_exer");
        bank.add({.id = "q1", .key = "A", .points = {"010101001"}, .e1 = QDate(2024, 5, 1), .e2 = "B", .e3 = 1, .e4 = -3});
        // An earlier answer today, so the day's row is there to be changed.
        bank.db().exec("insert into tab_rz (A1,A2,A3,B1,B2) values ('2024-05-06',4,1,3,1)");
        // Read afresh: the counters were reset behind the open tables.
        for (store::Dataset* ds : {bank.dm.Cn1Table_kmmc, bank.dm.Cn1Table_rz}) {
            ds->close();
            ds->open();
        }
        openSet();
        ASSERT_TRUE(set().locate("a1", "q1"));
        const QString before = bank.snapshot();
        const QString shown = shownRows(bank.dm, set());
        c.breakIt();
        EXPECT_THROW(recordAnswer(bank.dm, set(), "A"), store::DbError);
        c.mendIt();
        EXPECT_EQ(bank.snapshot(), before);
        EXPECT_EQ(shownRows(bank.dm, set()), shown);
        EXPECT_EQ(set().state(), store::Dataset::State::Browse);
        EXPECT_EQ(set().integer("E4"), -3);
        // Once mended, the same answer is counted normally, in the bank and on view.
        EXPECT_EQ(recordAnswer(bank.dm, set(), "A").what, Recorded::Counted);
        EXPECT_EQ(history("q1"), "A|A|2024-05-06|2|-2");
        EXPECT_TRUE(bank.dm.Cn1Table_kmmc->locate("C1", "010101"));
        EXPECT_EQ(bank.dm.Cn1Table_kmmc->integer("D1"), 1);
        EXPECT_EQ(bank.dm.Cn1Table_rz->integer("A2"), 5);
        bank.db().exec("delete from tab_rz");
        bank.db().exec("update tab_kmmc set C4=0, D1=0, D2=0");
        bank.db().exec("update tab_rule set q1=0, q2=0, q4=0");
        bank.db().exec("update tab_fgmc set q1=0, q2=0, q4=0");
    }
}

TEST(AnswerRules, AnswerPageOfTypeByIdAndByName)
{
    struct Case {
        int type;
        const char* name;
        int page;
    } cases[] = {
        {11, "", 0},
        {11, "判断题", 0}, // the choice ids win over any name
        {14, "", 1},
        {12, "", 99},
        {12, "多选题", 99},
        {31, "判断题", 3},
        {32, "填空题", 2},
        {40, "简答", 4},
        {41, "案例分析", 4},
        {42, "名词解释", 4},
        {43, "计算", 4},
        {44, " 论述 ", 4},
        {45, "简答题", 4}, // a trailing 题, blanks and full-width forms are read past
        {46, "案例分析题", 4},
        {47, " 判断 题 ", 3},
        {48, "案例分析　题", 4},
        {49, "填空题（一）", 2},
        {53, "ＸＸ题", 99},
        {54, "简答题目", 99}, // names are still matched whole
        {22, "", 4},
        {72, "", 4},
        {73, "anything", 4},
        {74, "", 4},
        {50, "配伍选择题", 5},
        {51, "不定项选择", 5},
        {52, "未知题型", 99},
    };
    for (const Case& c : cases)
        EXPECT_EQ(practice::AnswerPageOfType(c.type, QString::fromUtf8(c.name)), c.page) << c.type << " " << c.name;
}

TEST(AnswerRules, OptionTextsAreReadFromTheStemsOwnLines)
{
    const struct {
        const char* stem;
        std::array<const char*, practice::kOptionCount> texts;
    } cases[] = {
        {"题干\nA. (n-1)/2\nB. n/2\n C.n\nD.  2n ", {"(n-1)/2", "n/2", "n", "2n", "", ""}},
        {"Ａ．甲\r\nＢ、乙\nC：丙\nF. 己", {"甲", "乙", "丙", "", "", "己"}},
        {"只有题干，没有选项。A.不是行首", {"", "", "", "", "", ""}},
        {"A. 一\nA. 重复的不算\nG. 超出", {"一", "", "", "", "", ""}},
        {"a. 小写不算\nBB. 也不算", {"", "", "", "", "", ""}},
    };
    for (const auto& c : cases) {
        const auto texts = practice::optionTextsOfStem(QString::fromUtf8(c.stem));
        for (int i = 0; i < practice::kOptionCount; ++i)
            EXPECT_EQ(texts[size_t(i)], QString::fromUtf8(c.texts[size_t(i)])) << c.stem << " " << i;
    }
}

TEST(AnswerRules, AnswerPageOfATypeByItsNameInThePapersTypeTable)
{
    FixtureBank bank; // paper 1: 12 判断, 15 不定项, 64 案例分析, 99 其他
    bank.db().exec("insert into tab_tx2 (A1,B1,B2,B3) values (12,'配伍题',5,2)");
    bank.db().exec("insert into tab_tx2 (A1,B1,B2,B3) values (64,'案例分析题',20,1)");
    const struct {
        const char* table;
        int type;
        int page;
    } cases[] = {
        {"tab_tx1", 12, practice::JudgePage},
        {"tab_tx1", 15, practice::MatchPage},
        {"tab_tx1", 64, practice::SubjectivePage},
        {"tab_tx1", 99, practice::NoPage},
        {"tab_tx1", 31, practice::NoPage}, // no row in paper 1
        {"tab_tx2", 12, practice::MatchPage},
        {"tab_tx2", 64, practice::SubjectivePage},
        {"tab_tx3", 12, practice::NoPage},      // an empty paper
        {"tab_answ", 12, practice::NoPage},     // not a type table: never read
        {"tab_tx1 where 1", 12, practice::NoPage},
    };
    for (const auto& c : cases)
        EXPECT_EQ(practice::answerPageOfType(bank.db(), QString::fromLatin1(c.table), c.type), c.page) << c.table << " " << c.type;
}

TEST(ControlStatesTest, OpenUpOnceTheQuestionIsAnswered)
{
    ClockScope clock;
    FixtureBank bank;
    bank.add({.id = "q1", .type = 11, .points = {"010101001"}, .note = "  "});
    bank.add({.id = "q2", .type = 73, .points = {" "}, .e2_1 = "1", .note = "记住"});
    bank.add({.id = "q3", .type = 11, .e2_1 = "A"});
    store::Dataset& set = *bank.dm.Cn1Query_tm;
    set.setSql("select * from tab_answ order by a1");
    set.open();

    ControlStates c = controlStates(set, true);
    EXPECT_FALSE(c.answerEnabled);
    EXPECT_FALSE(c.analysisEnabled);
    EXPECT_FALSE(c.pointsEnabled);
    EXPECT_EQ(c.noteCaption, "笔记"); // blanks only

    set.next(); // type 73: the correct answer is never shown
    c = controlStates(set, true);
    EXPECT_FALSE(c.answerEnabled);
    EXPECT_TRUE(c.analysisEnabled);
    EXPECT_FALSE(c.pointsEnabled); // K3 blank
    EXPECT_EQ(c.noteCaption, "有内容");

    set.next();
    c = controlStates(set, false);
    EXPECT_TRUE(c.answerEnabled);
    EXPECT_FALSE(c.analysisEnabled); // no analysis
}

// ---- fill-in answers typed on a Chinese input method ----------------------------

TEST(FillAnswer, NormalisedBeforeItIsComparedOrStored)
{
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"\uFF28\uFF34\uFF34\uFF30", "HTTP"},               // full-width letters
        {u"\uFF11\uFF12\uFF18", "128"},                       // full-width digits
        {u"n\uFF0Di\uFF0B1", "n-i+1"},                         // full-width signs
        {u"8\uFF0C16", "8,16"},                                 // ，
        {u"\u6808\u3001\u961F\u5217", "\u6808,\u961F\u5217"}, // 、
        {u"3\uFF1B4", "3,4"},                                   // ；
        {u"8 ,  16 ,\t32", "8,16,32"},                          // blanks around ","
        {u"8\u3000\uFF0C\u300016", "8,16"},                   // ideographic blanks around ，
        {u"first in first out", "first in first out"},           // blanks between words stay
        {u"\u3000O(n log n)\u3000", "O(n log n)"},
        {u"3;4", "3;4"},                                         // only the Chinese semicolon separates
        {u"", ""},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(normaliseFillAnswer(QString::fromUtf16(typed)), QString::fromUtf8(stored)) << stored;
}

TEST(FillAnswer, RightRegardlessOfLatinCaseAndInputForms)
{
    struct Case {
        const char16_t* answer;
        const char16_t* key;
        bool right;
    };
    const Case cases[] = {
        {u"tcp", u"TCP", true},
        {u"\uFF54\uFF43\uFF50", u"TCP", true},           // full-width lower case
        {u"N-I", u"n-i", true},
        {u"\u6808\uFF0C\u961F\u5217", u"\u6808,\u961F\u5217", true},
        {u"8, 16", u"8,16", true},
        {u"16,8", u"8,16", false},                          // the order of blanks still counts
        {u"n+1-i", u"n-i", false},
        {u"\u0391", u"\u03B1", false},                    // only Latin letters ignore case
        // Letters and digits the program writes for the other pages compare as before.
        {u"AB", u"AB", true},
        {u"AB", u"ABC", false},
        {u"B", u"A", false},
        {u"1", u"0", false},
        {u"", u"A", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isRightAnswer(QString::fromUtf16(c.answer), QString::fromUtf16(c.key)), c.right)
            << QString::fromUtf16(c.answer).toStdString() << " / " << QString::fromUtf16(c.key).toStdString();
}

TEST(FillAnswer, OnlyTheFillPageIsNormalised)
{
    PageState s = onPage(MultiPage);
    s.fill = QStringLiteral("\uFF21\uFF0CB"); // text left on the fill page of an earlier question
    s.multi[0] = s.multi[1] = true;
    EXPECT_EQ(ReadAnswerText(s), "AB");
    s.page = SubjectivePage;
    s.subjective = 1;
    EXPECT_EQ(ReadAnswerText(s), "1");
    s.page = FillPage;
    EXPECT_EQ(ReadAnswerText(s), "A,B");

    PageState fill = onPage(FillPage);
    fill.fill = QStringLiteral("\uFF54\uFF43\uFF50");
    const PanelTexts t = answerPanelTexts(fill, QStringLiteral("TCP"));
    EXPECT_EQ(t.yours, "tcp");
    EXPECT_EQ(t.headline, "恭喜你，做对了！");
}

TEST_F(RecordTest, AFillInIsStoredNormalisedAndCountedRight)
{
    bank.add({.id = "q1", .key = "TCP,UDP", .type = 13});
    openSet();
    PageState s = onPage(FillPage);
    s.fill = QStringLiteral("tcp\uFF0C \uFF35\uFF24\uFF30");
    const RecordOutcome o = record("q1", ReadAnswerText(s));
    EXPECT_TRUE(o.right);
    EXPECT_EQ(o.flags.result, 1);
    EXPECT_EQ(history("q1"), "tcp,UDP|tcp,UDP|2024-05-06|1|0");
    // Typed again in another form, it is the same answer: only re-dated.
    s.fill = QStringLiteral("tcp , UDP");
    EXPECT_EQ(record("q1", ReadAnswerText(s)).what, Recorded::Confirmed);
    EXPECT_EQ(answerMark(set().text("E2_1"), set().text("A2")), AnswerMark::Right);
}

} // namespace

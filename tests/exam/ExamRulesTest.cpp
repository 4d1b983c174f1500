#include "exam/ExamFixture.h"
#include "core/exam/ExamResume.h"
#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "core/exam/ScoreRules.h"

#include "core/store/Dataset.h"

#include <gtest/gtest.h>

using namespace exam;
using namespace examtest;

namespace {

// A bank with one question q1 (key A, type 11, chapter 010101, one exam point)
// drawn into tab_exam1 and opened as a fresh paper.
struct OnePaper {
    ClockScope clock;
    ExamBank bank;
    store::Dataset paper{nullptr};

    explicit OnePaper(QuestionRow q = {})
    {
        if (q.id.isEmpty())
            q.id = QStringLiteral("q1");
        if (q.points.isEmpty())
            q.points = {QStringLiteral("010101001")};
        bank.add(q);
        bank.type(1, 11, 80, 1);
        bank.scoreRow(QStringLiteral("tab_exam1"), 1);
        bank.paperOf(QStringLiteral("tab_exam1"), {q.id});
        paper.setConnection(&bank.db());
        openPaper(bank.db(), paper, QStringLiteral("tab_exam1"), true);
    }
    QString bankRow() { return bank.value("select E2_1 || '/' || E2 || '/' || E3 || '/' || E4 || '/' || E1 from tab_answ where A1='q1'").toString(); }
    QString paperRow() { return bank.value("select E2_1 || '/' || ifnull(E2,'') || '/' || E1 from tab_exam1").toString(); }
    qint64 logAnswers() { return bank.number("select ifnull(sum(A2),0) from tab_rz"); }
    qint64 chapterAnswers() { return bank.number("select D1 from tab_kmmc where C1='010101'"); }
    qint64 pointAnswers() { return bank.number("select q2 from tab_rule where ftid='010101001'"); }
};

// ---- recording an exam answer -------------------------------------------------------------

TEST(RecordExamAnswer, WritesPaperRowBankRowAndEveryCounter)
{
    OnePaper t;
    const practice::RecordOutcome first = recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("B"));
    EXPECT_EQ(first.what, practice::Recorded::Counted);
    EXPECT_FALSE(first.right);
    EXPECT_EQ(t.paperRow(), QStringLiteral("B/B/2024-05-06"));
    EXPECT_EQ(t.bankRow(), QStringLiteral("B/B/1/-3/2024-05-06")) << "a first-ever wrong answer weighs -3";
    EXPECT_EQ(t.logAnswers(), 1);
    EXPECT_EQ(t.chapterAnswers(), 1);
    EXPECT_EQ(t.pointAnswers(), 1);

    // The same answer again (leaving the question twice) counts nothing.
    EXPECT_EQ(recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("B")).what, practice::Recorded::Confirmed);
    EXPECT_EQ(t.bankRow(), QStringLiteral("B/B/1/-3/2024-05-06"));
    EXPECT_EQ(t.logAnswers(), 1);

    // A changed answer counts again; right after wrong raises the weight by one.
    EXPECT_TRUE(recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("A")).right);
    EXPECT_EQ(t.bankRow(), QStringLiteral("A/A/2/-2/2024-05-06"));
    EXPECT_EQ(t.logAnswers(), 2);
    EXPECT_EQ(t.chapterAnswers(), 2);

    // Nothing given: the paper's answer is cleared, the bank keeps its history.
    EXPECT_EQ(recordExamAnswer(t.bank.dm, t.paper, QString()).what, practice::Recorded::Cleared);
    EXPECT_EQ(t.bank.value("select E2_1 from tab_exam1").toString(), QString());
    EXPECT_EQ(t.bankRow(), QStringLiteral("A/A/2/-2/2024-05-06"));
    EXPECT_EQ(t.logAnswers(), 2);
}

TEST(RecordExamAnswer, FirstRightAnswerWeighsZero)
{
    OnePaper t;
    recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("A"));
    EXPECT_EQ(t.bankRow(), QStringLiteral("A/A/1/0/2024-05-06"));
}

TEST(RecordExamAnswer, AFailureAnywhereChangesNothing)
{
    // The bank row's update fails after the paper row and the counters were written.
    OnePaper t;
    t.bank.db().exec(QStringLiteral("create trigger stop_bank before update on tab_answ begin select raise(abort, 'disk full'); end"));
    const QString before = t.bank.snapshot() + t.paperRow();
    EXPECT_THROW(recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("B")), store::DbError);
    EXPECT_EQ(t.bank.snapshot() + t.paperRow(), before);
    EXPECT_EQ(t.paper.text("E2_1"), QString()) << "the row in memory is as the bank holds it";
    t.bank.db().exec(QStringLiteral("drop trigger stop_bank"));
    EXPECT_EQ(recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("B")).what, practice::Recorded::Counted) << "and can be repeated";
    EXPECT_EQ(t.logAnswers(), 1);
}

TEST(VoidQuestion, MarksPaperAndBankAndRestores)
{
    OnePaper t;
    t.bank.db().exec(QStringLiteral("update tab_answ set E2 = 'C'"));
    setQuestionVoided(t.bank.dm, t.paper, true);
    EXPECT_EQ(t.bank.value("select F1 || E2 from tab_exam1").toString(), QStringLiteral("1zero"));
    EXPECT_EQ(t.bank.value("select F1 || E2 from tab_answ").toString(), QStringLiteral("1zero"));
    setQuestionVoided(t.bank.dm, t.paper, false);
    EXPECT_EQ(t.bank.value("select F1 || '/' || E2 from tab_exam1").toString(), QStringLiteral("0/"));
    EXPECT_EQ(t.bank.value("select F1 || E2 from tab_answ").toString(), QStringLiteral("0zero")) << "the bank's E2 stays";
}

// ---- grading ---------------------------------------------------------------------------------

struct GradeCase {
    const char* name;
    std::vector<std::pair<QString, QString>> answers; // question → answer
    double score;
    int unanswered;
};

TEST(Grading, SumsTheTypeScoresOfExactlyRightAnswers)
{
    const GradeCase cases[] = {
        {"nothing answered", {}, 0, 4},
        {"single right, multi exactly ABD", {{"s1", "A"}, {"m1", "ABD"}}, 3, 2},
        {"multi AB against ABD scores nothing", {{"m1", "AB"}, {"m2", "ABDE"}}, 0, 2},
        {"everything right", {{"s1", "A"}, {"s2", "B"}, {"m1", "ABD"}, {"m2", "C"}}, 1 + 1 + 2 + 2, 0},
    };
    for (const GradeCase& c : cases) {
        ClockScope clock;
        ExamBank bank;
        for (const auto& [id, type, key] : std::vector<std::tuple<QString, int, QString>>{
                 {"s1", 11, "A"}, {"s2", 11, "B"}, {"m1", 14, "ABD"}, {"m2", 14, "C"}}) {
            QuestionRow q;
            q.id = id;
            q.type = type;
            q.key = key;
            bank.add(q);
        }
        bank.type(1, 11, 80, 1);
        bank.type(1, 14, 40, 2);
        bank.type(2, 11, 50, 10); // another mock's scores do not count
        bank.paperOf(QStringLiteral("tab_exam1"), {"s1", "s2", "m1", "m2"});
        for (const auto& [id, answer] : c.answers)
            bank.db().exec(QStringLiteral("update tab_exam1 set E2_1 = :a where A1 = :id"), {{":a", answer}, {":id", id}});
        EXPECT_EQ(paperScore(bank.db(), QStringLiteral("tab_exam1"), QStringLiteral("tab_tx1")), c.score) << c.name;
        EXPECT_EQ(unansweredCount(bank.db(), QStringLiteral("tab_exam1")), c.unanswered) << c.name;
    }
}

TEST(Grading, FillAnswersScoreAsTheReviewMarksThem)
{
    // Keys and answers as banks and older papers hold them: a 填空 typed with a
    // Chinese comma or in full-width forms is right on the grid, so it scores.
    const struct {
        const char* key;
        const char* answer;
        bool right;
    } cases[] = {
        {"北京,上海", "北京，上海", true},
        {"北京,上海", "北京、 上海", true},
        {"O(1)", "Ｏ（１）", true},
        {"abc", "ABC", true},
        {"北京,上海", "上海,北京", false},
    };
    for (const auto& c : cases) {
        ClockScope clock;
        ExamBank bank;
        QuestionRow q;
        q.id = QStringLiteral("f1");
        q.type = 31;
        q.key = QString::fromUtf8(c.key);
        bank.add(q);
        bank.type(1, 31, 10, 2, QStringLiteral("填空"));
        bank.paperOf(QStringLiteral("tab_exam1"), {"f1"});
        const QString answer = QString::fromUtf8(c.answer);
        bank.db().exec(QStringLiteral("update tab_exam1 set E2_1 = :a"), {{":a", answer}});
        const bool marked = practice::answerMark(answer, q.key) == practice::AnswerMark::Right;
        EXPECT_EQ(marked, c.right) << c.answer;
        EXPECT_EQ(paperScore(bank.db(), QStringLiteral("tab_exam1"), QStringLiteral("tab_tx1")), c.right ? 2.0 : 0.0) << c.answer;
    }
}

TEST(Grading, PaperTypesReadOneMockByIdAndRefuseOtherTables)
{
    ExamBank bank;
    bank.type(1, 11, 80, 1);
    bank.type(1, 14, 40, 2.5, QStringLiteral("多选"));
    bank.type(2, 11, 50, 10); // another mock's table
    const QHash<int, PaperType> types = paperTypes(bank.db(), QStringLiteral("tab_tx1"));
    const QHash<int, PaperType> expected{{11, {QStringLiteral("单选"), 80, 1}}, {14, {QStringLiteral("多选"), 40, 2.5}}};
    EXPECT_EQ(types, expected);
    EXPECT_THROW(paperTypes(bank.db(), QStringLiteral("tab_tx1;drop table tab_exer")), store::DbError);
}

TEST(Grading, PassMarkEqualKeepsOneBelowDrops)
{
    const struct {
        double leastMark;
        bool below;
    } cases[] = {{1, false}, {2, true}, {0, false}};
    for (const auto& c : cases) {
        OnePaper t;
        t.bank.db().exec(QStringLiteral("update tab_plan set LeastMark = :m"), {{":m", c.leastMark}});
        recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("A")); // 1 point
        const Grade g = gradePaper(t.bank.dm, QStringLiteral("tab_exam1"), QStringLiteral("tab_tx1"), QStringLiteral("0:45:12"));
        EXPECT_EQ(g.score, 1.0);
        EXPECT_EQ(g.belowPass, c.below) << c.leastMark;
    }
}

TEST(Grading, WritesTheScoreRowAndTheStudyTime)
{
    OnePaper t;
    recordExamAnswer(t.bank.dm, t.paper, QStringLiteral("A")); // makes today's log row
    gradePaper(t.bank.dm, QStringLiteral("tab_exam1"), QStringLiteral("tab_tx1"), QStringLiteral("1:52:07"));
    EXPECT_EQ(t.bank.value("select A6 || '/' || D2 from tab_cj where A1='tab_exam1'").toString(), QStringLiteral("1.0/1:52:07"));
    EXPECT_EQ(t.bank.value("select D1 from tab_rz").toString(), QStringLiteral("01:52:07"));

    // Without a score row the paper is graded all the same; nothing is stored.
    t.bank.db().exec(QStringLiteral("delete from tab_cj"));
    EXPECT_EQ(gradePaper(t.bank.dm, QStringLiteral("tab_exam1"), QStringLiteral("tab_tx1"), QStringLiteral("0:00:10")).score, 1.0);
    EXPECT_EQ(t.bank.number("select count(*) from tab_cj"), 0);
}

TEST(Grading, ScoreTexts)
{
    EXPECT_EQ(scoreText(95.5), QStringLiteral("95.5"));
    EXPECT_EQ(scoreText(96), QStringLiteral("96"));
    EXPECT_EQ(scoreText(0), QStringLiteral("0"));
    EXPECT_EQ(scoreLine(72.25), QStringLiteral("得分：72.25 分"));
}

// ---- the score list ----------------------------------------------------------------------------

TEST(ScoreList, CountersAgainstThePassLine)
{
    EXPECT_EQ(passLine(160), 96);
    EXPECT_EQ(passLine(164), 96) << "integer division first";
    const struct {
        const char* name;
        std::vector<QVariant> scores;
        ScoreFigures expected;
    } cases[] = {
        {"no paper", {}, {0, 0, 0}},
        {"95.5 is not passed, 96 is", {95.5, 96.0}, {2, 1, 96}},
        {"an unscored paper counts as a paper only", {QVariant(), 100.0}, {2, 1, 100}},
        {"average 94.5 rounds to even 94", {94.0, 95.0}, {2, 0, 94}},
        {"average 95.5 rounds to even 96", {95.0, 96.0}, {2, 1, 96}},
    };
    for (const auto& c : cases) {
        ClockScope clock;
        ExamBank bank;
        int seq = 0;
        for (const QVariant& s : c.scores) {
            ++seq;
            bank.scoreRow(QStringLiteral("tab_exam%1").arg(seq), seq, s);
        }
        const ScoreFigures f = scoreFigures(bank.db(), 96);
        EXPECT_EQ(f.papers, c.expected.papers) << c.name;
        EXPECT_EQ(f.passed, c.expected.passed) << c.name;
        EXPECT_EQ(f.average, c.expected.average) << c.name;
    }
}

TEST(ScoreList, HintShowsTheCurrentPassMark)
{
    ClockScope clock;
    ExamBank bank;
    EXPECT_EQ(scoreHint(bank.db()), QStringLiteral("[提示]：成绩少于 60 分的试卷，不被保留。"));
    bank.db().exec(QStringLiteral("update tab_plan set LeastMark = 72.5"));
    EXPECT_EQ(scoreHint(bank.db()), QStringLiteral("[提示]：成绩少于 72.5 分的试卷，不被保留。"));
}

TEST(ExamLength, AStoredLengthOfZeroOrLessStartsWithTheDefault)
{
    ClockScope clock;
    ExamBank bank;
    struct Case { const char* stored; qint64 seconds; };
    const Case cases[] = {{"5400", 5400}, {"60", 60}, {"0", 7200}, {"-60", 7200}, {"null", 7200}};
    for (const Case& c : cases) {
        bank.db().exec(QStringLiteral("update tab_plan set ExamTime = %1").arg(QString::fromLatin1(c.stored)));
        EXPECT_EQ(examSettings(bank.db()).examTime, c.seconds) << c.stored;
    }
}

TEST(ScoreList, DeleteRemovesTableAndRowAlsoWithoutTable)
{
    OnePaper t;
    t.bank.scoreRow(QStringLiteral("tab_exam2"), 2, 80.0); // its table is missing
    saveProgress(t.bank.db(), {QStringLiteral("tab_exam1"), QStringLiteral("卷"), 1, 30, 1});
    deletePaper(t.bank.dm, QStringLiteral("tab_exam1"));
    deletePaper(t.bank.dm, QStringLiteral("tab_exam2"));
    EXPECT_FALSE(t.bank.db().hasTable(QStringLiteral("tab_exam1")));
    EXPECT_EQ(t.bank.number("select count(*) from tab_cj"), 0);
    EXPECT_FALSE(unfinishedPaper(t.bank.db()).has_value());
}

TEST(ScoreList, AFailedDropKeepsBothTableAndRow)
{
    OnePaper t;
    t.paper.close();
    // Removing the score row fails only once the paper table is gone: the drop as a whole fails.
    t.bank.db().exec(QStringLiteral("create trigger keep_row before delete on tab_cj"
                                    " when (select count(*) from sqlite_master where name = old.A1) = 0"
                                    " begin select raise(abort, 'disk full'); end"));
    EXPECT_THROW(deletePaper(t.bank.dm, QStringLiteral("tab_exam1")), store::DbError);
    EXPECT_TRUE(t.bank.db().hasTable(QStringLiteral("tab_exam1")));
    EXPECT_EQ(t.bank.number("select count(*) from tab_cj where A1='tab_exam1'"), 1) << "both or neither";
}

// ---- crash resume -------------------------------------------------------------------------------

TEST(Resume, FindsTheNewestRunningPaperOnly)
{
    OnePaper t; // tab_exam1, unscored, with a question
    EXPECT_FALSE(unfinishedPaper(t.bank.db()).has_value()) << "no progress kept yet";
    saveProgress(t.bank.db(), {QStringLiteral("tab_exam1"), QString(), 3, 95, 7});
    saveProgress(t.bank.db(), {QStringLiteral("tab_exam1"), QString(), 3, 130, 9}); // updates
    // Rows that no longer fit: a graded paper, a dropped one.
    t.bank.scoreRow(QStringLiteral("tab_exam5"), 5, 88.0);
    t.bank.paperOf(QStringLiteral("tab_exam5"), {QStringLiteral("q1")});
    saveProgress(t.bank.db(), {QStringLiteral("tab_exam5"), QString(), 1, 10, 1});
    saveProgress(t.bank.db(), {QStringLiteral("tab_exam9"), QString(), 1, 10, 1});

    const std::optional<RunningPaper> run = unfinishedPaper(t.bank.db());
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->table, QStringLiteral("tab_exam1"));
    EXPECT_EQ(run->title, QStringLiteral("卷"));
    EXPECT_EQ(run->mock, 3);
    EXPECT_EQ(run->seconds, 130);
    EXPECT_EQ(run->question, 9);
    EXPECT_EQ(t.bank.column("select A1 from tab_ksrun"), QStringList{"tab_exam1"}) << "stale rows cleared";

    forgetProgress(t.bank.db(), QStringLiteral("tab_exam1"));
    EXPECT_FALSE(unfinishedPaper(t.bank.db()).has_value());
}

// ---- the exam clock -------------------------------------------------------------------------------

TEST(Stopwatch, CountsOnlyWhileRunning)
{
    ClockScope clock;
    const QDateTime t0(practicetest::kDay1, QTime(9, 0));
    const auto at = [&](int seconds) { store::Clock::setFixed(t0.addSecs(seconds)); };
    at(0);
    Stopwatch w;
    EXPECT_EQ(w.text(), QStringLiteral("0:00:00"));
    w.start();
    at(65);
    EXPECT_EQ(w.text(), QStringLiteral("0:01:05"));
    w.stop();
    at(1000); // paused
    EXPECT_EQ(w.elapsedSeconds(), 65);
    w.start();
    at(1000 + 7200 - 65);
    EXPECT_EQ(w.text(), QStringLiteral("2:00:00"));
    w.reset();
    EXPECT_EQ(w.elapsedSeconds(), 0);
    w.restore(3725);
    EXPECT_FALSE(w.running());
    EXPECT_EQ(w.text(), QStringLiteral("1:02:05"));
}

} // namespace

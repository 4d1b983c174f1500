#include "exam/ExamFixture.h"
#include "core/exam/PaperDraw.h"

#include "core/store/Dataset.h"
#include "core/store/Random.h"

#include <QSet>
#include <gtest/gtest.h>
#include <array>
#include <map>
#include <set>

using namespace exam;
using namespace examtest;

namespace {

const QDate kDay(2008, 3, 5);

// ---- numbering -----------------------------------------------------------------------

struct NameCase {
    const char* name;
    std::vector<std::pair<QString, int>> rows; // score rows: table, sequence
    QString table;
    int sequence;
};

TEST(PaperName, FollowsTheNewestScoreRow)
{
    const NameCase cases[] = {
        {"empty score table", {}, "tab_exam1", 1},
        {"newest by sequence, not by number", {{"tab_exam12", 3}, {"tab_exam7", 9}, {"tab_exam2", 1}}, "tab_exam8", 10},
        {"newest name carries no number", {{"tab_examx", 4}}, "tab_exam1", 5},
        {"blanks around the newest name", {{" tab_exam3 ", 2}}, "tab_exam4", 3},
    };
    for (const NameCase& c : cases) {
        ClockScope clock;
        ExamBank bank;
        for (const auto& [table, seq] : c.rows)
            bank.scoreRow(table, seq);
        const PaperName n = nextPaperName(bank.db());
        EXPECT_EQ(n.table, c.table) << c.name;
        EXPECT_EQ(n.sequence, c.sequence) << c.name;
    }
}

TEST(PaperName, TitleCarriesDateMockTitleAndSequence)
{
    EXPECT_EQ(paperTitle(kDay, 2, 10), QStringLiteral("2008年03月05日") + mockTitle(2) + QStringLiteral("[10]"));
    QSet<QString> titles;
    for (int mock = 1; mock <= 5; ++mock) {
        EXPECT_FALSE(mockTitle(mock).isEmpty()) << mock;
        titles << mockTitle(mock);
    }
    EXPECT_EQ(titles.size(), 5);
    EXPECT_TRUE(mockTitle(6).isEmpty());
}

// ---- creating the paper ----------------------------------------------------------------

TEST(CreatePaper, AppendsTheScoreRowAndAnEmptyTable)
{
    ClockScope clock;
    ExamBank bank;
    bank.scoreRow(QStringLiteral("tab_exam7"), 9, 80.0);
    const NewPaper p = createPaper(bank.dm, 1, kDay);
    EXPECT_EQ(p.table, QStringLiteral("tab_exam8"));
    EXPECT_EQ(p.sequence, 10);
    EXPECT_TRUE(bank.db().hasTable(p.table));
    const store::Rows row = bank.db().query(QStringLiteral("select A3, A3_1, D1, A6, D2 from tab_cj where A1='tab_exam8'"));
    ASSERT_EQ(row.size(), 1);
    EXPECT_EQ(row.at(0, "A3").toString(), paperTitle(kDay, 1, 10));
    EXPECT_EQ(row.at(0, "D1").toString(), QStringLiteral("2008-03-05"));
    EXPECT_TRUE(row.at(0, "A6").isNull());
    EXPECT_TRUE(row.at(0, "D2").isNull());
}

TEST(CreatePaper, LeftoverTableIsDroppedButAStoredPaperIsNeverReused)
{
    ClockScope clock;
    ExamBank bank;
    QuestionRow q;
    q.id = QStringLiteral("q1");
    bank.add(q);
    // tab_exam2 is left over without a score row; tab_exam3 is a stored paper
    // whose number is above the newest one's.
    bank.scoreRow(QStringLiteral("tab_exam1"), 5, 70.0);
    bank.paperOf(QStringLiteral("tab_exam2"), {QStringLiteral("q1")});
    bank.scoreRow(QStringLiteral("tab_exam3"), 2, 90.0);
    bank.paperOf(QStringLiteral("tab_exam3"), {QStringLiteral("q1")});

    NewPaper p = createPaper(bank.dm, 1, kDay);
    EXPECT_EQ(p.table, QStringLiteral("tab_exam2"));
    EXPECT_EQ(bank.number("select count(*) from tab_exam2"), 0) << "the leftover's rows are gone";

    p = createPaper(bank.dm, 1, kDay);
    EXPECT_EQ(p.table, QStringLiteral("tab_exam4")) << "tab_exam3 is a stored paper";
    EXPECT_EQ(bank.number("select count(*) from tab_exam3"), 1);
    EXPECT_EQ(bank.value("select A6 from tab_cj where A1='tab_exam3'").toDouble(), 90.0);
}

TEST(CreatePaper, FailureLeavesNoScoreRow)
{
    ClockScope clock;
    ExamBank bank;
    // Something else holds the name, so the table cannot be created.
    bank.db().exec(QStringLiteral("create view tab_exam1 as select 1 as x"));
    try {
        createPaper(bank.dm, 1, kDay);
        FAIL() << "no error";
    } catch (const PaperError& e) {
        EXPECT_EQ(e.stage(), PaperError::Stage::CreateTable);
    }
    EXPECT_EQ(bank.number("select count(*) from tab_cj"), 0);
}

// ---- drawing ----------------------------------------------------------------------------

// Enough questions of every type and prefix the five mocks draw from.
// Every entry of every mock's draw table gets a chapter of its own under its
// prefix, with a few more questions than any mock asks of it.
void fillAllMocks(ExamBank& bank)
{
    std::map<std::pair<int, QString>, int> most;
    for (int mock = 1; mock <= 5; ++mock)
        for (int type : {11, 14, 64, 70})
            for (const DrawEntry& e : drawsOf(mock, type))
                most[{type, e.prefix}] = std::max(most[{type, e.prefix}], e.count);
    for (const auto& [key, count] : most) {
        const auto& [type, prefix] = key;
        bank.fill((prefix + QStringLiteral("010101")).left(6), type, count + 3, QStringLiteral("%1-%2-").arg(type).arg(prefix));
    }
    bank.type(1, 11, 80, 1);
    bank.type(1, 14, 40, 1);
    bank.type(2, 11, 50, 1);
    bank.type(2, 14, 30, 1);
    bank.type(3, 11, 60, 1);
    bank.type(3, 14, 35, 1);
    bank.type(4, 70, 10, 5);
    bank.type(5, 64, 6, 25);
}

TEST(DrawPaper, EachMockDrawsItsCountsByTypeAndPrefix)
{
    const std::map<int, int> totals = {{1, 120}, {2, 80}, {3, 95}, {4, 10}, {5, 6}};
    for (const auto& [mock, total] : totals) {
        ClockScope clock;
        ExamBank bank;
        fillAllMocks(bank);
        store::Random::seed(7);
        const NewPaper p = createPaper(bank.dm, mock, kDay);
        EXPECT_EQ(drawPaper(bank.db(), mock, p.table, store::Random::generator()), total) << "mock " << mock;
        EXPECT_EQ(bank.number(QStringLiteral("select count(distinct A1) from ") + p.table), total) << "mock " << mock;
        for (int type : {11, 14, 64, 70})
            for (const DrawEntry& e : drawsOf(mock, type))
                EXPECT_EQ(bank.number(QStringLiteral("select count(*) from ") + p.table
                                          + QStringLiteral(" where A13 = :t and substr(A10, 1, length(:p)) = :p"),
                                      {{QStringLiteral(":t"), type}, {QStringLiteral(":p"), e.prefix}}),
                          e.count)
                    << "mock " << mock << " type " << type << " prefix " << e.prefix.toStdString();
    }
}

// A mock paper is shaped like the real exam: the choice papers draw from every
// part of the book, and every entry leaves its part's questions a random choice.
TEST(DrawPaper, ChoiceMocksCoverEveryPart)
{
    const QStringList parts = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "21", "31", "32", "33", "41"};
    for (int mock = 1; mock <= 3; ++mock) {
        QSet<QString> drawn;
        for (int type : {11, 14})
            for (const DrawEntry& e : drawsOf(mock, type))
                drawn << e.prefix;
        for (const QString& part : parts)
            EXPECT_TRUE(drawn.contains(part)) << "mock " << mock << " misses part " << part.toStdString();
    }
}

TEST(DrawPaper, TypeTableDecidesWhichTypesAreDrawn)
{
    ClockScope clock;
    ExamBank bank;
    bank.fill(QStringLiteral("030101"), 11, 5, QStringLiteral("s-"));
    bank.fill(QStringLiteral("030101"), 14, 5, QStringLiteral("m-"));
    bank.fill(QStringLiteral("030101"), 12, 5, QStringLiteral("j-"));
    bank.type(1, 11, 80, 1);
    bank.type(1, 14, 0, 2);  // listed in the draw table, but B2 = 0
    bank.type(1, 12, 10, 1); // B2 > 0, but not in the draw table
    const NewPaper p = createPaper(bank.dm, 1, kDay);
    // Fewer candidates than the draw table asks for: all of them.
    EXPECT_EQ(drawPaper(bank.db(), 1, p.table, store::Random::generator()), 5);
    EXPECT_EQ(bank.column(QStringLiteral("select distinct A13 from ") + p.table), QStringList{"11"});
}

TEST(DrawPaper, OnlyCandidatesOfTheMockReachThePaper)
{
    ClockScope clock;
    ExamBank bank;
    bank.type(4, 70, 10, 1);
    bank.fill(QStringLiteral("100101"), 70, 1, QStringLiteral("in-")); // mock 4 takes 2 of part 10: all it may
    bank.fill(QStringLiteral("010101"), 70, 2, QStringLiteral("out01-")); // "01…" is not part "10"
    bank.fill(QStringLiteral("100101"), 70, 2, QStringLiteral("void-"), 1);
    bank.fill(QStringLiteral("100101"), 70, 1, QStringLiteral("null-"));
    bank.db().exec(QStringLiteral("update tab_answ set F1 = null where A1 like 'null-%'"));
    bank.fill(QStringLiteral("100101"), 70, 1, QStringLiteral("notext-"));
    bank.db().exec(QStringLiteral("delete from tab_exer where A1 like 'notext-%'"));
    const NewPaper p = createPaper(bank.dm, 4, kDay);
    drawPaper(bank.db(), 4, p.table, store::Random::generator());
    EXPECT_EQ(bank.column(QStringLiteral("select A1 from ") + p.table + QStringLiteral(" order by A1")),
              (QStringList{"in-0001"}));
}

TEST(DrawPaper, NoCandidateIsReported)
{
    ClockScope clock;
    ExamBank bank;
    bank.type(5, 64, 6, 1);
    bank.fill(QStringLiteral("030101"), 64, 3, QStringLiteral("s-")); // mock 5 draws from 41…, 05… and 1…
    const NewPaper p = createPaper(bank.dm, 5, kDay);
    for (int mock : {5, 0, 6}) {
        try {
            drawPaper(bank.db(), mock, p.table, store::Random::generator());
            ADD_FAILURE() << "mock " << mock << " drew";
        } catch (const PaperError& e) {
            EXPECT_EQ(e.stage(), PaperError::Stage::NoCandidates) << mock;
        }
    }
}

TEST(DrawPaper, AnInsertFailureLeavesThePaperEmpty)
{
    ClockScope clock;
    ExamBank bank;
    bank.type(1, 11, 80, 1);
    bank.type(1, 14, 40, 1);
    bank.fill(QStringLiteral("030101"), 11, 3, QStringLiteral("s-"));
    bank.fill(QStringLiteral("030101"), 14, 3, QStringLiteral("m-"));
    const NewPaper p = createPaper(bank.dm, 1, kDay);
    bank.db().exec(QStringLiteral("create trigger no_multi before insert on ") + p.table
                   + QStringLiteral(" when new.A13 = 14 begin select raise(abort, 'full'); end"));
    try {
        drawPaper(bank.db(), 1, p.table, store::Random::generator());
        FAIL() << "no error";
    } catch (const PaperError& e) {
        EXPECT_EQ(e.stage(), PaperError::Stage::Draw);
    }
    EXPECT_EQ(bank.number(QStringLiteral("select count(*) from ") + p.table), 0);
}

// ---- the draw's randomness ----------------------------------------------------------------

TEST(DrawPositions, DistinctInRangeAndAllWhenTooFew)
{
    std::mt19937 rng(1);
    const struct {
        int n, count;
        size_t size;
    } cases[] = {{10, 3, 3}, {5, 5, 5}, {3, 8, 3}, {0, 4, 0}, {6, 0, 0}, {6, -2, 0}};
    for (const auto& c : cases) {
        const std::vector<int> p = drawPositions(c.n, c.count, rng);
        EXPECT_EQ(p.size(), c.size) << c.n << "/" << c.count;
        const std::set<int> distinct(p.begin(), p.end());
        EXPECT_EQ(distinct.size(), p.size());
        for (int i : p)
            EXPECT_TRUE(i >= 0 && i < c.n);
    }
}

TEST(DrawPositions, EveryCandidateIsEquallyLikely)
{
    // 3 of 10, 30,000 times: each position is expected 9,000 times. Chi-square with
    // 9 degrees of freedom stays below 27.9 in 999 of 1,000 fair runs.
    std::mt19937 rng(20240506);
    std::array<int, 10> hits{};
    std::map<std::pair<int, int>, int> firstTwo;
    const int draws = 30000;
    for (int i = 0; i < draws; ++i) {
        const std::vector<int> p = drawPositions(10, 3, rng);
        for (int pos : p)
            ++hits[size_t(pos)];
        ++firstTwo[{std::min(p[0], p[1]), std::max(p[0], p[1])}];
    }
    double chi = 0;
    for (int h : hits)
        chi += (h - 9000.0) * (h - 9000.0) / 9000.0;
    EXPECT_LT(chi, 27.9);
    // Pairs too, so the draw is not merely fair position by position: 45 pairs,
    // 44 degrees of freedom, below 78.7 in 999 of 1,000 runs.
    EXPECT_EQ(firstTwo.size(), 45u);
    double chiPairs = 0;
    const double expected = draws / 45.0;
    for (const auto& [pair, n] : firstTwo)
        chiPairs += (n - expected) * (n - expected) / expected;
    EXPECT_LT(chiPairs, 78.7);
}

TEST(DrawPositions, SeededGeneratorRepeatsAndTheProcessGeneratorMovesOn)
{
    store::Random::seed(42);
    const std::vector<int> a = drawPositions(1000, 5, store::Random::generator());
    const std::vector<int> b = drawPositions(1000, 5, store::Random::generator());
    store::Random::seed(42);
    EXPECT_EQ(drawPositions(1000, 5, store::Random::generator()), a);
    EXPECT_NE(a, b) << "two draws in a row (within one clock tick) differ";
}

// ---- opening --------------------------------------------------------------------------------

TEST(OpenPaper, OrdersByTypeThenIdAndClearsCarriedAnswers)
{
    ClockScope clock;
    ExamBank bank;
    for (const auto& [id, type] : std::vector<std::pair<QString, int>>{{"b", 14}, {"c", 11}, {"a", 14}, {"d", 11}}) {
        QuestionRow q;
        q.id = id;
        q.type = type;
        bank.add(q);
    }
    bank.paperOf(QStringLiteral("tab_exam1"), {"b", "c", "a", "d"});
    // Answers a practice screen left in the bank travel with the copied rows.
    bank.db().exec(QStringLiteral("update tab_exam1 set E2_1 = 'C' where A1 in ('a','c')"));
    bank.db().exec(QStringLiteral("update tab_exam1 set E2_1 = null where A1 = 'd'"));

    store::Dataset paper(&bank.db());
    openPaper(bank.db(), paper, QStringLiteral("tab_exam1"), false);
    QStringList order;
    for (paper.first(); !paper.eof(); paper.next())
        order << paper.text("A1") + QLatin1Char('=') + paper.text("E2_1");
    EXPECT_EQ(order, (QStringList{"c=C", "d=", "a=C", "b="}));

    openPaper(bank.db(), paper, QStringLiteral("tab_exam1"), true);
    EXPECT_EQ(bank.column("select A1 || '=' || ifnull(E2_1, '<null>') from tab_exam1 order by A13, A1"),
              (QStringList{"c=", "d=", "a=", "b="}));
}

TEST(OpenPaper, MissingOrEmptyPaperIsReported)
{
    ClockScope clock;
    ExamBank bank;
    store::createPaperTable(bank.db(), QStringLiteral("tab_exam2"));
    store::Dataset paper(&bank.db());
    for (const char* table : {"tab_exam1", "tab_exam2", "tab_answ"}) {
        try {
            openPaper(bank.db(), paper, QString::fromLatin1(table), true);
            ADD_FAILURE() << table << " opened";
        } catch (const PaperError& e) {
            EXPECT_EQ(e.stage(), PaperError::Stage::Open) << table;
        }
    }
}

} // namespace

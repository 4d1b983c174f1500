#include "core/outline/OutlineRules.h"
#include "core/store/Dataset.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <gtest/gtest.h>

using outline::AccuracyBand;
using outline::Counters;

namespace {

class OutlineBank : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = dir.file("bank.db");
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        db = store::Connection::open(path, store::bankKey());
    }
    void node(const QString& id, const QString& name, int bh, Counters c = {})
    {
        db->exec("insert into tab_fgmc (id,n,bh,q,q1,q2,q4) values (:id,:n,:bh,:q,:q1,:q2,:q4)",
                 {{":id", id}, {":n", name}, {":bh", bh}, {":q", c.q}, {":q1", c.q1}, {":q2", c.q2}, {":q4", c.q4}});
    }
    void point(const QString& ftid, const QString& nodeId, const QString& title, qint64 q = 0)
    {
        db->exec("insert into tab_rule (ftid,id,sn,n,q) values (:f,:id,:sn,'text',:q)",
                 {{":f", ftid}, {":id", nodeId}, {":sn", title}, {":q", q}});
    }
    // A question whose K3, K4, … hold the given ids ('' and null kept as given).
    void question(const QString& id, const QList<QVariant>& points)
    {
        store::Params p{{":a1", id}};
        QStringList cols{"A1"}, marks{":a1"};
        for (int i = 0; i < points.size(); ++i) {
            cols << QStringLiteral("K%1").arg(i + 3);
            marks << QStringLiteral(":k%1").arg(i + 3);
            p.emplace_back(marks.back(), points[i]);
        }
        db->exec("insert into tab_answ (" + cols.join(',') + ") values (" + marks.join(',') + ")", p);
    }

    TempDir dir;
    std::unique_ptr<store::Connection> db;
};

TEST(OutlineRules, CountersAreRightAlignedInNineCharacters)
{
    const std::pair<qint64, QString> cases[] = {
        {0, "        0"}, {42, "       42"}, {123456789, "123456789"}, {1234567890, "1234567890"}, {-5, "       -5"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(outline::counterText(value), text) << value;
}

TEST(OutlineRules, OnlyIdsOfOneOrTwoCharactersAreChapterLevel)
{
    const std::pair<QString, bool> cases[] = {{"0", true},       {"01", true},  {" 01 ", true}, {"", false},
                                              {"010", false},    {"0101", false}, {"010101", false}};
    for (const auto& [id, chapter] : cases)
        EXPECT_EQ(outline::isChapterLevelId(id), chapter) << id.toStdString();
}

TEST(OutlineRules, KeyThresholdIsQuestionsPerPointAndNeverBelowOne)
{
    struct Case {
        qint64 q, points;
        int threshold;
    };
    const Case cases[] = {{7, 3, 2}, {2, 3, 1}, {9, 3, 3}, {0, 3, 1}, {5, 0, 1}, {-4, 2, 1}, {600, 1, 600}};
    for (const Case& c : cases)
        EXPECT_EQ(outline::keyThreshold(c.q, c.points), c.threshold) << c.q << "/" << c.points;
    EXPECT_EQ(outline::keyFilter(2), "q >=2");
}

TEST(OutlineRules, PointEntriesShowTheCountOnlyWhenThereAreQuestions)
{
    EXPECT_EQ(outline::pointEntry("数制转换   ", 4), "数制转换(4)");
    EXPECT_EQ(outline::pointEntry("数制转换   ", 0), "数制转换");
    EXPECT_EQ(outline::pointEntry("数制转换", -1), "数制转换");
    EXPECT_EQ(outline::pointEntry("  前导空格 ", 1), "  前导空格(1)");
}

TEST(OutlineRules, PointNoteGivesTheCountersOrTheReadingNote)
{
    const outline::PointNote some = outline::pointNote({12, 5, 9, 3});
    EXPECT_EQ(some.text, "相关题数：12题  已做题数：5题  已做道次：9次  做错道次：3次");
    EXPECT_TRUE(some.practicable);
    for (qint64 q : {0, -1}) {
        const outline::PointNote none = outline::pointNote({q, 0, 0, 0});
        EXPECT_EQ(none.text, "虽然针对该内容的习题没有，您仍要仔细阅读！");
        EXPECT_FALSE(none.practicable);
    }
}

TEST(OutlineRules, MasteryFiguresOfNodes)
{
    struct Case {
        Counters c;
        bool practised;
        int coverage, accuracy;
        AccuracyBand band;
        QString spoken;
    };
    const Case cases[] = {
        {{10, 4, 8, 2}, true, 40, 75, AccuracyBand::Middle, "已覆盖 40%，正确率 75%"},
        {{5, 5, 10, 0}, true, 100, 100, AccuracyBand::High, "已覆盖 100%，正确率 100%"},
        {{20, 8, 10, 2}, true, 40, 80, AccuracyBand::High, "已覆盖 40%，正确率 80%"},
        {{20, 8, 10, 5}, true, 40, 50, AccuracyBand::Low, "已覆盖 40%，正确率 50%"},
        {{20, 8, 10, 10}, true, 40, 0, AccuracyBand::Low, "已覆盖 40%，正确率 0%"},
        // Small shares neither vanish nor round up to everything.
        {{1000, 1, 1000, 1}, true, 1, 99, AccuracyBand::High, "已覆盖 1%，正确率 99%"},
        {{30, 0, 0, 0}, false, 0, 0, AccuracyBand::Neutral, "尚未练习"},
        {{0, 0, 0, 0}, false, 0, 0, AccuracyBand::Neutral, "暂无习题"},
        // Counters out of order are taken at their bounds.
        {{3, 5, 2, 4}, true, 100, 0, AccuracyBand::Low, "已覆盖 100%，正确率 0%"},
    };
    for (const Case& c : cases) {
        const outline::Mastery m = outline::mastery(c.c);
        SCOPED_TRACE(c.spoken.toStdString());
        EXPECT_EQ(m.practised, c.practised);
        EXPECT_EQ(m.coveragePercent, c.coverage);
        EXPECT_EQ(m.accuracyPercent, c.accuracy);
        EXPECT_EQ(m.band, c.band);
        EXPECT_EQ(m.spoken, c.spoken);
        EXPECT_GE(m.coverage, 0.0);
        EXPECT_LE(m.coverage, 1.0);
    }
}

TEST_F(OutlineBank, OutlineIsReadInOutlineOrderWithTrimmedIds)
{
    node("020001", "第二节", 3, {4, 3, 2, 1});
    node("01", "第一章", 1);
    node("010001 ", "第一节", 2, {7, 1, 1, 0});
    const std::vector<outline::OutlineRow> rows = outline::readOutline(*db);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].id, "01");
    EXPECT_EQ(rows[1].id, "010001");
    EXPECT_EQ(rows[1].counters.q, 7);
    EXPECT_EQ(rows[2].name, "第二节");
    EXPECT_EQ(rows[2].counters.q4, 1);
}

TEST_F(OutlineBank, PointsOfANodeAreCountedAndOpenedInIdOrder)
{
    point("01000103", "010001", "第三", 1);
    point("01000101", "010001", "第一", 5);
    point("02000101", "020001", "别处", 2);
    point("01'00101", "01'001", "引号", 2);
    EXPECT_EQ(outline::pointCount(*db, "010001"), 2);
    EXPECT_EQ(outline::pointCount(*db, "01'001"), 1);
    EXPECT_EQ(outline::pointCount(*db, "999999"), 0);

    store::Dataset points(db.get());
    points.setFilter("q >=3");
    points.setFiltered(true);
    outline::openNodePoints(points, "010001");
    ASSERT_EQ(points.recordCount(), 2); // a filter left from the key points is cleared
    EXPECT_EQ(points.text("ftid"), "01000101");
    EXPECT_EQ(outline::countersOf(points).q, 5);
    points.next();
    EXPECT_EQ(points.text("sn"), "第三");
    points.close();
    EXPECT_EQ(outline::countersOf(points).q, 0);
}

TEST_F(OutlineBank, SearchFindsNodeAndPointTitlesInOutlineOrder)
{
    node("01", "第一章", 1);
    node("010001 ", "校验与纠错", 2);
    node("010002", "数据的表示", 3);
    point("01000102", "010001 ", "海明校验码");
    point("01000101", "010001", "奇偶校验");
    point("01000201", "010002", "循环冗余校验码");
    point("01000202", "010002", "进制");
    const std::vector<outline::OutlineRow> rows = outline::readOutline(*db);
    const struct {
        const char* text;
        std::vector<std::pair<int, const char*>> hits; // row, ftid ('' for the node)
    } cases[] = {
        {" 校验 ", {{1, ""}, {1, "01000101"}, {1, "01000102"}, {2, "01000201"}}},
        {"校验码", {{1, "01000102"}, {2, "01000201"}}},
        {"第一", {{0, ""}}},
        {"编译", {}},
        {"  ", {}},
        {"'", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<int, QString>> got;
        for (const outline::SearchHit& h : outline::searchOutline(*db, rows, QString::fromUtf8(c.text)))
            got.emplace_back(h.row, h.ftid);
        std::vector<std::pair<int, QString>> want;
        for (const auto& [row, ftid] : c.hits)
            want.emplace_back(row, QString::fromUtf8(ftid));
        EXPECT_EQ(got, want) << c.text;
    }
    EXPECT_EQ(outline::nextHit(-1, 3), 0);
    EXPECT_EQ(outline::nextHit(1, 3), 2);
    EXPECT_EQ(outline::nextHit(2, 3), 0);
    EXPECT_EQ(outline::nextHit(-1, 0), -1);
    EXPECT_EQ(outline::notFoundText(" 校验码 "), QStringLiteral("未找到与“校验码”有关的考点！"));
}

TEST_F(OutlineBank, PracticeSetHoldsEveryQuestionListingThePointInAnyColumn)
{
    const QString p = "01'00101";
    question("in-k3", {p});
    question("in-k12", {"x1", "x2", "x3", "x4", "x5", "x6", "x7", "x8", "x9", p});
    question("after-gap", {"x1", QString(""), p}); // counted although K4 is empty
    question("other", {"01000101", QVariant()});
    question("none", {});
    question("prefix", {"01'001010"});

    const practice::PracticeStatement s = outline::pointPracticeStatement(p);
    EXPECT_FALSE(s.sql.contains(p)); // bound, not written into the statement
    store::Dataset set(db.get());
    set.setSql(s.sql);
    for (const auto& [name, value] : s.params)
        set.setParam(name, value);
    set.open();
    QStringList ids;
    for (set.first(); !set.eof(); set.next())
        ids << set.text("a1");
    ids.sort();
    EXPECT_EQ(ids, QStringList({"after-gap", "in-k12", "in-k3"}));
    for (const char* column : {"a1", "a2", "a2_1", "k3", "k12", "a10", "a13", "a14", "e1", "e2", "e2_1", "e3", "e4", "f1", "csbs"})
        EXPECT_TRUE(set.hasColumn(column)) << column;
    EXPECT_TRUE(set.canModify()); // the practice screen posts answers through it
}

} // namespace

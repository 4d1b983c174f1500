#include "support/TempBank.h"

#include "bank/BankCheck.h"
#include "core/exam/PaperDraw.h"
#include "core/store/Connection.h"
#include "core/store/RtfWriter.h"
#include "core/store/Statistics.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The demo bank as the build made it, copied so that nothing touches the pristine file.
class DemoBank : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(QStringLiteral(TESVORA_DEMO_BANK))) << "build the demo_bank target first";
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), m_dir.file(QStringLiteral("ZT468913.db"))));
        db = store::Connection::open(m_dir.file(QStringLiteral("ZT468913.db")), store::bankKey());
    }

    int count(const QString& sql, const store::Params& params = {}) { return db->scalar(sql, params).toInt(); }

    TempDir m_dir;
    std::unique_ptr<store::Connection> db;
};

struct Draw {
    int type;
    QString prefix;
    int count;
};
struct Mock {
    int number;
    QString clause; // in front of the condition on f1, as the paper draw writes it
    QList<Draw> draws;
};

// The draw tables of the five mocks, for every type the demo bank holds.
QList<Mock> mocks()
{
    QList<Mock> m;
    for (int number = 1; number <= 5; ++number) {
        QStringList ors;
        for (const QString& p : exam::candidatePrefixes(number))
            ors << QStringLiteral("Left(A10,%1) = '%2'").arg(p.size()).arg(p);
        Mock mock{number, QLatin1Char('(') + ors.join(QStringLiteral(" or ")) + QStringLiteral(") and"), {}};
        for (int type : {11, 12, 13, 14, 15, 22, 64, 70, 72, 73, 74})
            for (const exam::DrawEntry& e : exam::drawsOf(number, type))
                mock.draws.append({e.type, e.prefix, e.count});
        m << mock;
    }
    return m;
}

} // namespace

TEST_F(DemoBank, EveryMockDrawHasRoomToSpare)
{
    for (const Mock& mock : mocks()) {
        const QString table = QStringLiteral("tab_tx%1").arg(mock.number);
        QHash<int, int> drawn; // per type, what the draw table takes
        for (const Draw& d : mock.draws) {
            // The candidate set of the paper filtered as one draw filters it.
            const int candidates = count(QStringLiteral("select count(*) from tab_answ where ") + mock.clause
                                             + QStringLiteral(" (f1 <> 1) and A13 = :t and A10 like :p"),
                                         {{QStringLiteral(":t"), d.type}, {QStringLiteral(":p"), d.prefix + QLatin1Char('%')}});
            EXPECT_GE(candidates, int(std::ceil(1.5 * d.count)))
                << "mock " << mock.number << ", type " << d.type << " from \"" << d.prefix.toStdString() << "\": " << candidates << " candidates for " << d.count;
            drawn[d.type] += d.count;
        }
        // A drawn type needs B2 > 0 in the paper's type table, and a full paper is what the table scores.
        for (auto it = drawn.cbegin(); it != drawn.cend(); ++it)
            EXPECT_EQ(count(QStringLiteral("select B2 from %1 where A1 = :t").arg(table), {{QStringLiteral(":t"), it.key()}}), it.value())
                << table.toStdString() << " type " << it.key();
        const int total = store::PaperTotalScore(*db, table);
        EXPECT_EQ(total % 10, 0) << table.toStdString() << " full score " << total;
        if (mock.number == 1) {
            EXPECT_EQ(total, 160);
        }
    }
}

TEST_F(DemoBank, TheCheckReportsEachMockPapersSpreadByPart)
{
    const bank::CheckReport report = bank::checkBank(*db);
    ASSERT_EQ(report.mocks.size(), 5);
    for (const Mock& mock : mocks()) {
        // Every part the draw table names, with what it gives, and the paper's total.
        QHash<QString, int> byPart;
        int total = 0;
        for (const Draw& d : mock.draws) {
            byPart[d.prefix.left(2)] += d.count;
            total += d.count;
        }
        const QString line = report.mocks[mock.number - 1];
        EXPECT_TRUE(line.startsWith(exam::mockTitle(mock.number) + QStringLiteral(": "))) << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral(" = %1").arg(total))) << line.toStdString();
        for (auto it = byPart.cbegin(); it != byPart.cend(); ++it)
            EXPECT_TRUE(line.contains(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()))) << line.toStdString();
    }
    EXPECT_EQ(report.mocks[4], QStringLiteral("模拟考试（五）: 05 2, 1 1, 41 3 = 6"));
}

TEST_F(DemoBank, CheckFindsItClean)
{
    const bank::CheckReport report = bank::checkBank(*db);
    QStringList all = report.integrity;
    for (const auto& p : report.problems + report.history + report.skew)
        all << p.toString();
    for (const auto& d : report.repairable)
        all << d.toString();
    EXPECT_TRUE(report.clean()) << all.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(report.keys.contains(QStringLiteral("book questions without analysis: 0"))) << report.keys.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DemoBank, EveryTypeIsOfferedByEveryPaper)
{
    QSet<int> used;
    for (const auto& row : db->query(QStringLiteral("select distinct A13 from tab_answ")).values)
        used.insert(row[0].toInt());
    for (int paper = 1; paper <= 5; ++paper) {
        QSet<int> offered;
        for (const auto& row : db->query(QStringLiteral("select A1, time from tab_tx%1").arg(paper)).values) {
            offered.insert(row[0].toInt());
            EXPECT_GE(row[1].toDouble(), 0.5);
            EXPECT_LE(row[1].toDouble(), 10.0);
        }
        EXPECT_EQ(offered, used) << "tab_tx" << paper;
    }
    // Single, multiple, true/false, fill-in, self-assessed and the drawn subjective types.
    for (int type : {11, 12, 13, 14, 22, 64, 70, 72, 73, 74})
        EXPECT_TRUE(used.contains(type)) << type;
    const QStringList subjective = {QStringLiteral("简答"), QStringLiteral("主观"), QStringLiteral("论述"), QStringLiteral("案例分析"),
                                    QStringLiteral("名词解释"), QStringLiteral("查找错误"), QStringLiteral("综合"), QStringLiteral("计算")};
    for (const auto& row : db->query(QStringLiteral("select A1, B1 from tab_tx1 where A1 in (22, 64, 70, 72, 73, 74)")).values)
        EXPECT_TRUE(subjective.contains(row[1].toString())) << row[0].toInt() << " " << row[1].toString().toStdString();
}

TEST_F(DemoBank, LooksLikeARealBook)
{
    const int questions = count(QStringLiteral("select count(*) from tab_answ"));
    EXPECT_GE(questions, 700);
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_answ where A1 not like '%-%' and length(A1) <> 12")), 0);
    EXPECT_GE(count(QStringLiteral("select count(*) from tab_title")), 3) << "case groups";
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_answ where K3 is null or K3 = '' or (K4 <> '' and K5 <> '' and K6 <> '')")), 0)
        << "every question has 1 to 3 exam points";
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_rule where q = 0")), 0) << "every outline point has questions";

    // Every question of the book explains itself.
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_exer where jx is not null and length(jx) > 0")), questions);

    const int charted = count(QStringLiteral("select count(*) from tab_kmmc where C7 = '0'"));
    // The chart shows one bar per part of the book.
    EXPECT_GE(charted, 8);
    EXPECT_LE(charted, 15);
    EXPECT_GT(count(QStringLiteral("select count(*) from tab_kmmc where length(C1) = 4 and jx is not null")), 0);
    EXPECT_GT(count(QStringLiteral("select count(*) from tab_kmmc where length(C1) = 4 and jx is null")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_kmmc where C1 = 'xx'")), 1);
    for (int length : {1, 2, 4, 6})
        EXPECT_GT(count(QStringLiteral("select count(*) from tab_kmmc where length(C1) = :n"), {{QStringLiteral(":n"), length}}), 0) << length;

    // No placeholder anywhere in the texts a candidate reads.
    const QStringList placeholders = {QStringLiteral("示例题"), QStringLiteral("lorem"), QStringLiteral("题目内容"), QStringLiteral("TODO"),
                                      QStringLiteral("待补充"), QStringLiteral("XXX")};
    for (const auto& row : db->query(QStringLiteral("select A1, A15, jx from tab_exer union all select A1, A15, NULL from tab_title "
                                                    "union all select ftid, n, NULL from tab_rule")).values) {
        const QString text = store::plainTextOfRtf(row[1].toByteArray()) + store::plainTextOfRtf(row[2].toByteArray());
        EXPECT_FALSE(text.trimmed().isEmpty()) << row[0].toString().toStdString();
        for (const QString& p : placeholders)
            EXPECT_FALSE(text.contains(p, Qt::CaseInsensitive)) << row[0].toString().toStdString() << " holds " << p.toStdString();
    }

    // The plan and the bank's own upgrade row; no history yet.
    const store::Rows plan = db->query(QStringLiteral("select * from tab_plan"));
    ASSERT_EQ(plan.size(), 1);
    EXPECT_EQ(plan.at(0, QStringLiteral("PlanMark")).toInt(), 0);
    EXPECT_EQ(plan.at(0, QStringLiteral("PlanAmount")).toInt(), 50);
    EXPECT_EQ(plan.at(0, QStringLiteral("PlanTime")).toInt(), 60);
    EXPECT_EQ(plan.at(0, QStringLiteral("LeastMark")).toInt(), 60);
    EXPECT_EQ(plan.at(0, QStringLiteral("ExamTime")).toInt(), 7200);
    const QDate examDate = QDate::fromString(plan.at(0, QStringLiteral("ExamDate")).toString(), Qt::ISODate);
    EXPECT_TRUE(examDate.isValid());
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_sj where cpbs <> '' and sjbs <> ''")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_cj")) + count(QStringLiteral("select count(*) from tab_rz")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from tab_answ where E3 <> 0 or E2 <> '' or F1 <> 0")), 0);
}

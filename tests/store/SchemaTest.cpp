#include "core/store/Migrations.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using store::Connection;
using store::DbError;

namespace {

std::unique_ptr<Connection> newBank(const TempDir& t, const QString& name = QStringLiteral("bank.db"))
{
    auto db = Connection::create(t.file(name), store::bankKey());
    store::createBankSchema(*db);
    return db;
}

QStringList lower(QStringList l)
{
    for (QString& s : l)
        s = s.toLower();
    return l;
}

QString planOf(Connection& db, const QString& sql, const store::Params& params = {})
{
    const store::Rows r = db.query(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, params);
    QString plan;
    for (int i = 0; i < r.size(); ++i)
        plan += r.at(i, QStringLiteral("detail")).toString() + QLatin1Char('\n');
    return plan;
}

const QStringList kQuestionColumns = {
    "a1", "a2", "a2_1", "k3", "k4", "k5", "k6", "k7", "k8", "k9", "k10", "k11", "k12",
    "a10", "a13", "a14", "e1", "e2", "e2_1", "e3", "e4"};

const QStringList kBankTables = {
    "answer_log", "answer_log_bin", "book_removal", "bookmark", "forecast_day", "memory_state", "search_built", "search_doc", "search_fts", "search_fts_segdir", "search_fts_segments", "search_fts_stat",
    "tab_answ", "tab_cj", "tab_exer", "tab_fgmc", "tab_kmmc", "tab_ksrun", "tab_plan", "tab_rule", "tab_rz", "tab_sj",
    "tab_title", "tab_tx1", "tab_tx2", "tab_tx3", "tab_tx4", "tab_tx5", "unlogged_answered"};

} // namespace

TEST(Schema, NewBankHasEveryTableWithItsColumnsAndKeys)
{
    TempDir t;
    auto db = newBank(t);
    struct Case {
        const char* table;
        QStringList columns;
        QStringList key;
    } cases[] = {
        {"tab_answ", kQuestionColumns + QStringList{"csbs", "f1", "xx", "ecount"}, {"a1"}},
        {"tab_exer", {"a1", "a15", "jx"}, {"a1"}},
        {"tab_title", {"a1", "a15"}, {"a1"}},
        {"tab_kmmc", {"c1", "c1_1", "c2", "c3", "c4", "d1", "d2", "c6", "c7", "bh", "jx"}, {"c1"}},
        {"tab_fgmc", {"id", "n", "bh", "q", "q1", "q2", "q4"}, {"id"}},
        {"tab_rule", {"ftid", "id", "sn", "n", "q", "q1", "q2", "q4"}, {"ftid"}},
        {"tab_cj", {"a1", "a3", "a3_1", "a6", "d1", "d2"}, {"a1"}},
        {"tab_rz", {"a1", "b1", "b2", "a2", "a3", "d1", "a4"}, {"a1"}},
        {"tab_plan", {"planmark", "planamount", "plantime", "examdate", "leastmark", "examtime"}, {}},
        {"tab_sj", {"sjbs", "cpbs"}, {}},
        {"tab_tx1", {"a1", "b1", "b2", "b3", "time"}, {"a1"}},
        {"tab_tx5", {"a1", "b1", "b2", "b3", "time"}, {"a1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        EXPECT_EQ(lower(db->columnsOf(c.table)), c.columns);
        EXPECT_EQ(lower(db->primaryKeyOf(c.table)), c.key);
    }
    EXPECT_EQ(db->tables(), kBankTables);
    EXPECT_EQ(db->scalar("PRAGMA user_version").toInt(), store::newestBankVersion());
}

TEST(Schema, ValuesKeepTheirFormAndCountersStartAtZero)
{
    TempDir t;
    auto db = newBank(t);
    const QByteArray picture("\x89PNG\x00\x01", 6);
    db->exec("insert into tab_answ (A1,A2,A14,E2,A10,E1) values (:a1,'',:note,null,'010101',:day)",
             {{":a1", "0001"}, {":note", "007"}, {":day", QDate(2024, 3, 9)}});
    db->exec("insert into tab_exer (A1,A15,jx) values ('0001','{\\rtf1 x}',:jx)", {{":jx", picture}});
    // An upgrade file may carry NULL counters: they arrive as 0, the merge does not fail.
    db->exec("insert into tab_kmmc (C1,C2,C3,C4,D1,D2) values ('01','part',null,null,null,null)");
    db->exec("insert into tab_rz (A1) values (:d)", {{":d", QDate(2024, 3, 9)}});

    const store::Rows q = db->query("select A2,A14,E2,E1,E2_1,E3,E4,F1,typeof(A14) t14 from tab_answ");
    EXPECT_EQ(q.at(0, "A14").toString(), "007");
    EXPECT_EQ(q.at(0, "t14").toString(), "text");
    EXPECT_TRUE(q.at(0, "A2").isValid() && q.at(0, "A2").toString().isEmpty()) << "'' must stay ''";
    EXPECT_FALSE(q.at(0, "E2").isValid()) << "NULL must stay NULL";
    EXPECT_EQ(q.at(0, "E1").toString(), "2024-03-09");
    EXPECT_EQ(q.at(0, "E2_1").toString(), "");
    EXPECT_EQ(q.at(0, "E3").toInt(), 0);
    EXPECT_EQ(q.at(0, "E4").toInt(), 0);
    EXPECT_EQ(q.at(0, "F1").toInt(), 0);
    EXPECT_EQ(db->scalar("select jx from tab_exer").toByteArray(), picture);
    EXPECT_EQ(db->scalar("select C3+C4+D1+D2 from tab_kmmc").toInt(), 0);
    EXPECT_EQ(db->scalar("select C6 from tab_kmmc").toString(), "0");
    EXPECT_EQ(db->scalar("select A2+A3+B1+B2 from tab_rz").toInt(), 0);
}

TEST(Schema, CreatingOverAnExistingBankFailsAndChangesNothing)
{
    TempDir t;
    auto db = newBank(t);
    db->exec("insert into tab_kmmc (C1,C2) values ('1','subject')");
    db->exec("PRAGMA user_version = 7");
    EXPECT_THROW(store::createBankSchema(*db), DbError);
    EXPECT_EQ(db->scalar("select count(*) from tab_kmmc").toInt(), 1);
    EXPECT_EQ(db->scalar("PRAGMA user_version").toInt(), 7);
    EXPECT_EQ(db->tables(), kBankTables);
}

TEST(Schema, PaperTablesHaveTheQuestionLayoutAndAcceptEmptyAnswers)
{
    TempDir t;
    auto db = newBank(t);
    store::createPaperTable(*db, "tab_exam12");
    const QStringList paperColumns = kQuestionColumns + QStringList{"jx", "csbs", "f1"};
    EXPECT_EQ(lower(db->columnsOf("tab_exam12")), paperColumns);
    EXPECT_EQ(lower(db->primaryKeyOf("tab_exam12")), QStringList{"a1"});

    // A paper is filled from the bank by column name, then every answer is cleared.
    db->exec("insert into tab_answ (A1,A2,A10,A13,A14,csbs) values ('q1','AB','010101',14,'',null)");
    db->exec("insert into tab_exer (A1,jx) values ('q1',x'0102')");
    db->exec("insert into tab_exam12(a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,E3,E4,JX,CSBS,F1)"
             " Select a.a1 as a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,b.jx as jx,"
             "a.csbs as csbs,a.f1 as f1  from tab_answ a,tab_exer b where a.a1=b.a1");
    db->exec("update tab_exam12 set E2_1=''");
    const store::Rows r = db->query("select A2,A14,E2_1,jx,typeof(jx) tj from tab_exam12");
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r.at(0, "E2_1").toString(), "");
    EXPECT_TRUE(r.at(0, "E2_1").isValid());
    EXPECT_EQ(r.at(0, "A14").toString(), "");
    EXPECT_EQ(r.at(0, "tj").toString(), "blob");
}

TEST(Schema, OnlyPaperTableNamesReachTheStatement)
{
    for (const char* bad : {"tab_answ", "tab_exam", "tab_examx", "tab_exam1; drop table tab_answ", "tab_exam1 (x)", "", " tab_exam1"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(store::isPaperTableName(bad));
        EXPECT_THROW(store::paperTableSql(bad), DbError);
    }
    for (const char* good : {"tab_exam1", "tab_exam007", "TAB_EXAM15"})
        EXPECT_TRUE(store::isPaperTableName(good)) << good;
    EXPECT_TRUE(store::paperTableSql("tab_exam3").startsWith("CREATE TABLE tab_exam3 (A1 TEXT(20) NOT NULL PRIMARY KEY,"));
}

// The chapter range must pick exactly the rows of the plain prefix test, and find
// them through the chapter index.
TEST(Schema, ChapterConditionSelectsTheRowsOfThePrefixTestThroughTheIndex)
{
    TempDir t;
    auto db = newBank(t);
    const QStringList a10s = {"1201", "120101", "120199", "1202", "120201", "12", "120", "1200zz", "11",
                              "1201章", "12'0", "12'01", "12'1", "13", "1", "", QString::fromUtf8("12\xef\xbf\xbf"), "12\xef\xbf\xbf" "01"};
    int n = 0;
    for (const QString& a10 : a10s)
        db->exec("insert into tab_answ (A1,A10) values (:a1,:a10)", {{":a1", QString::number(++n)}, {":a10", a10}});
    db->exec("insert into tab_answ (A1,A10) values ('null',null)");

    const auto ids = [&](const QString& sql, const store::Params& params) {
        QStringList out;
        for (const auto& row : db->query(sql, params).values)
            out << row[0].toString();
        return out;
    };
    const QString lastChar = QString::fromUtf8("12\xef\xbf\xbf"); // no text just above it: lower bound only
    for (const QString& code : QStringList{"1201", "12", "1", "12'0", "120", "9", lastChar}) {
        SCOPED_TRACE(code.toStdString());
        const QString plain = QStringLiteral("select a1 from tab_answ where (left(A10,%1) = :code) order by a1").arg(code.size());
        const QString ranged = QStringLiteral("select a1 from tab_answ where %1 order by a1").arg(store::chapterCondition(code));
        EXPECT_EQ(ids(ranged, store::chapterParams(code)), ids(plain, {{":code", code}}));
        if (code != lastChar) {
            EXPECT_TRUE(planOf(*db, ranged).contains("ix_answ_a10")) << planOf(*db, ranged).toStdString();
        }
    }
}

TEST(Schema, PointConditionSelectsTheQuestionsOfAPointThroughTheIndexes)
{
    TempDir t;
    auto db = newBank(t);
    db->exec("insert into tab_answ (A1,K3,K4,K12) values ('a','p1',null,null),('b','p2','p1',null),('c','p2','p3','p1'),"
             "('d','','p1x',null),('e',null,null,null),('f','P1',null,null)");
    const auto ids = [&](const QString& where) {
        QStringList out;
        for (const auto& row : db->query("select a1 from tab_answ where " + where + " order by a1", {{":ftid", "p1"}}).values)
            out << row[0].toString();
        return out;
    };
    EXPECT_EQ(ids(store::pointCondition()), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(ids(store::pointCondition()), ids(":ftid in (k3,k4,k5,k6,k7,k8,k9,k10,k11,k12)"));
    const QString plan = planOf(*db, "select a1 from tab_answ where " + store::pointCondition());
    for (const char* index : {"ix_answ_k3", "ix_answ_k7", "ix_answ_k12"})
        EXPECT_TRUE(plan.contains(index)) << plan.toStdString();
}

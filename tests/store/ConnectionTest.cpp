#include "core/store/Connection.h"
#include "core/store/JetFunctions.h"
#include "support/TempBank.h"

#include <gtest/gtest.h>

using store::Connection;
using store::DbError;

namespace {

std::unique_ptr<Connection> makeBank(const QString& path)
{
    auto c = Connection::create(path, store::bankKey());
    c->execScript(QStringLiteral("CREATE TABLE t (a TEXT PRIMARY KEY, b INTEGER, c BLOB);"));
    c->exec(QStringLiteral("INSERT INTO t VALUES (:a, :b, :c)"),
            {{":a", QStringLiteral("k'1")}, {":b", 7}, {":c", QByteArray("\x00\x01", 2)}});
    return c;
}

} // namespace

TEST(Connection, OpenFailuresLeaveTheFileUnchanged)
{
    TempDir t;
    const QString bank = t.file("bank.db");
    makeBank(bank)->close();
    const QString junk = t.file("junk.db");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    const QString empty = t.file("empty.db");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Case {
        const char* name;
        QString path;
        QByteArray key;
        DbError::Kind kind;
    } cases[] = {
        {"wrong key", bank, "not-the-key", DbError::Kind::NotADatabase},
        {"no key", bank, {}, DbError::Kind::NotADatabase},
        {"not a database", junk, store::bankKey(), DbError::Kind::NotADatabase},
        {"empty file", empty, store::bankKey(), DbError::Kind::NotADatabase},
        {"missing file", t.file("absent.db"), store::bankKey(), DbError::Kind::Missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = fileDigest(c.path);
        try {
            Connection::open(c.path, c.key);
            FAIL() << "opened";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.message().toStdString();
        }
        EXPECT_EQ(fileDigest(c.path), before);
        EXPECT_FALSE(QFile::exists(c.path + "-wal"));
    }
    EXPECT_FALSE(QFile::exists(t.file("absent.db")));
}

TEST(Connection, RoundTripsValuesThroughParameters)
{
    TempDir t;
    const QString bank = t.file("bank.db");
    makeBank(bank)->close();
    auto c = Connection::open(bank, store::bankKey());
    const auto rows = c->query(QStringLiteral("select a, b, c from t where a = :a"), {{":a", QStringLiteral("k'1")}});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0, "A").toString(), QStringLiteral("k'1"));
    EXPECT_EQ(rows.at(0, "b").toLongLong(), 7);
    EXPECT_EQ(rows.at(0, "C").toByteArray(), QByteArray("\x00\x01", 2));
    EXPECT_EQ(c->scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    EXPECT_EQ(c->tables(), QStringList{QStringLiteral("t")});
    EXPECT_TRUE(c->hasTable(QStringLiteral("T")));
    EXPECT_EQ(c->primaryKeyOf(QStringLiteral("t")), QStringList{QStringLiteral("a")});
    // A second connection (another user of the same file) sees the data.
    auto other = Connection::open(bank, store::bankKey());
    EXPECT_EQ(other->scalar(QStringLiteral("select count(*) from t")).toLongLong(), 1);
}

TEST(Connection, NestedTransactionsRollBackInner)
{
    TempDir t;
    auto c = makeBank(t.file("bank.db"));
    {
        store::Transaction outer(*c);
        c->exec(QStringLiteral("update t set b = 8"));
        {
            store::Transaction inner(*c);
            c->exec(QStringLiteral("update t set b = 9"));
        } // rolled back
        EXPECT_EQ(c->scalar(QStringLiteral("select b from t")).toLongLong(), 8);
        outer.commit();
    }
    EXPECT_EQ(c->scalar(QStringLiteral("select b from t")).toLongLong(), 8);
    {
        store::Transaction outer(*c);
        c->exec(QStringLiteral("update t set b = 10"));
    }
    EXPECT_EQ(c->scalar(QStringLiteral("select b from t")).toLongLong(), 8);
}

TEST(Connection, JoinedTransactionLeavesTheDecisionToTheOpenOne)
{
    TempDir t;
    auto c = makeBank(t.file("bank.db"));
    using Nesting = store::Transaction::Nesting;
    {
        store::Transaction alone(*c, Nesting::Join); // nothing open: a transaction of its own
        c->exec(QStringLiteral("update t set b = 5"));
    }
    EXPECT_EQ(c->scalar(QStringLiteral("select b from t")).toLongLong(), 7) << "rolled back on its own";
    {
        store::Transaction outer(*c);
        {
            store::Transaction joined(*c, Nesting::Join);
            c->exec(QStringLiteral("update t set b = 6"));
        } // no rollback of its own
        EXPECT_EQ(c->scalar(QStringLiteral("select b from t")).toLongLong(), 6);
        {
            store::Transaction joined(*c, Nesting::Join);
            c->exec(QStringLiteral("update t set b = 7"));
            joined.commit(); // not durable yet: the outer one decides
        }
    } // outer rolled back: both joined changes go
    EXPECT_EQ(c->scalar(QStringLiteral("select b from t")).toLongLong(), 7);
    store::Transaction next(*c); // the depth is back to none
    next.commit();
}

TEST(Connection, JetFunctions)
{
    TempDir t;
    auto c = makeBank(t.file("bank.db"));
    struct Case {
        const char* expr;
        QVariant expected;
    } cases[] = {
        {"Left('030102', 2)", QStringLiteral("03")},
        {"left('章节名称', 3)", QStringLiteral("章节名")},
        {"Right('U00000000012', 4)", QStringLiteral("0012")},
        {"Len('考点abc')", qint64(5)},
        {"Len('')", qint64(0)},
        {"CINT('0012')", qint64(12)},
        {"CINT(Right('U0000000012', 4))", qint64(12)},
        {"CINT(2.5)", qint64(2)},
        {"CINT(3.5)", qint64(4)},
        {"CINT('-1.5')", qint64(-2)},
        {"Left(NULL, 2)", QVariant()},
        {"Right('abc', NULL)", QVariant()},
        {"Len(NULL)", QVariant()},
        {"CINT(NULL)", QVariant()},
        {"Rtrim('ab  ')", QStringLiteral("ab")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.expr);
        const QVariant v = c->scalar(QStringLiteral("select %1").arg(QString::fromUtf8(k.expr)));
        EXPECT_EQ(v.isNull(), k.expected.isNull());
        if (!k.expected.isNull())
            EXPECT_EQ(v, k.expected);
    }
    EXPECT_THROW(c->scalar(QStringLiteral("select CINT('abc')")), DbError);
    EXPECT_THROW(c->scalar(QStringLiteral("select CINT(40000)")), DbError);
}

TEST(Connection, TranslatesJetSpellingsOutsideQuotes)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"select * from t where left(A10,2) = '03'", "select * from t where jet_left(A10,2) = '03'"},
        {"select Right (a1,4) from t", "select jet_right (a1,4) from t"},
        {"select 'left(x)' from t left join u on 1", "select 'left(x)' from t left join u on 1"},
        {"delete * from tab_rz", "delete from tab_rz"},
        {"select \"left\"(1)", "select \"left\"(1)"},
        {"select myleft(1), it's", "select myleft(1), it's"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store::translateJetSql(QString::fromUtf8(c.in)), QString::fromUtf8(c.out));
}

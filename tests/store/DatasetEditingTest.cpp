#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "store/DatasetFixture.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

// Editing through a dataset: posting, keys, appends and deletes, read-only selects, failures.
using namespace datasettest;
using store::DbError;

TEST(Dataset, PostWritesOnlyChangedColumnsAtOnce)
{
    Bank b;
    auto other = b.second();
    Dataset ds(b.conn.get());
    openAnsw(ds, "select * from answ where A13 = :t order by A1");
    ASSERT_EQ(ds.recordCount(), 0) << "a missing parameter binds NULL";
    ds.close();
    ds.setParam("t", 11);
    ds.open();
    ASSERT_EQ(ds.recordCount(), 4);
    EXPECT_EQ(ds.tableName(), "answ");
    ASSERT_TRUE(ds.locate("A1", "q3"));
    // Someone else changes another column after we read the row: our post must not undo it.
    other->exec("update answ set C1 = 'theirs' where A1 = 'q3'");

    ds.edit();
    ds.setValue("e1", QDate(2024, 5, 6));
    ds.setValue("F1", 2);
    ds.setValue("note", QStringLiteral("它's"));
    EXPECT_EQ(ds.state(), Dataset::State::Edit);
    EXPECT_EQ(ds.integer("f1"), 2) << "pending values read back before the post";
    EXPECT_TRUE(other->scalar("select F1 from answ where A1 = 'q3'").isNull());
    ds.post();
    EXPECT_EQ(ds.state(), Dataset::State::Browse);

    const auto row = other->query("select E1, F1, note, C1 from answ where A1 = 'q3'");
    EXPECT_EQ(row.at(0, "E1").toString(), "2024-05-06");
    EXPECT_EQ(row.at(0, "F1").toLongLong(), 2);
    EXPECT_EQ(row.at(0, "note").toString(), QStringLiteral("它's"));
    EXPECT_EQ(row.at(0, "C1").toString(), "theirs");
    EXPECT_EQ(ds.date("E1"), QDate(2024, 5, 6));
    EXPECT_EQ(ds.value("F1").typeId(), QMetaType::LongLong) << "the row is read back as stored";
    EXPECT_EQ(ds.text("C1"), "theirs");

    // setValue on a browsed row starts the edit; moving on posts it.
    ds.setValue("F1", 0);
    ds.next();
    EXPECT_EQ(other->scalar("select F1 from answ where A1 = 'q3'").toLongLong(), 0);
    EXPECT_EQ(ds.text("A1"), "q5");

    // Cancel drops the pending values.
    ds.setValue("A13", 99);
    ds.cancel();
    EXPECT_EQ(ds.integer("A13"), 11);
    EXPECT_EQ(other->scalar("select A13 from answ where A1 = 'q5'").toLongLong(), 11);
    // Close drops them too.
    ds.setValue("A13", 98);
    ds.close();
    EXPECT_EQ(other->scalar("select A13 from answ where A1 = 'q5'").toLongLong(), 11);
}

TEST(Dataset, KeyChangeAppendAndDelete)
{
    Bank b;
    auto other = b.second();
    Dataset ds(b.conn.get());
    ds.setTable("answ", "A1");
    ds.open();

    // Key change: updated by the old key, the row then answers to the new one.
    ds.locate("A1", "q2");
    ds.setValue("A1", QStringLiteral("U0001"));
    ds.post();
    EXPECT_EQ(other->scalar("select count(*) from answ where A1 = 'q2'").toLongLong(), 0);
    EXPECT_EQ(other->scalar("select A10 from answ where A1 = 'U0001'").toString(), "030102");
    ds.setValue("A10", QStringLiteral("040404"));
    ds.post();
    EXPECT_EQ(other->scalar("select A10 from answ where A1 = 'U0001'").toString(), "040404");

    // Append: written at once, defaults come back from the table, the new row is current at the end.
    QSignalSpy layout(&ds, &Dataset::layoutChanged);
    ds.moveTo(2);
    ds.append();
    EXPECT_EQ(ds.state(), Dataset::State::Insert);
    EXPECT_TRUE(ds.isNull("A1"));
    ds.setValue("A1", QStringLiteral("U0002"));
    ds.setValue("A13", 11);
    ds.post();
    EXPECT_EQ(other->scalar("select A13 from answ where A1 = 'U0002'").toLongLong(), 11);
    EXPECT_EQ(ds.recordCount(), 7);
    EXPECT_EQ(ds.recNo(), 7);
    EXPECT_EQ(ds.text("note"), "none");
    EXPECT_EQ(layout.count(), 1);

    // Append then cancel: nothing written, back where we were.
    ds.moveTo(3);
    ds.append();
    ds.setValue("A1", QStringLiteral("U0003"));
    ds.cancel();
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_EQ(ds.recordCount(), 7);
    EXPECT_EQ(other->scalar("select count(*) from answ where A1 = 'U0003'").toLongLong(), 0);

    // Delete: gone from the file; the next row becomes current, or the new last one.
    const QString third = ds.text("A1");
    ds.remove();
    EXPECT_EQ(other->scalar("select count(*) from answ where A1 = :a", {{":a", third}}).toLongLong(), 0);
    EXPECT_EQ(ds.recordCount(), 6);
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_NE(ds.text("A1"), third);
    ds.last();
    ds.remove();
    EXPECT_EQ(ds.recNo(), 5);
    EXPECT_EQ(other->scalar("select count(*) from answ").toLongLong(), 5);
    EXPECT_EQ(walk(ds).size(), 5);
}

TEST(Dataset, RowidKeyedTables)
{
    Bank b;
    auto other = b.second();
    Dataset ds(b.conn.get());
    // No primary key, and two rows alike in every visible column but the id.
    ds.setSql("select n, q from OutLine where n = 'same' order by bh");
    ds.open();
    EXPECT_TRUE(ds.canModify());
    EXPECT_EQ(ds.tableName(), "OutLine");
    EXPECT_EQ(ds.columns(), (QStringList{"n", "q"}));
    ds.next();
    ds.setValue("q", 42);
    ds.post();
    EXPECT_EQ(other->scalar("select q from outline where id = '0102'").toLongLong(), 42);
    EXPECT_EQ(other->scalar("select q from outline where id = '0101'").toLongLong(), 3);

    // A keyed table read without its key column is written by rowid as well.
    Dataset part(b.conn.get());
    part.setSql("select A10, A13 from answ where A1 = 'q4'");
    part.open();
    part.setValue("A13", 15);
    part.post();
    EXPECT_EQ(other->scalar("select A13 from answ where A1 = 'q4'").toLongLong(), 15);

    // A row appended to a rowid table can be edited and deleted straight away.
    ds.append();
    ds.setValue("n", QStringLiteral("same"));
    ds.post();
    ds.setValue("q", 7);
    ds.post();
    EXPECT_EQ(other->scalar("select q from outline where id is null").toLongLong(), 7);
    ds.remove();
    EXPECT_EQ(other->scalar("select count(*) from outline").toLongLong(), 4);

    // Aliases, sub-selects in the where clause and trailing semicolons keep the base table.
    for (const char* sql : {"select * from outline o where o.q >= 1", "SELECT n FROM [outline] WHERE id IN (SELECT id FROM outline)",
                            "select *\nfrom outline as x -- note\n;"}) {
        SCOPED_TRACE(sql);
        Dataset s(b.conn.get());
        s.setSql(QString::fromUtf8(sql));
        s.open();
        EXPECT_EQ(s.tableName(), "outline");
        EXPECT_TRUE(s.canModify());
    }
}

TEST(Dataset, SelectsWithoutOneBaseTableAreReadOnly)
{
    Bank b;
    const char* const sqls[] = {
        "select a.A1, o.n from answ a, outline o",
        "select a.A1 from answ a join outline o on o.id = a.C1",
        "select a.A1 from answ a left join outline o on o.id = a.C1",
        "select count(*) as c from answ",
        "select sum(A6) as s, max(A6) from answ where A13 = 11",
        "select A13 from answ group by A13",
        "select distinct A13 from answ",
        "select * from (select * from answ)",
        "select A1 from answ union select id from outline",
        "select 1 as one",
    };
    for (const char* sql : sqls) {
        SCOPED_TRACE(sql);
        Dataset ds(b.conn.get());
        ds.setSql(QString::fromUtf8(sql));
        ds.open();
        EXPECT_EQ(ds.tableName(), QString());
        EXPECT_FALSE(ds.canModify());
        for (auto op : {+[](Dataset& d) { d.edit(); }, +[](Dataset& d) { d.append(); }, +[](Dataset& d) { d.remove(); },
                        +[](Dataset& d) { d.setValue(d.columns().first(), 1); }}) {
            try {
                op(ds);
                FAIL() << "modified a read-only select";
            } catch (const DbError& e) {
                EXPECT_EQ(e.kind(), DbError::Kind::Usage);
            }
        }
        EXPECT_EQ(ds.state(), Dataset::State::Browse);
    }
    // A computed column of an editable select is not written.
    Dataset ds(b.conn.get());
    ds.setSql("select A1, len(A10) as l from answ");
    ds.open();
    EXPECT_THROW(ds.setValue("l", 3), DbError);
    // Names from outside never reach SQL text.
    EXPECT_THROW(ds.setTable("answ; drop table answ"), DbError);
    EXPECT_THROW(ds.setTable("answ", "A1; drop table answ"), DbError);
    EXPECT_TRUE(b.conn->hasTable("answ"));
}

TEST(Dataset, FailedPostKeepsTheEditAndTheRow)
{
    Bank b;
    auto other = b.second();
    Dataset ds(b.conn.get());
    ds.setTable("answ", "A1");
    ds.open();
    ds.locate("A1", "q2");
    struct Case {
        const char* column;
        QVariant value;
    } const cases[] = {
        {"A1", QStringLiteral("q3")}, // duplicate key
        {"A1", QVariant()},           // NOT NULL key
        {"note", QVariant()},         // NOT NULL column
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        ds.setValue(QString::fromUtf8(c.column), c.value);
        try {
            ds.post();
            FAIL() << "posted";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Kind::Constraint) << e.message().toStdString();
        }
        EXPECT_EQ(ds.state(), Dataset::State::Edit);
        EXPECT_EQ(ds.value(QString::fromUtf8(c.column)), c.value) << "the pending value is kept";
        // Navigation posts first, so it fails too and the cursor stays.
        EXPECT_THROW(ds.next(), DbError);
        EXPECT_EQ(ds.recNo(), 2);
        ds.cancel();
        EXPECT_EQ(ds.text("A1"), "q2");
        EXPECT_EQ(ds.text("note"), "none");
    }
    EXPECT_EQ(other->scalar("select count(*) from answ where A1 = 'q2' and note = 'none'").toLongLong(), 1);

    // An append that fails keeps its values until cancelled; nothing is added.
    ds.append();
    ds.setValue("A1", QStringLiteral("q1"));
    EXPECT_THROW(ds.post(), DbError);
    EXPECT_EQ(ds.state(), Dataset::State::Insert);
    EXPECT_EQ(ds.text("A1"), "q1");
    ds.cancel();
    EXPECT_EQ(ds.recordCount(), 6);
    EXPECT_EQ(ds.recNo(), 2);

    // The row vanished under us: the update reaches no row and says so.
    other->exec("delete from answ where A1 = 'q2'");
    ds.setValue("F1", 1);
    EXPECT_THROW(ds.post(), DbError);
    EXPECT_EQ(ds.state(), Dataset::State::Edit);
    ds.cancel();
}

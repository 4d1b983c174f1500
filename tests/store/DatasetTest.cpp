#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "core/store/DatasetModel.h"
#include "support/StatementTrace.h"
#include "support/TempBank.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <array>
#include <functional>
#include <gtest/gtest.h>

using store::Connection;
using store::Dataset;
using store::DatasetModel;
using store::DbError;

namespace {

// Six questions that between them hit every filter edge: NULLs, a quote, mixed case.
const char* kSchema = R"(
CREATE TABLE answ (A1 TEXT NOT NULL PRIMARY KEY, A10 TEXT, A13 SMALLINT, F1 SMALLINT, A6 REAL,
                   E1 DATETIME, C1 TEXT, note TEXT NOT NULL DEFAULT 'none', jx BLOB);
INSERT INTO answ (A1, A10, A13, F1, A6, E1, C1) VALUES
  ('q1', '030101', 11, 0,    75.5, '2024-03-01', '01'),
  ('q2', '030102', 11, 1,    60,   NULL,         'xx'),
  ('q3', '030103', 11, NULL, 59.9, '2024-03-02', '0301'),
  ('q4', '030201', 14, 0,    NULL, '2024-03-01', 'XX'),
  ('q5', '0301a',  11, 2,    90,   '2024-03-04', 'it''s'),
  ('q6', NULL,     12, 0,    60,   '2024-03-05', NULL);
CREATE TABLE outline (id TEXT, n TEXT, q INTEGER, bh INTEGER);
INSERT INTO outline VALUES ('01', 'first', 0, 1), ('0101', 'same', 3, 2), ('0102', 'same', 1, 3), ('02', 'last', NULL, 4);
)";

struct Bank {
    TempDir dir;
    QString path = dir.file("bank.db");
    std::unique_ptr<Connection> conn;

    Bank()
    {
        conn = Connection::create(path, store::bankKey());
        conn->execScript(QString::fromUtf8(kSchema));
    }
    // Another user of the same file: proves a change was written, not just kept in memory.
    std::unique_ptr<Connection> second() const { return Connection::open(path, store::bankKey()); }
};

// The visible rows of a column, walked with the cursor from first to eof; checks recNo on the way.
QStringList walk(Dataset& ds, const QString& column = QStringLiteral("A1"))
{
    QStringList out;
    ds.first();
    int n = 0;
    while (!ds.eof()) {
        ++n;
        EXPECT_EQ(ds.recNo(), n);
        out << ds.text(column);
        ds.next();
    }
    EXPECT_EQ(ds.recordCount(), n);
    EXPECT_EQ(ds.recNo(), 0);
    return out;
}

QStringList list(const char* csv)
{
    return QString::fromUtf8(csv).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void openAnsw(Dataset& ds, const char* sql = "select * from answ order by A1")
{
    ds.setSql(QString::fromUtf8(sql));
    ds.open();
}

} // namespace

TEST(Dataset, NavigationAndRowNumbers)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_FALSE(ds.bof());
    EXPECT_EQ(walk(ds), list("q1 q2 q3 q4 q5 q6"));
    EXPECT_TRUE(ds.eof());
    ds.next(); // stays past the end
    EXPECT_TRUE(ds.eof());
    ds.last();
    EXPECT_EQ(ds.recNo(), 6);
    EXPECT_FALSE(ds.eof());
    ds.prior();
    EXPECT_EQ(ds.text("a1"), "q5");
    ds.first();
    ds.prior();
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 0);
    EXPECT_TRUE(ds.isNull("A1")) << "no current row reads as NULL";
    ds.next();
    EXPECT_EQ(ds.text("A1"), "q1");

    EXPECT_TRUE(ds.moveTo(4));
    EXPECT_EQ(ds.text("A1"), "q4");
    EXPECT_FALSE(ds.moveTo(0));
    EXPECT_FALSE(ds.moveTo(7));
    EXPECT_EQ(ds.recNo(), 4) << "an out-of-range move leaves the cursor";

    Dataset none(b.conn.get());
    openAnsw(none, "select * from answ where A1 = 'absent'");
    EXPECT_TRUE(none.eof());
    EXPECT_TRUE(none.bof());
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.recNo(), 0);
    EXPECT_EQ(walk(none), QStringList());
}

TEST(Dataset, TypedFieldsAndCaseInsensitiveColumns)
{
    Bank b;
    b.conn->exec("update answ set jx = :jx, C1 = ' 12 ' where A1 = 'q1'", {{":jx", QByteArray("\x00\xff", 2)}});
    Dataset ds(b.conn.get());
    openAnsw(ds);
    EXPECT_EQ(ds.columns().first(), "A1");
    EXPECT_FALSE(ds.columns().contains("tesvora_rowid", Qt::CaseInsensitive));
    EXPECT_TRUE(ds.hasColumn("e1"));
    EXPECT_EQ(ds.columnIndex("a13"), ds.columnIndex("A13"));
    EXPECT_EQ(ds.integer("a13"), 11);
    EXPECT_DOUBLE_EQ(ds.real("A6"), 75.5);
    EXPECT_EQ(ds.integer("A6"), 76) << "a real read as an integer rounds";
    EXPECT_EQ(ds.integer("c1"), 12) << "a numeric text reads as its number";
    EXPECT_EQ(ds.date("e1"), QDate(2024, 3, 1));
    EXPECT_EQ(ds.bytes("JX"), QByteArray("\x00\xff", 2));
    EXPECT_FALSE(ds.isNull("F1"));
    ds.locate("A1", "q2");
    EXPECT_TRUE(ds.isNull("e1"));
    EXPECT_FALSE(ds.date("E1").isValid());
    EXPECT_EQ(ds.text("E1"), QString());
    EXPECT_EQ(ds.integer("E1"), 0);
    ds.locate("A1", "q5");
    EXPECT_EQ(ds.integer("A10"), 0) << "a non-numeric text reads as 0";
    EXPECT_EQ(ds.text("c1"), "it's");

    try {
        ds.value("nope");
        FAIL() << "an unknown column must not read as NULL";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::Kind::Usage);
        EXPECT_TRUE(e.message().contains("nope"));
    }
}

TEST(Dataset, FilterForms)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    struct Case {
        const char* filter;
        const char* ids;
    } const cases[] = {
        {"A13=11", "q1 q2 q3 q5"},
        {" a13 = 11 ", "q1 q2 q3 q5"},
        // q3 has the type and the chapter but F1 is NULL: NULL fails "f1<>1".
        {"A13=11 and a10 like '03*' and f1<>1", "q1 q5"},
        {"A13=11 AND A10 LIKE '03*' AND F1<>1", "q1 q5"},
        {"f1<>1", "q1 q4 q5 q6"},
        {"A6 >=60", "q1 q2 q5 q6"},
        {"A6>= 60.0", "q1 q2 q5 q6"},
        {"A6 < 60", "q3"},
        {"A6 > 59.95", "q1 q2 q5 q6"},
        {"A6<=60 and A13=12", "q6"},
        {"A13 <> 11", "q4 q6"},
        {"A13 = -3", ""},
        // Texts compare without case, as the old engine did; NULL never matches.
        {"c1<>'xx'", "q1 q3 q5"},
        {"C1 = 'XX'", "q2 q4"},
        {"c1='it''s'", "q5"},
        {"E1 = '2024-03-01'", "q1 q4"},
        {"E1 >= '2024-03-02'", "q3 q5 q6"},
        {"a10 like '03*'", "q1 q2 q3 q4 q5"},
        {"a10 like '03?1*'", "q1 q2 q3 q5"},
        {"a10 like '*1'", "q1 q4"},
        {"a10 like '%01%'", "q1 q2 q3 q4 q5"},
        {"a10 like '0301A'", "q5"},
        {"a10 like '0301'", ""},
        {"c1 like 'x*'", "q2 q4"},
        {"c1 like '*'", "q1 q2 q3 q4 q5"},
        {"a13 like '1?'", "q1 q2 q3 q4 q5 q6"},
        {"", "q1 q2 q3 q4 q5 q6"},
    };
    ds.setFiltered(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        ds.setFilter(QString::fromUtf8(c.filter));
        EXPECT_EQ(walk(ds), list(c.ids));
    }

    // The outline's point threshold, on a table without a key.
    Dataset outline(b.conn.get());
    outline.setTable("outline");
    outline.setFilter("q >=1");
    outline.setFiltered(true);
    outline.open();
    EXPECT_EQ(walk(outline, "id"), list("0101 0102"));
}

TEST(Dataset, BadFiltersAndSortsAreRefusedAndKeepWhatWasInForce)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    ds.setFilter("A13=11");
    ds.setFiltered(true);
    ASSERT_EQ(ds.recordCount(), 4);
    const char* const badFilters[] = {
        "A13",              // no comparison
        "A13=",             // no operand
        "A13=11 and",       // dangling and
        "A13=11 or A13=14", // only "and" joins
        "A13==11",
        "c1<>'xx",          // unclosed quote
        "a10 like 03",      // like needs a pattern
        "=11",
        "A13=11 A6>1",
        "nosuch=1",         // unknown column
    };
    for (const char* f : badFilters) {
        SCOPED_TRACE(f);
        try {
            ds.setFilter(QString::fromUtf8(f));
            FAIL() << "accepted";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Kind::Usage);
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_EQ(ds.filter(), "A13=11");
        EXPECT_EQ(ds.recordCount(), 4);
    }
    for (const char* s : {"A1 UP", "nosuch DESC", "A1 DESC extra", ",", "A1;drop"}) {
        SCOPED_TRACE(s);
        EXPECT_THROW(ds.setSort(QString::fromUtf8(s)), DbError);
        EXPECT_EQ(ds.sort(), QString());
    }
    // A filter on a column the next statement lacks fails at open, with a clear message.
    ds.close();
    ds.setSql("select A1 from answ");
    ds.setFilter("A13=11");
    EXPECT_THROW(ds.open(), DbError);
    EXPECT_FALSE(ds.isOpen());
    ds.setFiltered(false);
    ds.open();
    EXPECT_EQ(ds.recordCount(), 6);
}

TEST(Dataset, RowNumbersAndNavigationSeeTheFilteredRowsOnly)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    ds.moveTo(6);
    ds.setFilter("A13=11");
    EXPECT_EQ(ds.recordCount(), 6) << "the text alone does not filter";
    ds.setFiltered(true);
    EXPECT_EQ(ds.recordCount(), 4);
    EXPECT_EQ(ds.recNo(), 1) << "filtering starts at the first match";
    ASSERT_TRUE(ds.moveTo(4));
    EXPECT_EQ(ds.text("A1"), "q5");
    EXPECT_FALSE(ds.moveTo(5));
    ds.prior();
    EXPECT_EQ(ds.text("A1"), "q3");
    EXPECT_FALSE(ds.locate("A1", "q4")) << "hidden rows are not found";
    EXPECT_EQ(ds.text("A1"), "q3");
    EXPECT_EQ(ds.valueAt(1, "a1").toString(), "q2");
    EXPECT_FALSE(ds.valueAt(4, "a1").isValid());
    ds.setFilter("A13=99");
    EXPECT_TRUE(ds.eof() && ds.bof());
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 6);
    // The filter stays set across close and open.
    ds.setFilter("A13=14");
    ds.setFiltered(true);
    ds.close();
    ds.open();
    EXPECT_EQ(walk(ds), list("q4"));
}

TEST(Dataset, SortIsStableMultiKeyAndPutsNullFirst)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    struct Case {
        const char* sort;
        const char* ids;
    } const cases[] = {
        {"a13, a10 DESC", "q5 q3 q2 q1 q6 q4"},
        {"A13 DESC,A10", "q4 q6 q1 q2 q3 q5"},
        {"A6 DESC", "q5 q1 q2 q6 q3 q4"}, // q2 and q6 tie: kept in their order
        {"A6", "q4 q3 q2 q6 q1 q5"},
        {"a6 ASC", "q4 q3 q2 q6 q1 q5"},
        {"A1 DESC", "q6 q5 q4 q3 q2 q1"},
        {"C1", "q6 q1 q3 q5 q2 q4"}, // NULL first; 'xx' and 'XX' equal without case
        {"", "q1 q2 q3 q4 q5 q6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sort);
        ds.setSort(QString::fromUtf8(c.sort));
        EXPECT_EQ(walk(ds), list(c.ids));
    }
    // Sort and filter together; the current row survives a re-sort.
    ds.setFilter("A13=11");
    ds.setFiltered(true);
    ds.setSort("A6 DESC");
    EXPECT_EQ(walk(ds), list("q5 q1 q2 q3"));
    ds.locate("A1", "q2");
    ds.setSort("A1 DESC");
    EXPECT_EQ(ds.text("A1"), "q2");
    EXPECT_EQ(ds.recNo(), 3);
    // Text numbers sort as texts, numbers as numbers (no '10' < '9' surprise for integers).
    Dataset outline(b.conn.get());
    b.conn->exec("insert into outline values ('03', 'ten', 10, 5)");
    outline.setTable("outline");
    outline.setSort("q DESC");
    outline.open();
    EXPECT_EQ(walk(outline, "id"), list("03 0101 0102 01 02"));
}

TEST(Dataset, Locate)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    struct Case {
        const char* column;
        QVariant value;
        const char* found; // '' when not found
    } const cases[] = {
        {"a1", QStringLiteral("q3"), "q3"},
        {"A1", QStringLiteral("Q3"), ""}, // texts compare exactly
        {"A13", 14, "q4"},
        {"A13", qint64(12), "q6"},
        {"A13", QStringLiteral("14"), "q4"}, // a text that reads as the number
        {"A6", 60, "q2"},                      // integer finds the real 60.0
        {"A6", 59.9, "q3"},
        {"E1", QDate(2024, 3, 2), "q3"},       // a date equals its ISO text
        {"E1", QStringLiteral("2024-03-04"), "q5"},
        {"F1", QVariant(), "q3"},              // NULL finds NULL
        {"C1", QStringLiteral("it's"), "q5"},
        {"C1", QStringLiteral("0301"), "q3"},
        {"A13", 15, ""},
        {"A10", QStringLiteral(""), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = " + c.value.toString().toStdString());
        ds.moveTo(1);
        EXPECT_EQ(ds.locate(QString::fromUtf8(c.column), c.value), *c.found != 0);
        EXPECT_EQ(ds.text("A1"), *c.found ? QString::fromUtf8(c.found) : QStringLiteral("q1"));
    }
    EXPECT_THROW(ds.locate("nosuch", 1), DbError);
}

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

TEST(Dataset, CloneIsAnIndependentSnapshot)
{
    Bank b;
    Dataset ds(b.conn.get());
    openAnsw(ds);
    ds.setFilter("A13=11");
    ds.setFiltered(true);
    ds.setSort("A1 DESC");
    ds.moveTo(2);
    auto copy = ds.clone();
    EXPECT_EQ(copy->recNo(), 1);
    EXPECT_FALSE(copy->filtered());
    EXPECT_EQ(walk(*copy), list("q1 q2 q3 q4 q5 q6")) << "the select's order, unfiltered";
    EXPECT_EQ(ds.recNo(), 2) << "walking the clone leaves the original";
    EXPECT_EQ(ds.text("A1"), "q3");

    ds.setValue("C1", QStringLiteral("changed"));
    ds.post();
    ds.append();
    ds.setValue("A1", QStringLiteral("q7"));
    ds.post();
    copy->locate("A1", "q3");
    EXPECT_EQ(copy->text("C1"), "0301") << "a snapshot taken at clone time";
    EXPECT_EQ(copy->recordCount(), 6);

    // The clone writes to the same table.
    copy->setValue("A13", 12);
    copy->post();
    EXPECT_EQ(b.conn->scalar("select A13 from answ where A1 = 'q3'").toLongLong(), 12);
}

TEST(Dataset, RefreshKeepsTheCurrentRowByKey)
{
    Bank b;
    auto other = b.second();
    Dataset ds(b.conn.get());
    ds.setTable("answ", "A1");
    ds.setFilter("A13=11");
    ds.setFiltered(true);
    ds.open();
    ds.locate("A1", "q3");
    other->exec("insert into answ (A1, A13) values ('a0', 11)");
    other->exec("update answ set C1 = 'new' where A1 = 'q3'");
    ds.refresh();
    EXPECT_EQ(ds.recordCount(), 5);
    EXPECT_EQ(ds.text("A1"), "q3");
    EXPECT_EQ(ds.recNo(), 4);
    EXPECT_EQ(ds.text("C1"), "new");
    // When the row is gone the cursor keeps its position.
    other->exec("delete from answ where A1 = 'q3'");
    ds.refresh();
    EXPECT_EQ(ds.recNo(), 4);
    EXPECT_EQ(ds.text("A1"), "q5");
}

TEST(Dataset, Signals)
{
    Bank b;
    Dataset ds(b.conn.get());
    QSignalSpy current(&ds, &Dataset::currentChanged);
    QSignalSpy values(&ds, &Dataset::valuesChanged);
    QSignalSpy layout(&ds, &Dataset::layoutChanged);
    const auto counts = [&] { return std::array<qsizetype, 3>{current.count(), values.count(), layout.count()}; };
    const auto reset = [&] {
        current.clear();
        values.clear();
        layout.clear();
    };
    ds.setTable("answ", "A1");
    ds.open();
    EXPECT_EQ(counts(), (std::array<qsizetype, 3>{1, 0, 1}));
    struct Case {
        const char* what;
        std::function<void()> op;
        std::array<qsizetype, 3> expected; // current, values, layout
    } const cases[] = {
        {"first on the first row", [&] { ds.first(); }, {0, 0, 0}},
        {"next", [&] { ds.next(); }, {1, 0, 0}},
        {"moveTo", [&] { ds.moveTo(3); }, {1, 0, 0}},
        {"locate elsewhere", [&] { ds.locate("A1", "q1"); }, {1, 0, 0}},
        {"setValue", [&] { ds.setValue("C1", "x"); }, {0, 1, 0}},
        {"post", [&] { ds.post(); }, {0, 1, 0}},
        {"setValue, cancel", [&] { ds.setValue("C1", "y"); ds.cancel(); }, {0, 2, 0}},
        {"filter", [&] { ds.setFilter("A13=11"); ds.setFiltered(true); }, {1, 0, 1}},
        {"sort", [&] { ds.setSort("A1 DESC"); }, {1, 0, 1}},
        {"append, post", [&] { ds.append(); ds.setValue("A1", "z"); ds.post(); }, {2, 1, 1}},
        {"remove", [&] { ds.remove(); }, {1, 0, 1}},
        {"refresh", [&] { ds.refresh(); }, {1, 0, 1}},
        {"close", [&] { ds.close(); }, {1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        c.op();
        EXPECT_EQ(counts(), c.expected);
    }
}

TEST(DatasetModel, ShowsChosenColumnsAndFollowsTheDataset)
{
    Bank b;
    Dataset ds(b.conn.get());
    ds.setTable("outline", "bh");
    ds.open();
    DatasetModel model(&ds);
    model.setColumns({{"N", "名称"},
                      {"q", "数目", Qt::AlignRight | Qt::AlignVCenter},
                      {"bh", "序", Qt::AlignCenter, [](const QVariant& v) { return QStringLiteral("#%1").arg(v.toInt()); }}});
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "数目");
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "first");
    EXPECT_EQ(model.data(model.index(3, 1)).toString(), QString()) << "NULL shows empty";
    EXPECT_EQ(model.data(model.index(2, 2)).toString(), "#3");
    EXPECT_EQ(model.data(model.index(1, 1), Qt::EditRole).toLongLong(), 3);
    EXPECT_EQ(Qt::Alignment(model.data(model.index(1, 1), Qt::TextAlignmentRole).toInt()), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    ds.setFilter("q >=1");
    ds.setFiltered(true);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "1");

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    ds.moveTo(2);
    ds.setValue("q", 5);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>().row(), 1);
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "5") << "the grid shows the pending value";
    ds.post();

    // Without chosen columns every column shows, captioned by name.
    DatasetModel all(&ds);
    EXPECT_EQ(all.columnCount(), 4);
    EXPECT_EQ(all.headerData(0, Qt::Horizontal).toString(), "id");
    ds.close();
    EXPECT_EQ(model.rowCount(), 0);

    // A model that outlives its dataset shows nothing rather than reading freed rows.
    auto owned = std::make_unique<Dataset>(b.conn.get());
    owned->setTable("outline");
    owned->open();
    DatasetModel orphan(owned.get());
    ASSERT_EQ(orphan.rowCount(), 4);
    QSignalSpy orphanReset(&orphan, &QAbstractItemModel::modelReset);
    owned.reset();
    EXPECT_EQ(orphanReset.count(), 1);
    EXPECT_EQ(orphan.rowCount(), 0);
    EXPECT_FALSE(orphan.data(orphan.index(0, 0)).isValid());
}

TEST(DatasetModel, SelectionAndDatasetKeepTheSameCurrentRow)
{
    Bank b;
    Dataset ds(b.conn.get());
    ds.setTable("answ", "A1");
    ds.open();
    DatasetModel model(&ds);
    QItemSelectionModel selection(&model);
    ds.moveTo(3);
    EXPECT_TRUE(model.syncCurrent(&selection));
    EXPECT_EQ(selection.currentIndex().row(), 2);
    EXPECT_TRUE(selection.isRowSelected(2, {}));

    model.bindSelection(&selection);
    // Grid -> dataset.
    selection.setCurrentIndex(model.index(4, 1), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(ds.recNo(), 5);
    // Dataset -> grid, including after a locate, a filter and a sort.
    ds.locate("A1", "q2");
    EXPECT_EQ(selection.currentIndex().row(), 1);
    ds.setFilter("c1<>'xx'");
    ds.setFiltered(true);
    ds.locate("A1", "q5");
    EXPECT_EQ(selection.currentIndex().row(), 2);
    ds.setSort("A1 DESC");
    EXPECT_EQ(ds.text("A1"), "q5");
    EXPECT_EQ(selection.currentIndex().row(), 0);
    EXPECT_TRUE(selection.isRowSelected(0, {}));
    ds.next();
    ds.next();
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_FALSE(selection.currentIndex().isValid()) << "no current row, no current grid row";

    // A move from the grid that cannot post the pending edit is refused and reported.
    ds.first();
    ds.setValue("A1", QStringLiteral("q1")); // duplicate key
    QSignalSpy failed(&model, &DatasetModel::moveFailed);
    selection.setCurrentIndex(model.index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_EQ(selection.currentIndex().row(), 0);
    ds.cancel();
}

// The shapes the screens use, a question set of ~25 columns: opening runs the same
// statements for 20 rows as for 2,000 (no query per row), and walking, filtering and
// sorting run none. Timings of the same shapes are in bench/.
TEST(Dataset, OpensWithTheSameStatementsWhateverItsSizeAndWalksFiltersSortsWithNone)
{
    QStringList opened[2];
    const int sizes[] = {20, 2000};
    for (int i = 0; i < 2; ++i) {
        const int size = sizes[i];
        SCOPED_TRACE(size);
        Bank b;
        QStringList cols;
        for (int c = 0; c < 24; ++c)
            cols << QStringLiteral("c%1 TEXT").arg(c);
        b.conn->execScript(QStringLiteral("CREATE TABLE big (A1 TEXT PRIMARY KEY, A13 INTEGER, %1);").arg(cols.join(',')));
        {
            store::Transaction tx(*b.conn);
            for (int r = 0; r < size; ++r)
                b.conn->exec(QStringLiteral("insert into big (A1, A13, c0, c5, c9) values (:a, :t, '030101', 'a fairly ordinary line of text', :n)"),
                             {{":a", QStringLiteral("Q%1").arg(r, 6, 10, QLatin1Char('0'))}, {":t", 11 + r % 4}, {":n", r}});
            tx.commit();
        }
        Dataset ds(b.conn.get());
        ds.setTable("big");
        StatementTrace trace(b.conn->handle());
        ds.open();
        opened[i] = trace.statements();
        trace.clear();
        qint64 sum = 0;
        int rows = 0;
        for (ds.first(); !ds.eof(); ds.next()) {
            sum += ds.integer("a13") + ds.text("C9").size();
            ++rows;
        }
        ds.setFilter("A13=11 and c0 like '03*' and c9 <> '7'");
        ds.setFiltered(true);
        ds.setSort("a13, c9 DESC");
        EXPECT_EQ(trace.statements(), QStringList()) << "walking, filtering and sorting stay in memory";
        EXPECT_EQ(rows, size);
        EXPECT_EQ(ds.recordCount(), size / 4);
        EXPECT_GT(sum, 0);
    }
    EXPECT_FALSE(opened[0].isEmpty());
    EXPECT_EQ(opened[1], opened[0]);
}


#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "core/store/DatasetModel.h"
#include "support/StatementTrace.h"
#include "store/DatasetFixture.h"
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

using namespace datasettest;

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


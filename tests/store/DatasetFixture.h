#pragma once

// A small bank of six questions and an outline table for the dataset tests.
#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "support/TempBank.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace datasettest {

using store::Connection;
using store::Dataset;


// Six questions that between them hit every filter edge: NULLs, a quote, mixed case.
inline const char* kSchema = R"(
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
inline QStringList walk(Dataset& ds, const QString& column = QStringLiteral("A1"))
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

inline QStringList list(const char* csv)
{
    return QString::fromUtf8(csv).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

inline void openAnsw(Dataset& ds, const char* sql = "select * from answ order by A1")
{
    ds.setSql(QString::fromUtf8(sql));
    ds.open();
}

} // namespace datasettest

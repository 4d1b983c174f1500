#pragma once

#include "store/Connection.h"

#include <QObject>
#include <QVariant>
#include <memory>
#include <vector>

namespace store {

// The rows of one select, read into memory, with a cursor over them: the old
// engine's dataset as the screens use it. Edits are written at once (post) to the
// select's base table by its key. Column names are case-insensitive.
//
// Filters (client side; row count, row numbers and navigation see matching rows only):
//   A13=11   A13=11 and a10 like '03*' and f1<>1   A6 >=60   q >=1   c1<>'xx'
// i.e. comparisons (= <> < <= > >=, like with * as wildcard) of a column with a
// number or a quoted text, joined by "and". Sort: "A3_1 DESC", "A1 ASC", "a,b DESC".
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Dataset(Connection* conn = nullptr, QObject* parent = nullptr);
    ~Dataset() override;

    void setConnection(Connection* conn);
    Connection* connection() const { return m_conn; }

    // A query: any select. A table: "select * from <table>" with an optional order.
    void setSql(const QString& sql);
    QString sql() const { return m_sql; }
    void setTable(const QString& table, const QString& orderBy = {});
    QString tableName() const { return m_table; } // base table of the select ('' when none)
    void setParam(const QString& name, const QVariant& value);
    void clearParams();

    void open();   // runs the select; throws DbError
    void close();  // drops the rows; filter and sort texts are kept
    void refresh(); // re-runs the select, keeps the current row by key when it can
    bool isOpen() const { return m_state != State::Inactive; }
    bool active() const { return isOpen(); }
    State state() const { return m_state; }

    // Navigation (over the visible rows: filtered and sorted).
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;  // past the last row (or no rows)
    bool bof() const;  // before the first row (or no rows)
    int recordCount() const;
    int recNo() const;           // 1-based; 0 when there is no current row
    void moveTo(int recNo);      // 1-based
    bool locate(const QString& column, const QVariant& value); // first match becomes current
    bool isEmpty() const { return recordCount() == 0; }

    // Fields of the current row.
    QStringList columns() const;
    bool hasColumn(const QString& column) const;
    QVariant value(const QString& column) const;
    QString text(const QString& column) const;    // '' for null
    qint64 integer(const QString& column) const;  // 0 for null or non-numeric
    double real(const QString& column) const;
    QDate date(const QString& column) const;
    QByteArray bytes(const QString& column) const;
    bool isNull(const QString& column) const;

    // Editing the current row / a new row; post() writes at once.
    void edit();
    void append();
    void setValue(const QString& column, const QVariant& value);
    void post();
    void cancel();
    void remove(); // deletes the current row from the base table

    // Client-side filter and sort.
    void setFilter(const QString& filter);
    QString filter() const { return m_filter; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    void setSort(const QString& sort);
    QString sort() const { return m_sort; }

    // A second cursor over the same rows (a snapshot taken now).
    std::unique_ptr<Dataset> clone(QObject* parent = nullptr) const;

    // For grids: visible row i (0-based) without moving the cursor.
    QVariant valueAt(int visibleRow, const QString& column) const;
    int columnIndex(const QString& column) const; // -1 when absent

Q_SIGNALS:
    void currentChanged();          // the current row moved (or the set was (re)opened/closed)
    void valuesChanged();           // a field of the current row changed (set, post, cancel)
    void layoutChanged();           // rows appeared/disappeared (open, filter, sort, delete, append)

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    Connection* m_conn = nullptr;
    QString m_sql;
    QString m_table;
    QString m_filter;
    QString m_sort;
    bool m_filtered = false;
    State m_state = State::Inactive;
};

} // namespace store

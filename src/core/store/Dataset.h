#pragma once

#include "core/store/Connection.h"

#include <QDate>
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
// i.e. comparisons (= <> < <= > >=, like) of a column with a number or a quoted
// text ('' inside quotes is one quote), joined by "and". Like takes * (or %) for
// any run of characters and ? for one. Text comparisons ignore case, as the old
// engine's did; a NULL field never matches. Sort: "A3_1 DESC", "A1 ASC",
// "a13, a10 DESC": stable, NULL first when ascending.
//
// Cursor: eof() is true past the last row, bof() before the first; an empty set
// is both. Field readers return NULL (or '' / 0) when there is no current row and
// throw DbError(Usage) for a column the select does not have.
//
// Editing: setValue() on a browsed row starts editing it; moving the cursor,
// filtering, sorting or refreshing posts a pending edit first (close() cancels it).
// A failed post throws and leaves the edit pending so the caller can cancel.
// A posted new row stays at the end of the visible rows until the next filter,
// sort or refresh places it. Inside a transaction the rows follow it: when it rolls
// back, what post() and refreshRows() changed in memory goes back as well.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Dataset(Connection* conn = nullptr, QObject* parent = nullptr);
    ~Dataset() override;

    void setConnection(Connection* conn); // closes the set when it is open
    Connection* connection() const { return m_conn; }

    // A query: any select. A table: "select * from <table>" with an optional order.
    // Changing the statement closes the set and forgets its parameters.
    void setSql(const QString& sql);
    QString sql() const { return m_sql; }
    void setTable(const QString& table, const QString& orderBy = {});
    QString tableName() const { return m_table; } // base table of the select ('' when none)
    void setParam(const QString& name, const QVariant& value); // ":A1" (the colon may be left out)

    void open();   // runs the select; throws DbError. Nothing when already open (refresh() re-runs)
    void close();  // drops the rows; filter and sort texts are kept
    void refresh(); // re-runs the select, keeps the current row by key when it can
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool canModify() const; // the select has a base table and a key to write by

    // Navigation (over the visible rows: filtered and sorted).
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;  // past the last row (or no rows)
    bool bof() const;  // before the first row (or no rows)
    int recordCount() const;
    int recNo() const;           // 1-based; 0 when there is no current row
    bool moveTo(int recNo);      // 1-based; false (cursor unchanged) when out of range
    // First visible row whose column equals the value becomes current. Texts compare
    // as texts (exactly), numbers as numbers; a QDate equals its ISO text; a null
    // value finds a NULL field. Not found: false, cursor unchanged.
    bool locate(const QString& column, const QVariant& value);
    bool isEmpty() const { return recordCount() == 0; }

    // Fields of the current row (the pending values while editing).
    QStringList columns() const;
    bool hasColumn(const QString& column) const;
    QVariant value(const QString& column) const;
    QString text(const QString& column) const;    // '' for null
    qint64 integer(const QString& column) const;  // 0 for null or non-numeric
    double real(const QString& column) const;     // 0 for null or non-numeric
    QDate date(const QString& column) const;      // invalid for null or non-date
    QByteArray bytes(const QString& column) const;
    bool isNull(const QString& column) const;

    // Editing the current row / a new row; post() writes at once.
    void edit();
    void append();
    void setValue(const QString& column, const QVariant& value);
    void post();
    void cancel();
    void remove(); // deletes the current row from the base table
    // Drops a pending edit and reads the current row again from its base table by
    // its key, for rows that were changed by statements of their own (or whose
    // change was rolled back). Nothing happens without a current row.
    void reloadCurrentRow();
    // Reads the rows whose `column` holds one of `values` again from the base table
    // and puts them in place, for rows changed by statements of their own: the
    // cursor, filter and order stay. A row the set does not hold yet, or one that
    // is gone, re-reads the whole set.
    void refreshRows(const QString& column, const QVariantList& values);

    // Client-side filter and sort. An unparsable text or an unknown column throws
    // DbError(Usage) and leaves the previous filter or sort in force.
    void setFilter(const QString& filter);
    QString filter() const { return m_filter; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    void setSort(const QString& sort);
    QString sort() const { return m_sort; }

    // A second cursor over the same rows (a snapshot taken now), in the select's
    // order, unfiltered and unsorted, on its first row. It can post to the same table.
    std::unique_ptr<Dataset> clone(QObject* parent = nullptr) const;

    // For grids: visible row i (0-based) without moving the cursor; null when out of range.
    QVariant valueAt(int visibleRow, const QString& column) const;
    QVariant valueAt(int visibleRow, int column) const;
    int columnIndex(const QString& column) const; // -1 when absent

Q_SIGNALS:
    void currentChanged();          // the current row moved (or the set was (re)opened/closed)
    void valuesChanged();           // a field of the current row changed (set, post, cancel)
    void layoutChanged();           // rows appeared/disappeared (open, filter, sort, delete, append)
    void rowsChanged();             // fields of rows other than the current one may have changed

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
    quint64 m_generation = 0; // changes whenever the rows are read anew

    void checkOpen() const;
    void checkBrowse(); // posts a pending edit
    int requireColumn(const QString& column) const;
    const QVariant& cell(int column) const; // current row (or edit buffer); null without one
    void setCursor(int pos);
    // Registers with the open transaction how to put storage row r back.
    void keepForRollback(int storageRow);
    void refreshOnRollback();
};

} // namespace store

#pragma once

#include "core/store/DbError.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// Named parameters as written in the statement, with their colon: {":A1", id}.
// A null QVariant binds NULL; QString text; integers and bool int64; double real;
// QDate "yyyy-MM-dd"; QDateTime "yyyy-MM-dd HH:mm:ss"; QByteArray a blob.
using Params = std::vector<std::pair<QString, QVariant>>;

// The rows of one statement, fully read.
struct Rows {
    QStringList columns;
    std::vector<std::vector<QVariant>> values;

    int size() const { return int(values.size()); }
    bool empty() const { return values.empty(); }
    int column(const QString& name) const; // case-insensitive, -1 when absent
    QVariant at(int row, const QString& name) const;
};

// One SQLCipher connection. Values reach SQL only as bound parameters.
class Connection {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens an existing bank. A missing file, a wrong key or a file that is not a
    // database throws DbError and leaves the file byte-for-byte as it was.
    static std::unique_ptr<Connection> open(const QString& path, const QByteArray& key, Mode mode = Mode::ReadWrite);
    // Creates a new, empty encrypted database (fails when the file exists).
    static std::unique_ptr<Connection> create(const QString& path, const QByteArray& key);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QString path() const { return m_path; }
    bool isOpen() const { return m_db != nullptr; }
    void close();

    // insert/update/delete/DDL; returns the number of rows changed.
    int exec(const QString& sql, const Params& params = {});
    // Several statements without parameters (schema scripts).
    void execScript(const QString& sql);
    Rows query(const QString& sql, const Params& params = {});
    // First column of the first row; a null QVariant when there is no row.
    QVariant scalar(const QString& sql, const Params& params = {});

    QStringList tables();                 // user tables, in name order
    bool hasTable(const QString& name);   // case-insensitive
    QStringList columnsOf(const QString& table);
    QStringList primaryKeyOf(const QString& table);

    qint64 lastInsertRowId() const;
    sqlite3* handle() const { return m_db; }

    // What to put back in memory when the open transaction (or the savepoint open
    // now) rolls back: datasets register how to restore the rows they changed, so
    // they follow the bank. Outside a transaction nothing is kept (nothing can roll back).
    void onRollback(std::function<void()> undo);

    // Statement cache; used by Dataset and the transaction guard.
    sqlite3_stmt* prepare(const QString& sql);
    void bind(sqlite3_stmt* stmt, const Params& params);
    static QVariant columnValue(sqlite3_stmt* stmt, int i);
    [[noreturn]] void fail(const QString& what) const;

private:
    Connection() = default;
    static std::unique_ptr<Connection> openImpl(const QString& path, const QByteArray& key, int flags, bool isNew);
    void configure(const QByteArray& key, bool readOnly);
    void registerFunctions();

    sqlite3* m_db = nullptr;
    QString m_path;
    QHash<QString, sqlite3_stmt*> m_cache;
    friend class Transaction;
    int m_depth = 0; // open transactions (outermost BEGIN, then savepoints)
    std::vector<std::pair<int, std::function<void()>>> m_undo; // depth at registration, work
};

// RAII transaction: BEGIN (or a SAVEPOINT when one is already open); commit()
// makes it durable, leaving the scope without commit rolls it back.
//
// Join: inside an open transaction, add nothing of its own (no savepoint): its
// commit and rollback do nothing and the open transaction decides for all. For
// a step that is always part of a larger unit when nested (a savepoint costs a
// statement journal per statement).
class Transaction {
public:
    enum class Nesting { Savepoint, Join };
    explicit Transaction(Connection& c, Nesting nesting = Nesting::Savepoint);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    void rollback();

private:
    Connection& m_c;
    int m_level;
    bool m_done = false;
};

// A name quoted as an SQL identifier, for the places where a name cannot be bound
// (table names, PRAGMA arguments): "a""b" for a"b.
QString quoteIdentifier(const QString& name);

// The bank key (the database password of the shipped bank).
QByteArray bankKey();

} // namespace store

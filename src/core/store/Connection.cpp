#include "core/store/Connection.h"
#include "core/store/JetFunctions.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <sqlite3.h>

namespace store {

namespace {

DbError::Kind kindOf(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB: return DbError::Kind::NotADatabase;
    case SQLITE_CORRUPT: return DbError::Kind::Corrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DbError::Kind::Busy;
    case SQLITE_CONSTRAINT: return DbError::Kind::Constraint;
    case SQLITE_CANTOPEN: return DbError::Kind::Missing;
    case SQLITE_READONLY: return DbError::Kind::ReadOnly;
    case SQLITE_FULL: return DbError::Kind::Full;
    default: return DbError::Kind::Sql;
    }
}

} // namespace

int Rows::column(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Rows::at(int row, const QString& name) const
{
    const int c = column(name);
    if (c < 0 || row < 0 || row >= size())
        return {};
    return values[size_t(row)][size_t(c)];
}

QByteArray bankKey()
{
    return QByteArrayLiteral("k7rmq2vbx9tl4ncw8hzs");
}

std::unique_ptr<Connection> Connection::open(const QString& path, const QByteArray& key, Mode mode)
{
    if (!QFileInfo(path).isFile())
        throw DbError(DbError::Kind::Missing, QStringLiteral("database file not found: %1").arg(path), SQLITE_CANTOPEN);
    // The engine would take an empty file for a new database and write into it.
    if (QFileInfo(path).size() == 0)
        throw DbError(DbError::Kind::NotADatabase, QStringLiteral("%1: empty file, not a database").arg(path));
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    return openImpl(path, key, flags, false);
}

std::unique_ptr<Connection> Connection::create(const QString& path, const QByteArray& key)
{
    if (QFileInfo::exists(path))
        throw DbError(DbError::Kind::Usage, QStringLiteral("file already exists: %1").arg(path));
    return openImpl(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, true);
}

std::unique_ptr<Connection> Connection::openImpl(const QString& path, const QByteArray& key, int flags, bool isNew)
{
    std::unique_ptr<Connection> c(new Connection);
    c->m_path = path;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &c->m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = c->m_db ? QString::fromUtf8(sqlite3_errmsg(c->m_db)) : QStringLiteral("cannot open");
        sqlite3_close_v2(c->m_db);
        c->m_db = nullptr;
        throw DbError(kindOf(rc), QStringLiteral("%1: %2").arg(path, msg), rc);
    }
    try {
        c->configure(key, (flags & SQLITE_OPEN_READONLY) != 0 && !isNew);
    } catch (...) {
        c->close();
        throw;
    }
    return c;
}

void Connection::configure(const QByteArray& key, bool readOnly)
{
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    if (!key.isEmpty() && sqlite3_key(m_db, key.constData(), int(key.size())) != SQLITE_OK)
        fail(QStringLiteral("cannot set the key"));
    // Not stored in the file by older SQLCipher releases: set on every open, before the first read.
    if (!key.isEmpty())
        execScript(QStringLiteral("PRAGMA cipher_page_size = 4096;"));
    // The first read proves the key; nothing has been written before it.
    sqlite3_stmt* probe = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW) {
        const int code = sqlite3_extended_errcode(m_db);
        const QString msg = (code & 0xff) == SQLITE_NOTADB
                                ? QStringLiteral("%1: wrong key or not a database").arg(m_path)
                                : QStringLiteral("%1: %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)));
        throw DbError((code & 0xff) == SQLITE_OK ? DbError::Kind::NotADatabase : kindOf(code), msg, code);
    }
    if (!readOnly)
        execScript(QStringLiteral("PRAGMA journal_mode = WAL;"));
    execScript(QStringLiteral("PRAGMA synchronous = NORMAL; PRAGMA cell_size_check = ON; PRAGMA foreign_keys = OFF;"));
    registerFunctions();
}

void Connection::registerFunctions()
{
    registerJetFunctions(m_db);
}

Connection::~Connection()
{
    close();
}

void Connection::close()
{
    m_undo.clear();
    for (sqlite3_stmt* s : std::as_const(m_cache))
        sqlite3_finalize(s);
    m_cache.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_depth = 0;
}

void Connection::fail(const QString& what) const
{
    const int code = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
    const QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("connection closed");
    throw DbError(kindOf(code), QStringLiteral("%1: %2").arg(what, msg), code);
}

sqlite3_stmt* Connection::prepare(const QString& sql)
{
    if (!m_db)
        throw DbError(DbError::Kind::Usage, QStringLiteral("connection closed"));
    auto it = m_cache.constFind(sql);
    if (it != m_cache.constEnd()) {
        sqlite3_reset(*it);
        sqlite3_clear_bindings(*it);
        return *it;
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = translateJetSql(sql).toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK)
        fail(QStringLiteral("prepare \"%1\"").arg(sql));
    if (!stmt) // only blanks or comments
        throw DbError(DbError::Kind::Usage, QStringLiteral("empty statement"));
    m_cache.insert(sql, stmt);
    return stmt;
}

void Connection::bind(sqlite3_stmt* stmt, const Params& params)
{
    for (const auto& [name, v] : params) {
        const QByteArray n = name.toUtf8();
        const int idx = sqlite3_bind_parameter_index(stmt, n.constData());
        if (idx == 0)
            throw DbError(DbError::Kind::Usage, QStringLiteral("no parameter %1 in \"%2\"").arg(name, QString::fromUtf8(sqlite3_sql(stmt))));
        int rc = SQLITE_OK;
        if (v.isNull() && v.typeId() != QMetaType::QByteArray) {
            rc = sqlite3_bind_null(stmt, idx);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Long:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                rc = sqlite3_bind_int64(stmt, idx, v.toLongLong());
                break;
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(stmt, idx, qint64(v.toULongLong()));
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt, idx, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                if (v.isNull())
                    rc = sqlite3_bind_null(stmt, idx);
                else
                    rc = sqlite3_bind_blob64(stmt, idx, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QDate: {
                const QByteArray t = v.toDate().toString(Qt::ISODate).toUtf8();
                rc = sqlite3_bind_text(stmt, idx, t.constData(), int(t.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QDateTime: {
                const QByteArray t = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
                rc = sqlite3_bind_text(stmt, idx, t.constData(), int(t.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray t = v.toString().toUtf8();
                rc = sqlite3_bind_text(stmt, idx, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK)
            fail(QStringLiteral("bind %1").arg(name));
    }
}

QVariant Connection::columnValue(sqlite3_stmt* stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)), sqlite3_column_bytes(stmt, i)));
    case SQLITE_BLOB: {
        const void* p = sqlite3_column_blob(stmt, i);
        return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt, i)));
    }
    default: return QVariant();
    }
}

int Connection::exec(const QString& sql, const Params& params)
{
    sqlite3_stmt* stmt = prepare(sql);
    bind(stmt, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        sqlite3_reset(stmt);
        fail(QStringLiteral("execute \"%1\"").arg(sql));
    }
    sqlite3_reset(stmt);
    const int changed = sqlite3_changes(m_db);
    // Paper tables come and go: the cached statements of a dropped table would only
    // pile up over a long session.
    static const QRegularExpression drop(QStringLiteral("^\\s*drop\\s+table\\s+(?:if\\s+exists\\s+)?(\\w+)\\s*;?\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = drop.match(sql); m.hasMatch()) {
        const QRegularExpression names(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(m.captured(1))),
                                       QRegularExpression::CaseInsensitiveOption);
        for (auto it = m_cache.begin(); it != m_cache.end();) {
            if (names.match(it.key()).hasMatch()) {
                sqlite3_finalize(it.value());
                it = m_cache.erase(it);
            } else {
                ++it;
            }
        }
    }
    return changed;
}

void Connection::execScript(const QString& sql)
{
    if (!m_db)
        throw DbError(DbError::Kind::Usage, QStringLiteral("connection closed"));
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString();
        sqlite3_free(err);
        const int code = sqlite3_extended_errcode(m_db);
        throw DbError(kindOf(code), QStringLiteral("execute script: %1").arg(msg), code);
    }
}

Rows Connection::query(const QString& sql, const Params& params)
{
    sqlite3_stmt* stmt = prepare(sql);
    bind(stmt, params);
    Rows rows;
    const int n = sqlite3_column_count(stmt);
    rows.columns.reserve(n);
    for (int i = 0; i < n; ++i)
        rows.columns << QString::fromUtf8(sqlite3_column_name(stmt, i));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<QVariant> row;
        row.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            row.push_back(columnValue(stmt, i));
        rows.values.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        sqlite3_reset(stmt);
        fail(QStringLiteral("query \"%1\"").arg(sql));
    }
    sqlite3_reset(stmt);
    return rows;
}

QVariant Connection::scalar(const QString& sql, const Params& params)
{
    sqlite3_stmt* stmt = prepare(sql);
    bind(stmt, params);
    QVariant v;
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        v = columnValue(stmt, 0);
    else if (rc != SQLITE_DONE) {
        sqlite3_reset(stmt);
        fail(QStringLiteral("query \"%1\"").arg(sql));
    }
    sqlite3_reset(stmt);
    return v;
}

QStringList Connection::tables()
{
    const Rows r = query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QStringList out;
    for (const auto& row : r.values)
        out << row[0].toString();
    return out;
}

bool Connection::hasTable(const QString& name)
{
    return scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name = :n COLLATE NOCASE"), {{QStringLiteral(":n"), name}}).isValid();
}

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QStringList Connection::columnsOf(const QString& table)
{
    const Rows r = query(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table)));
    QStringList out;
    const int name = r.column(QStringLiteral("name"));
    for (const auto& row : r.values)
        out << row[size_t(name)].toString();
    return out;
}

QStringList Connection::primaryKeyOf(const QString& table)
{
    const Rows r = query(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table)));
    const int name = r.column(QStringLiteral("name"));
    const int pk = r.column(QStringLiteral("pk"));
    QMap<qint64, QString> byOrder;
    for (const auto& row : r.values)
        if (row[size_t(pk)].toLongLong() > 0)
            byOrder.insert(row[size_t(pk)].toLongLong(), row[size_t(name)].toString());
    return byOrder.values();
}

qint64 Connection::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void Connection::onRollback(std::function<void()> undo)
{
    if (m_depth > 0)
        m_undo.emplace_back(m_depth, std::move(undo));
}

Transaction::Transaction(Connection& c, Nesting nesting)
    : m_c(c), m_level(c.m_depth)
{
    if (m_level > 0 && nesting == Nesting::Join) {
        m_done = true; // nothing of its own to commit or roll back
        return;
    }
    if (m_level == 0)
        m_c.execScript(QStringLiteral("BEGIN IMMEDIATE"));
    else
        m_c.execScript(QStringLiteral("SAVEPOINT sp%1").arg(m_level));
    ++m_c.m_depth;
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            rollback();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    if (m_level == 0)
        m_c.execScript(QStringLiteral("COMMIT"));
    else
        m_c.execScript(QStringLiteral("RELEASE sp%1").arg(m_level));
    m_done = true;
    --m_c.m_depth;
    // Durable: nothing to put back. A released savepoint's work belongs to the
    // enclosing transaction from now on.
    if (m_level == 0) {
        m_c.m_undo.clear();
    } else {
        for (auto& [depth, undo] : m_c.m_undo)
            if (depth > m_level)
                depth = m_level;
    }
}

void Transaction::rollback()
{
    if (m_done)
        return;
    m_done = true;
    --m_c.m_depth;
    // The rows in memory go back with the bank, newest change first, even when the
    // engine already rolled back by itself (a refused commit).
    std::vector<std::function<void()>> undo;
    for (auto it = m_c.m_undo.begin(); it != m_c.m_undo.end();) {
        if (it->first > m_level) {
            undo.push_back(std::move(it->second));
            it = m_c.m_undo.erase(it);
        } else {
            ++it;
        }
    }
    const auto restore = [&] {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it)
            (*it)();
    };
    if (!m_c.isOpen()) {
        restore();
        return;
    }
    try {
        if (m_level == 0) {
            if (!sqlite3_get_autocommit(m_c.m_db))
                m_c.execScript(QStringLiteral("ROLLBACK"));
        } else {
            m_c.execScript(QStringLiteral("ROLLBACK TO sp%1; RELEASE sp%1").arg(m_level));
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

} // namespace store

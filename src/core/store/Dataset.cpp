#include "core/store/Dataset.h"

#include "core/store/DatasetParts.h"

#include <QDateTime>
#include <QPointer>
#include <QSet>
#include <algorithm>
#include <sqlite3.h>

// The dataset's statement, rows and cursor. Editing is in DatasetEditing.cpp, the
// filter language in DatasetFilter.cpp, the select parsing in DatasetSelect.cpp.

namespace store {

using namespace detail;

Dataset::Dataset(Connection* conn, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>()), m_conn(conn)
{
}

Dataset::~Dataset() = default;

void Dataset::setConnection(Connection* conn)
{
    if (isOpen())
        close();
    m_conn = conn;
}

void Dataset::setSql(const QString& sql)
{
    if (isOpen())
        close();
    m_sql = sql;
    m_table.clear();
    d->params.clear();
}

void Dataset::setTable(const QString& table, const QString& orderBy)
{
    if (!isIdentifier(table))
        usage(QStringLiteral("bad table name \"%1\"").arg(table));
    for (QChar c : orderBy)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char(',') || c == QLatin1Char(' ')))
            usage(QStringLiteral("bad order \"%1\"").arg(orderBy));
    setSql(QStringLiteral("select * from ") + table + (orderBy.trimmed().isEmpty() ? QString() : QStringLiteral(" order by ") + orderBy));
    m_table = table;
}

void Dataset::setParam(const QString& name, const QVariant& value)
{
    const QString n = withColon(name);
    for (auto& p : d->params)
        if (p.first == n) {
            p.second = value;
            return;
        }
    d->params.emplace_back(n, value);
}

void Dataset::checkOpen() const
{
    if (!isOpen())
        usage(QStringLiteral("the dataset is not open"));
}

void Dataset::checkBrowse()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

int Dataset::requireColumn(const QString& column) const
{
    const int c = d->find(column);
    if (c < 0)
        usage(QStringLiteral("no column %1 in \"%2\"").arg(column, m_sql));
    return c;
}

const QVariant& Dataset::cell(int column) const
{
    static const QVariant none;
    if (m_state == State::Edit || m_state == State::Insert)
        return d->buf[size_t(column)];
    const int r = d->currentRow();
    return r < 0 ? none : d->at(r, column);
}

void Dataset::open()
{
    if (isOpen())
        return;
    if (!m_conn)
        usage(QStringLiteral("the dataset has no connection"));
    if (m_sql.trimmed().isEmpty())
        usage(QStringLiteral("the dataset has no statement"));
    auto fresh = std::make_unique<Impl>();
    fresh->params = d->params;
    QString table;
    readSelect(m_conn, m_sql, d->params, table, fresh->cols, fresh->ncols, fresh->rowidKey, fresh->keyCols,
               fresh->tableCols, fresh->cells, fresh->rows);
    fresh->terms = parseFilter(m_filter);
    fresh->keys = parseSort(m_sort);
    fresh->resolve(fresh->keys);
    if (m_filtered)
        fresh->resolve(fresh->terms);
    fresh->rebuild(m_filtered);
    fresh->cur = fresh->visible.empty() ? -1 : 0;
    d = std::move(fresh);
    ++m_generation;
    m_table = table;
    m_state = State::Browse;
    Q_EMIT layoutChanged();
    Q_EMIT currentChanged();
}

void Dataset::close()
{
    if (!isOpen())
        return;
    Params params = std::move(d->params);
    d = std::make_unique<Impl>();
    ++m_generation;
    d->params = std::move(params);
    m_state = State::Inactive;
    Q_EMIT layoutChanged();
    Q_EMIT currentChanged();
}

void Dataset::refresh()
{
    checkOpen();
    checkBrowse();
    const int oldRow = d->currentRow();
    const std::vector<QVariant> oldKey = oldRow >= 0 && !d->keyCols.empty() ? d->keyOf(oldRow) : std::vector<QVariant>();
    const int oldPos = d->cur;
    auto fresh = std::make_unique<Impl>();
    fresh->params = d->params;
    QString table;
    readSelect(m_conn, m_sql, d->params, table, fresh->cols, fresh->ncols, fresh->rowidKey, fresh->keyCols,
               fresh->tableCols, fresh->cells, fresh->rows);
    fresh->terms = d->terms;
    fresh->keys = d->keys;
    fresh->resolve(fresh->keys);
    if (m_filtered)
        fresh->resolve(fresh->terms);
    fresh->rebuild(m_filtered);
    int pos = -1;
    if (!oldKey.empty() && !fresh->keyCols.empty())
        pos = fresh->rowWithKey(oldKey);
    if (pos < 0)
        pos = fresh->visible.empty() ? -1 : std::clamp(oldPos, 0, int(fresh->visible.size()) - 1);
    fresh->cur = pos;
    d = std::move(fresh);
    ++m_generation;
    m_table = table;
    Q_EMIT layoutChanged();
    Q_EMIT currentChanged();
}

bool Dataset::canModify() const
{
    return isOpen() && !m_table.isEmpty() && !d->keyCols.empty();
}

// ---- navigation -------------------------------------------------------------

void Dataset::setCursor(int pos)
{
    checkOpen();
    checkBrowse();
    if (pos == d->cur)
        return;
    d->cur = pos;
    Q_EMIT currentChanged();
}

void Dataset::first()
{
    setCursor(d->visible.empty() ? -1 : 0);
}

void Dataset::last()
{
    setCursor(int(d->visible.size()) - 1);
}

void Dataset::next()
{
    setCursor(std::min(d->cur + 1, int(d->visible.size())));
}

void Dataset::prior()
{
    setCursor(std::max(d->cur - 1, -1));
}

bool Dataset::eof() const
{
    if (m_state == State::Insert)
        return false;
    return d->visible.empty() || d->cur >= int(d->visible.size());
}

bool Dataset::bof() const
{
    if (m_state == State::Insert)
        return false;
    return d->visible.empty() || d->cur < 0;
}

int Dataset::recordCount() const
{
    return int(d->visible.size());
}

int Dataset::recNo() const
{
    if (m_state == State::Insert)
        return 0;
    return d->hasCurrent() ? d->cur + 1 : 0;
}

bool Dataset::moveTo(int recNo)
{
    checkOpen();
    if (recNo < 1 || recNo > int(d->visible.size()))
        return false;
    setCursor(recNo - 1);
    return true;
}

bool Dataset::locate(const QString& column, const QVariant& value)
{
    checkOpen();
    checkBrowse(); // search the values as written
    const int c = requireColumn(column);
    for (size_t pos = 0; pos < d->visible.size(); ++pos)
        if (sameValue(d->at(d->visible[pos], c), value)) {
            setCursor(int(pos));
            return true;
        }
    return false;
}

// ---- fields -----------------------------------------------------------------

QStringList Dataset::columns() const
{
    return d->cols;
}

bool Dataset::hasColumn(const QString& column) const
{
    return d->find(column) >= 0;
}

int Dataset::columnIndex(const QString& column) const
{
    return d->find(column);
}

QVariant Dataset::value(const QString& column) const
{
    return cell(requireColumn(column));
}

QString Dataset::text(const QString& column) const
{
    const QVariant& v = cell(requireColumn(column));
    return v.isValid() ? v.toString() : QString();
}

qint64 Dataset::integer(const QString& column) const
{
    const QVariant& v = cell(requireColumn(column));
    if (isInteger(v))
        return v.toLongLong();
    bool ok = false;
    const double n = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    return ok ? qRound64(n) : 0;
}

double Dataset::real(const QString& column) const
{
    const QVariant& v = cell(requireColumn(column));
    bool ok = false;
    const double n = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    return ok ? n : 0.0;
}

QDate Dataset::date(const QString& column) const
{
    const QVariant& v = cell(requireColumn(column));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (const QString* s = textOf(v))
        return QDate::fromString(s->left(10), Qt::ISODate);
    return {};
}

QByteArray Dataset::bytes(const QString& column) const
{
    const QVariant& v = cell(requireColumn(column));
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.isValid() ? v.toString().toUtf8() : QByteArray();
}

bool Dataset::isNull(const QString& column) const
{
    return !cell(requireColumn(column)).isValid();
}

QVariant Dataset::valueAt(int visibleRow, int column) const
{
    if (visibleRow < 0 || visibleRow >= int(d->visible.size()) || column < 0 || column >= d->cols.size())
        return {};
    if (m_state == State::Edit && visibleRow == d->cur)
        return d->buf[size_t(column)];
    return d->at(d->visible[size_t(visibleRow)], column);
}

QVariant Dataset::valueAt(int visibleRow, const QString& column) const
{
    return valueAt(visibleRow, d->find(column));
}

// ---- filter and sort ---------------------------------------------------------

void Dataset::setFilter(const QString& filter)
{
    std::vector<Term> terms = parseFilter(filter);
    if (isOpen() && m_filtered) {
        checkBrowse();
        d->resolve(terms);
        d->terms = std::move(terms);
        m_filter = filter;
        d->rebuild(true);
        d->cur = d->visible.empty() ? -1 : 0;
        Q_EMIT layoutChanged();
        Q_EMIT currentChanged();
        return;
    }
    d->terms = std::move(terms);
    m_filter = filter;
}

void Dataset::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    if (!isOpen()) {
        m_filtered = on;
        return;
    }
    checkBrowse();
    if (on)
        d->resolve(d->terms);
    m_filtered = on;
    d->rebuild(on);
    d->cur = d->visible.empty() ? -1 : 0;
    Q_EMIT layoutChanged();
    Q_EMIT currentChanged();
}

void Dataset::setSort(const QString& sort)
{
    std::vector<SortKey> keys = parseSort(sort);
    if (!isOpen()) {
        d->keys = std::move(keys);
        m_sort = sort;
        return;
    }
    checkBrowse();
    d->resolve(keys);
    const int keep = d->currentRow();
    d->keys = std::move(keys);
    m_sort = sort;
    d->rebuild(m_filtered);
    d->cur = d->visible.empty() ? -1 : 0;
    if (keep >= 0) {
        const auto it = std::find(d->visible.begin(), d->visible.end(), keep);
        if (it != d->visible.end())
            d->cur = int(it - d->visible.begin());
    }
    Q_EMIT layoutChanged();
    Q_EMIT currentChanged();
}

// ---- clone ------------------------------------------------------------------

std::unique_ptr<Dataset> Dataset::clone(QObject* parent) const
{
    checkOpen();
    auto c = std::make_unique<Dataset>(m_conn, parent);
    c->m_sql = m_sql;
    c->m_table = m_table;
    Impl& t = *c->d;
    t.params = d->params;
    t.cols = d->cols;
    t.ncols = d->ncols;
    t.rowidKey = d->rowidKey;
    t.keyCols = d->keyCols;
    t.tableCols = d->tableCols;
    t.cells = d->cells;
    t.rows = d->rows;
    t.rebuild(false);
    t.cur = t.visible.empty() ? -1 : 0;
    c->m_state = State::Browse;
    return c;
}

} // namespace store

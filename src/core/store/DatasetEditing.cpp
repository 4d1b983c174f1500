#include "core/store/Dataset.h"

#include "core/store/DatasetParts.h"

#include <QPointer>
#include <QSet>
#include <algorithm>

// Editing the dataset's rows: posting to the base table, re-reading rows, and
// giving rows back when the transaction they were changed in rolls back.

namespace store {

using namespace detail;

// ---- editing ------------------------------------------------------------------

void Dataset::edit()
{
    checkOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (!canModify())
        usage(QStringLiteral("\"%1\" cannot be edited: it does not read one table by its key").arg(m_sql));
    const int r = d->currentRow();
    if (r < 0)
        usage(QStringLiteral("no current row to edit"));
    d->buf.assign(d->cells.cbegin() + qsizetype(r) * d->ncols, d->cells.cbegin() + qsizetype(r + 1) * d->ncols);
    d->dirty.assign(size_t(d->ncols), 0);
    m_state = State::Edit;
}

void Dataset::append()
{
    checkOpen();
    checkBrowse();
    if (!canModify())
        usage(QStringLiteral("\"%1\" cannot take new rows: it does not read one table by its key").arg(m_sql));
    d->buf.assign(size_t(d->ncols), QVariant());
    d->dirty.assign(size_t(d->ncols), 0);
    d->curBeforeInsert = d->cur;
    m_state = State::Insert;
    Q_EMIT currentChanged();
}

void Dataset::setValue(const QString& column, const QVariant& value)
{
    checkOpen();
    const int c = requireColumn(column);
    if (m_state == State::Browse)
        edit();
    bool inTable = false;
    for (const QString& t : std::as_const(d->tableCols))
        if (t.compare(d->cols[c], Qt::CaseInsensitive) == 0)
            inTable = true;
    if (!inTable)
        usage(QStringLiteral("%1 is not a column of table %2").arg(column, m_table));
    d->buf[size_t(c)] = normalized(value);
    d->dirty[size_t(c)] = 1;
    Q_EMIT valuesChanged();
}

namespace {

QString keyCondition(const QStringList& keyNames)
{
    QStringList parts;
    for (int j = 0; j < keyNames.size(); ++j)
        parts << QStringLiteral("%1 IS :k%2").arg(keyNames[j] == QLatin1String("rowid") ? keyNames[j] : quoted(keyNames[j])).arg(j);
    return parts.join(QStringLiteral(" AND "));
}

} // namespace

void Dataset::post()
{
    checkOpen();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    Impl& s = *d;
    QStringList keyNames;
    for (int c : s.keyCols)
        keyNames << (s.rowidKey ? QStringLiteral("rowid") : s.cols[c]);

    std::vector<int> changed;
    for (int c = 0; c < s.cols.size(); ++c)
        if (s.dirty[size_t(c)])
            changed.push_back(c);

    Params params;
    std::vector<QVariant> newKey;
    const bool inserting = m_state == State::Insert;
    if (inserting) {
        QStringList names, marks;
        for (size_t j = 0; j < changed.size(); ++j) {
            names << quoted(s.cols[changed[j]]);
            marks << QStringLiteral(":v%1").arg(j);
            params.emplace_back(marks.back(), s.buf[size_t(changed[j])]);
        }
        const QString sql = changed.empty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_table))
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoted(m_table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        m_conn->exec(sql, params);
        const qint64 rowid = m_conn->lastInsertRowId();
        if (s.rowidKey) {
            newKey = {QVariant(rowid)};
        } else {
            for (int c : s.keyCols)
                newKey.push_back(s.buf[size_t(c)]);
            // An integer key left empty takes the rowid.
            if (newKey.size() == 1 && !newKey[0].isValid())
                newKey[0] = QVariant(rowid);
        }
    } else {
        const int r = s.currentRow();
        if (changed.empty()) {
            m_state = State::Browse;
            Q_EMIT valuesChanged();
            return;
        }
        QStringList sets;
        for (size_t j = 0; j < changed.size(); ++j) {
            sets << QStringLiteral("%1 = :v%2").arg(quoted(s.cols[changed[j]])).arg(j);
            params.emplace_back(QStringLiteral(":v%1").arg(j), s.buf[size_t(changed[j])]);
        }
        for (size_t j = 0; j < s.keyCols.size(); ++j)
            params.emplace_back(QStringLiteral(":k%1").arg(j), s.at(r, s.keyCols[j]));
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(quoted(m_table), sets.join(QStringLiteral(", ")), keyCondition(keyNames));
        if (m_conn->exec(sql, params) == 0)
            throw DbError(DbError::Kind::Sql, QStringLiteral("the row to update is no longer in %1").arg(m_table));
        for (int c : s.keyCols)
            newKey.push_back(s.buf[size_t(c)]);
    }

    // Read the row back: the engine's defaults, types and generated keys.
    std::vector<QVariant> row = s.buf;
    {
        Params kp;
        for (size_t j = 0; j < newKey.size(); ++j)
            kp.emplace_back(QStringLiteral(":k%1").arg(j), newKey[j]);
        const QString sql = QStringLiteral("SELECT *%1 FROM %2 WHERE %3")
                                .arg(s.rowidKey ? QStringLiteral(", rowid AS ") + kRowidAlias : QString(), quoted(m_table), keyCondition(keyNames));
        const Rows back = m_conn->query(sql, kp);
        if (!back.empty()) {
            for (int c = 0; c < s.cols.size(); ++c) {
                const int b = back.column(s.cols[c]);
                if (b >= 0)
                    row[size_t(c)] = back.values[0][size_t(b)];
            }
            if (s.rowidKey)
                row[size_t(s.ncols - 1)] = back.values[0][size_t(back.columns.size() - 1)];
        }
    }

    if (inserting) {
        refreshOnRollback();
        for (QVariant& v : row)
            s.cells.append(std::move(v));
        const int r = s.rows++;
        s.visible.push_back(r);
        s.cur = int(s.visible.size()) - 1;
        m_state = State::Browse;
        s.buf.clear();
        Q_EMIT layoutChanged();
        Q_EMIT currentChanged();
    } else {
        const int r = s.currentRow();
        keepForRollback(r);
        std::move(row.begin(), row.end(), s.cells.begin() + qsizetype(r) * s.ncols);
        m_state = State::Browse;
        s.buf.clear();
        Q_EMIT valuesChanged();
    }
}

void Dataset::cancel()
{
    if (m_state == State::Edit) {
        m_state = State::Browse;
        d->buf.clear();
        Q_EMIT valuesChanged();
    } else if (m_state == State::Insert) {
        m_state = State::Browse;
        d->buf.clear();
        d->cur = d->curBeforeInsert;
        Q_EMIT currentChanged();
    }
}

void Dataset::reloadCurrentRow()
{
    checkOpen();
    cancel();
    Impl& s = *d;
    const int r = s.currentRow();
    if (r < 0 || !canModify())
        return;
    QStringList keyNames;
    Params kp;
    for (size_t j = 0; j < s.keyCols.size(); ++j) {
        keyNames << (s.rowidKey ? QStringLiteral("rowid") : s.cols[s.keyCols[j]]);
        kp.emplace_back(QStringLiteral(":k%1").arg(j), s.at(r, s.keyCols[j]));
    }
    const QString sql = QStringLiteral("SELECT * FROM %1 WHERE %2").arg(quoted(m_table), keyCondition(keyNames));
    const Rows back = m_conn->query(sql, kp);
    if (back.empty())
        return;
    for (int c = 0; c < s.cols.size(); ++c) {
        const int b = back.column(s.cols[c]);
        if (b >= 0)
            s.cells[qsizetype(r) * s.ncols + c] = back.values[0][size_t(b)];
    }
    Q_EMIT valuesChanged();
}

void Dataset::keepForRollback(int storageRow)
{
    const qsizetype n = d->ncols;
    std::vector<QVariant> old(d->cells.cbegin() + storageRow * n, d->cells.cbegin() + (storageRow + 1) * n);
    QPointer<Dataset> self(this);
    m_conn->onRollback([self, generation = m_generation, storageRow, old = std::move(old)] {
        if (!self || self->m_generation != generation || storageRow >= self->d->rows)
            return;
        Impl& s = *self->d;
        std::copy(old.begin(), old.end(), s.cells.begin() + qsizetype(storageRow) * s.ncols);
        if (storageRow == s.currentRow())
            Q_EMIT self->valuesChanged();
        else
            Q_EMIT self->rowsChanged();
    });
}

void Dataset::refreshOnRollback()
{
    QPointer<Dataset> self(this);
    m_conn->onRollback([self, generation = m_generation] {
        if (!self || self->m_generation != generation || !self->isOpen())
            return;
        try {
            self->cancel();
            self->refresh();
        } catch (const DbError&) {
            // The rows stay as they are; the next refresh reads them.
        }
    });
}

void Dataset::refreshRows(const QString& column, const QVariantList& values)
{
    checkOpen();
    checkBrowse();
    const int col = requireColumn(column);
    if (values.isEmpty())
        return;
    if (!canModify()) {
        refresh();
        return;
    }
    Impl& s = *d;
    QStringList marks;
    Params params;
    for (int i = 0; i < values.size(); ++i) {
        marks << QStringLiteral(":p%1").arg(i);
        params.emplace_back(marks.back(), values[i]);
    }
    const Rows back = m_conn->query(QStringLiteral("SELECT *%1 FROM %2 WHERE %3 IN (%4)")
                                        .arg(s.rowidKey ? QStringLiteral(", rowid AS ") + kRowidAlias : QString(),
                                             quoted(m_table), quoted(s.cols[col]), marks.join(QLatin1Char(','))),
                                    params);
    // Where each stored column is in the rows read back.
    std::vector<int> from(size_t(s.ncols), -1);
    for (int c = 0; c < s.cols.size(); ++c)
        from[size_t(c)] = back.column(s.cols[c]);
    if (s.rowidKey)
        from[size_t(s.ncols - 1)] = int(back.columns.size()) - 1;
    const int backCol = back.column(s.cols[col]);

    // The rows in memory that hold one of the values: each must be read back.
    // Texts (codes, days) are looked up at once; other values compare one by one.
    QSet<QString> texts;
    bool onlyTexts = true;
    for (const QVariant& v : values) {
        const QVariant w = normalized(v);
        onlyTexts = onlyTexts && w.typeId() == QMetaType::QString;
        texts.insert(w.toString());
    }
    std::vector<int> held;
    for (int r = 0; r < s.rows; ++r) {
        const QVariant& cell = s.at(r, col);
        const QString* text = onlyTexts ? textOf(cell) : nullptr;
        if (text ? texts.contains(*text)
                 : std::any_of(values.begin(), values.end(), [&](const QVariant& v) { return sameValue(cell, v); }))
            held.push_back(r);
    }
    std::vector<std::pair<int, int>> patches; // storage row, row read back
    for (int b = 0; b < back.size(); ++b) {
        int found = -1;
        for (int r : held)
            if (sameValue(s.at(r, col), back.values[size_t(b)][size_t(backCol)]))
                found = r;
        if (found < 0) {
            refreshOnRollback();
            refresh();
            return;
        }
        patches.emplace_back(found, b);
    }
    if (patches.size() != held.size()) {
        refreshOnRollback();
        refresh();
        return;
    }
    bool current = false;
    for (const auto& [r, b] : patches) {
        keepForRollback(r);
        for (int c = 0; c < s.ncols; ++c)
            if (from[size_t(c)] >= 0)
                s.cells[qsizetype(r) * s.ncols + c] = back.values[size_t(b)][size_t(from[size_t(c)])];
        current = current || r == s.currentRow();
    }
    if (current)
        Q_EMIT valuesChanged();
    Q_EMIT rowsChanged();
}

void Dataset::remove()
{
    checkOpen();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (!canModify())
        usage(QStringLiteral("cannot delete from \"%1\": it does not read one table by its key").arg(m_sql));
    Impl& s = *d;
    const int r = s.currentRow();
    if (r < 0)
        usage(QStringLiteral("no current row to delete"));
    QStringList keyNames;
    Params params;
    for (size_t j = 0; j < s.keyCols.size(); ++j) {
        keyNames << (s.rowidKey ? QStringLiteral("rowid") : s.cols[s.keyCols[j]]);
        params.emplace_back(QStringLiteral(":k%1").arg(j), s.at(r, s.keyCols[j]));
    }
    m_conn->exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoted(m_table), keyCondition(keyNames)), params);
    refreshOnRollback();
    m_state = State::Browse;
    s.buf.clear();
    s.cells.remove(qsizetype(r) * s.ncols, s.ncols);
    --s.rows;
    const auto drop = [r](std::vector<int>& v) {
        v.erase(std::remove(v.begin(), v.end(), r), v.end());
        for (int& x : v)
            if (x > r)
                --x;
    };
    drop(s.visible);
    // The row after the deleted one becomes current (or the new last one).
    if (s.cur >= int(s.visible.size()))
        s.cur = int(s.visible.size()) - 1;
    Q_EMIT layoutChanged();
    Q_EMIT currentChanged();
}

} // namespace store

#include "core/store/DatasetParts.h"

#include <sqlite3.h>

// The dataset's select: which table it reads and by which key, and reading its rows.

namespace store::detail {

bool isIdentifier(QStringView s)
{
    if (s.isEmpty() || !(s[0].isLetter() || s[0] == QLatin1Char('_')))
        return false;
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    return true;
}

// ---- the select's base table ---------------------------------------------

struct SqlToken {
    QString word;  // lower-cased keyword or identifier; empty for punctuation
    QString name;  // the identifier as written
    QChar punct;
    qsizetype pos = 0;
    int depth = 0;
};

std::vector<SqlToken> tokenize(const QString& sql)
{
    std::vector<SqlToken> out;
    int depth = 0;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char('\'')) {
            ++i;
            while (i < n) {
                if (sql[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && sql[i + 1] == QLatin1Char('\'')) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            out.push_back({QString(), QString(), QLatin1Char('\''), i, depth});
            ++i;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const qsizetype start = i;
            qsizetype end = sql.indexOf(close, i + 1);
            if (end < 0)
                end = n;
            // A quoted name is a name: keep it apart from keywords by its quote.
            const QString name = sql.mid(start + 1, end - start - 1);
            out.push_back({QLatin1Char('"') + name, name, QChar(), start, depth});
            i = end + 1;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$')) {
            const qsizetype start = i;
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_') || sql[i] == QLatin1Char('$')))
                ++i;
            const QString name = sql.mid(start, i - start);
            out.push_back({name.toLower(), name, QChar(), start, depth});
        } else {
            if (c == QLatin1Char(')'))
                --depth;
            out.push_back({QString(), QString(), c, i, c == QLatin1Char('(') ? depth++ : depth});
            ++i;
        }
    }
    return out;
}

struct SelectShape {
    QString table;        // '' when the select does not read exactly one table
    qsizetype fromPos = -1;
};

SelectShape analyzeSelect(const QString& sql)
{
    SelectShape shape;
    const std::vector<SqlToken> tok = tokenize(sql);
    if (tok.empty() || tok[0].word != QLatin1String("select"))
        return shape;
    static const QStringList aggregates = {QStringLiteral("count"), QStringLiteral("sum"), QStringLiteral("avg"),
                                           QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("total"),
                                           QStringLiteral("group_concat")};
    static const QStringList clauseWords = {QStringLiteral("where"), QStringLiteral("order"), QStringLiteral("limit")};
    static const QStringList notAlias = {
        QStringLiteral("where"), QStringLiteral("order"), QStringLiteral("group"), QStringLiteral("limit"),
        QStringLiteral("join"), QStringLiteral("inner"), QStringLiteral("left"), QStringLiteral("right"),
        QStringLiteral("full"), QStringLiteral("cross"), QStringLiteral("natural"), QStringLiteral("outer"),
        QStringLiteral("union"), QStringLiteral("intersect"), QStringLiteral("except"), QStringLiteral("having"),
        QStringLiteral("on"), QStringLiteral("using"), QStringLiteral("indexed"), QStringLiteral("not"),
        QStringLiteral("window")};
    static const QStringList setWords = {QStringLiteral("group"), QStringLiteral("having"), QStringLiteral("union"),
                                         QStringLiteral("intersect"), QStringLiteral("except"), QStringLiteral("join")};
    size_t i = 1;
    if (i < tok.size() && tok[i].word == QLatin1String("distinct"))
        return shape;
    for (; i < tok.size(); ++i) {
        const SqlToken& t = tok[i];
        if (t.depth != 0)
            continue;
        if (t.word == QLatin1String("from"))
            break;
        if (aggregates.contains(t.word) && i + 1 < tok.size() && tok[i + 1].punct == QLatin1Char('('))
            return shape;
    }
    if (i >= tok.size())
        return shape;
    const qsizetype fromPos = tok[i].pos;
    ++i;
    if (i >= tok.size() || tok[i].word.isEmpty() || tok[i].depth != 0)
        return shape; // a sub-select or nothing
    const QString table = tok[i].name;
    ++i;
    if (i < tok.size() && tok[i].punct == QLatin1Char('.'))
        return shape; // another schema's table
    if (i < tok.size() && tok[i].word == QLatin1String("as"))
        i += 2;
    else if (i < tok.size() && !tok[i].word.isEmpty() && !notAlias.contains(tok[i].word))
        ++i;
    if (i < tok.size() && tok[i].punct != QLatin1Char(';') && !clauseWords.contains(tok[i].word))
        return shape; // a comma list, a join, ...
    for (size_t k = i; k < tok.size(); ++k)
        if (tok[k].depth == 0 && setWords.contains(tok[k].word))
            return shape;
    if (!isIdentifier(table))
        return shape;
    shape.table = table;
    shape.fromPos = fromPos;
    return shape;
}

QString withColon(const QString& name)
{
    return name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
}

// Runs the select and reads every row into `out`; works out the table and key.
void readSelect(Connection* conn, const QString& sql, const Params& params, QString& table,
                QStringList& cols, int& ncols, bool& rowidKey, std::vector<int>& keyCols, QStringList& tableCols,
                QList<QVariant>& cells, int& rows)
{
    const SelectShape shape = analyzeSelect(sql);
    table.clear();
    rowidKey = false;
    keyCols.clear();
    tableCols.clear();
    QString run = sql;
    sqlite3_stmt* st = conn->prepare(sql);
    const auto namesOf = [](sqlite3_stmt* s) {
        QStringList names;
        const int n = sqlite3_column_count(s);
        for (int i = 0; i < n; ++i)
            names << QString::fromUtf8(sqlite3_column_name(s, i));
        return names;
    };
    QStringList names = namesOf(st);
    if (!shape.table.isEmpty() && conn->hasTable(shape.table)) {
        table = shape.table;
        tableCols = conn->columnsOf(table);
        const QStringList pk = conn->primaryKeyOf(table);
        for (const QString& k : pk) {
            int found = -1;
            for (int i = 0; i < names.size() && found < 0; ++i)
                if (names[i].compare(k, Qt::CaseInsensitive) == 0)
                    found = i;
            if (found < 0) {
                keyCols.clear();
                break;
            }
            keyCols.push_back(found);
        }
        if (keyCols.empty()) {
            // No key among the columns: carry the rowid, unseen.
            run = sql.left(shape.fromPos) + QStringLiteral(", rowid AS ") + kRowidAlias + QLatin1Char(' ') + sql.mid(shape.fromPos);
            try {
                st = conn->prepare(run);
                names = namesOf(st);
                rowidKey = true;
                keyCols.push_back(int(names.size()) - 1);
            } catch (const DbError&) {
                // A table without rowid whose key is not selected: read only.
                run = sql;
                st = conn->prepare(run);
            }
        }
    }
    conn->bind(st, params);
    ncols = int(names.size());
    cols = names;
    if (rowidKey)
        cols.removeLast();
    cells.clear();
    rows = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int i = 0; i < ncols; ++i)
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_INTEGER: cells.emplaceBack(qint64(sqlite3_column_int64(st, i))); break;
            case SQLITE_FLOAT: cells.emplaceBack(sqlite3_column_double(st, i)); break;
            case SQLITE_NULL: cells.emplaceBack(); break;
            case SQLITE_TEXT:
                cells.emplaceBack(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i)));
                break;
            default: cells.emplaceBack(Connection::columnValue(st, i));
            }
        ++rows;
    }
    if (rc != SQLITE_DONE) {
        sqlite3_reset(st);
        conn->fail(QStringLiteral("query \"%1\"").arg(sql));
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
}

} // namespace store::detail

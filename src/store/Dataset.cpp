#include "store/Dataset.h"

#include <QDateTime>
#include <QPointer>
#include <QSet>
#include <algorithm>
#include <sqlite3.h>

namespace store {

namespace {

const QString kRowidAlias = QStringLiteral("tesvora_rowid");

[[noreturn]] void usage(const QString& message)
{
    throw DbError(DbError::Kind::Usage, message);
}

QString quoted(const QString& identifier)
{
    return quoteIdentifier(identifier);
}

bool isIdentifier(QStringView s)
{
    if (s.isEmpty() || !(s[0].isLetter() || s[0] == QLatin1Char('_')))
        return false;
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    return true;
}

// ---- values ---------------------------------------------------------------

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::Bool:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isInteger(const QVariant& v)
{
    const int t = v.typeId();
    return t == QMetaType::LongLong || t == QMetaType::Int || t == QMetaType::Bool || t == QMetaType::UInt;
}

const QString* textOf(const QVariant& v)
{
    return v.typeId() == QMetaType::QString ? static_cast<const QString*>(v.constData()) : nullptr;
}

// Values as the engine gives them back: qint64, double, QString, QByteArray or null.
QVariant normalized(const QVariant& v)
{
    if (!v.isValid() || (v.typeId() == QMetaType::QByteArray && v.toByteArray().isNull()))
        return {}; // binds as NULL
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::ULongLong:
        return QVariant(v.toLongLong());
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return v;
    case QMetaType::Float:
        return QVariant(v.toDouble());
    case QMetaType::QDate:
        return QVariant(v.toDate().toString(Qt::ISODate));
    case QMetaType::QDateTime:
        return QVariant(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    default:
        return QVariant(v.toString());
    }
}

int compareNumbers(const QVariant& a, const QVariant& b)
{
    if (isInteger(a) && isInteger(b)) {
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Sort order: NULL, numbers, texts (ignoring case), blobs.
int rankOf(const QVariant& v)
{
    if (!v.isValid())
        return 0;
    if (isNumber(v))
        return 1;
    if (v.typeId() == QMetaType::QByteArray)
        return 3;
    return 2;
}

int compareForSort(const QVariant& a, const QVariant& b)
{
    const int ra = rankOf(a), rb = rankOf(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    switch (ra) {
    case 0: return 0;
    case 1: return compareNumbers(a, b);
    case 3: {
        const QByteArray x = a.toByteArray(), y = b.toByteArray();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    default: {
        const QString* x = textOf(a);
        const QString* y = textOf(b);
        if (x && y)
            return QString::compare(*x, *y, Qt::CaseInsensitive);
        return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    }
    }
}

// A sort key read out of its QVariant once.
struct SortCell {
    int rank = 0; // as rankOf
    bool isInt = false;
    qint64 i = 0;
    double d = 0;
    const QVariant* v = nullptr;
};

SortCell sortCellOf(const QVariant& v)
{
    SortCell c;
    c.rank = rankOf(v);
    c.v = &v;
    if (c.rank == 1) {
        c.isInt = isInteger(v);
        if (v.typeId() == QMetaType::LongLong)
            c.i = *static_cast<const qint64*>(v.constData());
        else if (v.typeId() == QMetaType::Double)
            c.d = *static_cast<const double*>(v.constData());
        else if (c.isInt)
            c.i = v.toLongLong();
        else
            c.d = v.toDouble();
        if (c.isInt)
            c.d = double(c.i);
    }
    return c;
}

int compareSortCells(const SortCell& a, const SortCell& b)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1) {
        if (a.isInt && b.isInt)
            return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
        return a.d < b.d ? -1 : (a.d > b.d ? 1 : 0);
    }
    return a.rank == 0 ? 0 : compareForSort(*a.v, *b.v);
}

// Locate: texts as texts (exactly), numbers as numbers, a date as its ISO text.
bool sameValue(const QVariant& cellValue, const QVariant& wanted)
{
    if (!wanted.isValid() || wanted.isNull())
        return !cellValue.isValid();
    if (!cellValue.isValid())
        return false;
    if (isNumber(cellValue) && isNumber(wanted))
        return compareNumbers(cellValue, wanted) == 0;
    if (isNumber(cellValue) || isNumber(wanted)) {
        // One side is a text: equal only when it reads as the same number.
        const QVariant& other = isNumber(cellValue) ? wanted : cellValue;
        if (other.typeId() != QMetaType::QString)
            return false;
        bool ok = false;
        const double n = other.toString().trimmed().toDouble(&ok);
        return ok && n == (isNumber(cellValue) ? cellValue : wanted).toDouble();
    }
    if (cellValue.typeId() == QMetaType::QByteArray || wanted.typeId() == QMetaType::QByteArray)
        return cellValue.toByteArray() == wanted.toByteArray();
    const QVariant w = normalized(wanted);
    const QString* x = textOf(cellValue);
    return x ? *x == w.toString() : cellValue.toString() == w.toString();
}

// ---- filter ---------------------------------------------------------------

enum class Op { Eq, Ne, Lt, Le, Gt, Ge, Like };

struct Term {
    QString column;
    int col = -1;
    Op op = Op::Eq;
    bool numeric = false;   // the operand was written as a number
    QVariant number;        // qint64 or double
    QString text;           // the operand as text (case-folded pattern for like)
    bool textIsNumber = false;
    QVariant textNumber;    // a quoted operand that reads as a number
    bool prefixOnly = false; // like 'abc*'
    QString prefix;
};

bool isStar(QChar c) { return c == QLatin1Char('*') || c == QLatin1Char('%'); }

// Case-insensitive wildcard match without building folded copies of the field.
bool likeMatch(QStringView s, QStringView p)
{
    qsizetype si = 0, pi = 0, star = -1, mark = 0;
    while (si < s.size()) {
        if (pi < p.size() && isStar(p[pi])) {
            star = pi++;
            mark = si;
        } else if (pi < p.size() && (p[pi] == QLatin1Char('?') || p[pi] == s[si].toCaseFolded())) {
            ++si;
            ++pi;
        } else if (star >= 0) {
            pi = star + 1;
            si = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && isStar(p[pi]))
        ++pi;
    return pi == p.size();
}

bool holds(Op op, int c)
{
    switch (op) {
    case Op::Eq: return c == 0;
    case Op::Ne: return c != 0;
    case Op::Lt: return c < 0;
    case Op::Le: return c <= 0;
    case Op::Gt: return c > 0;
    case Op::Ge: return c >= 0;
    case Op::Like: return false;
    }
    return false;
}

bool matches(const QVariant& v, const Term& t)
{
    if (!v.isValid())
        return false; // NULL matches no comparison
    if (t.op == Op::Like) {
        if (v.typeId() == QMetaType::QByteArray)
            return false;
        const QString* s = textOf(v);
        const QString tmp = s ? QString() : v.toString();
        const QStringView view = s ? QStringView(*s) : QStringView(tmp);
        if (t.prefixOnly)
            return view.startsWith(t.prefix, Qt::CaseInsensitive);
        return likeMatch(view, t.text);
    }
    if (t.numeric) {
        if (isNumber(v))
            return holds(t.op, compareNumbers(v, t.number));
        const QString* s = textOf(v);
        if (!s)
            return false;
        bool ok = false;
        const double n = s->trimmed().toDouble(&ok);
        return ok && holds(t.op, compareNumbers(QVariant(n), t.number));
    }
    if (const QString* s = textOf(v))
        return holds(t.op, QString::compare(*s, t.text, Qt::CaseInsensitive));
    if (isNumber(v)) {
        if (t.textIsNumber)
            return holds(t.op, compareNumbers(v, t.textNumber));
        return holds(t.op, QString::compare(v.toString(), t.text, Qt::CaseInsensitive));
    }
    return false;
}

class FilterParser {
public:
    explicit FilterParser(const QString& text) : m_s(text) {}

    std::vector<Term> parse()
    {
        std::vector<Term> terms;
        skipBlanks();
        if (m_i == m_s.size())
            return terms;
        for (;;) {
            terms.push_back(term());
            skipBlanks();
            if (m_i == m_s.size())
                return terms;
            if (!keyword(u"and"))
                fail(QStringLiteral("expected \"and\""));
        }
    }

private:
    const QString& m_s;
    qsizetype m_i = 0;

    [[noreturn]] void fail(const QString& what) const
    {
        usage(QStringLiteral("filter \"%1\": %2 at position %3").arg(m_s, what).arg(m_i + 1));
    }

    void skipBlanks()
    {
        while (m_i < m_s.size() && m_s[m_i].isSpace())
            ++m_i;
    }

    bool keyword(QStringView word)
    {
        skipBlanks();
        const QStringView rest = QStringView(m_s).mid(m_i);
        if (!rest.startsWith(word, Qt::CaseInsensitive))
            return false;
        if (rest.size() > word.size() && (rest[word.size()].isLetterOrNumber() || rest[word.size()] == QLatin1Char('_')))
            return false;
        m_i += word.size();
        return true;
    }

    QString name()
    {
        skipBlanks();
        if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('[')) {
            const qsizetype end = m_s.indexOf(QLatin1Char(']'), m_i + 1);
            if (end < 0)
                fail(QStringLiteral("unclosed ["));
            const QString n = m_s.mid(m_i + 1, end - m_i - 1).trimmed();
            m_i = end + 1;
            if (n.isEmpty())
                fail(QStringLiteral("empty column name"));
            return n;
        }
        const qsizetype start = m_i;
        if (m_i < m_s.size() && (m_s[m_i].isLetter() || m_s[m_i] == QLatin1Char('_')))
            while (m_i < m_s.size() && (m_s[m_i].isLetterOrNumber() || m_s[m_i] == QLatin1Char('_')))
                ++m_i;
        if (m_i == start)
            fail(QStringLiteral("expected a column name"));
        return m_s.mid(start, m_i - start);
    }

    Op op()
    {
        skipBlanks();
        const QStringView rest = QStringView(m_s).mid(m_i);
        struct {
            const char16_t* text;
            Op op;
        } const ops[] = {{u"<>", Op::Ne}, {u"!=", Op::Ne}, {u"<=", Op::Le}, {u">=", Op::Ge},
                         {u"=", Op::Eq}, {u"<", Op::Lt}, {u">", Op::Gt}};
        for (const auto& o : ops) {
            const QStringView t(o.text);
            if (rest.startsWith(t)) {
                m_i += t.size();
                return o.op;
            }
        }
        if (keyword(u"like"))
            return Op::Like;
        fail(QStringLiteral("expected a comparison (= <> < <= > >= like)"));
    }

    Term term()
    {
        Term t;
        t.column = name();
        t.op = op();
        skipBlanks();
        if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('\'')) {
            QString text;
            ++m_i;
            for (;;) {
                if (m_i >= m_s.size())
                    fail(QStringLiteral("unclosed quote"));
                if (m_s[m_i] == QLatin1Char('\'')) {
                    if (m_i + 1 < m_s.size() && m_s[m_i + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        m_i += 2;
                        continue;
                    }
                    ++m_i;
                    break;
                }
                text += m_s[m_i++];
            }
            t.text = text;
            bool ok = false;
            const double n = text.trimmed().toDouble(&ok);
            t.textIsNumber = ok;
            if (ok)
                t.textNumber = n;
        } else {
            const qsizetype start = m_i;
            if (m_i < m_s.size() && (m_s[m_i] == QLatin1Char('-') || m_s[m_i] == QLatin1Char('+')))
                ++m_i;
            while (m_i < m_s.size() && (m_s[m_i].isDigit() || m_s[m_i] == QLatin1Char('.')))
                ++m_i;
            const QString lit = m_s.mid(start, m_i - start);
            bool ok = false;
            const qint64 i = lit.toLongLong(&ok);
            if (ok) {
                t.number = i;
            } else {
                const double dbl = lit.toDouble(&ok);
                if (!ok) {
                    m_i = start;
                    fail(QStringLiteral("expected a number or a quoted text"));
                }
                t.number = dbl;
            }
            t.numeric = true;
            t.text = lit;
        }
        if (t.op == Op::Like) {
            if (t.numeric)
                fail(QStringLiteral("like needs a quoted pattern"));
            t.text = t.text.toCaseFolded();
            const qsizetype firstWild = [&] {
                for (qsizetype k = 0; k < t.text.size(); ++k)
                    if (isStar(t.text[k]) || t.text[k] == QLatin1Char('?'))
                        return k;
                return t.text.size();
            }();
            // 'abc*' (the common chapter-prefix form) needs no wildcard engine.
            if (firstWild == t.text.size() - 1 && isStar(t.text.back())) {
                t.prefixOnly = true;
                t.prefix = t.text.left(firstWild);
            }
        }
        return t;
    }
};

// ---- sort -----------------------------------------------------------------

struct SortKey {
    QString column;
    int col = -1;
    bool desc = false;
};

std::vector<SortKey> parseSort(const QString& text)
{
    std::vector<SortKey> keys;
    if (text.trimmed().isEmpty())
        return keys;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        SortKey k;
        if (words.isEmpty() || words.size() > 2)
            usage(QStringLiteral("sort \"%1\": expected \"column [ASC|DESC]\"").arg(text));
        k.column = words[0];
        if (k.column.startsWith(QLatin1Char('[')) && k.column.endsWith(QLatin1Char(']')))
            k.column = k.column.mid(1, k.column.size() - 2);
        if (!isIdentifier(k.column))
            usage(QStringLiteral("sort \"%1\": bad column name %2").arg(text, words[0]));
        if (words.size() == 2) {
            if (words[1].compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0)
                k.desc = true;
            else if (words[1].compare(QLatin1String("asc"), Qt::CaseInsensitive) != 0)
                usage(QStringLiteral("sort \"%1\": expected ASC or DESC after %2").arg(text, k.column));
        }
        keys.push_back(k);
    }
    return keys;
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

} // namespace

// ---- the dataset ------------------------------------------------------------

struct Dataset::Impl {
    Params params;

    // What the last open found out about the select.
    QStringList cols;        // visible columns
    int ncols = 0;           // stored columns (visible + an injected rowid)
    bool rowidKey = false;   // key is the injected rowid (last stored column)
    std::vector<int> keyCols;
    QStringList tableCols;   // columns of the base table

    // Row-major, ncols per row. A QList: it grows by realloc (QVariant is relocatable)
    // and a clone shares it until one side writes.
    QList<QVariant> cells;
    int rows = 0;
    std::vector<int> visible;    // storage rows passing the filter, in sort order
    int cur = -1;                // position in visible; -1 before the first, size() past the last

    std::vector<Term> terms;     // parsed filter (columns resolved when applied)
    std::vector<SortKey> keys;

    std::vector<QVariant> buf;   // pending values of the row in edit / insert
    std::vector<char> dirty;
    int curBeforeInsert = -1;

    const QVariant& at(int storageRow, int col) const { return cells[qsizetype(storageRow) * ncols + col]; }
    bool hasCurrent() const { return cur >= 0 && cur < int(visible.size()); }
    int currentRow() const { return hasCurrent() ? visible[size_t(cur)] : -1; }

    int find(const QString& column) const
    {
        for (int i = 0; i < cols.size(); ++i)
            if (cols[i].compare(column, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    std::vector<QVariant> keyOf(int storageRow) const
    {
        std::vector<QVariant> k;
        for (int c : keyCols)
            k.push_back(at(storageRow, c));
        return k;
    }

    int rowWithKey(const std::vector<QVariant>& key) const
    {
        for (size_t pos = 0; pos < visible.size(); ++pos) {
            bool same = true;
            for (size_t j = 0; j < keyCols.size() && same; ++j)
                same = key[j].isValid() && sameValue(at(visible[pos], keyCols[j]), key[j]);
            if (same)
                return int(pos);
        }
        return -1;
    }

    void resolve(std::vector<Term>& ts) const
    {
        for (Term& t : ts) {
            t.col = find(t.column);
            if (t.col < 0)
                usage(QStringLiteral("filter: no column %1 in the rows").arg(t.column));
        }
    }

    void resolve(std::vector<SortKey>& ks) const
    {
        for (SortKey& k : ks) {
            k.col = find(k.column);
            if (k.col < 0)
                usage(QStringLiteral("sort: no column %1 in the rows").arg(k.column));
        }
    }

    // Rows passing the filter, in the select's order, then stably sorted.
    void rebuild(bool filterOn)
    {
        visible.clear();
        visible.reserve(size_t(rows));
        const bool all = !filterOn || terms.empty();
        for (int r = 0; r < rows; ++r) {
            bool ok = true;
            if (!all)
                for (const Term& t : terms)
                    if (!matches(at(r, t.col), t)) {
                        ok = false;
                        break;
                    }
            if (ok)
                visible.push_back(r);
        }
        sortVisible();
    }

    void sortVisible()
    {
        if (keys.empty() || visible.size() < 2)
            return;
        // The keys are read once into one compact array, so comparisons stay in cache.
        const size_t n = visible.size(), nk = keys.size();
        std::vector<SortCell> ext(n * nk);
        for (size_t p = 0; p < n; ++p)
            for (size_t k = 0; k < nk; ++k)
                ext[p * nk + k] = sortCellOf(at(visible[p], keys[k].col));
        std::vector<int> perm(n);
        for (size_t p = 0; p < n; ++p)
            perm[p] = int(p);
        std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
            for (size_t k = 0; k < nk; ++k) {
                const int c = compareSortCells(ext[size_t(a) * nk + k], ext[size_t(b) * nk + k]);
                if (c != 0)
                    return keys[k].desc ? c > 0 : c < 0;
            }
            return false;
        });
        std::vector<int> sorted(n);
        for (size_t p = 0; p < n; ++p)
            sorted[p] = visible[size_t(perm[p])];
        visible = std::move(sorted);
    }
};

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

void Dataset::clearParams()
{
    d->params.clear();
}

namespace {

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

} // namespace

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
    fresh->terms = FilterParser(m_filter).parse();
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

// ---- filter and sort ---------------------------------------------------------

void Dataset::setFilter(const QString& filter)
{
    std::vector<Term> terms = FilterParser(filter).parse();
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

#include "core/store/DatasetParts.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>

// The dataset's values: how they compare, the client-side filter language and the
// sort keys.

namespace store::detail {

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

std::vector<Term> parseFilter(const QString& text)
{
    return FilterParser(text).parse();
}

} // namespace store::detail

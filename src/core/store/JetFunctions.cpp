#include "core/store/JetFunctions.h"

#include <cmath>
#include <sqlite3.h>

namespace store {

namespace {

QString argText(sqlite3_value* v)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

// Left/Right count characters, not bytes; a negative length is an error there too.
void leftOrRight(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool left)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const qint64 n = sqlite3_value_int64(argv[1]);
    if (n < 0) {
        sqlite3_result_error(ctx, "invalid length", -1);
        return;
    }
    const QString s = argText(argv[0]);
    resultText(ctx, left ? s.left(qsizetype(n)) : s.right(qsizetype(n)));
}

void jetLeft(sqlite3_context* ctx, int argc, sqlite3_value** argv) { leftOrRight(ctx, argc, argv, true); }
void jetRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) { leftOrRight(ctx, argc, argv, false); }

void jetLen(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(ctx, argText(argv[0]).size());
}

void jetCIntFn(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    std::optional<int> r;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: r = jetCInt(sqlite3_value_double(argv[0])); break;
    default: r = jetCInt(argText(argv[0]));
    }
    if (!r) {
        sqlite3_result_error(ctx, "type mismatch or overflow in CINT", -1);
        return;
    }
    sqlite3_result_int(ctx, *r);
}

} // namespace

std::optional<int> jetCInt(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default rounding mode: halves to even
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return int(r);
}

std::optional<int> jetCInt(const QString& text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return jetCInt(d);
}

QString translateJetSql(const QString& sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    const qsizetype n = sql.size();
    auto isIdent = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(sql).mid(i, qMin(j + 1, n) - i);
            i = j + 1;
            continue;
        }
        if (isIdent(c) && (i == 0 || !isIdent(sql[i - 1]))) {
            qsizetype j = i;
            while (j < n && isIdent(sql[j]))
                ++j;
            const QStringView word = QStringView(sql).mid(i, j - i);
            qsizetype k = j;
            while (k < n && sql[k].isSpace())
                ++k;
            if ((word.compare(u"left", Qt::CaseInsensitive) == 0 || word.compare(u"right", Qt::CaseInsensitive) == 0)
                && k < n && sql[k] == QLatin1Char('(')) {
                out += QStringLiteral("jet_") + word.toString().toLower();
                i = j;
                continue;
            }
            if (word.compare(u"delete", Qt::CaseInsensitive) == 0 && k < n && sql[k] == QLatin1Char('*')) {
                out += word;
                i = k + 1; // drop the "*"
                continue;
            }
            out += word;
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

void registerJetFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "jet_left", 2, flags, nullptr, jetLeft, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "jet_right", 2, flags, nullptr, jetRight, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "len", 1, flags, nullptr, jetLen, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "cint", 1, flags, nullptr, jetCIntFn, nullptr, nullptr, nullptr);
}

} // namespace store

#include "core/search/Search.h"

#include "core/search/SearchIndex.h"
#include "core/search/SearchText.h"
#include "core/store/Connection.h"
#include "core/store/Schema.h"

#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace search {

namespace {

// Up to this many candidates are read one by one and sorted; beyond it the questions
// are walked in id order and the walk stops at the limit, since hits are then dense
// enough. On 100,000 questions both ways take about as long here (a few ms).
constexpr size_t kReadEach = 1200;
// Excerpt: characters kept before and after the match.
constexpr int kBefore = 20;
constexpr int kAfter = 40;

// The filter as a condition on tab_answ (alias a) and its parameters; false when no
// question can pass it (a chapter outside the part).
bool filterSql(const Filter& f, QString& where, store::Params& params)
{
    if (!f.part.isEmpty() && !f.chapter.isEmpty() && !f.chapter.startsWith(f.part))
        return false;
    QStringList conds;
    const QString code = f.chapter.isEmpty() ? f.part : f.chapter;
    if (!code.isEmpty()) {
        conds << store::chapterCondition(code);
        for (auto& p : store::chapterParams(code))
            params.push_back(p);
    }
    if (f.type != 0) {
        conds << QStringLiteral("a.A13 = :type");
        params.emplace_back(QStringLiteral(":type"), f.type);
    }
    where = conds.join(QStringLiteral(" and "));
    return true;
}

bool hasFilter(const Filter& f)
{
    return !f.part.isEmpty() || !f.chapter.isEmpty() || f.type != 0;
}

Hit excerpt(const QString& id, const QString& body, qsizetype at, qsizetype length)
{
    qsizetype lineStart = body.lastIndexOf(QLatin1Char('\n'), at) + 1;
    qsizetype lineEnd = body.indexOf(QLatin1Char('\n'), at + length);
    if (lineEnd < 0)
        lineEnd = body.size();
    const qsizetype from = std::max(lineStart, at - kBefore);
    const qsizetype to = std::min(lineEnd, at + length + kAfter);
    return {id, body.mid(from, to - from), int(at - from), int(length)};
}

// Whether the body holds the query; a hit with its excerpt when it does, taken from
// the text as written where there is one. Checked even for queries of one or two
// characters, whose words alone are exact.
bool match(const QString& id, const QString& body, const QString& shown, const QString& q, QList<Hit>& hits)
{
    const qsizetype at = body.indexOf(q);
    if (at < 0)
        return false;
    const ShownMatch m = shown.isEmpty() ? ShownMatch{} : findShown(shown, q);
    hits << (m.start >= 0 ? excerpt(id, shown, m.start, m.length) : excerpt(id, body, at, q.size()));
    return true;
}

QString text(sqlite3_stmt* s, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)), sqlite3_column_bytes(s, column));
}

std::vector<qint64> candidates(store::Connection& db, const QString& q)
{
    std::vector<qint64> out;
    sqlite3_stmt* s = db.prepare(QStringLiteral("select docid from search_fts where search_fts match :m"));
    const StatementReset reset{s};
    db.bind(s, {{QStringLiteral(":m"), queryWords(q).join(QLatin1Char(' '))}});
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        out.push_back(sqlite3_column_int64(s, 0));
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("search the index"));
    return out; // in docid order
}

QList<Hit> indexed(store::Connection& db, const QString& q, const Filter& filter, int limit)
{
    QString where;
    store::Params params;
    if (!filterSql(filter, where, params))
        return {};
    const std::vector<qint64> docs = candidates(db, q);
    const QString join = hasFilter(filter) ? QStringLiteral(" join tab_answ a on a.A1 = d.A1") : QString();
    QList<Hit> hits;
    if (docs.size() <= kReadEach || limit <= 0) {
        sqlite3_stmt* read = db.prepare(QStringLiteral("select d.A1, d.body, d.shown from search_doc d") + join + QStringLiteral(" where d.docid = :docid")
                                        + (where.isEmpty() ? QString() : QStringLiteral(" and ") + where));
        const StatementReset reset{read};
        db.bind(read, params);
        const int docParam = sqlite3_bind_parameter_index(read, ":docid");
        for (qint64 doc : docs) {
            sqlite3_reset(read);
            sqlite3_bind_int64(read, docParam, doc);
            const int rc = sqlite3_step(read);
            if (rc == SQLITE_ROW)
                match(text(read, 0), text(read, 1), text(read, 2), q, hits);
            else if (rc != SQLITE_DONE)
                db.fail(QStringLiteral("read the search index"));
        }
        std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.id < b.id; });
        if (limit > 0 && hits.size() > limit)
            hits.resize(limit);
        return hits;
    }
    sqlite3_stmt* body = db.prepare(QStringLiteral("select body, shown from search_doc where docid = :docid"));
    const StatementReset resetBody{body};
    sqlite3_stmt* walk = db.prepare(QStringLiteral("select d.docid, d.A1 from search_doc d") + join
                                    + (where.isEmpty() ? QString() : QStringLiteral(" where ") + where)
                                    + QStringLiteral(" order by d.A1"));
    const StatementReset reset{walk};
    db.bind(walk, params);
    int rc = SQLITE_DONE;
    while (hits.size() < limit && (rc = sqlite3_step(walk)) == SQLITE_ROW) {
        const qint64 doc = sqlite3_column_int64(walk, 0);
        if (!std::binary_search(docs.begin(), docs.end(), doc))
            continue;
        sqlite3_reset(body);
        sqlite3_bind_int64(body, 1, doc);
        if (sqlite3_step(body) == SQLITE_ROW)
            match(text(walk, 1), text(body, 0), text(body, 1), q, hits);
    }
    if (hits.size() < limit && rc != SQLITE_DONE)
        db.fail(QStringLiteral("walk the search index"));
    return hits;
}

} // namespace

QList<Hit> find(store::Connection& db, const QString& text, const Filter& filter, int limit)
{
    const QString q = normalise(text);
    if (q.isEmpty())
        return {};
    if (!isBuilt(db))
        return scan(db, text, filter, limit);
    return indexed(db, q, filter, limit);
}

int count(store::Connection& db, const QString& text, const Filter& filter)
{
    const QString q = normalise(text);
    if (q.isEmpty())
        return 0;
    if (!isBuilt(db))
        return int(scan(db, text, filter, 0).size());
    if (q.size() <= 2 && !hasFilter(filter)) // exact words: no text to read
        return db.scalar(QStringLiteral("select count(*) from search_doc where docid in"
                                        " (select docid from search_fts where search_fts match :m)"),
                         {{QStringLiteral(":m"), queryWords(q).join(QLatin1Char(' '))}})
            .toInt();
    return int(indexed(db, q, filter, 0).size());
}

QList<Hit> scan(store::Connection& db, const QString& text, const Filter& filter, int limit)
{
    const QString q = normalise(text);
    QString where;
    store::Params params;
    if (q.isEmpty() || !filterSql(filter, where, params))
        return {};
    sqlite3_stmt* read = db.prepare(questionTextSelect() + (where.isEmpty() ? QString() : QStringLiteral(" where ") + where)
                                    + QStringLiteral(" order by a.A1"));
    const StatementReset reset{read};
    db.bind(read, params);
    QList<Hit> hits;
    int rc = SQLITE_DONE;
    while ((limit <= 0 || hits.size() < limit) && (rc = sqlite3_step(read)) == SQLITE_ROW) {
        const QuestionText t = questionText(store::Connection::columnValue(read, 2), store::Connection::columnValue(read, 4),
                                            store::Connection::columnValue(read, 3), store::Connection::columnValue(read, 1));
        match(store::Connection::columnValue(read, 0).toString(), t.body, t.shown, q, hits);
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        db.fail(QStringLiteral("read the questions to search"));
    return hits;
}

} // namespace search

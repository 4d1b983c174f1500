#include "core/search/SearchIndex.h"

#include "core/search/SearchText.h"
#include "core/store/Clock.h"
#include "core/store/Connection.h"

#include <sqlite3.h>

namespace search {

namespace {

// The old docid's words stay in the full-text table; with no search_doc row they
// match nothing, and docids are never handed out again.
void keep(store::Connection& db, const QString& id, const QuestionText& text)
{
    const store::Params key = {{QStringLiteral(":a1"), id}};
    const store::Rows old = db.query(QStringLiteral("select body, shown from search_doc where A1 = :a1"), key);
    if (!old.empty()) {
        if (old.values[0][0].toString() == text.body) {
            if (old.values[0][1].toString() != text.shown)
                db.exec(QStringLiteral("update search_doc set shown = :shown where A1 = :a1"),
                        {key[0], {QStringLiteral(":shown"), text.shown}});
            return;
        }
        db.exec(QStringLiteral("delete from search_doc where A1 = :a1"), key);
    }
    db.exec(QStringLiteral("insert into search_doc (A1, body, shown) values (:a1, :body, :shown)"),
            {key[0], {QStringLiteral(":body"), text.body}, {QStringLiteral(":shown"), text.shown}});
    db.exec(QStringLiteral("insert into search_fts (docid, body) values (:docid, :words)"),
            {{QStringLiteral(":docid"), db.lastInsertRowId()}, {QStringLiteral(":words"), textWords(text.body)}});
}

} // namespace

bool isBuilt(store::Connection& db)
{
    return db.hasTable(QStringLiteral("search_built"))
        && db.scalar(QStringLiteral("select count(*) from search_built")).toInt() > 0;
}

void buildIndex(store::Connection& db, const std::function<void(int, int)>& progress)
{
    // The full-text table's merges revisit its pages again and again: with the
    // default cache every visit is a read and a decryption. Put back afterwards.
    const QVariant cache = db.scalar(QStringLiteral("PRAGMA cache_size"));
    db.exec(QStringLiteral("PRAGMA cache_size = -262144"));
    const struct RestoreCache {
        store::Connection& db;
        QVariant size;
        ~RestoreCache()
        {
            try {
                db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(size.toLongLong()));
            } catch (const store::DbError&) {
                // Only memory: a closed or broken connection has no cache to give back.
            }
        }
    } restore{db, cache};
    store::Transaction t(db);
    // Tables lost from a bank whose layout says they are there come back, as the
    // layout steps make them, so such a bank gets its index too.
    db.exec(QStringLiteral("create table if not exists search_doc (docid integer primary key autoincrement,"
                           " A1 text not null unique, body text not null, shown text)"));
    db.exec(QStringLiteral("create table if not exists search_built (at text not null)"));
    db.exec(QStringLiteral("delete from search_built"));
    // Its words are not those of its content table, so it cannot delete them: made
    // anew, as the bank's layout step makes it.
    db.exec(QStringLiteral("drop table if exists search_fts"));
    db.exec(QStringLiteral("create virtual table search_fts using fts4(content=\"search_doc\", matchinfo=fts3, body)"));
    db.exec(QStringLiteral("delete from search_doc"));
    const int total = db.scalar(QStringLiteral("select count(*) from tab_answ")).toInt();
    // Rows are read one at a time: the texts of a large bank are more than memory likes.
    sqlite3_stmt* read = db.prepare(questionTextSelect() + QStringLiteral(" order by a.A1"));
    const StatementReset reset{read};
    // Bound by hand: a hundred thousand rows feel the cost of binding by name.
    sqlite3_stmt* doc = db.prepare(QStringLiteral("insert into search_doc (A1, body, shown) values (?1, ?2, ?3)"));
    const StatementReset resetDoc{doc};
    sqlite3_stmt* words = db.prepare(QStringLiteral("insert into search_fts (docid, body) values (?1, ?2)"));
    const StatementReset resetWords{words};
    const auto bindText = [](sqlite3_stmt* s, int i, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(s, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    };
    const auto run = [&](sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            db.fail(QStringLiteral("index the questions"));
    };
    int done = 0, rc;
    while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
        const QuestionText text = questionText(store::Connection::columnValue(read, 2), store::Connection::columnValue(read, 4),
                                               store::Connection::columnValue(read, 3), store::Connection::columnValue(read, 1));
        bindText(doc, 1, store::Connection::columnValue(read, 0).toString());
        bindText(doc, 2, text.body);
        bindText(doc, 3, text.shown);
        run(doc);
        sqlite3_bind_int64(words, 1, db.lastInsertRowId());
        bindText(words, 2, textWords(text.body));
        run(words);
        if (progress && ++done % 500 == 0)
            progress(done, total);
    }
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("read the questions to index"));
    db.exec(QStringLiteral("insert into search_built (at) values (:at)"), {{QStringLiteral(":at"), store::Clock::now()}});
    t.commit();
    if (progress)
        progress(total, total);
}

void reindexQuestions(store::Connection& db, const QStringList& questionIds)
{
    if (questionIds.isEmpty() || !isBuilt(db))
        return;
    store::Transaction t(db, store::Transaction::Nesting::Join);
    for (const QString& id : questionIds) {
        const store::Rows r = db.query(questionTextSelect() + QStringLiteral(" where a.A1 = :a1"), {{QStringLiteral(":a1"), id}});
        if (r.empty()) {
            db.exec(QStringLiteral("delete from search_doc where A1 = :a1"), {{QStringLiteral(":a1"), id}});
            continue;
        }
        const auto& row = r.values[0];
        keep(db, id, questionText(row[2], row[4], row[3], row[1]));
    }
    t.commit();
}

void reindexGroup(store::Connection& db, const QString& groupId)
{
    if (groupId.isEmpty() || !isBuilt(db))
        return;
    QStringList ids;
    // The group's questions are "<group>-n": a range of the key, not a pattern.
    const store::Rows r = db.query(QStringLiteral("select A1 from tab_answ where A1 > :lo and A1 < :hi"),
                                   {{QStringLiteral(":lo"), groupId + QLatin1Char('-')},
                                    {QStringLiteral(":hi"), groupId + QLatin1Char('.')}});
    for (const auto& row : r.values)
        ids << row[0].toString();
    reindexQuestions(db, ids);
}

} // namespace search

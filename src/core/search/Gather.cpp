#include "core/search/Gather.h"

#include "core/store/Clock.h"
#include "core/store/Connection.h"

namespace search {

namespace {

const char kColumns[] = "a.A1, a.A10, a.A13, a.E4, a.E3, a.E1";

QList<Gathered> read(const store::Rows& rows, bool withRemark)
{
    QList<Gathered> out;
    for (const auto& r : rows.values)
        out.push_back({r[0].toString(), r[1].toString(), r[2].toInt(), r[3].toInt(), r[4].toInt(),
                       QDate::fromString(r[5].toString().left(10), Qt::ISODate), withRemark ? r[6].toString() : QString()});
    return out;
}

} // namespace

bool toggleBookmark(store::Connection& db, const QString& questionId)
{
    const store::Params key = {{QStringLiteral(":a1"), questionId}};
    store::Transaction t(db, store::Transaction::Nesting::Join);
    const bool had = db.exec(QStringLiteral("delete from bookmark where A1 = :a1"), key) > 0;
    if (!had)
        db.exec(QStringLiteral("insert into bookmark (A1, at) values (:a1, :at)"), {key[0], {QStringLiteral(":at"), store::Clock::now()}});
    t.commit();
    return !had;
}

bool isBookmarked(store::Connection& db, const QString& questionId)
{
    return db.scalar(QStringLiteral("select 1 from bookmark where A1 = :a1"), {{QStringLiteral(":a1"), questionId}}).isValid();
}

bool setBookmarkRemark(store::Connection& db, const QString& questionId, const QString& remark)
{
    QString line = remark;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return db.exec(QStringLiteral("update bookmark set remark = :remark where A1 = :a1"),
                   {{QStringLiteral(":remark"), line.trimmed()}, {QStringLiteral(":a1"), questionId}})
        > 0;
}

QList<Gathered> bookmarks(store::Connection& db)
{
    return read(db.query(QStringLiteral("select %1, b.remark from bookmark b join tab_answ a on a.A1 = b.A1 order by a.A1")
                             .arg(QLatin1String(kColumns))),
                true);
}

QList<Gathered> wrongBook(store::Connection& db)
{
    // The condition of 错题重做, so the book and the chapter's redo agree.
    return read(db.query(QStringLiteral("select %1 from tab_answ a where (a.E4 < 0) and (a.f1<>1) and not exists"
                                        " (select 1 from book_removal r where r.A1 = a.A1 and r.E3 is a.E3) order by a.A1")
                             .arg(QLatin1String(kColumns))),
                false);
}

void removeFromBook(store::Connection& db, const QString& questionId)
{
    db.exec(QStringLiteral("insert or replace into book_removal (A1, E3, at)"
                           " select A1, E3, :at from tab_answ where A1 = :a1"),
            {{QStringLiteral(":a1"), questionId}, {QStringLiteral(":at"), store::Clock::now()}});
}

} // namespace search

#include "core/practice/GatheredSet.h"

#include "core/store/Connection.h"

namespace practice {

namespace {

// Bound values per insert, well below the engine's limit of 999.
constexpr int kIdsPerInsert = 400;

} // namespace

PracticeStatement gatheredStatement(store::Connection& db, const QStringList& ids, bool byType)
{
    // A temporary table lives outside the bank file: filling it writes nothing there.
    db.exec(QStringLiteral("create temp table if not exists gathered_set (gpos integer primary key, gid text not null unique)"));
    store::Transaction t(db);
    db.exec(QStringLiteral("delete from temp.gathered_set"));
    for (int from = 0; from < ids.size(); from += kIdsPerInsert) {
        const int n = std::min(kIdsPerInsert, int(ids.size()) - from);
        // A repeated id keeps its first place.
        QString sql = QStringLiteral("insert or ignore into temp.gathered_set (gpos, gid) values ");
        store::Params params;
        params.reserve(size_t(2 * n));
        for (int i = 0; i < n; ++i) {
            if (i > 0)
                sql += QLatin1Char(',');
            sql += QStringLiteral("(:p%1,:g%1)").arg(i);
            params.emplace_back(QStringLiteral(":p%1").arg(i), from + i);
            params.emplace_back(QStringLiteral(":g%1").arg(i), ids[from + i]);
        }
        db.exec(sql, params);
    }
    t.commit();
    // One table read by its key, so that the practice screen can record into its rows.
    const QString position = QStringLiteral("(select gpos from temp.gathered_set where gid = a1)");
    return {QStringLiteral("select %1 from tab_answ where a1 in (select gid from temp.gathered_set) order by %2")
                .arg(QLatin1String(kQuestionColumns), byType ? QStringLiteral("a13, ") + position : position),
            {}};
}

} // namespace practice

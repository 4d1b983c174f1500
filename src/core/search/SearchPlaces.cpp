#include "core/search/SearchPlaces.h"

#include "core/store/Connection.h"

namespace search {

QList<Place> places(store::Connection& db)
{
    QList<Place> out;
    const store::Rows rows = db.query(QStringLiteral("select C1, C2 from tab_kmmc where length(trim(C1)) in (2, 4)"
                                                     " order by bh is null, bh, C1"));
    for (const auto& r : rows.values)
        out.push_back({r[0].toString().trimmed(), r[1].toString().trimmed()});
    return out;
}

QHash<QString, QString> chaptersOf(store::Connection& db, const QStringList& questionIds)
{
    QHash<QString, QString> out;
    for (const QString& id : questionIds) {
        if (out.contains(id))
            continue;
        const QVariant chapter = db.scalar(QStringLiteral("select A10 from tab_answ where A1 = :a1"), {{QStringLiteral(":a1"), id}});
        if (chapter.isValid() && !chapter.isNull())
            out.insert(id, chapter.toString().trimmed());
    }
    return out;
}

} // namespace search

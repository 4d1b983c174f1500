#include "core/outline/PointRules.h"

#include "core/store/Connection.h"
#include "core/store/Dataset.h"

namespace outline {

QStringList questionPointIds(store::Connection& db, const QString& questionId, EmptyPoint empty)
{
    const store::Rows rows = db.query(QStringLiteral("select k3,k4,k5,k6,k7,k8,k9,k10,k11,k12 from tab_answ where a1=:a1"),
                                      {{QStringLiteral(":a1"), questionId}});
    QStringList ids;
    if (rows.empty())
        return ids;
    for (const QVariant& k : rows.values.front()) {
        if (!k.isNull() && !k.toString().isEmpty())
            ids << k.toString();
        else if (empty == EmptyPoint::EndsList)
            break;
    }
    return ids;
}

void openPoints(store::Dataset& points, const QStringList& ids)
{
    QStringList marks;
    for (int i = 0; i < ids.size(); ++i)
        marks << QStringLiteral(":p%1").arg(i);
    points.close();
    points.setSql(QStringLiteral("select id,n,sn from tab_rule where ftid in(") + marks.join(QLatin1Char(',')) + QLatin1Char(')'));
    for (int i = 0; i < ids.size(); ++i)
        points.setParam(marks[i], ids[i]);
    points.open();
}

QString nodeName(store::Connection& db, const QString& nodeId)
{
    const store::Rows node = db.query(QStringLiteral("select * from tab_fgmc where id=:id"), {{QStringLiteral(":id"), nodeId}});
    return node.empty() ? QString() : node.at(0, QStringLiteral("n")).toString();
}

} // namespace outline

#include "core/exam/ScoreRules.h"

#include "core/exam/ExamResume.h"
#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "core/store/DataModule.h"
#include "core/store/Schema.h"

#include <cmath>

namespace exam {

int passLine(int fullScore)
{
    return fullScore / 5 * 3;
}

ScoreFigures scoreFigures(store::Connection& db, int line)
{
    ScoreFigures f;
    f.papers = db.scalar(QStringLiteral("select count(*) from tab_cj")).toInt();
    f.passed = db.scalar(QStringLiteral("select count(*) from tab_cj where A6 >= :line"), {{QStringLiteral(":line"), line}}).toInt();
    const QVariant avg = db.scalar(QStringLiteral("select avg(A6) as avg_fs from tab_cj"));
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    f.average = avg.isNull() ? 0 : int(std::nearbyint(avg.toDouble()));
    return f;
}

namespace {
QString leastMarkText(store::Connection& db)
{
    const QVariant least = examSettings(db).leastMarkStored;
    return least.isNull() ? QString() : scoreText(least.toDouble());
}
} // namespace

QString scoreHint(store::Connection& db)
{
    return QStringLiteral("[提示]：成绩少于 ") + leastMarkText(db) + QStringLiteral(" 分的试卷，不被保留。");
}

QString belowPassNotice(store::Connection& db)
{
    return QStringLiteral("成绩低于 ") + leastMarkText(db) + QStringLiteral(" 分，关闭后本试卷不被保留。");
}

void deletePaper(TDM1& dm, const QString& paperTable)
{
    store::Connection& db = dm.db();
    store::Transaction t(db);
    dm.DropPaperTable(paperTable);
    db.exec(QStringLiteral("delete from tab_cj where A1 = :a1"), {{QStringLiteral(":a1"), paperTable}});
    forgetProgress(db, paperTable);
    t.commit();
}

int paperMock(store::Connection& db, const QString& paperTable)
{
    const QString title = db.scalar(QStringLiteral("select A3 from tab_cj where A1 = :a1"), {{QStringLiteral(":a1"), paperTable}}).toString();
    for (int mock = 1; mock <= 5; ++mock)
        if (const QString t = mockTitle(mock); !t.isEmpty() && title.contains(t))
            return mock;
    return 0;
}

QString paperTypeTable(store::Connection& db, const QString& paperTable, const QString& fallback)
{
    const int mock = paperMock(db, paperTable);
    return mock > 0 ? QStringLiteral("tab_tx%1").arg(mock) : fallback;
}

QHash<int, PaperType> paperOwnTypes(store::Connection& db, const QString& paperTable, const QString& typeTable)
{
    if (!store::isPaperTableName(paperTable))
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a paper table name: %1").arg(paperTable));
    QHash<int, PaperType> types = paperTypes(db, typeTable);
    for (PaperType& t : types)
        t.count = 0;
    const store::Rows rows = db.query(QStringLiteral("select A13, count(*) from ") + paperTable + QStringLiteral(" group by A13"));
    for (const auto& r : rows.values) {
        const auto t = types.find(r[0].toInt());
        if (t != types.end())
            t->count = r[1].toInt();
    }
    return types;
}

} // namespace exam

#include "exam/ScoreRules.h"

#include "exam/ExamResume.h"
#include "exam/ExamRules.h"
#include "store/DataModule.h"

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

QString scoreHint(store::Connection& db)
{
    const QVariant least = examSettings(db).leastMarkStored;
    const QString shown = least.isNull() ? QString() : scoreText(least.toDouble());
    return QStringLiteral("[提示]：成绩少于 ") + shown + QStringLiteral(" 分的试卷，不被保留。");
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

} // namespace exam

#include "core/app/ShellRules.h"

#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/Statistics.h"

#include <cmath>

namespace shell {

QString screenSizeTagFor(const QSize& screen)
{
    return screen.width() == 800 || screen.height() == 600 ? QStringLiteral("800") : QStringLiteral("1024");
}

QSize designSizeFor(const QString& tag)
{
    return tag == QLatin1String("800") ? QSize(800, 600) : QSize(1024, 768);
}

bool isSmallFontsDpi(qreal logicalDpi)
{
    return qRound(logicalDpi) == 96;
}

DayWork todaysWork(store::Connection& db)
{
    DayWork w;
    const store::Rows rows = db.query(QStringLiteral("select A2, D1 from tab_rz where A1=:A1"),
                                      {{QStringLiteral(":A1"), store::Clock::today()}});
    if (rows.empty())
        return w;
    w.logged = true;
    w.answers = rows.at(0, QStringLiteral("A2")).toLongLong();
    w.seconds = store::ClockTextToSeconds(rows.at(0, QStringLiteral("D1")).toString());
    return w;
}

StudyPlan readStudyPlan(store::Connection& db)
{
    StudyPlan p;
    const store::Rows rows = db.query(QStringLiteral("select PlanMark, PlanAmount, PlanTime from tab_plan limit 1"));
    if (rows.empty())
        return p;
    p.present = true;
    p.mark = rows.at(0, QStringLiteral("PlanMark")).toInt();
    p.amount = rows.at(0, QStringLiteral("PlanAmount")).toInt();
    p.time = rows.at(0, QStringLiteral("PlanTime")).toInt();
    return p;
}

PlanStatus comparePlan(const StudyPlan& plan, const DayWork& work)
{
    if (!plan.present)
        return PlanStatus::NoPlan;
    qint64 done = 0;
    qint64 planned = 0;
    switch (plan.mark) {
    case 0:
        done = work.answers;
        planned = plan.amount;
        break;
    case 1:
        done = work.minutes();
        planned = plan.time;
        break;
    default:
        return PlanStatus::NoPlan;
    }
    if (done < planned)
        return PlanStatus::Below;
    return done == planned ? PlanStatus::Met : PlanStatus::Exceeded;
}

void loadTypeAnswerTimes(store::Connection& db)
{
    app::ensureCurrentPaperNo();
    // The table name comes from the paper number (1 … 5), never from outside.
    const store::Rows rows = db.query(QStringLiteral("select * from ") + app::currentTypeTable());
    if (rows.empty())
        return;
    app::TypeAnswerTimes.resize(rows.size());
    app::TypeIds.resize(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        // Minutes to tenths of a second; the small margin keeps 0.35 min from
        // truncating to 209 through binary rounding.
        app::TypeAnswerTimes[i] = int(std::floor(rows.at(i, QStringLiteral("time")).toDouble() * 600.0 + 1e-6));
        app::TypeIds[i] = rows.at(i, QStringLiteral("A1")).toInt();
    }
}

} // namespace shell

#pragma once

#include "core/store/Connection.h"

#include <QSize>
#include <QString>

// Rules of the main window that need no window: the screen-size tag, the font
// check, today's work against the study plan, and the answer times per type.
namespace shell {

// "800" when the screen is 800 wide or 600 high (800 × 1024 too), else "1024".
QString screenSizeTagFor(const QSize& screen);
// The window size that goes with a tag: 800 × 600 or 1024 × 768.
QSize designSizeFor(const QString& tag);
// The program is laid out for 96 dots per inch ("small fonts").
bool isSmallFontsDpi(qreal logicalDpi);

// Today's row of the daily log.
struct DayWork {
    bool logged = false;  // a row for today exists
    qint64 answers = 0;   // A2
    qint64 seconds = 0;   // D1 as seconds
    qint64 minutes() const { return seconds / 60; }
};
DayWork todaysWork(store::Connection& db);

// A day holds 24 hours of study at most; past that the program will not run.
inline constexpr qint64 kSecondsPerDay = 86400;
inline bool studyDayExhausted(const DayWork& w) { return w.seconds >= kSecondsPerDay; }

// The first tab_plan row.
struct StudyPlan {
    bool present = false;
    int mark = 0;   // 0 by answers, 1 by minutes
    int amount = 0; // answers per day
    int time = 0;   // minutes per day
};
StudyPlan readStudyPlan(store::Connection& db);

enum class PlanStatus { NoPlan, Below, Met, Exceeded };
PlanStatus comparePlan(const StudyPlan& plan, const DayWork& work);

// Fills app::TypeAnswerTimes (tenths of a second) and app::TypeIds from the
// question-type table of the current paper (paper 0 becomes paper 1 first), in
// row order; a table without rows leaves them as they are.
void loadTypeAnswerTimes(store::Connection& db);

} // namespace shell

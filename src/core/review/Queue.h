#pragma once

#include "core/review/Fsrs.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <optional>
#include <vector>

namespace store {
class Connection;
}

// Today's review: the questions whose recall has fallen (or falls today) below the
// target, aimed at the exam day when one lies ahead, and the new questions the
// study plan leaves room for.
namespace review {

inline constexpr double kTargetRecall = 0.9;
// In these last days before the exam, today's reviews are what would be forgotten by then.
inline constexpr int kLastDays = 7;
// The candidate's pace: the median time of their latest answers; fewer than
// kPaceMinAnswers timed answers say too little, and the default stands.
inline constexpr int kPaceSample = 200;
inline constexpr int kPaceMinAnswers = 10;
inline constexpr double kDefaultSecondsPerAnswer = 60;

// When a question is due, as of one moment.
struct DueRule {
    QDateTime now;
    QDateTime endOfToday;
    QDateTime exam;        // the start of the exam day; invalid when no exam lies ahead
    bool lastDays = false; // the exam is at most kLastDays away
    double target = kTargetRecall; // the store's indexes find candidates for 90 % and below
};

// The rule for `now` (local day) and an exam date (invalid: none).
DueRule dueRuleFor(const QDateTime& now, const QDate& examDate);

// nullopt when the question is not due today; else its urgency, the lower the
// sooner: its predicted recall now, or on exam day in the last days.
std::optional<double> dueUrgency(const MemoryState& state, const DueRule& rule,
                                 const Parameters& p = defaultParameters());

// The median of the seconds (the default when fewer than kPaceMinAnswers).
double paceSeconds(std::vector<qint64> seconds);
// Whole minutes, rounded up, for this many answers at this pace.
int estimateMinutes(qint64 answers, double secondsPerAnswer);

// What the study plan asks of today and what has been done of it.
struct PlanToday {
    int mark = 0;              // 0 answers a day, 1 minutes a day
    int amount = 0;            // answers a day
    int time = 0;              // minutes a day
    QDate examDate;            // invalid: none
    qint64 answeredToday = 0;  // answers counted today
    qint64 minutesToday = 0;   // study minutes today
};

// New questions for today: what is left of the plan's daily amount after today's
// answers and the due reviews (a plan by minutes counts answers at the pace), at
// most `unanswered`.
qint64 newQuestionsToday(const PlanToday& plan, qint64 due, qint64 unanswered, double secondsPerAnswer);

struct TodaysReview {
    QStringList due;   // most urgent first
    QStringList fresh; // never answered, in book order
    double secondsPerAnswer = kDefaultSecondsPerAnswer;
    bool paceFromLog = false;
    int minutes = 0;
    bool examAimed = false; // an exam date lies ahead
    bool lastDays = false;
    int daysToExam = 0;
};

// Today's review at `now` from the memory states, the answer log and the plan.
// Voided questions are left out. Throws store::DbError.
TodaysReview todaysReview(store::Connection& db, const QDateTime& now, const PlanToday& plan);

// Only the ids due today, most urgent first (the menu's count).
QStringList dueToday(store::Connection& db, const QDateTime& now, const QDate& examDate);

} // namespace review

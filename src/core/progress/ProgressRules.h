#pragma once

#include "core/store/Connection.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

// Rules of the settings, plan, log and chart windows: what they read and write in
// the bank and what they compute from it. No widgets here.
namespace progress {

// ---- Answer time per question type ------------------------------------------

inline constexpr double kMinAnswerMinutes = 0.1;
inline constexpr double kMaxAnswerMinutes = 30.0;

struct TypeTime {
    int typeId = 0;     // A1
    QString name;       // B1, trimmed
    double minutes = 0; // time
};

// The rows of a question-type table ("tab_tx" + digits), in row order.
std::vector<TypeTime> readTypeTimes(store::Connection& db, const QString& typeTable);
// Stores each line's minutes on the row of its type id (a type that is no longer
// in the table is skipped), all in one transaction, then reloads the answer times
// of the current paper (app::TypeAnswerTimes, app::TypeIds) so open practice
// timers use them at once. A failure throws and changes nothing, in the bank or
// in memory.
void saveTypeTimes(store::Connection& db, const QString& typeTable, const std::vector<TypeTime>& lines);

// ---- Exam settings -------------------------------------------------------------

inline constexpr int kDefaultExamMinutes = 120;
inline constexpr int kMinExamMinutes = 1;
inline constexpr int kMaxExamMinutes = 999;

struct ExamSettings {
    QString leastMark;   // LeastMark as text
    int examMinutes = kDefaultExamMinutes; // ExamTime div 60
};
ExamSettings readExamSettings(store::Connection& db);
// LeastMark := the number in the text, ExamTime := minutes × 60; one transaction.
// Minutes outside 1…999 throw and write nothing.
void saveExamSettings(store::Connection& db, const QString& leastMark, int examMinutes);

// The lowest score proposed by 默认: half the paper's total.
inline int defaultLeastMark(int paperTotal) { return paperTotal / 2; }

// An edited lowest score: empty reads "0"; above the paper's total it becomes the total.
struct LeastMarkCheck {
    QString text;
    bool overTotal = false;
};
LeastMarkCheck checkLeastMark(const QString& text, int paperTotal);

// ---- Study plan ------------------------------------------------------------------

struct StudyPlanRow {
    int mark = 0;   // 0 by answers, 1 by minutes
    int amount = 0; // answers a day
    int time = 0;   // minutes a day
    QDate examDate; // invalid when the bank holds none (or no date)
};
StudyPlanRow readStudyPlanRow(store::Connection& db);
// The chosen daily amount is at least one answer or one minute.
inline constexpr int kMinPlanAmount = 1;
// Writes the plan fields of the first row in one transaction (a bank without a
// plan row gets one). A chosen amount below kMinPlanAmount throws and writes nothing.
void saveStudyPlan(store::Connection& db, const StudyPlanRow& plan);
// The plan binds only while an exam lies ahead: on or before the exam day.
inline bool planInEffect(const QDate& today, const QDate& examDate)
{
    return today.isValid() && examDate.isValid() && today <= examDate;
}

enum class CountdownState {
    NoDate, // no readable exam date
    Over,   // "考试已结束！"
    Today,  // "祝考试成功！"
    Near,   // 1 … 7 days, red
    Far     // 8 days or more, green
};

struct Countdown {
    CountdownState state = CountdownState::NoDate;
    qint64 days = 0;
    QString number;  // days, "999" from 1000 on
    QString caption; // the text before the number
    bool numberShown = false;
};
inline constexpr int kCountdownCap = 999;
inline constexpr int kNearDays = 7;
Countdown countdown(const QDate& today, const QDate& examDate);

// What the plan means for the candidate: the questions never answered and the
// wrong questions still open (voided ones left out), and how many answers a day
// would get through them all on the days before the exam.
struct StudyBacklog {
    qint64 unanswered = 0;
    qint64 wrong = 0;
    qint64 total() const { return unanswered + wrong; }
};
StudyBacklog readBacklog(store::Connection& db);
// Answers a day from today up to the day before the exam; no value when the exam
// date is today, past or unknown.
std::optional<qint64> dailyQuota(const StudyBacklog& backlog, const QDate& today, const QDate& examDate);
// The quota for today's date from the bank's plan, or no value.
std::optional<qint64> todaysQuota(store::Connection& db, const QDate& today);

// ---- Daily log ----------------------------------------------------------------------

struct LogTotals {
    qint64 answers = 0; // sum of A2
    qint64 wrong = 0;   // sum of A3
    QString score;      // "0" below one answer, else "%2.2f" of the right share
};
LogTotals readLogTotals(store::Connection& db);

// ---- Chart ------------------------------------------------------------------------

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The colour value of slice i as the chart keeps it (blue-green-red byte order,
// the first slice pure red) and its channels. Values past 24 bits wrap.
qint64 sliceColourValue(int index);
Rgb sliceColour(int index);

struct ChapterSeries {
    QString number;        // its place on the bar charts' axis, "1", "2", …
    QString label;         // C2
    qint64 questions = 0;  // C3: pie slice
    qint64 answered = 0;   // C4
    qint64 answers = 0;    // D1: bar in 已做题次
    qint64 wrong = 0;      // D2: bar in 做错题次
    std::optional<int> progress; // trunc(C4 / C3 × 100); none when C3 is 0
    Rgb colour;            // slice colour, also the progress bar's
};
// The chapter rows marked for the chart (C7 = '0') and every part (two-character
// code) that no marked row covers, so no part goes missing; in the table's order.
// Past kMaxChartEntries the smallest go together under one last "其他" entry.
inline constexpr int kMaxChartEntries = 20;
std::vector<ChapterSeries> readChartSeries(store::Connection& db);
// Keeps the kMaxChartEntries - 1 largest in their order and sums the rest into "其他";
// numbers and colours follow the places.
std::vector<ChapterSeries> groupSmallest(std::vector<ChapterSeries> chapters, int maxEntries = kMaxChartEntries);
// The questions of the bank, whatever the chart shows.
qint64 readDistributionTotal(store::Connection& db);

} // namespace progress

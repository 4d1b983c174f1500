#pragma once

#include "core/store/Connection.h"

#include <QString>

namespace store {

// Seconds of a clock text "h:mm:ss" as the clocks show it: the first field counts
// hours, the second minutes, and the first two characters after the second ":"
// seconds. "1:02:03" → 3723, "2:30" → 7200, text without ":" → 0. A field that is
// not a number counts 0.
qint64 ClockTextToSeconds(const QString& text);
// The log's form: each field at least two digits, hours may have more
// (8770 → "02:26:10", 86401 → "24:00:01"). Negative totals read as 0.
QString secondsToClockText(qint64 seconds);
// A score as the chapter and log tables keep it: "%2.2f" (66.666… → "66.67").
QString scoreText(double score);
// The score text of answers with wrong ones among them: "0" when there are none.
QString answerScoreText(qint64 answers, qint64 wrong);

// Sum of B2 × B3 over a question-type table ("tab_tx" + digits), rounded.
int PaperTotalScore(Connection& db, const QString& typeTable);

// Sets E2_1 to '' on every question row, writing only the rows that are not
// already '' (the reset before a practice screen opens).
int clearOpenAnswers(Connection& db); // returns the number of rows written

} // namespace store

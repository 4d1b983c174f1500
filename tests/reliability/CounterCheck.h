#pragma once

#include "core/store/Connection.h"

#include <QHash>
#include <QStringList>

namespace reliability {

// Everything that must hold in a bank whose answers were all recorded by the
// program, however often it was killed on the way. Returns one line per fault;
// empty when the bank is consistent.
//
// - The engine's integrity check is "ok".
// - Questions: E3 ≥ 0; E2 is given exactly when E3 > 0; −(E3 + 2) ≤ E4 ≤ 0.
// - Chapters: C4 = the answered questions at or below the chapter, D1 = the sum
//   of their E3; 0 ≤ D2 ≤ D1, and a chapter's D2 is the sum of the D2 of the
//   question chapters below it.
// - Daily log: Σ A2 = Σ E3, Σ A3 = Σ D2 of the question chapters;
//   0 ≤ A3 ≤ A2, 1 ≤ B1 ≤ A2, 0 ≤ B2 ≤ B1 on every day.
// - Exam points and outline nodes: q2 = Σ E3 and q1 = the answered questions over
//   the questions that list the point (or a point below the node) in K3 … up to
//   the first empty column; 0 ≤ q4 ≤ q2, and q4 = the wrong answers of those
//   questions wherever the chapter counters tell them apart: when every answered
//   question of a question chapter lies under the node, or none does.
QStringList counterFaults(store::Connection& db);

// Each question's answers that the answer log does not hold: E3 less its log
// rows. Taken when a run begins; a bank without the log counts every answer.
QHash<QString, qint64> unloggedAnswers(store::Connection& db);

// The answer log against the counters, given unloggedAnswers() from the start:
// each question's log rows = its E3 less the unlogged answers then; a memory
// state exactly for the questions with log rows, last reviewed at the latest of them.
QStringList logFaults(store::Connection& db, const QHash<QString, qint64>& unloggedAtStart);

} // namespace reliability

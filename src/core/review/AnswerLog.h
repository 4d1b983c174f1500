#pragma once

#include "core/review/Fsrs.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace store {
class Connection;
}

// The answer log and each question's memory state, kept in the bank beside the
// bookkeeping of an answer and written in its transaction.
namespace review {

// Where an answer was given; the numbers are stored in answer_log.source.
enum class Source : int { ChapterPractice = 1, PointPractice = 2, WrongRedo = 3, MockExam = 4, ReviewQueue = 5 };

// What the recording screen knows about an answer beyond the answer itself.
struct AnswerContext {
    Source source = Source::ChapterPractice;
    qint64 secondsSpent = 0; // on this question
    qint64 answerTime = 0;   // the type's answer time in seconds; 0: no limit
};

// A memory_state row's columns (stability, difficulty, phase, step, last_review, due)
// as a state; an unknown phase reads as New.
MemoryState memoryStateOfRow(const QVariant& stability, const QVariant& difficulty, const QVariant& phase,
                             const QVariant& step, const QVariant& lastReview, const QVariant& due);
// A question's tab_answ counters (A2 key, E1 day, E2 last answer, E3, E4) as the
// estimate from counters takes them.
AnswerCounters countersOfRow(const QVariant& key, const QVariant& e1, const QVariant& e2, const QVariant& e3,
                             const QVariant& e4);

// The question's stored memory state, or none before its first logged answer.
std::optional<MemoryState> storedMemoryState(store::Connection& db, const QString& questionId);

// Adds the answer's log row and moves the question's memory state on by its
// rating. A question without a state starts from its counters in tab_answ, so
// call this before the answer's own counters are written. Runs inside the
// caller's transaction; throws store::DbError on a failed write.
void logAnswer(store::Connection& db, const QString& questionId, bool right, const QString& answer,
               const AnswerContext& context, const QDateTime& now);

} // namespace review

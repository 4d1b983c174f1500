#pragma once

#include "core/question/AnswerRules.h"
#include "core/store/Connection.h"

#include <QHash>
#include <QString>
#include <optional>

class TDM1;

namespace store {
class Dataset;
}

// What happens to one exam answer and to a finished paper, apart from any widget.
namespace exam {

// Records an answer for the current row of the open paper: the paper row as a
// practice answer is recorded (E2_1, E2, E1 and the day's, the chapters' and the
// points' counters), and, when it counts, the question's bank row
// (UpdateBankRow), all in one transaction: on a failure neither the bank nor the
// paper row in memory changes and the store::DbError reaches the caller. The
// answer's log row (source: mock exam) is written with it; the seconds spent
// and the type's answer time (seconds, 0: none) rate it.
practice::RecordOutcome recordExamAnswer(TDM1& dm, store::Dataset& paper, const QString& answer,
                                         qint64 secondsSpent = 0, qint64 answerTime = 0);

// The question's bank row after a counted answer: E4 by the practice rule, E3 one
// more, E2_1, E2 and E1. Nothing when the bank has no such question.
void UpdateBankRow(store::Connection& db, const QString& questionId, const QString& answer);

// Voiding in review: F1 and E2 on the paper row and F1 (and E2 when voiding) on
// the bank row, in one transaction. `voiding` false restores the question.
void setQuestionVoided(TDM1& dm, store::Dataset& paper, bool voiding);

// The first row of tab_plan: the pass mark and the time limit in seconds (the
// default when none, or none above 0, is stored).
struct ExamSettings {
    int leastMark = 0;
    QVariant leastMarkStored; // as stored, for the score list's hint
    qint64 examTime = 7200;
};
ExamSettings examSettings(store::Connection& db);

// One row of a question-type table ("tab_tx" + digits): name B1, question count B2
// and the score of one question B3.
struct PaperType {
    QString name;
    int count = 0;
    double score = 0;
    bool operator==(const PaperType&) const = default;
};
// Every row of the type table, by id A1. Throws store::DbError.
QHash<int, PaperType> paperTypes(store::Connection& db, const QString& typeTable);

// A question's own stem (tab_exer.A15); nothing when the bank has no such question.
std::optional<QByteArray> questionStem(store::Connection& db, const QString& questionId);

// Questions of the paper without an answer (E2_1 empty or absent).
int unansweredCount(store::Connection& db, const QString& paperTable);
// Sum of the type's score B3 over the questions answered right, judged as in
// practice (practice::isRightAnswer), so the score agrees with the review marks.
double paperScore(store::Connection& db, const QString& paperTable, const QString& typeTable);

// Grades the paper: its score, the score row's A6 and D2 (when there is a row),
// the time added to today's study time, all in one transaction.
struct Grade {
    double score = 0;
    bool belowPass = false; // LeastMark is above the score
};
Grade gradePaper(TDM1& dm, const QString& paperTable, const QString& typeTable, const QString& timeUsed);

// "95.5", "96": the shortest decimal form of a score.
QString scoreText(double score);
// The review clock area's score line: "得分：" + score + " 分".
QString scoreLine(double score);

// The exam clock: a stopwatch over store::Clock. Its time grows only while it runs.
class Stopwatch {
public:
    void start();
    void stop();
    void reset();
    void restore(qint64 seconds); // stopped, showing `seconds` (a resumed paper)
    bool running() const { return m_running; }
    qint64 elapsedMs() const;
    qint64 elapsedSeconds() const { return elapsedMs() / 1000; }
    QString text() const; // "0:00:00"

private:
    bool m_running = false;
    qint64 m_banked = 0;  // ms from earlier runs
    qint64 m_started = 0; // ms since epoch of the running stretch
};

} // namespace exam

#pragma once

#include <QDateTime>
#include <QRandomGenerator>
#include <functional>

class TDM1;

namespace store {
class Dataset;
}

namespace reliability {

// Answers the way a candidate at the practice screen does, on the shared datasets
// and through practice::recordAnswer: a seeded mix of right, wrong, repeated and
// withdrawn answers to questions drawn from one question per chapter, now and then
// bookmarking one or taking it out of the wrong-question book, now and then
// closing the screen (study time) and opening it again (open answers cleared), and
// now and then sitting a mock exam instead: a paper is created and drawn, answered
// through exam::recordExamAnswer the same way, and graded (a paper below the pass
// mark is dropped). The clock moves on a few seconds to minutes per answer, so
// sessions cross midnight.
class AnswerLoop {
public:
    AnswerLoop(TDM1& dm, quint64 seed);

    // Opens the question set; the clock starts on the last logged day (or a fixed
    // one), so the days only move forward from run to run.
    void open();
    // One step: usually one answer, sometimes a close and reopen of the screen.
    // Returns true when an answer was counted.
    bool step();

    qint64 counted() const { return m_counted; }
    qint64 examCounted() const { return m_examCounted; }
    int papers() const { return m_papers; }
    int questions() const;

private:
    TDM1& m_dm;
    QRandomGenerator m_rng;
    QDateTime m_now;
    qint64 m_sessionSeconds = 0;
    qint64 m_counted = 0;
    qint64 m_examCounted = 0;
    int m_papers = 0;
    QString m_paper;     // the paper being answered; empty at the practice screen
    int m_mock = 1;
    int m_examLeft = 0;  // answers before the paper is handed in

    void loadSet();
    void closeScreen();
    void startExam();
    void handIn();
    bool answerOn(store::Dataset& rows, bool exam);
    void tick();
};

// The resident set size of this process, in kB (0 where it cannot be read).
qint64 residentKb();

} // namespace reliability

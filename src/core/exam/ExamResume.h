#pragma once

#include "core/store/Connection.h"

#include <QString>
#include <optional>

// An exam in progress survives a crash: its clock and the question reached are
// kept in a small table of ours (tab_ksrun) while it runs, so the score table
// keeps its meaning (no score and no time until graded).
namespace exam {

struct RunningPaper {
    QString table;
    QString title;
    int mock = 1;
    qint64 seconds = 0; // exam clock when last saved
    int question = 1;   // question number reached
    int answered = 0;   // questions with an answer on the paper
};

// Remembers (or updates) the running exam's clock and question.
void saveProgress(store::Connection& db, const RunningPaper& run);
// The exam ended (graded, voided, dropped) or the candidate chose not to go on.
void forgetProgress(store::Connection& db, const QString& table);
// The newest paper still running when the program ended: it has a progress row,
// its score row is unscored and its table holds questions. Rows that no longer
// fit are cleared.
std::optional<RunningPaper> unfinishedPaper(store::Connection& db);

// The resume offer: the paper by its title and the questions done, and what
// declining does.
QString resumeQuestion(const RunningPaper& run);

} // namespace exam

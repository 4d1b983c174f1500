#pragma once

#include "core/store/Connection.h"

#include <QString>
#include <optional>

namespace store {
class Dataset;
}

// What the chapter chooser decides without a window: which questions a practice
// mode selects for a chapter, and the totals shown on its board.
namespace practice {

enum class PracticeMode {
    NewQuestions,   // 练习新题: never answered, not voided
    NewByChapter,   // double-click: the same set, by type, chapter and book order
    WrongQuestions, // 错题重做: E4 below 0, not voided
    Review,         // 习题重温: every answered question, voided ones too
};

// A subject (1 character) or a part (2 characters) is not practised directly
// (nor an empty code, which would select the whole bank).
bool isChapterCode(const QString& code);

// The columns of a practice set, as the practice screens read them.
inline constexpr char kQuestionColumns[] =
    "a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1,xx,csbs,ecount";

// The selection statement of a mode over a chapter and every chapter below it,
// with the chapter code as a bound value.
struct PracticeStatement {
    QString sql;
    store::Params params;
};
PracticeStatement practiceStatement(PracticeMode mode, const QString& code);
// Questions of the chapter and every chapter below it, in any state.
qint64 chapterQuestionCount(store::Connection& db, const QString& code);

// Sums over the sections (6-character codes) of the chapter tree.
struct ChapterTotals {
    qint64 questions = 0; // C3
    qint64 answers = 0;   // D1
    qint64 wrong = 0;     // D2
};

// The board shows at most this many questions.
inline constexpr qint64 kShownQuestionLimit = 10000;

// Runs the totals statement on the given query (left open, as the chooser shares it).
ChapterTotals readChapterTotals(store::Dataset& query);
qint64 shownQuestionCount(qint64 questions);
// "%2.2f" of the share of right answers; nothing while no answer is recorded,
// so the board keeps its previous text.
std::optional<QString> totalsScoreText(const ChapterTotals& totals);

} // namespace practice

#pragma once

#include "core/store/Connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace store {
class Dataset;
}

// What question entry, question editing and the exam-point picker decide without
// a window: ids of new questions, the checks before saving, the saves themselves
// (each in one transaction), and the picker's limit.
namespace authoring {

inline constexpr int kMinOptions = 1;
// The answer pages have six option buttons, A to F: a seventh option could never be chosen.
inline constexpr int kMaxOptions = 6;
inline constexpr int kDefaultOptions = 5;
inline constexpr int kMaxAnswerLength = 100;
inline constexpr int kMaxRunningNumber = 9999;
inline constexpr int kMaxQuestionPoints = 10; // K3 … K12
inline constexpr int kMaxPickedPoints = 7;    // what the picker lets a question reach

// Subjective types have no candidate answers: one "option" and the answer "1".
bool isSubjectiveType(const QString& typeName);
inline const QString kSubjectiveAnswer = QStringLiteral("1");

// ---- ids of new questions ---------------------------------------------------

// Running numbers below 1000 are written with 5 digits (1 → "00001", 999 →
// "00999"), from 1000 on with 4; the last four characters always give it back.
QString runningNumberText(int number);
// "US" + chapter + type + candidate-answer count + running number.
QString newQuestionId(const QString& chapter, int typeId, int options, int number);
// The largest running number among the candidate's own questions (ids starting
// with "U"); 0 when there is none.
int largestRunningNumber(store::Connection& db);

// ---- question types ---------------------------------------------------------

struct QuestionType {
    int id = 0;
    QString name;
};
// The current paper's type table ("tab_tx" + CurrentPaperNo, which becomes 1 when
// unset) on the given shared table, by A1. A missing table gives no types.
std::vector<QuestionType> readQuestionTypes(store::Dataset& typeTable);
// The position of the type in the list; -1 when it is not there.
int typeIndex(const std::vector<QuestionType>& types, int typeId);

// ---- checks before saving ---------------------------------------------------

enum class Check { Ok, MissingStem, MissingAnswer, MissingType };
// In this order: the stem's text, the answer, the type (blanks at the ends aside).
Check checkQuestion(const QString& stemText, const QString& answer, bool typeChosen);
QString checkMessage(Check check);

// Whether an answer can ever be right for its type, on the page practice answers it:
// 单选 one letter within the option count, 多选/不定项/配伍 distinct letters within
// it, 判断 "A" (对) or "B" (错), others anything but blanks.
enum class AnswerFault { None, NotOneLetter, NotDistinctLetters, NotTrueFalse, Empty };
struct AnswerCheck {
    AnswerFault fault = AnswerFault::None;
    QString answer; // as it is stored: trimmed, several letters in the order A … G
};
AnswerCheck checkAnswer(int typeId, const QString& typeName, int options, const QString& answer);
// Names the type and what its answer must be.
QString answerFaultText(AnswerFault fault, const QString& typeName, int options);

// True when a document's text holds anything but blanks (a picture counts).
bool hasContent(const QString& plainText);

// ---- saving a new question --------------------------------------------------

struct NewQuestion {
    QString chapter;
    int type = 0;
    int options = kDefaultOptions;
    QString answer;
    QStringList points;                // point ids (tab_rule.ftid), K3 first
    QByteArray stem;                   // the stem document
    std::optional<QByteArray> analysis; // none: no jx is written
    // 0: one past largestRunningNumber(). An import numbers its questions itself: the
    // lookup reads every own question, once per file is enough.
    int runningNumber = 0;
};

struct SaveOutcome {
    bool saved = false;  // false: the running numbers are used up, nothing was written
    QString id;
};

// Writes the question (tab_answ and tab_exer) and raises the question counts of
// its chapter and the chapter's ancestors, its points, their sections and top
// nodes, each by exactly 1, in one transaction (inside an open one, as part of it).
// Any failure rolls everything back and throws store::DbError.
SaveOutcome saveNewQuestion(store::Connection& db, const NewQuestion& q);

// ---- saving an edited question -------------------------------------------------

struct QuestionEdit {
    QString id;
    int options = kDefaultOptions;
    QString answer;
    std::optional<int> type;               // none: A13 stays as stored
    QStringList points;                    // the whole new list, K3 first
    std::optional<QByteArray> stem;        // none: the stored document stays as it is
    std::optional<QByteArray> analysis;    // none: kept; an empty document clears jx
    std::optional<QByteArray> sharedStem;  // the group's stem (ids with "-"); none: kept
};

// Updates the question, its texts and (for a question of a group) the group's
// stem, adds 1 to ecount, and recounts q of every point the question has now or
// had before, all in one transaction. Chapter and outline node counts do not
// change. Any failure rolls everything back and throws store::DbError.
void saveQuestionEdit(store::Connection& db, const QuestionEdit& edit);

// The key of a question group's shared stem, or '' for a question of no group.
QString groupIdOf(const QString& questionId);

// ---- exam points ---------------------------------------------------------------

struct OutlineNode {
    QString id;
    QString name;
};
struct ExamPoint {
    QString ftid;
    QString title; // sn, right-trimmed
};

// The nodes the picker offers: tab_fgmc rows with 2- or 6-character ids.
std::vector<OutlineNode> readPickerNodes(store::Connection& db);
// The points listed under a node.
std::vector<ExamPoint> readNodePoints(store::Connection& db, const QString& nodeId);

// How a chosen point is listed on the authoring screens: node name + "[" + title + "]".
QString pointDisplayText(const QString& nodeName, const QString& title);
// The display text of a stored point id (node and title looked up); the bare id
// when the point is not in the outline.
QString pointDisplayText(store::Connection& db, const QString& pointId);

enum class PickVerdict { Accept, NothingTicked, TooMany };
// The picker's confirmation: something ticked, and the points the question has
// plus the ticked ones at most 7.
PickVerdict checkPick(int alreadyChosen, int ticked);
QString pickVerdictText(PickVerdict verdict, int alreadyChosen);

// The points of `picked` that are not in `chosen`, in order (each once).
QStringList newPoints(const QStringList& chosen, const QStringList& picked);

} // namespace authoring

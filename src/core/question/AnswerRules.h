#pragma once

#include "core/review/AnswerLog.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>

class TDM1;

namespace store {
class Connection;
class Dataset;
}

// The rules of answering a question, apart from any widget: what the answer
// pages produce, how an answer is put back on them, what is right, and what
// recording an answer writes into the bank.
namespace practice {

// The six pages of the answer book, and "no page" for a type none fits.
enum AnswerPage : int {
    SinglePage = 0,     // 单选
    MultiPage = 1,      // 多选
    FillPage = 2,       // 填空
    JudgePage = 3,      // 判断
    SubjectivePage = 4, // 主观
    MatchPage = 5,      // 配伍
    NoPage = 99,
};
inline constexpr int kPageCount = 6;
inline constexpr int kOptionCount = 6; // option buttons A … F

enum class Judgement { None, True, False }; // 对 / 错

// What is pressed, typed or chosen on each page, and which page is shown.
struct PageState {
    int page = SubjectivePage;
    int optionCount = kOptionCount; // visible options on the choice pages (A2_1)
    std::array<bool, kOptionCount> single{};
    std::array<bool, kOptionCount> multi{};
    std::array<bool, kOptionCount> match{};
    Judgement judgement = Judgement::None;
    QString fill;
    int subjective = -1; // -1 nothing chosen, 0 不会, 1 会
};

// The caption of option i: "A" … "F".
QString optionLetter(int i);
// Option buttons shown for a question with A2_1 options: 0 … 6.
int visibleOptions(const QVariant& a2_1);

// The answer text of the page shown: letters in order A … F, "A"/"B" for 对/错,
// the trimmed fill-in, "0"/"1" for 不会/会; empty when nothing is given.
QString ReadAnswerText(const PageState& state);

// A typed 填空 answer as it is stored and compared: full-width ASCII forms become
// ASCII, "，" "、" "；" become ",", blanks around "," go, and the ends are trimmed,
// so that typing on a Chinese input method does not make a right answer wrong.
QString normaliseFillAnswer(const QString& text);

// Puts an answer text back on the page shown (the other pages keep their state):
// options pressed by their letter, 对 for "A" and 错 for "B", the fill-in text,
// the 主观 item whose index is the text.
void putAnswer(PageState& state, const QString& answer);

// The options a stem spells out on lines of their own, "A. …" to "F. …" (also
// "A．", "A、" and full-width letters): the text of each, empty where none is read.
std::array<QString, kOptionCount> optionTextsOfStem(const QString& plainText);

// The page's hint, shown as the tooltip of the page area.
QString pageHint(int page);
// The page's caption: "单选" … "配伍".
QString pageCaption(int page);

// Types whose correct answer is never shown (review-only): they are answered on
// the 主观 page.
bool answerHiddenForType(int type);

// The answer-entry page of a question type: 11 → 单选, 14 → 多选; the review-only
// types → 主观; otherwise by the type's name: "判断", "填空", a subjective name
// (below) → 主观, "配伍" or "不定项" → 配伍; any other → NoPage.
int AnswerPageOfType(int type, const QString& typeName = {});
// A type with no candidate answers: its name (as typeNameKey reads it) is one of
// 简答, 主观, 论述, 案例分析, 名词解释, 查找错误, 综合, 计算.
bool isSubjectiveTypeName(const QString& typeName);
// A type's name as the mapping compares it: full-width forms made plain, blanks
// removed, a trailing 题 dropped ("案例分析 题" → "案例分析").
QString typeNameKey(const QString& typeName);
// The page of a type by its name in a question-type table ("tab_tx" + digits).
int answerPageOfType(store::Connection& db, const QString& typeTable, int type);

// The wrong-answer weight E4 after one more recorded answer.
int nextWrongWeight(bool answeredBefore, int weight, bool right);

// The four bookkeeping flags of one recorded answer: 2 means yes, 1 no.
struct AnswerFlags {
    int firstToday = 2; // E1 is not today
    int result = 2;     // wrong
    int previous = 2;   // the last recorded answer E2 was not right
    int firstEver = 2;  // never answered before (E2 empty or null)
};
AnswerFlags answerFlags(const QString& answer, const QString& key, const QDate& lastAnswered,
                        const QString& lastAnswer, const QDate& today);

// The exam points of the current row: K3, K4, … K12 up to the first empty one.
QStringList pointIdsOf(const store::Dataset& row);

// The answer panel: its headline and the two values.
struct PanelTexts {
    QString headline;
    QString yours;
    QString correct;
};
PanelTexts answerPanelTexts(const PageState& state, const QString& key);
// Exact, except that a fill-in answer matches its key without regard to the
// case of Latin letters (both sides normalised as above).
bool isRightAnswer(const QString& answer, const QString& key);

// Which of the buttons around the page are usable for the current question.
struct ControlStates {
    bool answerEnabled = false;   // 答案
    bool analysisEnabled = false; // 解析
    bool pointsEnabled = false;   // 考点
    QString noteCaption;          // "笔记" or "有内容"
};
// The analysis, the points and the correct answer open up once the question has
// an answer on this screen (E2_1). hasAnalysis: the text row's jx is there.
ControlStates controlStates(const store::Dataset& row, bool hasAnalysis);
// Whether a question's note (A14) holds anything but blanks.
bool hasNote(const QVariant& note);
QString noteCaption(const QVariant& note);

// Grid picture of a question: not answered on this screen, right or wrong; in an
// exam before grading only that it is answered.
enum class AnswerMark { Open, Right, Wrong, Answered };
AnswerMark answerMark(const QString& openAnswer, const QString& key);

// Why an answer is being recorded: the candidate leaves the question, checks it
// with 完成, or the type filter changes or the screen closes (quietly).
enum class SaveMode { Leaving, Check, Quiet };

// The practice clock's text: hours without a leading zero, "0:05:07".
QString practiceClockText(qint64 seconds);

// Recording one answer for the current row of the question set.
enum class Recorded {
    Cleared,   // nothing given: the open answer is cleared, nothing counted
    Confirmed, // the same answer again: only re-dated
    Counted,   // a new or changed answer, counted with all its bookkeeping
};
struct RecordOutcome {
    Recorded what = Recorded::Cleared;
    bool right = false;
    AnswerFlags flags;
};

// Writes the answer into the current row (E4, E3, E2_1, E2, E1) and counts it in
// the day's log, the chapter tree and the exam points, all in one transaction: a
// failure anywhere leaves the bank and the row in memory as they were, and the
// error (store::DbError) reaches the caller. A counted answer also goes into the
// answer log and moves the question's memory state, in the same transaction.
RecordOutcome recordAnswer(TDM1& dm, store::Dataset& set, const QString& answer,
                           const review::AnswerContext& context = {});

} // namespace practice

#pragma once

#include "core/practice/ChooserRules.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>

namespace store {
class Connection;
class Dataset;
}

// What the practice screen reads from the bank, and how it pages through the set,
// apart from any widget.
namespace practice {

// ---- the question set and its texts -------------------------------------------------

// Clears the open answers of the bank and opens the practice statement on `set`
// (unfiltered). Throws store::DbError.
void openQuestionSet(store::Connection& db, store::Dataset& set, const PracticeStatement& statement);
// The tab_exer row (stem A15, analysis jx) of a question on `text`.
void openQuestionText(store::Dataset& text, const QString& questionId);
// The shared stem (tab_title A15) of a sub-question "<16-character id>-n"; empty
// when it has none. Reads through `title`, which is left open on the row.
QByteArray sharedStem(store::Dataset& title, const QString& questionId);

// A question type of the current paper: its id and name (the filter's captions).
struct QuestionType {
    int id = 0;
    QString name;
};
// The rows of the question-type table, by id; opens `types` on the table when it
// shows another one or is closed.
QVector<QuestionType> readQuestionTypes(store::Dataset& types, const QString& typeTable);
// The type ids (A13) of every row of the set, filter or not.
QSet<int> typesInSet(const store::Dataset& set);

// ---- paging through the set in groups -------------------------------------------------

inline constexpr int kGroupSize = 20;

// The group shown: its number (1-based, 0 for an empty set), the number of groups,
// the set position of its first question and how many it holds.
struct GroupPage {
    int group = 0;
    int groups = 0;
    int first = 1;
    int size = 0;

    bool hasPrevious() const { return group > 1; }
    bool hasNext() const { return group < groups; }
    int last() const { return first + size - 1; }
    bool holds(int position) const { return first <= position && position <= last(); }
    bool operator==(const GroupPage&) const = default;
};

GroupPage firstGroup(int count);
// The neighbouring groups of a set of `count` questions; the page itself at either end.
GroupPage previousGroup(const GroupPage& page, int count);
GroupPage nextGroup(const GroupPage& page, int count);

} // namespace practice

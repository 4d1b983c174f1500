#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3_stmt;

// The text a question is searched by, the same for the index, the queries and the
// plain scan the index must agree with.
namespace search {

// Full-width and compatibility forms as their plain ones (NFKC), Latin letters
// case-folded, every run of blanks one space, no blanks at the ends.
QString normalise(const QString& text);

// What a stored rich text (RTF, the editor's HTML, or plain text) shows.
QString richPlain(const QVariant& stored);

// Every run of blanks one space, no blanks at the ends: what normalise does besides
// folding, so that a text shows as written.
QString collapseBlanks(const QString& text);

// A question's searchable text: its stem with the options, the shared stem of its
// group, its analysis and its answer, each normalised, one per line. A query never
// holds a line break, so no match runs from one part into the next. `shown` is the
// same lines as written (blanks collapsed, not folded), for excerpts.
struct QuestionText {
    QString body;
    QString shown;
};
QuestionText questionText(const QVariant& stem, const QVariant& sharedStem, const QVariant& analysis, const QVariant& answer);

// Where a normalised query stands in a text as written: its start and length there,
// or start -1 when folding the text character by character does not find it (a
// character that composes with its neighbour).
struct ShownMatch {
    qsizetype start = -1;
    qsizetype length = 0;
};
ShownMatch findShown(const QString& shown, const QString& normalisedQuery);

// The words the index keeps for a normalised text, separated by blanks: one for every
// character and one for every pair of neighbouring characters (UTF-16 units), each once.
QString textWords(const QString& normalised);
// The words a normalised query needs, all of which a matching text has: the
// character itself for one character, else each neighbouring pair.
QStringList queryWords(const QString& normalised);

// The statement part that reads questions' stored texts: columns A1, A2, stem,
// analysis, shared stem, from tab_answ a joined to its text rows; a WHERE may follow.
QString questionTextSelect();

// A cached statement stepped by hand goes back to its start, however we leave.
struct StatementReset {
    sqlite3_stmt* stmt;
    ~StatementReset();
};

} // namespace search

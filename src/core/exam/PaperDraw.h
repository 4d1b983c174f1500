#pragma once

#include "core/store/Connection.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <random>
#include <stdexcept>
#include <vector>

class TDM1;

namespace store {
class Dataset;
}

// Drawing a mock paper: numbering and naming it, its score row and table, the
// random draw of its questions, and opening it for the exam screen.
namespace exam {

// The question-number grid of the exam screen: the most questions a paper holds.
inline constexpr int kGridSize = 120;

// Why starting or opening a paper failed; the screen picks the words.
class PaperError : public std::runtime_error {
public:
    enum class Stage { CreateTable, NoCandidates, Draw, Open };
    PaperError(Stage stage, const QString& detail)
        : std::runtime_error(detail.toStdString()), m_stage(stage) {}
    Stage stage() const { return m_stage; }

private:
    Stage m_stage;
};

// The mock's fixed title; empty outside 1 … 5.
QString mockTitle(int mock);
// "2008年03月05日" + the mock's title + "[" + sequence + "]".
QString paperTitle(const QDate& day, int mock, int sequence);

// One entry of the draw table: `count` questions of `type` whose chapter code
// begins with `prefix`.
struct DrawEntry {
    int type;
    int count;
    QString prefix;
};
// The entries of a mock for one type, in drawing order (none for pairs not listed).
std::vector<DrawEntry> drawsOf(int mock, int type);
// The chapter prefixes a mock draws from (its candidate clause).
QStringList candidatePrefixes(int mock);

// Name and sequence number of the next paper, from the newest score row
// (highest A3_1): "tab_exam1" and 1 for an empty score table.
struct PaperName {
    QString table;
    int sequence = 1;
};
PaperName nextPaperName(store::Connection& db);

// Appends the score row and creates the empty paper table, all or nothing: a
// failure leaves no score row behind (PaperError CreateTable). A table left over
// under the name is dropped first; a name that a stored paper's score row holds
// is never reused (the next free number is taken instead).
struct NewPaper {
    QString table;
    QString title;
    int sequence = 1;
};
NewPaper createPaper(TDM1& dm, int mock, const QDate& day);

// `count` distinct positions among 0 … n-1, each equally likely (all n when
// count ≥ n), in the order they were drawn.
std::vector<int> drawPositions(int n, int count, std::mt19937& rng);

// Ids of `count` questions drawn from the candidates of one entry (type, chapter
// prefix, not voided), in the order they were drawn; fewer when there are fewer.
QStringList DrawRandomIds(store::Connection& db, int type, int count, const QString& prefix, std::mt19937& rng);
// Copies the drawn questions (bank row and analysis) into the paper table; a
// question without a text row is not copied. Returns the rows inserted.
int InsertDrawnQuestions(store::Connection& db, const QString& paperTable, const QStringList& ids);
// Every entry of the pair (mock, type). Returns the rows inserted.
int DrawTypeQuestions(store::Connection& db, int mock, const QString& paperTable, int type, std::mt19937& rng);

// True when the mock's chapters hold a question that is not voided.
bool hasCandidates(store::Connection& db, int mock);

// Draws the whole paper in one transaction: for each row of the type table
// ("tab_tx" + mock) in table order whose B2 is above 0, that type's entries.
// Throws PaperError NoCandidates or Draw (nothing inserted). Returns the rows inserted.
int drawPaper(store::Connection& db, int mock, const QString& paperTable, std::mt19937& rng);

// Opens the paper into `paper` in paper order (type, then id). A fresh paper
// first loses the answers its rows carried from the bank. PaperError Open when the
// table cannot be read or has no row.
void openPaper(store::Connection& db, store::Dataset& paper, const QString& paperTable, bool fresh);

} // namespace exam

#pragma once

#include "core/practice/ChooserRules.h"
#include "core/store/Connection.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace store {
class Dataset;
}

// What the outline browser decides without a window: the outline rows with their
// counters, the key points of a node, the point note, the practice set of a point
// and the figures of the mastery map.
namespace outline {

// The four counters shared by outline nodes and exam points.
struct Counters {
    qint64 q = 0;  // questions linked
    qint64 q1 = 0; // of those, answered at least once
    qint64 q2 = 0; // answers given
    qint64 q4 = 0; // wrong answers
};

struct OutlineRow {
    QString id;   // trimmed
    QString name; // as stored (the grid shows it whole)
    Counters counters;
};

// Every outline node in outline order (bh).
std::vector<OutlineRow> readOutline(store::Connection& db);

// A counter right-aligned in a 9-character field; longer texts unchanged.
QString counterText(qint64 value);

// Chapter-level nodes (ids of 1 or 2 characters after trimming) are not opened.
bool isChapterLevelId(const QString& nodeId);

// One place the outline search stops: a node by its own title, or one of the node's
// exam points by its title.
struct SearchHit {
    int row = -1;      // in the rows searched
    QString ftid;      // empty: the node's title matched
    QString pointTitle;
};
// Every node title and exam-point title holding `text` trimmed (exact characters),
// in outline order, each node before its points, points in ftid order; none for blanks.
std::vector<SearchHit> searchOutline(store::Connection& db, const std::vector<OutlineRow>& rows, const QString& text);
// The hit a search shows after `current` (-1: none shown yet): the next, wrapping.
int nextHit(int current, int hits);
// "未找到与“…”有关的考点！" for the trimmed text.
QString notFoundText(const QString& text);

// Points with at least this many questions are the node's key points: the node's
// questions over its points, truncated; never below 1 (also for no points).
int keyThreshold(qint64 nodeQuestions, qint64 pointCount);
// Number of exam points listed under a node.
qint64 pointCount(store::Connection& db, const QString& nodeId);
// The filter text of the key points on an open point set: "q >=" and the digits.
QString keyFilter(int threshold);

// Opens the points of a node on `points`, in ftid order.
void openNodePoints(store::Dataset& points, const QString& nodeId);

// A point in the list: its title (trailing blanks cut), with "(q)" when it has questions.
QString pointEntry(const QString& title, qint64 questions);

// The note under a point's text, and whether it can be practised.
struct PointNote {
    QString text;
    bool practicable = false;
};
PointNote pointNote(const Counters& c);
// The counters of the current row of a point set (zeros without one).
Counters countersOf(const store::Dataset& row);

// Every question that lists the point in any of K3 … K12, with the columns the
// practice screen needs; the point's id is a bound value.
practice::PracticeStatement pointPracticeStatement(const QString& ftid);

// The mastery map of one outline row: how much of it has been practised
// (coverage = q1 / q) and how well (accuracy = (q2 − q4) / q2).
enum class AccuracyBand {
    Neutral, // never practised (no answer given)
    Low,     // below 60 %
    Middle,  // 60 % up to below 80 %
    High,    // 80 % and more
};
struct Mastery {
    bool practised = false;
    double coverage = 0; // 0 … 1
    double accuracy = 0; // 0 … 1; 0 when never practised
    int coveragePercent = 0;
    int accuracyPercent = 0;
    AccuracyBand band = AccuracyBand::Neutral;
    QString spoken; // "已覆盖 40%，正确率 75%"
};
// Percents round to the nearest whole, except that a share above 0 never shows
// as 0 % and one below 1 never as 100 %. Counters out of order (more answered
// than linked, more wrong than given) are taken at their bounds.
Mastery mastery(const Counters& c);

} // namespace outline

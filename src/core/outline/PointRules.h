#pragma once

#include <QString>
#include <QStringList>

namespace store {
class Connection;
class Dataset;
}

// What the exam-points window reads from the bank, apart from any widget.
namespace outline {

// How an empty column among K3 … K12 reads: the counters take the list as stored,
// up to the first empty one; the exam-points window shows every filled one.
enum class EmptyPoint { EndsList, Skipped };
// A question's point ids: K3 … K12 in column order; none for an unknown question.
// Throws store::DbError.
QStringList questionPointIds(store::Connection& db, const QString& questionId, EmptyPoint empty = EmptyPoint::Skipped);
// Opens `points` on the rows of tab_rule (id, n, sn) whose ftid is one of `ids`.
void openPoints(store::Dataset& points, const QStringList& ids);
// The name (n) of an outline node; empty when there is none.
QString nodeName(store::Connection& db, const QString& nodeId);

} // namespace outline

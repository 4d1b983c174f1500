#pragma once

#include "core/store/Connection.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

// The import's part of the kill loop: a child imports a file, and a kill at any moment must leave the bank with each import whole or not there.
namespace reliability {

// A CSV file of `count` questions of every kind, each naming `point` (an exam point
// of the outline) so that the import raises point and node counters too.
QByteArray importFile(int count, const QString& point);

// The candidate's own questions (ids starting with U).
qint64 ownQuestions(store::Connection& db);

// Each question counter less what the questions in the bank give it: chapters' C3,
// points' and outline nodes' q, and (with the index built) own questions the index lacks. An import,
// whole or rolled back, leaves every one as it was.
QHash<QString, qint64> questionCountOffsets(store::Connection& db);

// The offsets that moved since `atStart`, one line each.
QStringList offsetFaults(store::Connection& db, const QHash<QString, qint64>& atStart);

// The child: imports FILE into CHAPTER once and waits to be killed. Prints "own N" when
// ready and "imported N MS" after the commit (N the own questions then, MS the time from
// "own" on), or "full" when the
// file is refused (the running numbers are used up). Returns 3 when the bank cannot be opened.
int importThenWait(const QString& bank, const QString& file, const QString& chapter);

} // namespace reliability

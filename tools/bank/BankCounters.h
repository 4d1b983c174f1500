#pragma once

#include "core/store/Connection.h"

#include <QList>
#include <QString>

namespace bank {

// A counter whose stored value differs from the value the bank's rows give.
struct CounterDifference {
    QString table;     // tab_kmmc, tab_rule, tab_fgmc, ...
    QString keyColumn; // C1, ftid, id, ...
    QString key;
    QString column; // C3, q, C6, ...
    QVariant stored;
    QVariant counted;

    QString toString() const;
};

// The counters that follow from the questions alone: C3 of every chapter (its
// questions and those below it) and q of every exam point and outline node (the
// questions that list a point under it in any of K3 … K12, each question once).
QList<CounterDifference> questionCounterDifferences(store::Connection& db);

// Writes the counted values (in the caller's transaction, if any).
void applyCounters(store::Connection& db, const QList<CounterDifference>& differences);

} // namespace bank

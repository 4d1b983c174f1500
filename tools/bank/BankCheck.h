#pragma once

#include "bank/BankCounters.h"
#include "bank/BankSource.h"
#include "core/store/Connection.h"

#include <QStringList>

namespace bank {

// What `check` finds in a bank. Nothing is changed while checking.
struct CheckReport {
    QStringList integrity;               // the engine's integrity check, when it is not "ok"
    QList<Problem> problems;             // schema and consistency (file = table)
    QList<CounterDifference> repairable; // values counted from the rows: C3, q, C6, A4, NULL counters
    QList<Problem> history;              // answer counters that disagree with the answer history
    QStringList keys;                    // how the book's keys are spread per type, questions without analysis
    QList<Problem> skew;                 // keys spread past the limits of KeyDistribution.h
    QStringList mocks;                   // per mock paper: the questions each part gives it

    bool clean() const
    {
        return integrity.isEmpty() && problems.isEmpty() && repairable.isEmpty() && history.isEmpty() && skew.isEmpty();
    }
};

// Runs the engine's integrity check, compares the schema with the one this
// program creates, checks the rows as `build` checks the sources, recounts the
// counters that follow from the questions, and compares the answer counters with
// what the answer history can tell (C4 and D1 of a chapter against the answered
// questions and their E3, parents against children, the daily log against the
// subjects), and reports how the book's answer keys are spread.
CheckReport checkBank(store::Connection& db, const Progress& progress = {});

// Per mock paper the questions its draw table takes from each part (a prefix of
// one character stands for its subject), for the types its type table draws:
// "模拟考试（一）: 01 10, 02 14, … = 120".
QStringList mockSpread(store::Connection& db);

// Writes the counted values of report.repairable in one transaction.
void repairBank(store::Connection& db, const CheckReport& report);

} // namespace bank

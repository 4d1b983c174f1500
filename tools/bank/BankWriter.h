#pragma once

#include "bank/BankSource.h"
#include "core/store/Connection.h"

namespace bank {

// Writes a checked source into a bank that has the schema and no rows, in one
// transaction: every table of the book, empty history, and the counters counted
// from the questions (C3, q); the answer counters start at 0.
void writeBank(store::Connection& db, const BankSource& source, const Progress& progress = {});

// Writes an upgrade (readUpgradeSource) into an empty file with the schema: its
// identity in tab_sj, and its chapters, outline, points, shared stems and
// questions with the counters counted from its own questions.
void writeUpgrade(store::Connection& db, const BankSource& source, const Progress& progress = {});

// Creates OUT as a new encrypted bank: the file appears only when everything was
// written (it is built beside OUT under a temporary name and renamed at the end).
// An existing OUT is replaced only with overwrite; otherwise an error is thrown.
// fill runs on the new bank after its schema is created (nothing to do for an
// empty bank). An empty key makes a plain file (an upgrade file). Throws
// std::runtime_error with a message for the user.
void createBankFile(const QString& out, bool overwrite, const std::function<void(store::Connection&)>& fill = {},
                    const QByteArray& key = store::bankKey());

} // namespace bank

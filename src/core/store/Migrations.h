#pragma once

#include "core/store/Connection.h"

#include <QString>

namespace store {

// Tables of our own come and change through one numbered list of steps. The
// bank's version is its PRAGMA user_version: the layout the book ships with is
// version 1 (a bank of the original program reads 0 and holds the same tables).
// Each later step runs once, in its own transaction, when a bank is opened or
// built; a step that fails leaves the bank at the version before it.
struct Migration {
    int version;         // the bank's version once the step has run
    const char* purpose; // for the log
    void (*apply)(Connection& db);
};

// The steps in order; the last one's version is the newest layout.
const Migration* migrationsBegin();
const Migration* migrationsEnd();
int newestBankVersion();

// The bank's version (0 and 1 both mean the book's own layout).
int bankVersion(Connection& db);

// Runs every step the bank has not had yet. A bank newer than this program
// knows throws DbError(TooNew) and is not touched. Returns how many steps ran.
int migrateBank(Connection& db);

} // namespace store

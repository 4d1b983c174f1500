#pragma once

#include "core/store/Connection.h"

#include <QString>

namespace store {

// Version of the book's own layout, kept in PRAGMA user_version; tables of our
// own raise it through the steps of store/Migrations.
inline constexpr int kBankSchemaVersion = 1;

// Creates every table and index of an empty bank in one transaction, stamps the
// book's layout version, then runs the migration steps. Throws DbError (and
// leaves the bank as it was) when a table already exists.
void createBankSchema(Connection& db);

// True when the name is "tab_exam" followed by decimal digits only.
bool isPaperTableName(const QString& name);

// The CREATE TABLE statement of a paper table: the question-row layout plus jx.
// Throws DbError(Usage) for a name that is not a paper table name, since the
// name cannot be bound as a parameter.
QString paperTableSql(const QString& name);
void createPaperTable(Connection& db, const QString& name);

// The chapter test of the practice statements, "left(A10,n) = :code": the chapter
// and every chapter below it. A range on A10 is added that holds the same rows and
// lets the chapter index find them instead of reading every question. Bind the
// values of chapterParams(code).
QString chapterCondition(const QString& code);
Params chapterParams(const QString& code);

// "the question lists exam point :ftid", the same rows as
// ":ftid in (k3,k4,k5,k6,k7,k8,k9,k10,k11,k12)", written so that the index of
// each point column is used (the IN form reads every question). Bind ":ftid".
QString pointCondition();

} // namespace store

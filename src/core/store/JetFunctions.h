#pragma once

#include <QString>
#include <optional>

struct sqlite3;

namespace store {

// Registers Left, Right, Len and CINT so statements read as they were written
// for the old engine. NULL in gives NULL out, as there.
void registerJetFunctions(sqlite3* db);

// Rewrites the old engine's spellings that this parser rejects: Left( and Right(
// (keywords here) become jet_left( and jet_right(, and "delete * from" becomes
// "delete from". Text inside quotes is never touched.
QString translateJetSql(const QString& sql);

// CINT on a text or number: rounds halves to even; nullopt when the value is not
// numeric or falls outside the 16-bit range.
std::optional<int> jetCInt(const QString& text);
std::optional<int> jetCInt(double value);

} // namespace store

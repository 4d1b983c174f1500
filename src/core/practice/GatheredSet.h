#pragma once

#include "core/practice/ChooserRules.h"

#include <QStringList>

namespace store {
class Connection;
}

namespace practice {

// The practice statement of a list of questions gathered from anywhere in the bank
// (search results, the wrong-question book, bookmarks, today's review). The ids go
// into a temporary table of the connection, which holds them until the next call;
// the statement reads the questions in the list's order, by type first when
// `byType` (as chapter practice does). Ids no longer in the bank are left out.
// Throws store::DbError.
PracticeStatement gatheredStatement(store::Connection& db, const QStringList& ids, bool byType = true);

} // namespace practice

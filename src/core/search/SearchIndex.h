#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace store {
class Connection;
}

// The search index in the bank's own tables (search_doc, search_fts, search_built).
// It covers the bank once built; after that every change to a question's texts
// re-indexes that question in the same transaction. Answering never touches it.
namespace search {

// Whether the index covers the bank (false also for a bank without the tables).
bool isBuilt(store::Connection& db);

// Indexes every question anew, in one transaction (all or nothing). `progress` hears
// (done, total) now and then, and once at the end. Throws store::DbError.
void buildIndex(store::Connection& db, const std::function<void(int done, int total)>& progress = {});

// Brings the index in line with the questions' texts as they are now: a question
// gone from the bank leaves it, a new or changed one is indexed again. Joins the
// caller's transaction. Nothing to do while the index is not built.
void reindexQuestions(store::Connection& db, const QStringList& questionIds);
// Every question of a group, whose shared stem changed.
void reindexGroup(store::Connection& db, const QString& groupId);

} // namespace search

#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace store {
class Connection;
}

// Questions gathered across chapters: the candidate's bookmarks (收藏) and the
// wrong-question book (错题本). Both live in tables of our own; neither changes a
// counter of the book's tables, and answering never touches them.
namespace search {

struct Gathered {
    QString id;
    QString chapter;      // A10
    int type = 0;         // A13
    int wrongWeight = 0;  // E4: below 0 while the question is among the wrong ones
    int answers = 0;      // E3
    QDate lastAnswered;   // E1
    QString remark;       // bookmarks only
};

// Bookmarks a question, or takes the bookmark away; the state afterwards. Joins the
// caller's transaction. Throws store::DbError.
bool toggleBookmark(store::Connection& db, const QString& questionId);
bool isBookmarked(store::Connection& db, const QString& questionId);
// The remark of a bookmark (one line); false when the question is not bookmarked.
bool setBookmarkRemark(store::Connection& db, const QString& questionId, const QString& remark);
// Every bookmarked question still in the bank, by id.
QList<Gathered> bookmarks(store::Connection& db);

// The wrong-question book: every question 错题重做 would offer (E4 < 0, not voided),
// across chapters, by id, less those removed by hand since their last answer.
QList<Gathered> wrongBook(store::Connection& db);
// 移出错题本: out of the book until the question is answered again.
void removeFromBook(store::Connection& db, const QString& questionId);

} // namespace search

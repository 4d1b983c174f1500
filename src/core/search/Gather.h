#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

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
    // Filled by addDetails for the lists the candidate sees.
    int wrongCount = 0;   // wrong answers in the answer log; at least 1 while E4 is below 0
    QStringList points;   // exam point ids, K3 … K12
    QString excerpt;      // the stem's first words on one line
};

// Bookmarks a question, or takes the bookmark away; the state afterwards. Joins the
// caller's transaction. Throws store::DbError.
bool toggleBookmark(store::Connection& db, const QString& questionId);
bool isBookmarked(store::Connection& db, const QString& questionId);
// The remark of a bookmark (one line); false when the question is not bookmarked.
bool setBookmarkRemark(store::Connection& db, const QString& questionId, const QString& remark);
// Takes the bookmark away, whatever it held. Joins the caller's transaction.
void removeBookmark(store::Connection& db, const QString& questionId);
// Every bookmarked question still in the bank, by id.
QList<Gathered> bookmarks(store::Connection& db);

// The wrong-question book: every question 错题重做 would offer (E4 < 0, not voided),
// across chapters, by id, less those removed by hand since their last answer.
QList<Gathered> wrongBook(store::Connection& db);
// 移出错题本: out of the book until the question is answered again.
void removeFromBook(store::Connection& db, const QString& questionId);

// ---- the lists of the 错题本 and 收藏夹 screens ---------------------------------------

// Wrong count, exam points and excerpt of each row, read in one pass. Throws store::DbError.
void addDetails(store::Connection& db, QList<Gathered>& rows);
// A stored stem as one line of at most `length` characters, "…" where it was cut.
QString excerptOf(const QString& plain, int length = 60);

// Names of the question types (A13) from the bank's type tables, the first found by id.
QMap<int, QString> typeNames(store::Connection& db);
// Names (sn) of the exam points by id, for the given ids.
QMap<QString, QString> pointNames(store::Connection& db, const QStringList& pointIds);

struct ListFilter {
    int type = 0;  // 0: every type
    QString point; // exam point id; empty: every point
};
QList<Gathered> filtered(const QList<Gathered>& rows, const ListFilter& filter);

enum class SortKey { Chapter, WrongCount, LastAnswered };
// Chapter: by chapter then id; WrongCount: most wrong first; LastAnswered: most
// recent first (never answered last). Ties keep chapter and id order.
void sortRows(QList<Gathered>& rows, SortKey key);

// The rows under part (2 characters of the chapter code) and chapter (4), in book
// order of the parts and chapters; within a chapter the rows keep their order.
struct ChapterGroup {
    QString code;
    QString name;
    QList<Gathered> rows;
};
struct PartGroup {
    QString code;
    QString name;
    QList<ChapterGroup> chapters;
    int count() const;
    QStringList ids() const;
};
QList<PartGroup> groupByChapter(store::Connection& db, const QList<Gathered>& rows);

} // namespace search

// Bookmarks and the wrong-question book: tables of our own beside the book's.
#include "core/practice/ChooserRules.h"
#include "core/search/Gather.h"
#include "update/UpgradeFixture.h"

#include <gtest/gtest.h>

namespace {

QStringList ids(const QList<search::Gathered>& list)
{
    QStringList out;
    for (const auto& g : list)
        out << g.id;
    return out;
}

// Every row of the book's own tables, for "no counter changed".
QString bookTables(store::Connection& db)
{
    QString out;
    for (const QString& table : db.tables()) {
        if (!table.startsWith(QLatin1String("tab_")))
            continue;
        out += table + QLatin1Char('\n');
        for (const auto& row : db.query(QStringLiteral("select * from %1 order by rowid").arg(store::quoteIdentifier(table))).values) {
            for (const QVariant& v : row)
                out += v.toString() + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
    }
    return out;
}

// Questions in two parts in every state the redo set tells apart.
struct Bank {
    fixture::BankDir dir;
    std::unique_ptr<store::Connection> db = store::Connection::open(dir.bank, store::bankKey());
    Bank()
    {
        fixture::addChapter(*db, QStringLiteral("02"), QStringLiteral("第二部分"));
        fixture::addChapter(*db, QStringLiteral("0201"), QStringLiteral("第一章"));
        fixture::addChapter(*db, QStringLiteral("020101"), QStringLiteral("第一节"));
        struct Q {
            const char* id;
            int e3, e4, f1;
        };
        for (const Q& q : {Q{"010101000002", 1, -3, 0}, Q{"010101000003", 3, -1, 0}, Q{"010101000004", 2, 0, 0},
                           Q{"010101000005", 1, -3, 1}, Q{"020101000001", 4, -2, 0}, Q{"020101000002", 0, 0, 0}}) {
            const QString id = QString::fromLatin1(q.id);
            fixture::addQuestion(*db, id, id.left(6), QStringLiteral("A"));
            db->exec(QStringLiteral("update tab_answ set E3=:e3, E4=:e4, F1=:f1, E1='2026-12-01' where A1=:a1"),
                     {{":e3", q.e3}, {":e4", q.e4}, {":f1", q.f1}, {":a1", id}});
        }
    }
    QStringList redo()
    {
        QStringList out;
        for (const QString part : {QStringLiteral("01"), QStringLiteral("02")}) {
            const practice::PracticeStatement s = practice::practiceStatement(practice::PracticeMode::WrongQuestions, part);
            for (const auto& row : db->query(s.sql, s.params).values)
                out << row[0].toString();
        }
        out.sort();
        return out;
    }
};

} // namespace

TEST(Gather, TheBookHoldsWhatTheRedoOffersAcrossChaptersLessRemovals)
{
    Bank bank;
    store::Connection& db = *bank.db;
    // The fixture's first question: last answer B against key A, E4 -3.
    const QStringList wrong = {"010101000001", "010101000002", "010101000003", "020101000001"};
    EXPECT_EQ(ids(search::wrongBook(db)), wrong);
    EXPECT_EQ(ids(search::wrongBook(db)), bank.redo()) << "the book and 错题重做 agree";
    const auto first = search::wrongBook(db).value(1);
    EXPECT_EQ(first.chapter, QStringLiteral("010101"));
    EXPECT_EQ(first.wrongWeight, -3);
    EXPECT_EQ(first.lastAnswered, QDate(2026, 12, 1));

    const QString before = bookTables(db);
    search::removeFromBook(db, QStringLiteral("010101000003"));
    EXPECT_EQ(bookTables(db), before) << "removing changes none of the book's tables";
    EXPECT_EQ(ids(search::wrongBook(db)), (QStringList{"010101000001", "010101000002", "020101000001"}));

    // Answered right until mastered, a question leaves the book as it leaves the redo.
    db.exec(QStringLiteral("update tab_answ set E3=E3+1, E4=0 where A1='010101000002'"));
    EXPECT_EQ(ids(search::wrongBook(db)), (QStringList{"010101000001", "020101000001"}));
    // Answered again (wrong), a removed question comes back.
    db.exec(QStringLiteral("update tab_answ set E3=E3+1, E4=E4-1 where A1='010101000003'"));
    EXPECT_EQ(ids(search::wrongBook(db)), (QStringList{"010101000001", "010101000003", "020101000001"}));
}

TEST(Gather, BookmarksToggleKeepARemarkAndTouchNoBookTable)
{
    Bank bank;
    store::Connection& db = *bank.db;
    const QString before = bookTables(db);
    EXPECT_TRUE(search::toggleBookmark(db, QStringLiteral("020101000002")));
    EXPECT_TRUE(search::toggleBookmark(db, QStringLiteral("010101000004")));
    EXPECT_TRUE(search::isBookmarked(db, QStringLiteral("010101000004")));
    EXPECT_EQ(ids(search::bookmarks(db)), (QStringList{"010101000004", "020101000002"}));

    EXPECT_TRUE(search::setBookmarkRemark(db, QStringLiteral("010101000004"), QStringLiteral(" 易错：\n注意边界 ")));
    EXPECT_EQ(search::bookmarks(db).value(0).remark, QStringLiteral("易错： 注意边界"));
    EXPECT_FALSE(search::setBookmarkRemark(db, QStringLiteral("010101000003"), QStringLiteral("x"))) << "not bookmarked";

    EXPECT_FALSE(search::toggleBookmark(db, QStringLiteral("010101000004")));
    EXPECT_FALSE(search::isBookmarked(db, QStringLiteral("010101000004")));
    EXPECT_EQ(ids(search::bookmarks(db)), QStringList{"020101000002"});
    EXPECT_TRUE(search::toggleBookmark(db, QStringLiteral("010101000004")));
    EXPECT_TRUE(search::bookmarks(db).value(0).remark.isEmpty()) << "a new bookmark starts without the old remark";
    EXPECT_EQ(bookTables(db), before);

    // A toggle inside a transaction that rolls back leaves nothing behind.
    {
        store::Transaction t(db);
        search::toggleBookmark(db, QStringLiteral("010101000002"));
    }
    EXPECT_FALSE(search::isBookmarked(db, QStringLiteral("010101000002")));
}

TEST(Gather, ListsSortWithinTiesByChapterAndGroupInBookOrder)
{
    Bank bank;
    store::Connection& db = *bank.db;
    // Book order puts part 02 before part 01; a bookmark may never have been answered.
    db.exec(QStringLiteral("update tab_kmmc set bh = -1 where C1 = '02'"));
    QList<search::Gathered> rows;
    const struct {
        const char* id;
        int wrong;
        QDate day;
    } made[] = {{"020101000001", 2, QDate(2026, 12, 1)}, {"010101000003", 2, {}}, {"010101000002", 5, QDate(2026, 11, 1)},
                {"010101000001", 1, QDate(2026, 12, 3)}};
    for (const auto& m : made) {
        search::Gathered g;
        g.id = QString::fromLatin1(m.id);
        g.chapter = g.id.left(6);
        g.wrongCount = m.wrong;
        g.lastAnswered = m.day;
        rows << g;
    }
    const struct {
        search::SortKey key;
        QStringList order;
    } cases[] = {
        {search::SortKey::Chapter, {"010101000001", "010101000002", "010101000003", "020101000001"}},
        {search::SortKey::WrongCount, {"010101000002", "010101000003", "020101000001", "010101000001"}},
        {search::SortKey::LastAnswered, {"010101000001", "020101000001", "010101000002", "010101000003"}},
    };
    for (const auto& c : cases) {
        QList<search::Gathered> sorted = rows;
        search::sortRows(sorted, c.key);
        EXPECT_EQ(ids(sorted), c.order) << int(c.key);
    }
    search::sortRows(rows, search::SortKey::WrongCount);
    const QList<search::PartGroup> parts = search::groupByChapter(db, rows);
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0].code, "02");
    EXPECT_EQ(parts[0].name, "第二部分");
    EXPECT_EQ(parts[1].ids(), (QStringList{"010101000002", "010101000003", "010101000001"})) << "rows keep their order";
    EXPECT_EQ(parts[1].count(), 3);

    EXPECT_EQ(search::excerptOf(QStringLiteral("  第一行\n  A. 选项 \t B"), 60), "第一行 A. 选项 B");
    EXPECT_EQ(search::excerptOf(QStringLiteral("一二三四五六"), 4), QStringLiteral("一二三") + QChar(0x2026));
}

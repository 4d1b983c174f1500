// The index follows every change of a question's texts in the same transaction:
// entry, editing (also of a group's shared stem) and the upgrade merge.
#include "core/authoring/AuthoringRules.h"
#include "core/search/Search.h"
#include "core/search/SearchIndex.h"
#include "core/update/BankUpgrade.h"
#include "update/UpgradeFixture.h"

#include <gtest/gtest.h>

namespace {

QStringList found(store::Connection& db, const QString& text)
{
    QStringList out;
    for (const auto& h : search::find(db, text, {}, 0))
        out << h.id;
    EXPECT_EQ(out, [&] {
        QStringList scanned;
        for (const auto& h : search::scan(db, text, {}, 0))
            scanned << h.id;
        return scanned;
    }()) << "index and bank agree on " << text.toStdString();
    return out;
}

// The fixture bank, indexed, with a group of two questions under one shared stem.
struct IndexedBank {
    fixture::BankDir dir;
    std::unique_ptr<store::Connection> db = store::Connection::open(dir.bank, store::bankKey());
    IndexedBank()
    {
        fixture::addQuestion(*db, QStringLiteral("0101010000000002-1"), QStringLiteral("010101"), QStringLiteral("B"));
        fixture::addQuestion(*db, QStringLiteral("0101010000000002-2"), QStringLiteral("010101"), QStringLiteral("C"));
        fixture::addStem(*db, QStringLiteral("0101010000000002"), QStringLiteral("某公司的网络拓扑如下"));
        search::buildIndex(*db);
    }
};

const QString kGroup = QStringLiteral("0101010000000002");

} // namespace

TEST(SearchUpkeep, EntryAndEditingReindexInTheirTransaction)
{
    IndexedBank bank;
    store::Connection& db = *bank.db;
    EXPECT_EQ(found(db, QStringLiteral("网络拓扑")), (QStringList{kGroup + "-1", kGroup + "-2"})) << "the shared stem counts";

    authoring::NewQuestion q;
    q.chapter = QStringLiteral("010101");
    q.type = 11;
    q.answer = QStringLiteral("D");
    q.stem = QStringLiteral("<html><body><p>哈希表的装填因子</p></body></html>").toUtf8();
    q.analysis = QStringLiteral("冲突越多").toUtf8();
    const authoring::SaveOutcome saved = authoring::saveNewQuestion(db, q);
    ASSERT_TRUE(saved.saved);
    EXPECT_EQ(found(db, QStringLiteral("装填因子")), QStringList{saved.id});
    EXPECT_EQ(found(db, QStringLiteral("冲突越多")), QStringList{saved.id}) << "the analysis";

    authoring::QuestionEdit edit;
    edit.id = saved.id;
    edit.answer = QStringLiteral("A");
    edit.stem = QStringLiteral("二叉排序树").toUtf8();
    authoring::saveQuestionEdit(db, edit);
    EXPECT_TRUE(found(db, QStringLiteral("装填因子")).isEmpty()) << "the old text is gone";
    EXPECT_EQ(found(db, QStringLiteral("二叉排序树")), QStringList{saved.id});
    EXPECT_EQ(found(db, QStringLiteral("冲突越多")), QStringList{saved.id}) << "an edit that keeps the analysis";

    // A new shared stem is found under every question of the group.
    authoring::QuestionEdit groupEdit;
    groupEdit.id = kGroup + "-2";
    groupEdit.answer = QStringLiteral("C");
    groupEdit.sharedStem = QStringLiteral("某高校的校园网").toUtf8();
    authoring::saveQuestionEdit(db, groupEdit);
    EXPECT_TRUE(found(db, QStringLiteral("网络拓扑")).isEmpty());
    EXPECT_EQ(found(db, QStringLiteral("校园网")), (QStringList{kGroup + "-1", kGroup + "-2"}));
}

TEST(SearchUpkeep, AFailedSaveLeavesTheIndexAsItWas)
{
    IndexedBank bank;
    store::Connection& db = *bank.db;
    authoring::QuestionEdit edit;
    edit.id = QStringLiteral("010101999999"); // not in the bank: the save throws
    edit.answer = QStringLiteral("A");
    edit.stem = QStringLiteral("二叉排序树").toUtf8();
    const QVariant before = db.scalar(QStringLiteral("select group_concat(docid || A1 || body) from search_doc"));
    EXPECT_THROW(authoring::saveQuestionEdit(db, edit), store::DbError);
    EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(docid || A1 || body) from search_doc")), before);
    EXPECT_TRUE(found(db, QStringLiteral("二叉排序树")).isEmpty());
}

TEST(SearchUpkeep, TheUpgradeMergeIndexesWhatItAdds)
{
    IndexedBank bank;
    store::Connection& db = *bank.db;
    const QString path = bank.dir.t.file(QStringLiteral("up.db"));
    {
        auto up = fixture::makeUpgrade(path);
        fixture::addNewPart(*up);
        fixture::addQuestion(*up, QStringLiteral("0201010000000003-1"), QStringLiteral("020101"), QStringLiteral("A"),
                             QStringLiteral("02000101"));
        fixture::addStem(*up, QStringLiteral("0201010000000003"), QStringLiteral("阅读下列说明"));
        // A stem for a group of the bank that had none.
        db.exec(QStringLiteral("delete from tab_title"));
        search::reindexGroup(db, kGroup);
        fixture::addStem(*up, kGroup, QStringLiteral("某公司的网络拓扑如下"));
    }
    EXPECT_TRUE(found(db, QStringLiteral("网络拓扑")).isEmpty());
    auto file = update::UpgradeFile::open(path, db);
    update::mergeUpgrade(db, *file);
    EXPECT_EQ(found(db, QStringLiteral("题干 020101000002")), QStringList{QStringLiteral("020101000002")});
    EXPECT_EQ(found(db, QStringLiteral("阅读下列")), QStringList{QStringLiteral("0201010000000003-1")});
    EXPECT_EQ(found(db, QStringLiteral("网络拓扑")), (QStringList{kGroup + "-1", kGroup + "-2"}));
}

TEST(SearchUpkeep, NothingToKeepBeforeTheIndexIsBuilt)
{
    fixture::BankDir dir;
    auto db = store::Connection::open(dir.bank, store::bankKey());
    authoring::QuestionEdit edit;
    edit.id = QStringLiteral("010101000001");
    edit.answer = QStringLiteral("B");
    edit.stem = QStringLiteral("二叉排序树").toUtf8();
    authoring::saveQuestionEdit(*db, edit);
    EXPECT_FALSE(search::isBuilt(*db));
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from search_doc")).toInt(), 0);
    EXPECT_EQ(found(*db, QStringLiteral("二叉排序树")), QStringList{QStringLiteral("010101000001")}) << "read without it";
}

// Thousands of matches: the first ones by id, however the index numbered them.
TEST(SearchUpkeep, ManyMatchesComeInIdOrderUpToTheLimit)
{
    fixture::BankDir dir;
    auto db = store::Connection::open(dir.bank, store::bankKey());
    fixture::addChapter(*db, QStringLiteral("010102"), QStringLiteral("第二节"));
    {
        store::Transaction t(*db);
        // Ids given out of order, so the index's numbering is not the id order.
        for (int i = 0; i < 4000; ++i) {
            const int n = (i * 7919) % 4000;
            const QString id = QStringLiteral("0101%1%2").arg(n % 2 ? "02" : "01").arg(n, 6, 10, QLatin1Char('0'));
            fixture::addQuestion(*db, id, id.left(6), n % 3 ? QStringLiteral("A") : QStringLiteral("B"));
            if (n % 5 == 0)
                db->exec(QStringLiteral("update tab_exer set A15 = :s where A1 = :a1"),
                         {{":s", QStringLiteral("栈的顺序存储 %1").arg(n)}, {":a1", id}});
        }
        t.commit();
    }
    search::buildIndex(*db);
    // Edited questions get new numbers at the end of the index.
    for (int n = 0; n < 4000; n += 10) {
        authoring::QuestionEdit edit;
        edit.id = QStringLiteral("0101%1%2").arg(n % 2 ? "02" : "01").arg(n, 6, 10, QLatin1Char('0'));
        edit.answer = QStringLiteral("B");
        authoring::saveQuestionEdit(*db, edit);
    }
    const search::Filter filters[] = {{}, {QStringLiteral("01"), QStringLiteral("010102"), 0}, {{}, {}, 11}, {{}, {}, 12}};
    for (const QString& text : {QStringLiteral("题干"), QStringLiteral("b"), QStringLiteral("题干 0101"), QStringLiteral("栈的顺序")}) {
        for (const search::Filter& f : filters) {
            SCOPED_TRACE((text + QLatin1Char(' ') + f.chapter + QString::number(f.type)).toStdString());
            const QList<search::Hit> scanned = search::scan(*db, text, f, 0);
            EXPECT_EQ(search::find(*db, text, f, 200), scanned.mid(0, 200));
            EXPECT_EQ(search::count(*db, text, f), scanned.size());
        }
    }
    EXPECT_EQ(search::count(*db, QStringLiteral("题干")), 4000 - 800 + 1) << "more than are read one by one";
}

// The build borrows a large page cache for its merges; the program's connection
// gets its own size back, built or failed.
TEST(SearchUpkeep, BuildingGivesTheConnectionItsCacheSizeBack)
{
    fixture::BankDir dir;
    auto db = store::Connection::open(dir.bank, store::bankKey());
    db->exec(QStringLiteral("PRAGMA cache_size = -3000"));
    search::buildIndex(*db);
    EXPECT_EQ(db->scalar(QStringLiteral("PRAGMA cache_size")).toInt(), -3000);
    db->exec(QStringLiteral("drop table tab_exer"));
    EXPECT_THROW(search::buildIndex(*db), store::DbError);
    EXPECT_EQ(db->scalar(QStringLiteral("PRAGMA cache_size")).toInt(), -3000);
    EXPECT_TRUE(search::isBuilt(*db)) << "a failed build leaves the index it had";
}

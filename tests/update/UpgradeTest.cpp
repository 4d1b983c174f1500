#include "UpgradeFixture.h"

#include "core/store/Backup.h"
#include "support/StatementTrace.h"
#include "core/update/BankUpgrade.h"
#include "core/review/AnswerLog.h"
#include "core/search/Gather.h"

#include <gtest/gtest.h>

using store::Connection;
using update::Outcome;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(14, 30, 5));

struct Env : fixture::BankDir {
    std::unique_ptr<Connection> open() { return Connection::open(bank, store::bankKey()); }
    // One press of the start button on a freshly opened bank, closed again, so
    // the file's bytes can be compared.
    update::UpgradeRun run(const QString& typed)
    {
        auto db = open();
        std::unique_ptr<update::UpgradeFile> held;
        update::UpgradeRun r = update::runUpgrade(*db, typed, held, kNow);
        held.reset();
        db->close();
        return r;
    }
    QVariant value(const QString& sql)
    {
        return open()->scalar(sql);
    }
};

} // namespace

// Files that must be refused before anything is written: the bank keeps its bytes
// and no backup is taken.
TEST(Upgrade, RefusedFilesLeaveTheBankUntouched)
{
    struct Case {
        const char* name;
        std::function<void(const QString& path)> make;
        Outcome expected;
    };
    const std::vector<Case> cases = {
        {"not a database", [](const QString& p) { fixture::writeFile(p, QByteArray(8192, 'x')); }, Outcome::CannotOpen},
        {"empty file", [](const QString& p) { fixture::writeFile(p, {}); }, Outcome::CannotOpen},
        {"missing file", [](const QString&) {}, Outcome::CannotOpen},
        {"truncated",
         [](const QString& p) {
             {
                 auto db = fixture::makeUpgrade(p);
                 store::Transaction t(*db);
                 fixture::addNewPart(*db);
                 for (int i = 3; i < 200; ++i)
                     fixture::addQuestion(*db, QStringLiteral("0201010%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("020101"),
                                          QStringLiteral("A"));
                 t.commit();
             }
             const QByteArray all = fixture::readFile(p);
             fixture::writeFile(p, all.left(all.size() / 2));
         },
         Outcome::CannotOpen},
        {"encrypted (a bank, not an upgrade)", [](const QString& p) { fixture::makeBank(p); }, Outcome::CannotOpen},
        {"no tab_sj", [](const QString& p) { fixture::makeUpgrade(p)->execScript(QStringLiteral("DROP TABLE tab_sj")); }, Outcome::CannotOpen},
        {"tab_answ without xx",
         [](const QString& p) {
             auto db = fixture::makeUpgrade(p);
             db->execScript(QStringLiteral("ALTER TABLE tab_answ RENAME TO old; CREATE TABLE tab_answ AS SELECT A1, A2 FROM old; DROP TABLE old;"));
         },
         Outcome::CannotOpen},
        {"tab_exer is a view",
         [](const QString& p) {
             auto db = fixture::makeUpgrade(p);
             db->execScript(QStringLiteral("DROP TABLE tab_exer; CREATE VIEW tab_exer AS SELECT A1, A1 AS A15, NULL AS jx FROM tab_answ;"));
         },
         Outcome::CannotOpen},
        {"empty tab_sj", [](const QString& p) { fixture::makeUpgrade(p)->exec(QStringLiteral("delete from tab_sj")); }, Outcome::ForeignProduct},
        {"another product",
         [](const QString& p) { fixture::addNewPart(*fixture::makeUpgrade(p, QStringLiteral("UP-NEW"), QStringLiteral("OTHER"))); },
         Outcome::ForeignProduct},
        {"this bank's own upgrade id",
         [](const QString& p) { fixture::addNewPart(*fixture::makeUpgrade(p, QStringLiteral("BASE"))); }, Outcome::AlreadyApplied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Env env;
        const QString file = env.t.file(QStringLiteral("upgrade.db"));
        c.make(file);
        const QByteArray before = fileDigest(env.bank);

        // Refused before anything is written: the bank only answers reads.
        auto db = env.open();
        StatementTrace trace(db->handle());
        std::unique_ptr<update::UpgradeFile> held;
        const update::UpgradeRun r = update::runUpgrade(*db, file, held, kNow);
        trace.stop();
        held.reset();
        db->close();
        EXPECT_EQ(r.outcome, c.expected);
        for (const QString& sql : trace.statements())
            EXPECT_TRUE(sql.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
                        || sql.startsWith(QLatin1String("pragma"), Qt::CaseInsensitive))
                << sql.toStdString();
        EXPECT_EQ(fileDigest(env.bank), before);
        EXPECT_FALSE(QFileInfo::exists(store::backupDir(env.bank)));
    }
}

TEST(Upgrade, NoPathIsAskedFor)
{
    Env env;
    EXPECT_EQ(env.run(QStringLiteral("   ")).outcome, Outcome::NoPath);
}

TEST(Upgrade, SameFileTwiceMergesOnceThenIsRefused)
{
    Env env;
    // A quote and blanks in the path, blanks typed around it.
    QDir().mkpath(env.t.file(QStringLiteral("it's here")));
    const QString file = env.t.file(QStringLiteral("it's here/up 1'; drop table tab_answ.mdb"));
    fixture::addNewPart(*fixture::makeUpgrade(file));
    const QByteArray fileBefore = fixture::readFile(file);

    const update::UpgradeRun first = env.run(QStringLiteral("  ") + file + QStringLiteral(" \t"));
    ASSERT_EQ(first.outcome, Outcome::Merged) << first.failure.toStdString();
    EXPECT_EQ(first.merge.questionsAdded(), 2);
    EXPECT_EQ(first.merge.added.value(QStringLiteral("tab_kmmc")), 3);
    EXPECT_EQ(first.merge.added.value(QStringLiteral("tab_exer")), 2);
    EXPECT_EQ(first.merge.rowsSkipped(), 0);
    EXPECT_EQ(env.value(QStringLiteral("select count(*) from tab_answ where A10='020101'")).toInt(), 2);
    EXPECT_EQ(env.value(QStringLiteral("select count(*) from tab_sj where sjbs='UP-1'")).toInt(), 1);
    EXPECT_EQ(env.value(QStringLiteral("select C3 from tab_kmmc where C1='02'")).toInt(), 2);
    EXPECT_EQ(fixture::readFile(file), fileBefore); // the upgrade file is only read
    ASSERT_FALSE(first.backupPath.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(first.backupPath));

    const QByteArray after = fileDigest(env.bank);
    const update::UpgradeRun second = env.run(file);
    EXPECT_EQ(second.outcome, Outcome::AlreadyApplied);
    EXPECT_EQ(fileDigest(env.bank), after);
    EXPECT_EQ(store::listBackups(env.bank).size(), 1);
}

TEST(Upgrade, EveryLevelTheMergeTouchesIsRecounted)
{
    Env env;
    const QString file = env.t.file(QStringLiteral("up.db"));
    {
        auto db = fixture::makeUpgrade(file);
        fixture::addNewPart(*db);
        // A question more in the bank's own section, on its own point.
        fixture::addQuestion(*db, QStringLiteral("010101000002"), QStringLiteral("010101"), QStringLiteral("C"));
        // The file's counters of its new rows are not trusted either.
        db->exec(QStringLiteral("update tab_kmmc set C3=7"));
        db->exec(QStringLiteral("update tab_rule set q=9"));
    }
    const update::UpgradeRun r = env.run(file);
    ASSERT_EQ(r.outcome, Outcome::Merged) << r.failure.toStdString();
    const struct {
        const char* sql;
        int expected;
    } cases[] = {
        {"select C3 from tab_kmmc where C1='0'", 4}, // the subject row above both parts
        {"select C3 from tab_kmmc where C1='01'", 2},
        {"select C3 from tab_kmmc where C1='0101'", 2},
        {"select C3 from tab_kmmc where C1='010101'", 2},
        {"select C3 from tab_kmmc where C1='02'", 2},
        {"select C3 from tab_kmmc where C1='020101'", 2},
        {"select q from tab_rule where ftid='01000101'", 2},
        {"select q from tab_rule where ftid='02000101'", 2},
        {"select q from tab_fgmc where id='010001'", 2},
        {"select q from tab_fgmc where id='020001'", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(env.value(QString::fromUtf8(c.sql)).toInt(), c.expected) << c.sql;
}

TEST(Upgrade, GroupedQuestionsArriveWithTheirSharedStems)
{
    Env env;
    const QString file = env.t.file(QStringLiteral("up.db"));
    {
        auto db = fixture::makeUpgrade(file);
        fixture::addNewPart(*db);
        fixture::addStem(*db, QStringLiteral("0201010000000009"), QStringLiteral("案例共用题干"));
        fixture::addQuestion(*db, QStringLiteral("0201010000000009-1"), QStringLiteral("020101"), QStringLiteral("A"), QStringLiteral("02000101"));
        fixture::addQuestion(*db, QStringLiteral("0201010000000009-2"), QStringLiteral("020101"), QStringLiteral("D"), QStringLiteral("02000101"));
    }
    const update::UpgradeRun r = env.run(file);
    ASSERT_EQ(r.outcome, Outcome::Merged) << r.failure.toStdString();
    EXPECT_EQ(r.merge.questionsAdded(), 4);
    // The stem a grouped question reads: the first 16 characters of its id.
    EXPECT_EQ(env.value(QStringLiteral("select t.A15 from tab_answ a join tab_title t on t.A1 = left(a.A1, 16) "
                                       "where a.A1 = '0201010000000009-2'"))
                  .toString(),
              QStringLiteral("案例共用题干"));
}

TEST(Upgrade, RowsTheBankHasArePassedOverAndCounted)
{
    Env env;
    const QString file = env.t.file(QStringLiteral("up.db"));
    {
        auto db = fixture::makeUpgrade(file);
        // Files of older makes declare no constraints: counters may be NULL there.
        db->execScript(QStringLiteral("ALTER TABLE tab_kmmc RENAME TO old; CREATE TABLE tab_kmmc AS SELECT * FROM old; DROP TABLE old;"));
        fixture::addNewPart(*db);
        // The bank's own part, chapter and question again, with other values.
        fixture::addChapter(*db, QStringLiteral("01"), QStringLiteral("改名"), 99, 0);
        fixture::addPoint(*db, QStringLiteral("01000101"));
        fixture::addQuestion(*db, QStringLiteral("010101000001"), QStringLiteral("010101"), QStringLiteral("D"));
        // A new chapter whose counters the file leaves NULL: they start at 0.
        db->exec(QStringLiteral("insert into tab_kmmc (C1, C2, C3, D1, bh) values ('0202', '空计数', NULL, NULL, 9)"));
    }
    const update::UpgradeRun r = env.run(file);
    ASSERT_EQ(r.outcome, Outcome::Merged) << r.failure.toStdString();
    EXPECT_EQ(r.merge.questionsAdded(), 2);
    EXPECT_EQ(r.merge.skipped.value(QStringLiteral("tab_kmmc")), 1);
    EXPECT_EQ(r.merge.skipped.value(QStringLiteral("tab_answ")), 1);
    EXPECT_EQ(r.merge.skipped.value(QStringLiteral("tab_exer")), 1);
    EXPECT_EQ(r.merge.skipped.value(QStringLiteral("tab_rule")), 1);
    EXPECT_EQ(r.merge.skipped.value(QStringLiteral("tab_fgmc")), 1);
    EXPECT_EQ(r.merge.rowsSkipped(), 5);
    // The candidate's history and the bank's names stay as they were.
    EXPECT_EQ(env.value(QStringLiteral("select C2 from tab_kmmc where C1='01'")).toString(), QStringLiteral("第一部分"));
    EXPECT_EQ(env.value(QStringLiteral("select D1 from tab_kmmc where C1='01'")).toInt(), 5);
    EXPECT_EQ(env.value(QStringLiteral("select A2 || E2 || E4 from tab_answ where A1='010101000001'")).toString(), QStringLiteral("AB-3"));
    EXPECT_EQ(env.value(QStringLiteral("select C3 + D1 from tab_kmmc where C1='0202'")).toInt(), 0);
}

TEST(Upgrade, AMergeThatFailsHalfWayLeavesTheBankAsItWas)
{
    Env env;
    const QString file = env.t.file(QStringLiteral("up.db"));
    {
        auto db = fixture::makeUpgrade(file);
        fixture::addNewPart(*db);
        // tab_rule comes after chapters, texts and questions: a point without an id
        // cannot be stored and stops the merge there.
        db->execScript(QStringLiteral("ALTER TABLE tab_rule RENAME TO old; CREATE TABLE tab_rule AS SELECT * FROM old; DROP TABLE old;"
                                      "INSERT INTO tab_rule (ftid, id, sn, n) VALUES (NULL, '020001', 'x', 'y');"));
    }
    const QByteArray before = fileDigest(env.bank);
    const update::UpgradeRun r = env.run(file);
    EXPECT_EQ(r.outcome, Outcome::MergeFailed);
    EXPECT_FALSE(r.failure.isEmpty());
    EXPECT_EQ(fileDigest(env.bank), before);
    EXPECT_EQ(env.value(QStringLiteral("select count(*) from tab_sj")).toInt(), 1);
}

TEST(Upgrade, NothingStoredInTheFileRuns)
{
    Env env;
    const QString file = env.t.file(QStringLiteral("up.db"));
    {
        auto db = fixture::makeUpgrade(file);
        fixture::addNewPart(*db);
        // Every way a stored trigger could be set off by reading or copying rows
        // would leave a mark in hits.
        db->execScript(QStringLiteral(
            "CREATE TABLE hits (what TEXT);"
            "CREATE TRIGGER t_ins AFTER INSERT ON tab_answ BEGIN INSERT INTO hits VALUES ('insert'); END;"
            "CREATE TRIGGER t_upd AFTER UPDATE ON tab_answ BEGIN INSERT INTO hits VALUES ('update'); END;"
            "CREATE TRIGGER t_del BEFORE DELETE ON tab_kmmc BEGIN INSERT INTO hits VALUES ('delete'); END;"
            "CREATE TRIGGER t_sj AFTER INSERT ON tab_sj BEGIN INSERT INTO hits VALUES ('sj'); END;"
            "CREATE VIEW v_answ AS SELECT * FROM tab_answ;"
            "CREATE TRIGGER t_view INSTEAD OF INSERT ON v_answ BEGIN INSERT INTO hits VALUES ('view'); END;"));
    }
    const QByteArray fileBefore = fixture::readFile(file);
    const update::UpgradeRun r = env.run(file);
    ASSERT_EQ(r.outcome, Outcome::Merged) << r.failure.toStdString();
    EXPECT_EQ(fixture::readFile(file), fileBefore);
    auto up = Connection::open(file, {}, Connection::Mode::ReadOnly);
    EXPECT_EQ(up->scalar(QStringLiteral("select count(*) from hits")).toInt(), 0);
    // Nothing of the file's schema came along.
    auto bank = env.open();
    EXPECT_FALSE(bank->hasTable(QStringLiteral("hits")));
    EXPECT_FALSE(bank->scalar(QStringLiteral("select 1 from sqlite_master where name in ('t_ins','t_upd','t_del','t_sj','t_view','v_answ')")).isValid());
}

TEST(Upgrade, TheOpenFileIsKeptUntilTheNextOneIsOpened)
{
    Env env;
    const QString a = env.t.file(QStringLiteral("a.db"));
    const QString b = env.t.file(QStringLiteral("b.db"));
    fixture::addNewPart(*fixture::makeUpgrade(a));
    fixture::makeUpgrade(b, QStringLiteral("UP-2"));
    auto db = env.open();
    std::unique_ptr<update::UpgradeFile> held;
    EXPECT_EQ(update::runUpgrade(*db, a, held, kNow).outcome, Outcome::Merged);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->path(), a);
    EXPECT_EQ(update::runUpgrade(*db, b, held, kNow.addSecs(1)).outcome, Outcome::Merged);
    EXPECT_EQ(held->path(), b);
    EXPECT_EQ(update::runUpgrade(*db, env.t.file(QStringLiteral("none.db")), held, kNow).outcome, Outcome::CannotOpen);
    EXPECT_FALSE(held);
}

// The candidate's own tables (bookmarks, removals from the wrong-question book, the
// answer log and memory states) ride through an upgrade untouched, and a restore
// from backup brings them back as they were when the backup was taken.
TEST(Upgrade, BookmarksTheBookAndTheAnswerLogSurviveUpgradeAndRestore)
{
    Env env;
    const auto own = [&] {
        auto db = env.open();
        QString out;
        for (const char* table : {"bookmark", "book_removal", "answer_log", "memory_state"}) {
            const store::Rows rows = db->query(QStringLiteral("select * from %1 order by rowid").arg(QLatin1String(table)));
            out += QLatin1String(table) + QStringLiteral(": ");
            for (const auto& row : rows.values)
                for (const QVariant& v : row)
                    out += v.toString() + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
        return out;
    };
    {
        auto db = env.open();
        const QString id = db->scalar(QStringLiteral("select A1 from tab_answ order by A1")).toString();
        ASSERT_FALSE(id.isEmpty());
        store::Transaction t(*db);
        review::logAnswer(*db, id, false, QStringLiteral("C"), {}, kNow);
        db->exec(QStringLiteral("update tab_answ set E4=-1 where A1=:a1"), {{QStringLiteral(":a1"), id}});
        search::toggleBookmark(*db, id);
        search::setBookmarkRemark(*db, id, QStringLiteral("it's \"odd\""));
        search::removeFromBook(*db, id);
        t.commit();
    }
    const QString before = own();
    ASSERT_TRUE(before.contains(QStringLiteral("it's \"odd\""))) << before.toStdString();

    const QString file = env.t.file(QStringLiteral("up.mdb"));
    fixture::addNewPart(*fixture::makeUpgrade(file));
    const update::UpgradeRun merged = env.run(file);
    ASSERT_EQ(merged.outcome, Outcome::Merged) << merged.failure.toStdString();
    EXPECT_EQ(own(), before);

    // Taken now, changed afterwards, put back.
    const QString backup = [&] { auto db = env.open(); return store::backupBank(*db, kNow.addSecs(120)); }();
    {
        auto db = env.open();
        search::toggleBookmark(*db, db->scalar(QStringLiteral("select A1 from tab_answ order by A1")).toString());
        db->exec(QStringLiteral("delete from answer_log"));
    }
    ASSERT_NE(own(), before);
    store::restoreBackup(backup, env.bank, kNow.addSecs(180));
    EXPECT_EQ(own(), before);
}

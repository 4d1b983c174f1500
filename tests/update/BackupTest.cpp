#include "UpgradeFixture.h"

#include "core/store/Backup.h"

#include <gtest/gtest.h>

using store::Connection;
using store::DbError;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(9, 0, 0));

using Env = fixture::BankDir;

QString answerOf(const QString& bank)
{
    return Connection::open(bank, store::bankKey())->scalar(QStringLiteral("select E2 from tab_answ")).toString();
}

} // namespace

TEST(Backup, ACheckedCopyOfTheOpenBankThatCanBePutBack)
{
    Env env;
    QString backup;
    {
        // Taken while another connection has an unfinished change: the copy
        // holds the committed state only.
        auto writer = Connection::open(env.bank, store::bankKey());
        store::Transaction t(*writer);
        writer->exec(QStringLiteral("update tab_answ set E2='C'"));
        auto db = Connection::open(env.bank, store::bankKey());
        backup = store::backupBank(*db, kNow);
    }
    EXPECT_EQ(QFileInfo(backup).fileName(), QStringLiteral("ZT468913-20261210-090000.db"));
    EXPECT_EQ(QFileInfo(backup).absolutePath(), QFileInfo(env.t.file(QStringLiteral("data/backup"))).absoluteFilePath());
    EXPECT_NO_THROW(store::checkBackup(backup));
    EXPECT_EQ(answerOf(backup), QStringLiteral("B"));
    // Encrypted like the bank: it does not open without the key.
    EXPECT_THROW(Connection::open(backup, {}, Connection::Mode::ReadOnly), DbError);

    Connection::open(env.bank, store::bankKey())->exec(QStringLiteral("update tab_answ set E2='D'"));
    const QString saved = store::restoreBackup(backup, env.bank, kNow.addSecs(60));
    EXPECT_EQ(answerOf(env.bank), QStringLiteral("B"));
    // The bank as it was before the restore is a backup of its own.
    EXPECT_EQ(answerOf(saved), QStringLiteral("D"));
    EXPECT_EQ(store::listBackups(env.bank).size(), 2);
}

TEST(Backup, TheEleventhPrunesTheOldest)
{
    Env env;
    auto db = Connection::open(env.bank, store::bankKey());
    QStringList taken;
    for (int i = 0; i < 11; ++i)
        taken << store::backupBank(*db, kNow.addSecs(i * 3600));
    // Two in the same second keep apart.
    taken << store::backupBank(*db, kNow.addSecs(10 * 3600));
    const QList<store::BackupFile> kept = store::listBackups(env.bank);
    ASSERT_EQ(kept.size(), store::kBackupsKept);
    EXPECT_EQ(kept.first().path, taken.last());
    EXPECT_TRUE(taken.last().endsWith(QStringLiteral("-190000-2.db"))) << taken.last().toStdString();
    EXPECT_EQ(kept.last().path, taken[2]);
    EXPECT_FALSE(QFileInfo::exists(taken[0]));
    EXPECT_FALSE(QFileInfo::exists(taken[1]));
    // Files that are not backups of this bank are neither listed nor pruned.
    const QString other = QDir(store::backupDir(env.bank)).filePath(QStringLiteral("notes.txt"));
    fixture::writeFile(other, "keep");
    store::backupBank(*db, kNow.addSecs(20 * 3600));
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_EQ(store::listBackups(env.bank).size(), store::kBackupsKept);
}

TEST(Backup, RestoreRefusesWhileTheProgramHasTheBankOrTheBackupIsDamaged)
{
    Env env;
    QString backup;
    {
        const QByteArray before = fileDigest(env.bank);
        auto db = Connection::open(env.bank, store::bankKey());
        backup = store::backupBank(*db, kNow);
        EXPECT_TRUE(store::bankInUse(env.bank));
        try {
            store::restoreBackup(backup, env.bank, kNow);
            ADD_FAILURE() << "restored under a running program";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Kind::Busy);
        }
        EXPECT_EQ(fileDigest(env.bank), before);
    }
    EXPECT_FALSE(store::bankInUse(env.bank));

    // A damaged copy is found by the check and never put in place.
    QByteArray bytes = fixture::readFile(backup);
    for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] = char(~bytes[i]);
    const QString damaged = QDir(store::backupDir(env.bank)).filePath(QStringLiteral("ZT468913-20261211-090000.db"));
    fixture::writeFile(damaged, bytes);
    const QByteArray before = fileDigest(env.bank);
    EXPECT_THROW(store::checkBackup(damaged), DbError);
    EXPECT_THROW(store::restoreBackup(damaged, env.bank, kNow), DbError);
    EXPECT_EQ(fileDigest(env.bank), before);
}

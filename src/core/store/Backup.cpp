#include "core/store/Backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

namespace store {

namespace {

const QString kStamp = QStringLiteral("yyyyMMdd-HHmmss");

void removeDatabaseFiles(const QString& path)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

QRegularExpression backupName(const QString& bankPath)
{
    const QString base = QRegularExpression::escape(QFileInfo(bankPath).completeBaseName());
    return QRegularExpression(QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.db$").arg(base));
}

// A free name for a backup taken at `now`: two in one second get -2, -3, ...
QString newBackupPath(const QString& dir, const QString& bankPath, const QDateTime& now)
{
    const QString stem = QFileInfo(bankPath).completeBaseName() + QLatin1Char('-') + now.toString(kStamp);
    QString path = QDir(dir).filePath(stem + QStringLiteral(".db"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(dir).filePath(QStringLiteral("%1-%2.db").arg(stem).arg(n));
    return path;
}

void copyPages(Connection& from, Connection& to)
{
    sqlite3_backup* b = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!b)
        to.fail(QStringLiteral("start the backup"));
    const int step = sqlite3_backup_step(b, -1);
    const int done = sqlite3_backup_finish(b);
    if (step != SQLITE_DONE || done != SQLITE_OK) {
        const int rc = step != SQLITE_DONE ? step : done;
        throw DbError(rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? DbError::Kind::Busy
                      : (rc & 0xff) == SQLITE_FULL             ? DbError::Kind::Full
                                                               : DbError::Kind::Sql,
                      QStringLiteral("backup of %1: %2").arg(from.path(), QString::fromUtf8(sqlite3_errstr(rc))), rc);
    }
}

} // namespace

QString backupDir(const QString& bankPath)
{
    return QFileInfo(bankPath).absoluteDir().filePath(QStringLiteral("backup"));
}

QString backupBank(Connection& bank, const QDateTime& now, int keep)
{
    const QString dir = backupDir(bank.path());
    if (!QDir().mkpath(dir))
        throw DbError(DbError::Kind::ReadOnly, QStringLiteral("cannot create %1").arg(dir));
    const QString target = newBackupPath(dir, bank.path(), now);
    const QString part = QDir(dir).filePath(QLatin1Char('.') + QFileInfo(target).fileName() + QStringLiteral(".part"));
    removeDatabaseFiles(part);
    try {
        {
            auto copy = Connection::create(part, bankKey());
            // One self-contained file: no journal beside it once closed.
            copy->execScript(QStringLiteral("PRAGMA journal_mode = DELETE;"));
            copyPages(bank, *copy);
        }
        checkBackup(part);
        if (!QFile::rename(part, target))
            throw DbError(DbError::Kind::ReadOnly, QStringLiteral("cannot rename %1 to %2").arg(part, target));
    } catch (...) {
        removeDatabaseFiles(part);
        throw;
    }
    removeDatabaseFiles(part);

    // Only once the new copy is in place: the oldest ones beyond `keep` go.
    const QList<BackupFile> all = listBackups(bank.path());
    for (qsizetype i = std::max(keep, 1); i < all.size(); ++i)
        QFile::remove(all[i].path);
    return target;
}

QList<BackupFile> listBackups(const QString& bankPath)
{
    const QRegularExpression re = backupName(bankPath);
    QList<BackupFile> out;
    const QFileInfoList files = QDir(backupDir(bankPath)).entryInfoList(QDir::Files, QDir::Name);
    struct Entry {
        BackupFile file;
        int n;
    };
    std::vector<Entry> entries;
    for (const QFileInfo& f : files) {
        const auto m = re.match(f.fileName());
        if (!m.hasMatch())
            continue;
        const QDateTime taken = QDateTime::fromString(m.captured(1), kStamp);
        if (!taken.isValid())
            continue;
        entries.push_back({{f.absoluteFilePath(), taken, f.size()}, m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.file.taken != b.file.taken ? a.file.taken > b.file.taken : a.n > b.n;
    });
    for (const Entry& e : entries)
        out.append(e.file);
    return out;
}

void checkBackup(const QString& path)
{
    auto c = Connection::open(path, bankKey(), Connection::Mode::ReadOnly);
    const Rows r = c->query(QStringLiteral("PRAGMA integrity_check"));
    QStringList findings;
    for (const auto& row : r.values)
        findings << row[0].toString();
    if (findings != QStringList{QStringLiteral("ok")})
        throw DbError(DbError::Kind::Corrupt, QStringLiteral("%1: %2").arg(path, findings.join(QStringLiteral("; "))));
}

bool bankInUse(const QString& bankPath)
{
    if (!QFileInfo(bankPath).isFile())
        throw DbError(DbError::Kind::Missing, QStringLiteral("no bank at %1").arg(bankPath));
    // A connection in WAL mode holds a shared lock on the file while it is open,
    // so an exclusive lock is refused exactly while the program has the bank.
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(bankPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray key = bankKey();
        sqlite3_key(db, key.constData(), int(key.size()));
        rc = sqlite3_exec(db, "PRAGMA cipher_page_size = 4096; PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; ROLLBACK;",
                          nullptr, nullptr, nullptr);
    }
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
    sqlite3_close_v2(db);
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        return true;
    if (rc != SQLITE_OK)
        throw DbError(DbError::Kind::NotADatabase, QStringLiteral("%1: %2").arg(bankPath, msg), rc);
    return false;
}

QString restoreBackup(const QString& backupPath, const QString& bankPath, const QDateTime& now)
{
    checkBackup(backupPath);
    if (QFileInfo::exists(bankPath) && bankInUse(bankPath))
        throw DbError(DbError::Kind::Busy, QStringLiteral("%1 is open in the running program").arg(bankPath));

    // The copy is made first: saving the current bank may prune the very backup
    // being restored.
    const QString part = bankPath + QStringLiteral(".restore.part");
    removeDatabaseFiles(part);
    if (!QFile::copy(backupPath, part)) {
        removeDatabaseFiles(part);
        throw DbError(DbError::Kind::ReadOnly, QStringLiteral("cannot copy %1 to %2").arg(backupPath, part));
    }
    QString saved;
    try {
        if (QFileInfo::exists(bankPath)) {
            auto current = Connection::open(bankPath, bankKey());
            saved = backupBank(*current, now);
        }
        // rename() swaps the file in one step.
        if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(bankPath).constData()) != 0)
            throw DbError(DbError::Kind::ReadOnly,
                          QStringLiteral("cannot rename %1 to %2: %3").arg(part, bankPath, QString::fromLocal8Bit(std::strerror(errno))));
    } catch (...) {
        removeDatabaseFiles(part);
        throw;
    }
    // A journal of the replaced bank would be replayed into the restored one.
    QFile::remove(bankPath + QStringLiteral("-wal"));
    QFile::remove(bankPath + QStringLiteral("-shm"));
    QFile::remove(bankPath + QStringLiteral("-journal"));
    return saved;
}

} // namespace store

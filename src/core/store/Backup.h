#pragma once

#include "core/store/Connection.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Checked copies of the bank, taken before a change to its content that the
// candidate starts (an upgrade, a repair), so that change can be undone.
namespace store {

inline constexpr int kBackupsKept = 10;

struct BackupFile {
    QString path;
    QDateTime taken; // from the name
    qint64 size = 0;
};

// "backup" beside the bank file (data/backup for data/ZT468913.db).
QString backupDir(const QString& bankPath);

// Copies the open bank with the engine's online backup API (consistent while the
// bank is open), checks the copy's integrity, and keeps the newest `keep` copies.
// The copy is named after the bank and `now` ("ZT468913-20261210-143005.db").
// Returns its path. Throws DbError and leaves no partial copy behind on failure.
QString backupBank(Connection& bank, const QDateTime& now, int keep = kBackupsKept);

// Backups of a bank, newest first. Files of other names are ignored.
QList<BackupFile> listBackups(const QString& bankPath);

// Opens a backup with the bank key and runs the engine's integrity check;
// throws DbError(Corrupt) with the findings, or the open error.
void checkBackup(const QString& path);

// True while a connection (the running program) holds the bank open.
bool bankInUse(const QString& bankPath);

// Puts a checked backup in place of the bank. The bank must not be in use
// (DbError(Busy) otherwise). The bank as it was is first saved as a backup of
// its own, so the restore itself can be undone; its path is returned.
QString restoreBackup(const QString& backupPath, const QString& bankPath, const QDateTime& now);

} // namespace store

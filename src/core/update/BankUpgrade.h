#pragma once

#include "core/store/Connection.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

// Merging an upgrade file (a plain, unkeyed database with the bank's tables) into
// the bank. Upgrade files are foreign input: they are opened read-only and checked
// before anything is read from them, and their rows reach the bank only through
// the bank's own statements, so nothing stored in the file (triggers, views) runs.
namespace update {

// The tables taken from a file, in the order they are merged. The shared stems
// (tab_title) come with them: grouped questions cannot be shown without theirs.
const QStringList& mergedTables();

// An upgrade file open read-only on a connection of its own.
class UpgradeFile {
public:
    // Opens and checks the file: the engine's quick check passes, and tab_sj and
    // every merged table exist as plain tables with the columns of the bank's
    // tables. Any failure throws DbError (NotADatabase for a database that is not
    // an upgrade file). The path goes to the engine as it is, never into SQL.
    static std::unique_ptr<UpgradeFile> open(const QString& path, store::Connection& bank);

    QString path() const { return m_db->path(); }
    // The first row of the file's tab_sj; empty texts when it has none.
    QString upgradeId() const { return m_sjbs; }
    QString productId() const { return m_cpbs; }
    store::Connection& db() { return *m_db; }

private:
    std::unique_ptr<store::Connection> m_db;
    QString m_sjbs;
    QString m_cpbs;
};

// The file names a product of this bank (its product id is in the bank's tab_sj).
// A file without ids never belongs.
bool belongsToBank(store::Connection& bank, const UpgradeFile& file);
// The bank took this upgrade already.
bool alreadyApplied(store::Connection& bank, const UpgradeFile& file);

struct MergeResult {
    QMap<QString, int> added;   // rows appended, per table
    QMap<QString, int> skipped; // rows whose key the bank had, passed over
    int questionsAdded() const { return added.value(QStringLiteral("tab_answ")); }
    int rowsSkipped() const;
};

// Appends every row of the merged tables whose key the bank lacks and records the
// upgrade in tab_sj, in one transaction: on any failure nothing of it stays and
// DbError is thrown. Rows already in the bank are left as they are.
MergeResult mergeUpgrade(store::Connection& bank, UpgradeFile& file);

// One press of the start button, each step stopping at the first refusal.
enum class Outcome {
    NoPath,         // nothing typed
    CannotOpen,     // not a database, damaged, or not an upgrade file
    ForeignProduct, // the file's product is not this bank's
    AlreadyApplied, // the bank took this upgrade before
    BackupFailed,   // no checked backup could be made: nothing was merged
    Merged,
    MergeFailed     // rolled back: the bank is as it was
};

struct UpgradeRun {
    Outcome outcome = Outcome::NoPath;
    MergeResult merge;
    QString backupPath; // the backup taken before the merge
    QString failure;    // the engine's words, for the log
};

// Takes the path with blanks at both ends removed, opens it into `held` (the
// previous file is closed first; the new one stays open for the caller), checks
// product and repeat, backs the bank up into its backup folder and merges.
UpgradeRun runUpgrade(store::Connection& bank, const QString& typedPath, std::unique_ptr<UpgradeFile>& held,
                      const QDateTime& now);

} // namespace update

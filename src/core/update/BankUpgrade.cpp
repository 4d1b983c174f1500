#include "core/update/BankUpgrade.h"

#include "core/search/SearchIndex.h"
#include "core/store/Backup.h"
#include "core/store/Schema.h"

#include <QSet>
#include <sqlite3.h>

namespace update {

namespace {

using store::DbError;

// Names come from this program's table list or the bank's own catalogue.
QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() { sqlite3_reset(stmt); }
};

[[noreturn]] void refuse(const QString& path, const QString& why)
{
    throw DbError(DbError::Kind::NotADatabase, QStringLiteral("%1: not an upgrade file: %2").arg(path, why));
}

void checkQuick(store::Connection& file)
{
    const store::Rows r = file.query(QStringLiteral("PRAGMA quick_check"));
    QStringList findings;
    for (const auto& row : r.values)
        findings << row[0].toString();
    if (findings != QStringList{QStringLiteral("ok")})
        throw DbError(DbError::Kind::Corrupt, QStringLiteral("%1: %2").arg(file.path(), findings.join(QStringLiteral("; "))));
}

// A plain table (not a view, not a virtual table) that has every column the
// bank's table has. Extra columns are allowed and ignored.
void checkTable(store::Connection& file, store::Connection& bank, const QString& table)
{
    const store::Rows entries = file.query(
        QStringLiteral("select type, sql from sqlite_master where name = :name collate nocase"), {{QStringLiteral(":name"), table}});
    if (entries.size() != 1 || entries.at(0, QStringLiteral("type")).toString() != QLatin1String("table"))
        refuse(file.path(), QStringLiteral("no table %1").arg(table));
    if (entries.at(0, QStringLiteral("sql")).toString().simplified().startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive))
        refuse(file.path(), QStringLiteral("%1 is a virtual table").arg(table));
    QSet<QString> have;
    for (const QString& c : file.columnsOf(table))
        have.insert(c.toLower());
    for (const QString& c : bank.columnsOf(table))
        if (!have.contains(c.toLower()))
            refuse(file.path(), QStringLiteral("%1 has no column %2").arg(table, c));
}

// What the merged rows touch, so their counters can be counted again.
struct Touched {
    QSet<QString> chapters; // tab_kmmc.C1
    QSet<QString> points;   // tab_rule.ftid
    QSet<QString> nodes;    // tab_fgmc.id
    QSet<QString> questions; // tab_answ.A1 and tab_exer.A1: their search text changed
    QSet<QString> groups;    // tab_title.A1: every question of the group's
};

void noteRow(Touched& touched, const QString& table, const QStringList& columns, const std::vector<QVariant>& row)
{
    const auto value = [&](const QString& column) {
        for (qsizetype c = 0; c < columns.size(); ++c)
            if (columns[c].compare(column, Qt::CaseInsensitive) == 0)
                return row[size_t(c)].toString().trimmed();
        return QString();
    };
    const auto notePoint = [&](const QString& ftid) {
        if (ftid.isEmpty())
            return;
        touched.points.insert(ftid);
        // Sections and top nodes: the first 6 and 2 characters, as the bookkeeping counts.
        touched.nodes.insert(ftid.left(6));
        touched.nodes.insert(ftid.left(2));
    };
    if (table == QLatin1String("tab_answ") || table == QLatin1String("tab_exer"))
        touched.questions.insert(value(QStringLiteral("A1")));
    else if (table == QLatin1String("tab_title"))
        touched.groups.insert(value(QStringLiteral("A1")));
    if (table == QLatin1String("tab_answ")) {
        // The question's chapter and every level above it.
        const QString chapter = value(QStringLiteral("A10"));
        for (qsizetype n = 1; n <= chapter.size(); ++n)
            touched.chapters.insert(chapter.left(n));
        for (int k = 3; k <= 12; ++k)
            notePoint(value(QStringLiteral("K%1").arg(k)));
    } else if (table == QLatin1String("tab_kmmc")) {
        const QString chapter = value(QStringLiteral("C1"));
        for (qsizetype n = 1; n <= chapter.size(); ++n)
            touched.chapters.insert(chapter.left(n));
    } else if (table == QLatin1String("tab_rule")) {
        notePoint(value(QStringLiteral("ftid")));
    } else if (table == QLatin1String("tab_fgmc")) {
        touched.nodes.insert(value(QStringLiteral("id")));
    }
}

// The question counts of every touched chapter (C3), point and node (q), from the
// questions the bank holds now; rows that do not exist are simply not updated.
void recount(store::Connection& bank, const Touched& touched)
{
    for (const QString& code : touched.chapters) {
        store::Params p = store::chapterParams(code);
        p.emplace_back(QStringLiteral(":c1"), code);
        bank.exec(QStringLiteral("update tab_kmmc set C3=(select count(*) from tab_answ where ") + store::chapterCondition(code)
                      + QStringLiteral(") where C1=:c1"),
                  p);
    }
    for (const QString& ftid : touched.points)
        bank.exec(QStringLiteral("update tab_rule set q=(select count(*) from tab_answ where ") + store::pointCondition()
                      + QStringLiteral(") where ftid=:ftid"),
                  {{QStringLiteral(":ftid"), ftid}});
    QStringList anyPoint;
    for (int k = 3; k <= 12; ++k)
        anyPoint << QStringLiteral("left(trim(K%1),length(:id))=:id").arg(k);
    for (const QString& id : touched.nodes) {
        // Only sections and top nodes count questions.
        if (id.size() != 6 && id.size() != 2)
            continue;
        bank.exec(QStringLiteral("update tab_fgmc set q=(select count(*) from tab_answ where ") + anyPoint.join(QStringLiteral(" or "))
                      + QStringLiteral(") where id=:id"),
                  {{QStringLiteral(":id"), id}});
    }
}

} // namespace

const QStringList& mergedTables()
{
    static const QStringList tables = {QStringLiteral("tab_kmmc"), QStringLiteral("tab_exer"), QStringLiteral("tab_title"),
                                       QStringLiteral("tab_answ"), QStringLiteral("tab_rule"), QStringLiteral("tab_fgmc")};
    return tables;
}

int MergeResult::rowsSkipped() const
{
    int n = 0;
    for (int v : skipped)
        n += v;
    return n;
}

std::unique_ptr<UpgradeFile> UpgradeFile::open(const QString& path, store::Connection& bank)
{
    std::unique_ptr<UpgradeFile> f(new UpgradeFile);
    // No key: upgrade files are plain. Read-only: the file is never written.
    f->m_db = store::Connection::open(path, QByteArray(), store::Connection::Mode::ReadOnly);
    store::Connection& db = *f->m_db;
    checkQuick(db);
    checkTable(db, bank, QStringLiteral("tab_sj"));
    for (const QString& table : mergedTables())
        checkTable(db, bank, table);
    const store::Rows ids = db.query(QStringLiteral("select sjbs, cpbs from tab_sj order by rowid limit 1"));
    f->m_sjbs = ids.at(0, QStringLiteral("sjbs")).toString();
    f->m_cpbs = ids.at(0, QStringLiteral("cpbs")).toString();
    return f;
}

bool belongsToBank(store::Connection& bank, const UpgradeFile& file)
{
    if (file.productId().isEmpty() || file.upgradeId().isEmpty())
        return false;
    return bank.scalar(QStringLiteral("select 1 from tab_sj where cpbs=:cpbs"), {{QStringLiteral(":cpbs"), file.productId()}}).isValid();
}

bool alreadyApplied(store::Connection& bank, const UpgradeFile& file)
{
    return bank.scalar(QStringLiteral("select 1 from tab_sj where sjbs=:sjbs"), {{QStringLiteral(":sjbs"), file.upgradeId()}}).isValid();
}

MergeResult mergeUpgrade(store::Connection& bank, UpgradeFile& file)
{
    MergeResult result;
    Touched touched;
    store::Transaction t(bank);
    for (const QString& table : mergedTables()) {
        const QStringList columns = bank.columnsOf(table);
        const QStringList key = bank.primaryKeyOf(table);
        QStringList names, values, keyTest;
        for (int i = 0; i < columns.size(); ++i) {
            names << quoted(columns[i]);
            values << QStringLiteral(":p%1").arg(i);
        }
        for (int i = 0; i < key.size(); ++i)
            keyTest << QStringLiteral("%1 = :k%2").arg(quoted(key[i])).arg(i);
        const QString insert = QStringLiteral("insert into %1 (%2) values (%3)")
                                   .arg(quoted(table), names.join(QLatin1Char(',')), values.join(QLatin1Char(',')));
        const QString exists = QStringLiteral("select 1 from %1 where %2").arg(quoted(table), keyTest.join(QStringLiteral(" and ")));

        // Rows are read one at a time: an upgrade may be larger than memory likes.
        sqlite3_stmt* read = file.db().prepare(QStringLiteral("select %1 from %2").arg(names.join(QLatin1Char(',')), quoted(table)));
        const ResetOnExit reset{read};
        int added = 0, skipped = 0;
        std::vector<QVariant> row(size_t(columns.size()));
        int rc;
        while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
            for (int i = 0; i < columns.size(); ++i)
                row[size_t(i)] = store::Connection::columnValue(read, i);
            if (!key.isEmpty()) {
                store::Params k;
                for (int i = 0; i < key.size(); ++i)
                    k.emplace_back(QStringLiteral(":k%1").arg(i), row[size_t(columns.indexOf(key[i]))]);
                if (bank.scalar(exists, k).isValid()) {
                    ++skipped;
                    continue;
                }
            }
            store::Params p;
            p.reserve(row.size());
            for (size_t i = 0; i < row.size(); ++i)
                p.emplace_back(QStringLiteral(":p%1").arg(i), row[i]);
            bank.exec(insert, p);
            noteRow(touched, table, columns, row);
            ++added;
        }
        if (rc != SQLITE_DONE)
            file.db().fail(QStringLiteral("read %1").arg(table));
        result.added.insert(table, added);
        result.skipped.insert(table, skipped);
    }
    recount(bank, touched);
    search::reindexQuestions(bank, touched.questions.values());
    for (const QString& group : touched.groups)
        search::reindexGroup(bank, group);
    bank.exec(QStringLiteral("insert into tab_sj(sjbs,cpbs) values(:sjbs,:cpbs)"),
              {{QStringLiteral(":sjbs"), file.upgradeId()}, {QStringLiteral(":cpbs"), file.productId()}});
    t.commit();
    return result;
}

UpgradeRun runUpgrade(store::Connection& bank, const QString& typedPath, std::unique_ptr<UpgradeFile>& held,
                      const QDateTime& now)
{
    UpgradeRun run;
    const QString path = typedPath.trimmed();
    if (path.isEmpty())
        return run;
    held.reset();
    try {
        held = UpgradeFile::open(path, bank);
    } catch (const DbError& e) {
        run.outcome = Outcome::CannotOpen;
        run.failure = e.message();
        return run;
    }
    if (!belongsToBank(bank, *held)) {
        run.outcome = Outcome::ForeignProduct;
        return run;
    }
    if (alreadyApplied(bank, *held)) {
        run.outcome = Outcome::AlreadyApplied;
        return run;
    }
    try {
        run.backupPath = store::backupBank(bank, now);
    } catch (const DbError& e) {
        run.outcome = Outcome::BackupFailed;
        run.failure = e.message();
        return run;
    }
    try {
        run.merge = mergeUpgrade(bank, *held);
        run.outcome = Outcome::Merged;
    } catch (const DbError& e) {
        run.outcome = Outcome::MergeFailed;
        run.failure = e.message();
    }
    return run;
}

} // namespace update

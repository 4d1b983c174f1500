#include "core/store/Migrations.h"

#include "core/store/DbError.h"

#include <QLoggingCategory>

#include <iterator>

Q_LOGGING_CATEGORY(lcMigrate, "tesvora.migrate", QtWarningMsg)

namespace store {

namespace {

// The unfinished mock exam: which paper, how far the clock ran, where the candidate was.
// Banks used before the list existed may hold it already.
void examResume(Connection& db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS tab_ksrun (A1 TEXT(20) NOT NULL PRIMARY KEY,"
                           "mock INTEGER, secs INTEGER, qno INTEGER)"));
}

// New steps go at the end; a released step is never edited, since banks have run it.
const Migration kMigrations[] = {
    {2, "the unfinished exam's table", examResume},
};

void setVersion(Connection& db, int version)
{
    // A pragma takes no bound parameter; the value is our own integer.
    db.execScript(QStringLiteral("PRAGMA user_version = %1").arg(version));
}

} // namespace

const Migration* migrationsBegin()
{
    return std::begin(kMigrations);
}

const Migration* migrationsEnd()
{
    return std::end(kMigrations);
}

int newestBankVersion()
{
    return std::prev(std::end(kMigrations))->version;
}

int bankVersion(Connection& db)
{
    return db.scalar(QStringLiteral("PRAGMA user_version")).toInt();
}

int migrateBank(Connection& db)
{
    const int have = bankVersion(db);
    if (have > newestBankVersion())
        throw DbError(DbError::Kind::TooNew,
                      QStringLiteral("the bank's layout is version %1; this program knows up to %2").arg(have).arg(newestBankVersion()));
    int ran = 0;
    for (const Migration& step : kMigrations) {
        if (step.version <= have)
            continue;
        Transaction t(db);
        step.apply(db);
        setVersion(db, step.version);
        t.commit();
        qCInfo(lcMigrate) << "bank layout" << step.version << "--" << step.purpose;
        ++ran;
    }
    return ran;
}

} // namespace store

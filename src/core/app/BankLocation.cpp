#include "core/app/BankLocation.h"

#include "core/store/Connection.h"
#include "core/store/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace shell {

namespace {

QString withSlash(QString dir)
{
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// A bank the program can write: the file and its folder (for the journal).
bool writableBank(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo dir(file.absolutePath());
    return file.isFile() && file.isWritable() && dir.isWritable();
}

} // namespace

QString bankFileName()
{
    return QStringLiteral("ZT468913.db");
}

QString installedShareDir(const QString& exeDir)
{
    return withSlash(QDir::cleanPath(exeDir + QStringLiteral("/../share/tesvora")));
}

BankLayout locateBank(const BankPlaces& places)
{
    BankLayout layout;
    const QString exeDir = withSlash(places.exeDir);
    const QString portableBank = exeDir + QStringLiteral("data/") + bankFileName();
    layout.portable = writableBank(portableBank);
    // A program folder with its own pictures (a build folder, an unpacked copy) keeps
    // using them even when its bank comes from elsewhere.
    const bool ownResources = layout.portable || QFileInfo::exists(exeDir + QStringLiteral("pic/main.svg"));
    layout.resourceDir = ownResources ? exeDir : withSlash(places.shareDir);
    if (!places.bankOption.isEmpty()) {
        layout.bankPath = QFileInfo(places.bankOption).absoluteFilePath();
    } else if (layout.portable) {
        layout.bankPath = portableBank;
    } else {
        layout.bankPath = withSlash(places.userDataDir) + QStringLiteral("data/") + bankFileName();
        layout.pristineBank = layout.resourceDir + QStringLiteral("data/") + bankFileName();
    }
    return layout;
}

bool ensureBank(const BankLayout& layout, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (QFileInfo::exists(layout.bankPath) || layout.pristineBank.isEmpty())
        return true;
    if (!QFileInfo(layout.pristineBank).isFile())
        return fail(QStringLiteral("no pristine bank at %1").arg(layout.pristineBank));
    const QFileInfo target(layout.bankPath);
    if (!QDir().mkpath(target.absolutePath()))
        return fail(QStringLiteral("cannot create %1").arg(target.absolutePath()));

    // A fixed temporary name beside the target: a copy left by an interrupted start is
    // simply replaced next time, and it is never taken for the bank.
    const QString partial = layout.bankPath + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(layout.pristineBank, partial))
        return fail(QStringLiteral("cannot copy %1 to %2").arg(layout.pristineBank, partial));
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    try {
        auto check = store::Connection::open(partial, store::bankKey(), store::Connection::Mode::ReadOnly);
        const QString verdict = check->scalar(QStringLiteral("pragma quick_check")).toString();
        check->close();
        if (verdict != QLatin1String("ok")) {
            QFile::remove(partial);
            return fail(QStringLiteral("the copied bank fails its check: %1").arg(verdict));
        }
    } catch (const store::DbError& e) {
        QFile::remove(partial);
        return fail(e.message());
    }
    // Anything the check left beside the copy belongs to it, not to the bank.
    QFile::remove(partial + QStringLiteral("-wal"));
    QFile::remove(partial + QStringLiteral("-shm"));
    if (!QFile::rename(partial, layout.bankPath)) {
        QFile::remove(partial);
        return fail(QStringLiteral("cannot rename %1 to %2").arg(partial, layout.bankPath));
    }
    return true;
}

} // namespace shell

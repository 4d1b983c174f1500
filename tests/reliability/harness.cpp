// Reliability harness: answers (practice and mock exams) in a loop and is killed, again and again, and the
// bank is checked after every kill; or answers ten thousand times and watches its
// memory; or holds a bank's write lock for the lock tests.
//
//   reliability_harness kill-loop BANK KILLS [--seed S] [--max-delay MS] [--keep DIR]
//                                  (or the seed in TESVORA_KILL_SEED; a run without one picks and prints it)
//   reliability_harness session BANK ANSWERS [--limit-mb MB]
//   reliability_harness answer BANK SEED [--count N]   (child: answers until killed)
//   reliability_harness import BANK FILE CHAPTER       (child: imports the file once, then waits to be killed)
//   reliability_harness hold-lock BANK                 (child: holds the write lock until stdin closes)
//
// kill-loop and session work on a copy of BANK; answer, import and hold-lock on BANK itself.
// One kill in four lands on an import of a question file instead of on answers.

#include "reliability/AnswerLoop.h"
#include "reliability/CounterCheck.h"
#include "reliability/ImportKill.h"

#include "core/store/Clock.h"
#include "core/store/DataModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <optional>
#include <sqlite3.h>

namespace {

// AddressSanitizer holds freed memory in quarantine: resident memory says nothing there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

void say(const QString& text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr, "usage: reliability_harness kill-loop BANK KILLS [--seed S] [--max-delay MS] [--keep DIR]\n"
                         "       reliability_harness session BANK ANSWERS [--limit-mb MB]\n"
                         "       reliability_harness answer BANK SEED [--count N]\n"
                         "       reliability_harness import BANK FILE CHAPTER\n"
                         "       reliability_harness hold-lock BANK\n");
    return 2;
}

std::optional<QString> option(const QStringList& args, const QString& name)
{
    const int i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size())
        return std::nullopt;
    return args[i + 1];
}

// A working copy of a bank (only the main file: the source is a closed bank).
bool copyBank(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

qint64 loggedAnswers(store::Connection& db)
{
    return db.scalar(QStringLiteral("select coalesce(sum(A2), 0) from tab_rz")).toLongLong();
}

// ---- child: answers until killed -------------------------------------------------------

int answer(const QString& bank, quint64 seed, qint64 count)
{
    TDM1 dm;
    if (!dm.openBank(bank)) {
        say(QStringLiteral("error cannot open %1").arg(bank));
        return 3;
    }
    try {
        reliability::AnswerLoop loop(dm, seed);
        loop.open();
        qint64 total = loggedAnswers(dm.db());
        say(QStringLiteral("ready %1").arg(total));
        // Every line is written after the answer's commit: the parent knows which
        // answers the bank must keep.
        int papers = 0;
        while (count < 0 || loop.counted() < count) {
            if (loop.step())
                say(QString::number(++total));
            if (loop.papers() != papers)
                say(QStringLiteral("paper %1").arg(papers = loop.papers()));
        }
        say(QStringLiteral("done %1").arg(total));
        for (;;)
            QThread::sleep(60); // left for the parent to kill, its -wal file in place
    } catch (const store::DbError& e) {
        say(QStringLiteral("error %1").arg(e.message()));
        return 3;
    }
}

// ---- child: holds the write lock ---------------------------------------------------------

int holdLock(const QString& bank)
{
    try {
        auto db = store::Connection::open(bank, store::bankKey());
        db->exec(QStringLiteral("BEGIN IMMEDIATE"));
        say(QStringLiteral("locked"));
        char buffer[256];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        db->exec(QStringLiteral("ROLLBACK"));
        return 0;
    } catch (const store::DbError& e) {
        say(QStringLiteral("error %1").arg(e.message()));
        return 3;
    }
}

// ---- kill loop ----------------------------------------------------------------------------

struct ChildReport {
    qint64 ready = -1;     // answers in the log when the child started answering
    int papers = 0;        // mock papers it started
    qint64 committed = -1; // the last answer total it reported after a commit
    qint64 own = -1;          // an importing child: own questions when it started
    qint64 ownCommitted = -1; // and after its import, when it reported one
    int importMs = 0;         // how long that import took
    bool full = false;        // its imports are refused: no running numbers left
    QString error;
};

ChildReport readReport(const QByteArray& out)
{
    ChildReport r;
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("ready "))
            r.ready = r.committed = line.mid(6).toLongLong();
        else if (line.startsWith("own "))
            r.own = r.ownCommitted = line.mid(4).toLongLong();
        else if (line.startsWith("imported ")) {
            const QList<QByteArray> words = line.mid(9).split(' ');
            r.ownCommitted = words.value(0).toLongLong();
            r.importMs = words.value(1).toInt();
        }
        else if (line.startsWith("full"))
            r.full = true;
        else if (line.startsWith("paper "))
            r.papers = line.mid(6).toInt();
        else if (line.startsWith("error "))
            r.error = QString::fromUtf8(line.mid(6));
        else if (!line.isEmpty() && line.at(0) >= '0' && line.at(0) <= '9')
            r.committed = line.toLongLong();
    }
    return r;
}

int killLoop(const QString& source, int kills, quint64 seed, int maxDelayMs, const QString& keep)
{
    QTemporaryDir temp;
    const QString dir = keep.isEmpty() ? temp.path() : keep;
    QDir().mkpath(dir);
    const QString bank = QDir(dir).filePath(QStringLiteral("bank.db"));
    if (!copyBank(source, bank)) {
        say(QStringLiteral("cannot copy %1 to %2").arg(source, bank));
        return 2;
    }
    QHash<QString, qint64> unlogged;
    // The import's file, its chapter, and the question counters' offsets it must keep.
    // Large enough that a kill often lands inside the import's one transaction; the running
    // numbers (9,999) last for about twenty files, after which the children are refused.
    constexpr int kPerFile = 500;
    const QString importFile = QDir(dir).filePath(QStringLiteral("import.csv"));
    QString importChapter;
    QHash<QString, qint64> offsets;
    qint64 own = 0, answersBefore = 0;
    {
        auto db = store::Connection::open(bank, store::bankKey());
        const QStringList faults = reliability::counterFaults(*db);
        unlogged = reliability::unloggedAnswers(*db);
        offsets = reliability::questionCountOffsets(*db);
        own = reliability::ownQuestions(*db);
        answersBefore = loggedAnswers(*db);
        importChapter = db->scalar(QStringLiteral("select min(A10) from tab_answ where length(A10)=6")).toString();
        const QString point = db->scalar(QStringLiteral("select min(ftid) from tab_rule")).toString();
        QFile file(importFile);
        if (importChapter.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(reliability::importFile(kPerFile, point)) < 0) {
            say(QStringLiteral("cannot prepare the import file %1").arg(importFile));
            return 2;
        }
        if (!faults.isEmpty()) {
            say(QStringLiteral("the source bank is not consistent before the first kill:\n  ") + faults.join(QStringLiteral("\n  ")));
            return 2;
        }
    }
    say(QStringLiteral("kill loop: %1 kills, seed %2, bank %3").arg(kills).arg(seed).arg(bank));
    say(QStringLiteral("to repeat it: TESVORA_KILL_SEED=%1 (or --seed %1)").arg(seed));

    QRandomGenerator rng(seed);
    // Kills of an importing child fall within about the time an import takes, learnt from
    // the last one that finished, so that most land inside its transaction.
    quint32 importDelayMs = 300;
    qint64 answersAfter = 0, duringOpen = 0, lost = 0, drift = 0, papers = 0, imports = 0, filesImported = 0;
    QElapsedTimer clock;
    clock.start();
    for (int k = 1; k <= kills; ++k) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        const bool importing = rng.bounded(4u) == 0;
        imports += importing;
        child.start(QCoreApplication::applicationFilePath(),
                    importing ? QStringList{QStringLiteral("import"), bank, importFile, importChapter}
                              : QStringList{QStringLiteral("answer"), bank, QString::number(rng.generate64())});
        if (!child.waitForStarted(10000)) {
            say(QStringLiteral("kill %1: the child did not start").arg(k));
            return 2;
        }
        // One kill in ten lands while the bank is being opened and the set loaded.
        const bool early = rng.bounded(10u) == 0;
        QByteArray out;
        if (!early) {
            QElapsedTimer wait;
            wait.start();
            while (!out.contains('\n') && wait.elapsed() < 60000 && child.state() == QProcess::Running) {
                child.waitForReadyRead(100);
                out += child.readAllStandardOutput();
            }
        }
        QThread::msleep(rng.bounded(early ? 400u : importing ? importDelayMs * 5 / 4 + 1 : quint32(maxDelayMs)));
        child.kill(); // SIGKILL
        child.waitForFinished(10000);
        out += child.readAllStandardOutput();
        const ChildReport report = readReport(out);
        if (!report.error.isEmpty()) {
            say(QStringLiteral("kill %1: the child failed: %2").arg(k).arg(report.error));
            return 2;
        }
        if ((importing ? report.own : report.ready) < 0)
            ++duringOpen;
        if (report.importMs > 0)
            importDelayMs = quint32(report.importMs);
        papers += report.papers;

        auto db = store::Connection::open(bank, store::bankKey());
        const qint64 logged = loggedAnswers(*db);
        QStringList faults = reliability::counterFaults(*db) + reliability::logFaults(*db, unlogged);
        // Reported after the commit: kept. The one in flight may or may not be.
        if (report.committed >= 0 && logged < report.committed) {
            faults << QStringLiteral("%1 answers were committed, the bank holds %2").arg(report.committed).arg(logged);
            ++lost;
        }
        if (report.committed >= 0 && logged > report.committed + 1)
            faults << QStringLiteral("the bank holds %1 answers, only %2 were committed").arg(logged).arg(report.committed);
        // A killed import is there whole or not at all: the own questions grow by whole files,
        // at least to the last one reported, at most one more.
        const qint64 ownNow = reliability::ownQuestions(*db);
        const qint64 reported = std::max(own, report.ownCommitted);
        if ((ownNow - own) % kPerFile != 0)
            faults << QStringLiteral("%1 own questions after the kill, %2 before: part of a file was imported").arg(ownNow).arg(own);
        else if (ownNow < reported || ownNow > reported + (importing && !report.full ? kPerFile : 0))
            faults << QStringLiteral("%1 own questions after the kill, %2 reported committed").arg(ownNow).arg(reported);
        filesImported += (ownNow - own) / kPerFile;
        own = ownNow;
        faults += reliability::offsetFaults(*db, offsets);
        answersAfter = logged;
        if (!faults.isEmpty()) {
            ++drift;
            say(QStringLiteral("kill %1: drift:\n  %2").arg(k).arg(faults.join(QStringLiteral("\n  "))));
            db.reset();
            if (keep.isEmpty()) {
                temp.setAutoRemove(false);
                say(QStringLiteral("bank kept in %1").arg(dir));
            }
            break;
        }
        if (k % 50 == 0 || k == kills)
            say(QStringLiteral("kill %1: %2 answers in the bank, -wal %3 bytes, %4 s")
                    .arg(k).arg(logged).arg(QFileInfo(bank + QStringLiteral("-wal")).size()).arg(clock.elapsed() / 1000));
    }
    say(QStringLiteral("kills %1 (%2 while opening, %8 importing), answers recorded %3, files of %9 questions imported %10,"
                       " mock papers started %4, drift %5, lost %6, seed %7")
            .arg(kills).arg(duringOpen).arg(answersAfter - answersBefore).arg(papers).arg(drift).arg(lost).arg(seed)
            .arg(imports).arg(kPerFile).arg(filesImported));
    return drift == 0 ? 0 : 1;
}

// ---- long session --------------------------------------------------------------------------

int session(const QString& source, int answers, double limitMb)
{
    QTemporaryDir temp;
    const QString bank = temp.filePath(QStringLiteral("bank.db"));
    if (!copyBank(source, bank))
        return 2;
    TDM1 dm;
    if (!dm.openBank(bank))
        return 2;
    const QHash<QString, qint64> unlogged = reliability::unloggedAnswers(dm.db());
    reliability::AnswerLoop loop(dm, 20240506);
    loop.open();
    qint64 baseline = 0, engineBaseline = 0;
    QElapsedTimer clock;
    clock.start();
    while (loop.counted() < answers) {
        loop.step();
        if (baseline == 0 && loop.counted() >= 100) {
            baseline = reliability::residentKb();
            engineBaseline = sqlite3_memory_used();
        }
    }
    const qint64 end = reliability::residentKb();
    const double growth = double(end - baseline) / 1024.0;
    const QStringList faults = reliability::counterFaults(dm.db()) + reliability::logFaults(dm.db(), unlogged);
    say(QStringLiteral("%1 answers (%7 in %8 mock papers) in %2 s: resident %3 MB after 100, %4 MB after %1, growth %5 MB (limit %6 MB)")
            .arg(answers).arg(clock.elapsed() / 1000.0, 0, 'f', 1).arg(baseline / 1024.0, 0, 'f', 1)
            .arg(end / 1024.0, 0, 'f', 1).arg(growth, 0, 'f', 2).arg(limitMb).arg(loop.examCounted()).arg(loop.papers()));
    const auto used = [&](int what) {
        int current = 0, high = 0;
        sqlite3_db_status(dm.db().handle(), what, &current, &high, 0);
        return current / 1048576.0;
    };
    say(QStringLiteral("the engine's own memory: %1 MB after 100, %2 MB at the end (page cache %3 MB, statements %4 MB, schema %5 MB)")
            .arg(engineBaseline / 1048576.0, 0, 'f', 1).arg(sqlite3_memory_used() / 1048576.0, 0, 'f', 1)
            .arg(used(SQLITE_DBSTATUS_CACHE_USED), 0, 'f', 1).arg(used(SQLITE_DBSTATUS_STMT_USED), 0, 'f', 1)
            .arg(used(SQLITE_DBSTATUS_SCHEMA_USED), 0, 'f', 1));
    if (!faults.isEmpty())
        say(QStringLiteral("drift:\n  ") + faults.join(QStringLiteral("\n  ")));
    if (kAddressSanitizer)
        say(QStringLiteral("built with AddressSanitizer: the memory limit is not checked"));
    return (growth <= limitMb || kAddressSanitizer) && faults.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString command = args[0];
    const QString bank = args[1];
    try {
        if (command == QLatin1String("answer") && args.size() >= 3)
            return answer(bank, args[2].toULongLong(), option(args, QStringLiteral("--count")).value_or(QStringLiteral("-1")).toLongLong());
        if (command == QLatin1String("import") && args.size() >= 4)
            return reliability::importThenWait(bank, args[2], args[3]);
        if (command == QLatin1String("hold-lock"))
            return holdLock(bank);
        if (command == QLatin1String("kill-loop") && args.size() >= 3) {
            // A seed given (--seed, else TESVORA_KILL_SEED) repeats a run's kills; else a new one, printed.
            QString given = option(args, QStringLiteral("--seed")).value_or(qEnvironmentVariable("TESVORA_KILL_SEED"));
            bool ok = true;
            const quint64 seed = given.isEmpty() ? QRandomGenerator::global()->generate() : given.toULongLong(&ok);
            if (!ok) {
                std::fprintf(stderr, "the seed is not a number: %s\n", qPrintable(given));
                return usage();
            }
            return killLoop(bank, args[2].toInt(), seed, option(args, QStringLiteral("--max-delay")).value_or(QStringLiteral("400")).toInt(),
                            option(args, QStringLiteral("--keep")).value_or(QString()));
        }
        if (command == QLatin1String("session") && args.size() >= 3)
            return session(bank, args[2].toInt(), option(args, QStringLiteral("--limit-mb")).value_or(QStringLiteral("10")).toDouble());
    } catch (const store::DbError& e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 2;
    }
    return usage();
}

// tesvora-bank: makes, checks and opens up question-bank files.

#include "bank/BankCheck.h"
#include "bank/BankSource.h"
#include "bank/BankWriter.h"
#include "bank/CsvDump.h"
#include "bank/ScheduleReplay.h"
#include "core/authoring/QuestionImport.h"
#include "core/exchange/Exchange.h"
#include "core/search/Search.h"
#include "core/search/SearchIndex.h"
#include "core/store/Backup.h"
#include "core/store/Clock.h"
#include "core/store/Connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <memory>
#include <cstdio>

namespace {

enum Exit { Ok = 0, Findings = 1, Usage = 2, Failure = 3 };

const char kHelp[] = R"(tesvora-bank - makes, checks and opens up Tesvora question-bank files.

A bank is one SQLCipher database encrypted with the bank key; the program reads
it from data/ZT468913.db in its folder.

Usage:
  tesvora-bank create OUT [--force]
      A new, empty bank: every table, no rows.
  tesvora-bank build SOURCE_DIR OUT [--force]
      A complete bank from the readable sources in SOURCE_DIR (the format of
      data/demo/README.md). The sources are checked first: each question's chapter
      is a 6-character section of the chapter tree, its exam points exist, its
      answer fits its type, a grouped question has its shared stem, and ids are
      unique. Every problem is printed as FILE:LINE: MESSAGE and nothing is written.
  tesvora-bank build --upgrade BANK_SOURCE_DIR UPGRADE_SOURCE_DIR OUT [--force]
      An upgrade file for the bank built from BANK_SOURCE_DIR: a plain (unkeyed)
      database with the bank's tables holding the records of UPGRADE_SOURCE_DIR
      alone. Both folders are checked together, so the upgrade may hang chapters
      under the bank's and use its exam points and types. The upgrade's book record
      carries the bank's product id and a new upgrade id; it has no plan and no
      types. The candidate merges the file on the program's upgrade screen.
  tesvora-bank restore BANK [BACKUP]
      Without BACKUP, lists the checked backups the program made of BANK (in the
      folder backup/ beside it), newest first, numbered. With BACKUP (a number of
      that list, a file name in it, or a path), checks the backup and puts it in
      place of BANK; the bank as it was is kept as a backup of its own. The
      program must not be running: it holds the bank open.
  tesvora-bank check BANK [--repair]
      Runs the engine's integrity check, compares the tables with the bank layout,
      checks the rows as build checks the sources, recounts the counters that
      follow from the questions (C3, q, the score texts C6 and A4) and compares the
      answer counters with the answer history (C4, D1, D2 cannot be recounted
      exactly: they are only reported). Changes nothing unless --repair is given,
      which writes the recounted values.
  tesvora-bank dump BANK [TABLE] [--text]
      Prints TABLE as CSV (UTF-8; NULL as an empty field, the empty string as "").
      Rich text is printed as its RTF, or as plain text with --text; other binary
      values as base64. Without TABLE, lists the tables and their row counts.
  tesvora-bank schedule [--retention R] --at TIME REVIEW...
      Replays answers to one new question through the review model, without
      interval fuzz. TIME is the first answer (ISO 8601, e.g. 2026-01-05T08:00:00Z;
      UTC when no zone is given). Each REVIEW is A (again), H (hard), G (good) or
      E (easy), given at the previous due time; A+3 is given 3 days after it.
      Prints one line per review, tab-separated: rating, stability (days),
      difficulty (1-10), due time (UTC), interval in whole days.
  tesvora-bank search BANK TEXT
      Prints the ids of the questions whose stem with its options, shared stem,
      analysis or answer holds TEXT, one per line in id order, as the program's
      search finds them (Latin letters and full-width forms match regardless of
      case and width). Exit status 1 when none matches.
  tesvora-bank import BANK FILE --chapter CODE [--dry-run]
      Reads FILE (CSV or XLSX from the template, GIFT, Aiken or Moodle XML, by
      its name) and saves its questions into chapter CODE as the program's
      question entry does, all or none. Prints the file's summary line and every
      problem with its line or element; a file with any problem is refused and
      nothing is written (exit status 1).
  tesvora-bank export BANK --format F --chapter CODE [OUT]
      Writes the questions of chapter CODE and its sections in format F (csv,
      xlsx, gift, aiken, xml, tsv) to OUT, or to standard output.

Options:
  --force    replace OUT if it exists (it is replaced only once the new bank is complete)
  --upgrade  (build) an upgrade file instead of a bank
  --repair   (check) write the recounted counters
  --text     (dump) rich text as plain text
  --chapter CODE  (import, export) the chapter
  --format F      (export) the file format
  --dry-run  (import) check everything, write nothing
  --at TIME  (schedule) the time of the first answer
  --retention R  (schedule) the desired chance of recall at the due time, between
             0 and 1 (default 0.9)
  --quiet    no progress messages
  --help     this text

Progress goes to standard error. Exit status: 0 done (check: clean), 1 problems
found (build: the sources; check: the bank), 2 wrong usage, 3 the bank or a file
could not be opened or written.
)";

bool g_quiet = false;

void err(const QString& s)
{
    std::fprintf(stderr, "%s\n", s.toLocal8Bit().constData());
    std::fflush(stderr);
}

void progress(const QString& s)
{
    if (!g_quiet)
        err(QStringLiteral("tesvora-bank: ") + s);
}

int usage(const QString& message)
{
    err(QStringLiteral("tesvora-bank: ") + message);
    err(QStringLiteral("Try 'tesvora-bank --help'."));
    return Usage;
}

std::unique_ptr<store::Connection> openBank(const QString& path, store::Connection::Mode mode)
{
    try {
        return store::Connection::open(path, store::bankKey(), mode);
    } catch (const store::DbError& e) {
        switch (e.kind()) {
        case store::DbError::Kind::Missing:
            err(QStringLiteral("tesvora-bank: %1: no such file").arg(path));
            break;
        case store::DbError::Kind::NotADatabase:
            err(QStringLiteral("tesvora-bank: %1: not a bank (not a database, or another key)").arg(path));
            break;
        default:
            err(QStringLiteral("tesvora-bank: %1: cannot be opened: %2").arg(path, e.message()));
        }
        return nullptr;
    }
}

int runCreate(const QStringList& args, bool force)
{
    if (args.size() != 1)
        return usage(QStringLiteral("create takes one argument: OUT"));
    try {
        bank::createBankFile(args[0], force, [](store::Connection& db) { search::buildIndex(db); });
    } catch (const std::exception& e) {
        err(QStringLiteral("tesvora-bank: ") + QString::fromLocal8Bit(e.what()));
        return Failure;
    }
    progress(QStringLiteral("created an empty bank %1").arg(args[0]));
    return Ok;
}

int runBuild(const QStringList& args, bool force)
{
    if (args.size() != 2)
        return usage(QStringLiteral("build takes two arguments: SOURCE_DIR OUT"));
    const QString& dir = args[0];
    const QString& out = args[1];
    if (QFileInfo::exists(out) && !force) {
        err(QStringLiteral("tesvora-bank: %1 exists; give --force to replace it").arg(out));
        return Failure;
    }
    QList<bank::Problem> problems;
    const bank::BankSource source = bank::readBankSource(dir, store::Clock::today(), problems, progress);
    if (!problems.isEmpty()) {
        for (const auto& p : problems)
            err(p.toString());
        err(QStringLiteral("tesvora-bank: %1 problem(s) in %2; nothing written").arg(problems.size()).arg(dir));
        return Findings;
    }
    progress(QStringLiteral("sources of \"%1\" are sound: %2 questions, %3 chapters, %4 exam points")
                 .arg(source.book.title)
                 .arg(source.questions.size())
                 .arg(source.chapters.size())
                 .arg(source.points.size()));
    try {
        bank::createBankFile(out, force, [&](store::Connection& db) {
            bank::writeBank(db, source, progress);
            progress(QStringLiteral("indexing the questions for search"));
            search::buildIndex(db);
        });
    } catch (const std::exception& e) {
        err(QStringLiteral("tesvora-bank: ") + QString::fromLocal8Bit(e.what()) + QStringLiteral("; nothing written"));
        return Failure;
    }
    progress(QStringLiteral("wrote %1").arg(out));
    return Ok;
}

void printSection(QTextStream& out, const QString& title, const QStringList& lines)
{
    out << title << ": " << (lines.isEmpty() ? QStringLiteral("ok") : QString::number(lines.size())) << '\n';
    for (const QString& l : lines)
        out << "  " << l << '\n';
}

void printReport(QTextStream& out, const bank::CheckReport& r)
{
    auto texts = [](const QList<bank::Problem>& ps) {
        QStringList l;
        for (const auto& p : ps)
            l << p.toString();
        return l;
    };
    QStringList counters;
    for (const auto& d : r.repairable)
        counters << d.toString();
    printSection(out, QStringLiteral("integrity"), r.integrity);
    printSection(out, QStringLiteral("consistency"), texts(r.problems));
    printSection(out, QStringLiteral("counters (--repair sets them)"), counters);
    printSection(out, QStringLiteral("answer history (reported only)"), texts(r.history));
    printSection(out, QStringLiteral("answer keys"), r.keys);
    printSection(out, QStringLiteral("answer keys past their limits"), texts(r.skew));
    printSection(out, QStringLiteral("mock papers by part"), r.mocks);
    out.flush();
}

int runCheck(const QStringList& args, bool repair)
{
    if (args.size() != 1)
        return usage(QStringLiteral("check takes one argument: BANK"));
    auto db = openBank(args[0], repair ? store::Connection::Mode::ReadWrite : store::Connection::Mode::ReadOnly);
    if (!db)
        return Failure;
    QTextStream out(stdout);
    try {
        bank::CheckReport report = bank::checkBank(*db, progress);
        if (repair && !report.repairable.isEmpty()) {
            progress(QStringLiteral("writing %1 recounted value(s)").arg(report.repairable.size()));
            bank::repairBank(*db, report);
            out << "repaired: " << report.repairable.size() << '\n';
            for (const auto& d : report.repairable)
                out << "  " << d.toString() << '\n';
            report = bank::checkBank(*db, progress);
        }
        printReport(out, report);
        out << (report.clean() ? "result: clean" : "result: findings") << '\n';
        return report.clean() ? Ok : Findings;
    } catch (const store::DbError& e) {
        err(QStringLiteral("tesvora-bank: %1: %2").arg(args[0], e.message()));
        return Failure;
    }
}

int runBuildUpgrade(const QStringList& args, bool force)
{
    if (args.size() != 3)
        return usage(QStringLiteral("build --upgrade takes three arguments: BANK_SOURCE_DIR UPGRADE_SOURCE_DIR OUT"));
    const QString& out = args[2];
    if (QFileInfo::exists(out) && !force) {
        err(QStringLiteral("tesvora-bank: %1 exists; give --force to replace it").arg(out));
        return Failure;
    }
    QList<bank::Problem> problems;
    const bank::BankSource source = bank::readUpgradeSource(args[0], args[1], store::Clock::today(), problems, progress);
    if (!problems.isEmpty()) {
        for (const auto& p : problems)
            err(p.toString());
        err(QStringLiteral("tesvora-bank: %1 problem(s); nothing written").arg(problems.size()));
        return Findings;
    }
    progress(QStringLiteral("upgrade %1 \"%2\" is sound: %3 questions, %4 chapters, %5 exam points")
                 .arg(source.book.upgradeId, source.book.title)
                 .arg(source.questions.size())
                 .arg(source.chapters.size())
                 .arg(source.points.size()));
    try {
        bank::createBankFile(out, force, [&](store::Connection& db) { bank::writeUpgrade(db, source, progress); }, QByteArray());
    } catch (const std::exception& e) {
        err(QStringLiteral("tesvora-bank: ") + QString::fromLocal8Bit(e.what()) + QStringLiteral("; nothing written"));
        return Failure;
    }
    progress(QStringLiteral("wrote %1").arg(out));
    return Ok;
}

int runRestore(const QStringList& args)
{
    if (args.size() != 1 && args.size() != 2)
        return usage(QStringLiteral("restore takes BANK and optionally BACKUP"));
    const QString& bankPath = args[0];
    const QList<store::BackupFile> backups = store::listBackups(bankPath);
    QTextStream out(stdout);
    if (args.size() == 1) {
        if (backups.isEmpty()) {
            out << "no backups in " << store::backupDir(bankPath) << '\n';
            return Ok;
        }
        for (qsizetype i = 0; i < backups.size(); ++i)
            out << (i + 1) << "  " << backups[i].taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "  "
                << QFileInfo(backups[i].path).fileName() << "  " << backups[i].size << " bytes\n";
        return Ok;
    }
    QString chosen;
    bool isNumber = false;
    const int n = args[1].toInt(&isNumber);
    if (isNumber) {
        if (n < 1 || n > backups.size())
            return usage(QStringLiteral("there is no backup %1; 'restore %2' lists them").arg(args[1], bankPath));
        chosen = backups[n - 1].path;
    } else {
        for (const auto& b : backups)
            if (QFileInfo(b.path).fileName() == args[1])
                chosen = b.path;
        if (chosen.isEmpty())
            chosen = args[1];
    }
    try {
        if (QFileInfo::exists(bankPath) && store::bankInUse(bankPath)) {
            err(QStringLiteral("tesvora-bank: %1 is open in the running program; close the program first").arg(bankPath));
            return Failure;
        }
        const QString saved = store::restoreBackup(chosen, bankPath, store::Clock::now());
        if (!saved.isEmpty())
            progress(QStringLiteral("the bank as it was is kept as %1").arg(saved));
        progress(QStringLiteral("restored %1 from %2").arg(bankPath, chosen));
        return Ok;
    } catch (const store::DbError& e) {
        if (e.kind() == store::DbError::Kind::Busy)
            err(QStringLiteral("tesvora-bank: %1 is open in the running program; close the program first").arg(bankPath));
        else
            err(QStringLiteral("tesvora-bank: cannot restore %1: %2; the bank is unchanged").arg(chosen, e.message()));
        return Failure;
    }
}

int runSchedule(const QStringList& reviews, const QString& at, const QString& retentionText)
{
    if (at.isEmpty())
        return usage(QStringLiteral("schedule needs --at TIME (ISO 8601, e.g. 2026-01-05T08:00:00Z)"));
    const QDateTime start = bank::parseUtcTime(at);
    if (!start.isValid())
        return usage(QStringLiteral("--at: \"%1\" is not an ISO 8601 time such as 2026-01-05T08:00:00Z").arg(at));
    double retention = 0.9;
    if (!retentionText.isEmpty()) {
        bool ok = false;
        retention = retentionText.toDouble(&ok);
        if (!ok || !(retention > 0.0 && retention < 1.0))
            return usage(QStringLiteral("--retention: \"%1\" is not a number between 0 and 1").arg(retentionText));
    }
    QStringList tokens; // "G G A+3" given as one argument works too
    for (const QString& r : reviews)
        tokens << r.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (tokens.isEmpty())
        return usage(QStringLiteral("schedule takes at least one review (A, H, G or E)"));
    try {
        QString out;
        for (const bank::ReplayLine& line : bank::replaySchedule(tokens, start, retention))
            out += bank::formatReplayLine(line) + QLatin1Char('\n');
        std::fputs(out.toUtf8().constData(), stdout);
        return Ok;
    } catch (const std::invalid_argument& e) {
        return usage(QStringLiteral("schedule: ") + QString::fromStdString(e.what()));
    }
}

int runSearch(const QStringList& args)
{
    if (args.size() != 2)
        return usage(QStringLiteral("search takes two arguments: BANK TEXT"));
    auto db = openBank(args[0], store::Connection::Mode::ReadOnly);
    if (!db)
        return Failure;
    try {
        if (!search::isBuilt(*db))
            progress(QStringLiteral("%1 has no search index; reading every question").arg(args[0]));
        QString out;
        const QList<search::Hit> hits = search::find(*db, args[1], {}, 0);
        for (const search::Hit& h : hits)
            out += h.id + QLatin1Char('\n');
        std::fputs(out.toUtf8().constData(), stdout);
        return hits.isEmpty() ? Findings : Ok;
    } catch (const store::DbError& e) {
        err(QStringLiteral("tesvora-bank: %1: %2").arg(args[0], e.message()));
        return Failure;
    }
}

int runDump(const QStringList& args, bool plainText)
{
    if (args.size() != 1 && args.size() != 2)
        return usage(QStringLiteral("dump takes BANK and optionally TABLE"));
    auto db = openBank(args[0], store::Connection::Mode::ReadOnly);
    if (!db)
        return Failure;
    try {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return Failure;
        if (args.size() == 1) {
            QTextStream s(&out);
            for (const QString& t : db->tables()) {
                const QString quoted = store::quoteIdentifier(t);
                s << t << ',' << db->scalar(QStringLiteral("select count(*) from ") + quoted).toLongLong() << '\n';
            }
            return Ok;
        }
        const QString table = bank::findTable(*db, args[1]);
        if (table.isEmpty()) {
            err(QStringLiteral("tesvora-bank: %1 has no table \"%2\"; its tables: %3")
                    .arg(args[0], args[1], db->tables().join(QStringLiteral(", "))));
            return Usage;
        }
        bank::dumpTable(*db, table, out, plainText);
        return Ok;
    } catch (const store::DbError& e) {
        err(QStringLiteral("tesvora-bank: %1: %2").arg(args[0], e.message()));
        return Failure;
    }
}

void printProblems(const QString& head, const std::vector<exchange::Problem>& problems)
{
    QTextStream out(stdout);
    for (const exchange::Problem& p : problems)
        out << head << p.text() << '\n';
}

int runImport(const QStringList& args, const QString& chapter, bool dryRun)
{
    if (args.size() != 2)
        return usage(QStringLiteral("import takes two arguments: BANK FILE"));
    if (chapter.isEmpty())
        return usage(QStringLiteral("import needs --chapter CODE"));
    const exchange::ReadResult read = exchange::readQuestionFile(args[1]);
    QTextStream(stdout) << args[1] << ": " << read.summary() << Qt::endl;
    if (!read.fileOk)
        return Failure;
    auto db = openBank(args[0], dryRun ? store::Connection::Mode::ReadOnly : store::Connection::Mode::ReadWrite);
    if (!db)
        return Failure;
    try {
        authoring::ImportRequest request;
        request.chapter = chapter;
        request.dryRun = dryRun;
        const authoring::ImportResult r = authoring::importQuestions(*db, read, request, [](int done, int total) {
            if (done % 1000 == 0 || done == total)
                progress(QStringLiteral("saved %1 of %2 questions").arg(done).arg(total));
        });
        printProblems(QString(), r.problems);
        printProblems(QStringLiteral("note: "), r.notes);
        QTextStream out(stdout);
        if (r.refused) {
            out << "refused: " << r.error << "; nothing written" << Qt::endl;
            return Findings;
        }
        out << (dryRun ? "would import " : "imported ") << r.saved << " question(s) into chapter " << chapter
            << (dryRun ? "; nothing written (--dry-run)" : "") << Qt::endl;
        return Ok;
    } catch (const store::DbError& e) {
        err(QStringLiteral("tesvora-bank: %1: %2; nothing written").arg(args[0], e.message()));
        return Failure;
    }
}

int runExport(const QStringList& args, const QString& chapter, const QString& formatName)
{
    if (args.size() != 1 && args.size() != 2)
        return usage(QStringLiteral("export takes BANK and optionally OUT"));
    exchange::Format format;
    if (!exchange::formatOfName(formatName, &format))
        return usage(QStringLiteral("--format: \"%1\" is none of csv, xlsx, gift, aiken, xml, tsv").arg(formatName));
    if (chapter.isEmpty())
        return usage(QStringLiteral("export needs --chapter CODE"));
    auto db = openBank(args[0], store::Connection::Mode::ReadOnly);
    if (!db)
        return Failure;
    try {
        const std::vector<exchange::Question> questions = authoring::chapterQuestions(*db, chapter);
        if (questions.empty()) {
            err(QStringLiteral("tesvora-bank: %1 has no questions in chapter %2").arg(args[0], chapter));
            return Findings;
        }
        const exchange::WriteResult w = exchange::writeQuestions(format, questions);
        for (const exchange::Problem& p : w.left)
            err(QStringLiteral("tesvora-bank: left out: ") + p.text());
        for (const exchange::Problem& p : w.notes)
            err(QStringLiteral("tesvora-bank: note: ") + p.text());
        QFile out;
        bool opened = false;
        if (args.size() == 2) {
            out.setFileName(args[1]);
            opened = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        } else {
            opened = out.open(stdout, QIODevice::WriteOnly);
        }
        if (!opened || out.write(w.data) != w.data.size() || !out.flush()) {
            err(QStringLiteral("tesvora-bank: %1 cannot be written").arg(args.size() == 2 ? args[1] : QStringLiteral("standard output")));
            return Failure;
        }
        progress(QStringLiteral("wrote %1 of %2 question(s) as %3")
                     .arg(questions.size() - w.left.size())
                     .arg(questions.size())
                     .arg(exchange::formatName(format)));
        return Ok;
    } catch (const store::DbError& e) {
        err(QStringLiteral("tesvora-bank: %1: %2").arg(args[0], e.message()));
        return Failure;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool force = false, repair = false, text = false, help = false, upgrade = false, dryRun = false;
    QString at, retention, chapter, format; // options with a value
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--at") || a == QLatin1String("--retention") || a == QLatin1String("--chapter")
            || a == QLatin1String("--format")) {
            if (i + 1 >= args.size())
                return usage(QStringLiteral("%1 needs a value").arg(a));
            QString& value = a == QLatin1String("--at")          ? at
                             : a == QLatin1String("--retention") ? retention
                             : a == QLatin1String("--chapter")   ? chapter
                                                                 : format;
            value = args.at(++i);
        } else if (a.startsWith(QLatin1String("--chapter=")))
            chapter = a.mid(10);
        else if (a.startsWith(QLatin1String("--format=")))
            format = a.mid(9);
        else if (a == QLatin1String("--dry-run"))
            dryRun = true;
        else if (a.startsWith(QLatin1String("--at=")))
            at = a.mid(5);
        else if (a.startsWith(QLatin1String("--retention=")))
            retention = a.mid(12);
        else if (a == QLatin1String("--force"))
            force = true;
        else if (a == QLatin1String("--upgrade"))
            upgrade = true;
        else if (a == QLatin1String("--repair"))
            repair = true;
        else if (a == QLatin1String("--text"))
            text = true;
        else if (a == QLatin1String("--quiet") || a == QLatin1String("-q"))
            g_quiet = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("help"))
            help = true;
        else if (a.startsWith(QLatin1Char('-')) && a.size() > 1)
            return usage(QStringLiteral("unknown option %1").arg(a));
        else
            positional << a;
    }
    if (help) {
        std::fputs(kHelp, stdout);
        return Ok;
    }
    if (positional.isEmpty())
        return usage(QStringLiteral("no command given"));
    const QString command = positional.takeFirst();
    if ((force && command != QLatin1String("create") && command != QLatin1String("build"))
        || (repair && command != QLatin1String("check")) || (text && command != QLatin1String("dump"))
        || (upgrade && command != QLatin1String("build"))
        || ((!at.isEmpty() || !retention.isEmpty()) && command != QLatin1String("schedule"))
        || (!chapter.isEmpty() && command != QLatin1String("import") && command != QLatin1String("export"))
        || (dryRun && command != QLatin1String("import")) || (!format.isEmpty() && command != QLatin1String("export")))
        return usage(QStringLiteral("an option that %1 does not take").arg(command));
    if (command == QLatin1String("create"))
        return runCreate(positional, force);
    if (command == QLatin1String("build"))
        return upgrade ? runBuildUpgrade(positional, force) : runBuild(positional, force);
    if (command == QLatin1String("restore"))
        return runRestore(positional);
    if (command == QLatin1String("check"))
        return runCheck(positional, repair);
    if (command == QLatin1String("dump"))
        return runDump(positional, text);
    if (command == QLatin1String("schedule"))
        return runSchedule(positional, at, retention);
    if (command == QLatin1String("search"))
        return runSearch(positional);
    if (command == QLatin1String("import"))
        return runImport(positional, chapter, dryRun);
    if (command == QLatin1String("export"))
        return runExport(positional, chapter, format);
    return usage(QStringLiteral("unknown command \"%1\"").arg(command));
}

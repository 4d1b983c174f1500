// Feeds arbitrary bytes to the bank tool's source reader as one source file of a
// folder that also holds the demo book (types, plan, subjects) and the demo
// pictures, so that chapters, points and questions in the input reach the checks
// and the markup-to-RTF conversion. Any crash, sanitizer report or hang is a finding.

#include "bank/BankSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir* folder = nullptr;
QString input;

bool copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    const QDir demo(QStringLiteral(TESVORA_SOURCE_DIR "/data/demo"));
    const QDir out(folder->path());
    out.mkpath(QStringLiteral("images"));
    if (!copyFile(demo.filePath(QStringLiteral("00-book.txt")), out.filePath(QStringLiteral("00-book.txt"))))
        std::abort();
    for (const QString& png : QDir(demo.filePath(QStringLiteral("images"))).entryList({QStringLiteral("*.png")}))
        copyFile(demo.filePath(QStringLiteral("images/") + png), out.filePath(QStringLiteral("images/") + png));
    input = out.filePath(QStringLiteral("50-input.txt"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile f(input);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char*>(data), qint64(size));
    f.close();
    QList<bank::Problem> problems;
    const bank::BankSource source = bank::readBankSource(folder->path(), QDate(2026, 12, 10), problems);
    for (const bank::Problem& p : problems)
        (void)p.toString();
    (void)source.questions.size();
    return 0;
}

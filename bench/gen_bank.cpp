// Writes a large encrypted bank for the benchmarks:
//   gen_bank <out.db> [--questions N] [--seed S]
#include "BankGenerator.h"

#include "core/store/DbError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bankgen::BankShape shape;
    QString out;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--questions") && i + 1 < args.size())
            shape.questions = args[++i].toInt(&ok);
        else if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            shape.seed = args[++i].toUInt(&ok);
        else if (out.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            out = args[i];
        else
            ok = false;
        if (!ok || shape.questions < shape.sections) {
            std::fprintf(stderr, "usage: gen_bank <out.db> [--questions N (>= 400)] [--seed S]\n");
            return 2;
        }
    }
    if (out.isEmpty()) {
        std::fprintf(stderr, "usage: gen_bank <out.db> [--questions N (>= 400)] [--seed S]\n");
        return 2;
    }
    if (QFile::exists(out)) {
        std::fprintf(stderr, "gen_bank: %s exists; remove it first\n", qPrintable(out));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    try {
        const bankgen::BankFacts f = bankgen::generateBank(out, shape, [](const QString& line) {
            std::fprintf(stderr, "  %s\n", qPrintable(line));
        });
        std::printf("%s: %d questions, %d chapter rows, %d exam points; chapter %s holds %d questions (%.1f s)\n",
                    qPrintable(out), f.questions, f.chapterRows, f.points, qPrintable(f.bigChapter),
                    f.bigChapterQuestions, double(timer.elapsed()) / 1000.0);
    } catch (const store::DbError& e) {
        std::fprintf(stderr, "gen_bank: %s\n", qPrintable(e.message()));
        QFile::remove(out);
        QFile::remove(out + QStringLiteral("-wal"));
        QFile::remove(out + QStringLiteral("-shm"));
        return 1;
    }
    return 0;
}

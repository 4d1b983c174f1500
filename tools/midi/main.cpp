// Writes the six background tunes (乐曲01.mid … 乐曲06.mid) into a sound/ folder.
#include "Tunes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: tesvora-tunegen <sound folder>\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        err << "cannot create " << dir.path() << "\n";
        return 1;
    }
    try {
        for (const tunes::Tune& tune : tunes::backgroundTunes()) {
            QFile f(dir.filePath(tune.file));
            const QByteArray bytes = tunes::writeMidi(tune);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
                err << "cannot write " << f.fileName() << "\n";
                return 1;
            }
        }
    } catch (const tunes::ScoreError& e) {
        err << "tune table error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

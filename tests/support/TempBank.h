#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

// A private folder per test for bank files.
struct TempDir {
    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }
};

inline QByteArray fileDigest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

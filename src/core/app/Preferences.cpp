#include "core/app/Preferences.h"

#include <QDebug>
#include <QSettings>
#include <QVariant>
#include <memory>
#include <utility>

namespace prefs {

namespace {

QString& file()
{
    static QString path;
    return path;
}

std::unique_ptr<QSettings> open()
{
    if (!file().isEmpty())
        return std::make_unique<QSettings>(file(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tesvora"),
                                       QStringLiteral("tesvora"));
}

QVariant read(const QString& key, const QVariant& fallback = {})
{
    return open()->value(key, fallback);
}

// Written at once: a choice must not wait for a clean exit to reach the disk.
void write(const QString& key, const QVariant& value)
{
    const auto settings = open();
    settings->setValue(key, value);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        qWarning().noquote() << "preference" << key << "not saved in" << settings->fileName();
}

} // namespace

bool musicOn()
{
    return read(QStringLiteral("music/on"), true).toBool();
}

void setMusicOn(bool on)
{
    write(QStringLiteral("music/on"), on);
}

QString musicTune()
{
    return read(QStringLiteral("music/tune")).toString();
}

void setMusicTune(const QString& tune)
{
    write(QStringLiteral("music/tune"), tune);
}

QString exportFolder()
{
    return read(QStringLiteral("export/folder")).toString();
}

void setExportFolder(const QString& folder)
{
    write(QStringLiteral("export/folder"), folder);
}

QString chartFileType()
{
    return read(QStringLiteral("chart/fileType")).toString();
}

void setChartFileType(const QString& suffix)
{
    write(QStringLiteral("chart/fileType"), suffix);
}

QString setFile(const QString& path)
{
    return std::exchange(file(), path);
}

} // namespace prefs

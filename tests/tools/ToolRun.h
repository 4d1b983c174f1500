#pragma once

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

// The bank tool run as the candidate's maintainer runs it: a process of its own.
struct ToolRun {
    int exitCode = -1; // -1 when it crashed
    QString out;
    QString err;
};

inline ToolRun tool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(TESVORA_BANK_TOOL), args);
    EXPECT_TRUE(p.waitForFinished(60000)) << args.join(QLatin1Char(' ')).toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

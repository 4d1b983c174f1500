#pragma once

#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/Connection.h"
#include "core/store/DataModule.h"
#include "core/store/Schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A program folder of its own: the menu drawing in pic/ and an encrypted bank
// in data/, made with just the rows a test needs.
struct ProgramFolder {
    QTemporaryDir dir;

    ProgramFolder()
    {
        QDir d(dir.path());
        d.mkpath(QStringLiteral("pic"));
        d.mkpath(QStringLiteral("data"));
        d.mkpath(QStringLiteral("htm"));
    }
    QString appDir() const { return dir.path() + QLatin1Char('/'); }
    QString menuPath() const { return appDir() + QStringLiteral("pic/main.svg"); }
    QString bankPath() const { return appDir() + QStringLiteral("data/ZT468913.db"); }

    static QString sourceMenu() { return QStringLiteral(TESVORA_SOURCE_DIR "/assets/menu/main.svg"); }

    void addMenu() const { ASSERT_TRUE(QFile::copy(sourceMenu(), menuPath())); }
    void writeFile(const QString& relative, const QByteArray& bytes) const
    {
        QFile f(appDir() + relative);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A bank with its schema, one study-plan row and answer times for paper 1.
    std::unique_ptr<store::Connection> createBank() const
    {
        auto db = store::Connection::create(bankPath(), store::bankKey());
        store::createBankSchema(*db);
        db->exec(QStringLiteral("insert into tab_plan (PlanMark, PlanAmount, PlanTime, LeastMark, ExamTime) values (0, 50, 30, 60, 7200)"));
        db->exec(QStringLiteral("insert into tab_tx1 (A1, B1, B2, B3, time) values (11, '单选题', 40, 1, 1)"));
        db->exec(QStringLiteral("insert into tab_tx1 (A1, B1, B2, B3, time) values (14, '多选题', 20, 2, 1.5)"));
        return db;
    }
};

// Resets what the shell leaves behind: process-wide values, the clock, DM1.
struct ShellTest : ::testing::Test {
    ShellTest() { app::resetAppState(); }
    ~ShellTest() override
    {
        delete DM1;
        DM1 = nullptr;
        store::Clock::reset();
        app::resetAppState();
    }

    // DM1 on the folder's bank, as start-up leaves it.
    static void openDataModule(const ProgramFolder& folder)
    {
        delete DM1;
        DM1 = new TDM1;
        DM1->AppDir = folder.appDir();
        ASSERT_TRUE(DM1->openBank(folder.bankPath()));
    }
};

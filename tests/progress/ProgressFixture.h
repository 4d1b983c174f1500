#pragma once

// A small bank for the settings, plan, log and chart tests: the schema, one plan
// row, and the question types, chapters, log days and questions a test adds.

#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <QDate>
#include <QVariant>
#include <gtest/gtest.h>

namespace progresstest {

inline const QDate kToday(2024, 5, 6);

class Bank {
public:
    explicit Bank(bool planRow = true)
    {
        path = dir.file(QStringLiteral("bank.db"));
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        if (!dm.openBank(path))
            throw std::runtime_error("fixture bank did not open");
        dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
        if (planRow)
            db().exec(QStringLiteral("insert into tab_plan (PlanMark,PlanAmount,PlanTime,ExamDate,LeastMark,ExamTime) "
                                     "values (0,30,60,'2024-06-01',60,9000)"));
    }

    store::Connection& db() { return dm.db(); }

    // A question type of paper `paper`: id, name, count, score per question, minutes.
    void type(int paper, int id, const QString& name, int count, double score, double minutes = 1)
    {
        db().exec(QStringLiteral("insert into tab_tx%1 (A1,B1,B2,B3,time) values (:a,:b,:n,:s,:t)").arg(paper),
                  {{":a", id}, {":b", name}, {":n", count}, {":s", score}, {":t", minutes}});
    }

    // A chapter row; chart marks it for the statistics chart (C7 = '0').
    void chapter(const QString& code, const QString& name, qint64 c3, qint64 c4, qint64 d1, qint64 d2, bool chart = true)
    {
        db().exec(QStringLiteral("insert into tab_kmmc (C1,C2,C3,C4,D1,D2,C7,bh) values (:c,:n,:c3,:c4,:d1,:d2,:c7,:bh)"),
                  {{":c", code}, {":n", name}, {":c3", c3}, {":c4", c4}, {":d1", d1}, {":d2", d2},
                   {":c7", chart ? QStringLiteral("0") : QStringLiteral("1")}, {":bh", ++m_bh}});
    }

    // A day of the log.
    void day(const QDate& date, qint64 answers, qint64 wrong, const QString& time = QStringLiteral("00:10:00"))
    {
        db().exec(QStringLiteral("insert into tab_rz (A1,B1,B2,A2,A3,D1,A4) values (:d,:b1,:b2,:a2,:a3,:t,'0')"),
                  {{":d", date}, {":b1", answers}, {":b2", wrong}, {":a2", answers}, {":a3", wrong}, {":t", time}});
    }

    // A question: its last answer (null: never answered), wrong weight and mark.
    void question(const QString& id, const QVariant& lastAnswer, int e4 = 0, int f1 = 0)
    {
        db().exec(QStringLiteral("insert into tab_answ (A1,A2,A10,A13,E2,E4,F1) values (:a,'A','0101',11,:e2,:e4,:f1)"),
                  {{":a", id}, {":e2", lastAnswer}, {":e4", e4}, {":f1", f1}});
    }

    TempDir dir;
    QString path;
    TDM1 dm;

private:
    int m_bh = 0;
};

// Fixed clock and clean process-wide values; DM1 points at the bank.
class Scope {
public:
    explicit Scope(Bank& bank, const QDate& today = kToday)
    {
        app::resetAppState();
        store::Clock::setFixed(QDateTime(today, QTime(9, 30)));
        DM1 = &bank.dm;
    }
    ~Scope()
    {
        DM1 = nullptr;
        store::Clock::reset();
        app::resetAppState();
    }
};

} // namespace progresstest

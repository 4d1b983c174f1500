#pragma once

// A small bank built in code for the answer and practice-screen tests: a chapter
// tree 0 > 01 > 0101 > 010101/010102, an outline 01 > 010101 (two points) and
// 02 > 020202 (one point), the question types of paper 1, and the questions a
// test adds.

#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/DbError.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <QDate>
#include <QStringList>
#include <QVariant>
#include <gtest/gtest.h>

namespace practicetest {

inline const QDate kDay1(2024, 5, 6);
inline const QDate kDay2(2024, 5, 7);

struct QuestionRow {
    QString id = {};
    QString key = QStringLiteral("A");
    int options = 4;
    int type = 11;
    QString chapter = QStringLiteral("010101");
    QStringList points = {}; // K3 … in order; an empty entry leaves that column empty
    QVariant e1 = {};   // date of the last answer
    QVariant e2 = {};   // last answer (null: never answered)
    int e3 = 0;
    int e4 = 0;
    int f1 = 0;
    int xx = 0;
    int ecount = 0;
    QVariant e2_1 = QString(QLatin1String(""));
    QVariant stem = {};     // tab_exer.A15 (default: a plain text naming the question)
    QVariant analysis = {}; // tab_exer.jx (null: none)
    QString note = {};
};

class FixtureBank {
public:
    FixtureBank()
    {
        path = dir.file(QStringLiteral("bank.db"));
        store::createBankSchema(*store::Connection::create(path, store::bankKey()));
        if (!dm.openBank(path))
            throw std::runtime_error("fixture bank did not open");
        dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
        int bh = 0;
        for (const char* code : {"0", "01", "0101", "010101", "010102"})
            db().exec(QStringLiteral("insert into tab_kmmc (C1,C1_1,C2,bh) values (:c,:h,:n,:bh)"),
                      {{":c", QString::fromLatin1(code)},
                       {":h", QStringLiteral("第一章 > ") + QString::fromLatin1(code)},
                       {":n", QStringLiteral("章节") + QString::fromLatin1(code)},
                       {":bh", ++bh}});
        for (const char* id : {"01", "010101", "02", "020202"})
            db().exec(QStringLiteral("insert into tab_fgmc (id,n) values (:id,'node')"), {{":id", QString::fromLatin1(id)}});
        for (const char* ftid : {"010101001", "010101002", "020202001"})
            db().exec(QStringLiteral("insert into tab_rule (ftid,id,sn,n) values (:f,:id,'p','point')"),
                      {{":f", QString::fromLatin1(ftid)}, {":id", QString::fromLatin1(ftid).left(6)}});
        const std::pair<int, const char16_t*> types[] = {
            {11, u"单选"}, {12, u"判断"}, {13, u"填空"}, {14, u"多选"}, {15, u"不定项"},
            {64, u"案例分析"}, {73, u"名词解释"}, {99, u"其他"}};
        for (const auto& [id, name] : types)
            db().exec(QStringLiteral("insert into tab_tx1 (A1,B1,B2,B3,time) values (:a1,:b1,1,1,1)"),
                      {{":a1", id}, {":b1", QString::fromUtf16(name)}});
    }

    store::Connection& db() { return dm.db(); }

    void add(const QuestionRow& q)
    {
        store::Params p = {{":a1", q.id}, {":a2", q.key}, {":a2_1", q.options}, {":a10", q.chapter},
                           {":a13", q.type}, {":e1", q.e1}, {":e2", q.e2}, {":e2_1", q.e2_1},
                           {":e3", q.e3}, {":e4", q.e4}, {":f1", q.f1}, {":xx", q.xx}, {":ec", q.ecount},
                           {":a14", q.note}};
        QString cols, marks;
        for (int k = 0; k < 10; ++k) {
            const QString name = QStringLiteral(":k%1").arg(k + 3);
            cols += QStringLiteral(",K%1").arg(k + 3);
            marks += QLatin1Char(',') + name;
            p.emplace_back(name, k < q.points.size() ? QVariant(q.points[k]) : QVariant());
        }
        db().exec(QStringLiteral("insert into tab_answ (A1,A2,A2_1,A10,A13,E1,E2,E2_1,E3,E4,F1,xx,ecount,A14%1) "
                                 "values (:a1,:a2,:a2_1,:a10,:a13,:e1,:e2,:e2_1,:e3,:e4,:f1,:xx,:ec,:a14%2)")
                      .arg(cols, marks),
                  p);
        db().exec(QStringLiteral("insert into tab_exer (A1,A15,jx) values (:a1,:a15,:jx)"),
                  {{":a1", q.id},
                   {":a15", q.stem.isValid() ? q.stem : QVariant(QStringLiteral("题干 ") + q.id)},
                   {":jx", q.analysis}});
        db().exec(QStringLiteral("update tab_kmmc set C3=C3+1 where :a10 like C1 || '%'"), {{":a10", q.chapter}});
    }

    // Count of questions of a chapter, and one select over a row as integers.
    QVariant value(const QString& sql, const store::Params& params = {}) { return db().scalar(sql, params); }
    qint64 number(const QString& sql, const store::Params& params = {}) { return db().scalar(sql, params).toLongLong(); }

    // A full disk: caps the bank at its present size and fills the daily log with
    // earlier days up to the cap, so that the next write needing a page fails.
    void fillToTheCap()
    {
        const qint64 pages = number(QStringLiteral("PRAGMA page_count"));
        db().scalar(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
        for (QDate day = kDay1.addYears(-3);; day = day.addDays(1)) {
            try {
                db().exec(QStringLiteral("insert into tab_rz (A1,A2,A3,B1,B2) values (:day,0,0,0,0)"), {{QStringLiteral(":day"), day}});
            } catch (const store::DbError& e) {
                ASSERT_EQ(e.kind(), store::DbError::Kind::Full) << e.message().toStdString();
                return;
            }
        }
    }
    void liftTheCap() { db().scalar(QStringLiteral("PRAGMA max_page_count = 1073741823")); }

    // Every row of the tables an answer touches, for "nothing changed" checks.
    QString snapshot()
    {
        QString out;
        for (const char* table : {"tab_answ", "tab_rz", "tab_kmmc", "tab_fgmc", "tab_rule"}) {
            if (!db().hasTable(QString::fromLatin1(table)))
                continue;
            const store::Rows r = db().query(QStringLiteral("select * from %1 order by rowid").arg(QString::fromLatin1(table)));
            out += QString::fromLatin1(table) + QLatin1Char('\n');
            for (const auto& row : r.values) {
                for (const QVariant& v : row)
                    out += (v.isNull() ? QStringLiteral("<null>") : v.toString()) + QLatin1Char('|');
                out += QLatin1Char('\n');
            }
        }
        return out;
    }

    TempDir dir;
    QString path;
    TDM1 dm;
};

// Fixed clock and clean process-wide values for every test.
class ClockScope {
public:
    explicit ClockScope(const QDate& day = kDay1)
    {
        app::resetAppState();
        set(day);
    }
    ~ClockScope()
    {
        store::Clock::reset();
        app::resetAppState();
    }
    void set(const QDate& day) { store::Clock::setFixed(QDateTime(day, QTime(9, 30))); }
};

} // namespace practicetest

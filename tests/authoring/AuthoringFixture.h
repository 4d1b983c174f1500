#pragma once

// The practice fixture bank with a fuller outline for authoring: section 010101
// ("数据结构") with eight points, section 020202 ("操作系统") with one, and a
// failure switch per table (a trigger that aborts the statement).

#include "practice/PracticeFixture.h"

namespace authoringtest {

using practicetest::FixtureBank;
using practicetest::QuestionRow;

class AuthoringBank : public FixtureBank {
public:
    AuthoringBank()
    {
        DM1 = &dm;
        db().exec(QStringLiteral("update tab_fgmc set n=:n where id='010101'"), {{":n", QStringLiteral("数据结构")}});
        db().exec(QStringLiteral("update tab_fgmc set n=:n where id='020202'"), {{":n", QStringLiteral("操作系统")}});
        db().exec(QStringLiteral("update tab_fgmc set n=:n where id='01'"), {{":n", QStringLiteral("基础")}});
        db().exec(QStringLiteral("update tab_fgmc set n=:n where id='02'"), {{":n", QStringLiteral("系统")}});
        for (int i = 1; i <= 8; ++i) {
            const QString ftid = QStringLiteral("01010100%1").arg(i);
            db().exec(QStringLiteral("insert or replace into tab_rule (ftid,id,sn,n) values (:f,'010101',:sn,'text')"),
                      {{":f", ftid}, {":sn", QStringLiteral("栈%1  ").arg(i)}});
        }
        db().exec(QStringLiteral("update tab_rule set sn=:sn where ftid='020202001'"), {{":sn", QStringLiteral("进程")}});
    }
    ~AuthoringBank()
    {
        if (DM1 == &dm)
            DM1 = nullptr;
    }

    // Makes every insert into (or update of) the table fail from now on.
    void breakTable(const QString& table, const QString& action)
    {
        db().exec(QStringLiteral("create trigger break_%1_%2 before %2 on %1 begin select raise(abort, 'disk says no'); end")
                      .arg(table, action));
    }

    qint64 q(const QString& table, const QString& keyColumn, const QString& key)
    {
        return number(QStringLiteral("select q from %1 where %2=:k").arg(table, keyColumn), {{":k", key}});
    }
    qint64 ruleQ(const QString& ftid) { return q(QStringLiteral("tab_rule"), QStringLiteral("ftid"), ftid); }
    qint64 nodeQ(const QString& id) { return q(QStringLiteral("tab_fgmc"), QStringLiteral("id"), id); }
    qint64 chapterC3(const QString& c1)
    {
        return number(QStringLiteral("select C3 from tab_kmmc where C1=:c"), {{":c", c1}});
    }
    // Snapshot of the tables a save touches, tab_exer included.
    QString fullSnapshot()
    {
        QString out = snapshot();
        const store::Rows r = db().query(QStringLiteral("select A1, hex(A15), hex(jx) from tab_exer order by rowid"));
        for (const auto& row : r.values)
            for (const QVariant& v : row)
                out += (v.isNull() ? QStringLiteral("<null>") : v.toString()) + QLatin1Char('|');
        return out;
    }
};

} // namespace authoringtest

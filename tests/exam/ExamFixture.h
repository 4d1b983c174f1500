#pragma once

// A bank for the exam tests: the practice fixture's chapters, outline and
// questions, with the type tables of the five mocks set as a test needs them,
// a plan row, and quick ways to fill chapters with questions.

#include "practice/PracticeFixture.h"

#include <QStringList>
#include <utility>
#include <vector>

namespace examtest {

using practicetest::ClockScope;
using practicetest::QuestionRow;

class ExamBank : public practicetest::FixtureBank {
public:
    ExamBank()
    {
        for (int mock = 1; mock <= 5; ++mock)
            db().exec(QStringLiteral("delete from tab_tx%1").arg(mock));
        db().exec(QStringLiteral("insert into tab_plan (LeastMark, ExamTime) values (60, 7200)"));
    }

    // One type row of a mock's type table (in table order of the calls).
    void type(int mock, int id, int count, double score, const QString& name = QStringLiteral("单选"))
    {
        db().exec(QStringLiteral("insert into tab_tx%1 (A1,B1,B2,B3,time) values (:a1,:b1,:b2,:b3,1)").arg(mock),
                  {{":a1", id}, {":b1", name}, {":b2", count}, {":b3", score}});
    }

    // n questions of a type in a chapter, ids prefix + number.
    QStringList fill(const QString& chapter, int type, int n, const QString& idPrefix, int f1 = 0)
    {
        store::Transaction t(db());
        QStringList ids;
        for (int i = 1; i <= n; ++i) {
            QuestionRow q;
            q.id = idPrefix + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
            q.chapter = chapter;
            q.type = type;
            q.f1 = f1;
            add(q);
            ids << q.id;
        }
        t.commit();
        return ids;
    }

    void scoreRow(const QString& table, int sequence, const QVariant& score = {}, const QString& title = QStringLiteral("卷"))
    {
        db().exec(QStringLiteral("insert into tab_cj (A1,A3,A3_1,A6,D1,D2) values (:a1,:a3,:s,:a6,'2024-05-01',:d2)"),
                  {{":a1", table}, {":a3", title}, {":s", sequence}, {":a6", score},
                   {":d2", score.isNull() ? QVariant() : QVariant(QStringLiteral("0:30:00"))}});
    }

    // A paper table holding the given questions (already in the bank).
    void paperOf(const QString& table, const QStringList& ids)
    {
        store::createPaperTable(db(), table);
        for (const QString& id : ids)
            db().exec(QStringLiteral("insert into %1 select a.A1,a.A2,a.A2_1,a.K3,a.K4,a.K5,a.K6,a.K7,a.K8,a.K9,a.K10,a.K11,a.K12,"
                                     "a.A10,a.A13,a.A14,a.E1,a.E2,'',a.E3,a.E4,b.jx,a.csbs,a.F1 from tab_answ a join tab_exer b on a.A1=b.A1 where a.A1=:id")
                          .arg(table),
                      {{":id", id}});
    }

    QStringList column(const QString& sql, const store::Params& params = {})
    {
        QStringList out;
        for (const auto& row : db().query(sql, params).values)
            out << (row[0].isNull() ? QStringLiteral("<null>") : row[0].toString());
        return out;
    }
};

} // namespace examtest

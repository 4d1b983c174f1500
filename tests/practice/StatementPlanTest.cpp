#include "core/outline/PointRules.h"
#include "core/question/AnswerRules.h"
#include "core/practice/ChooserRules.h"
#include "practice/PracticeFixture.h"
#include "core/question/PracticeRules.h"
#include "core/store/Dataset.h"
#include "core/store/JetFunctions.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace practicetest;

namespace {

// Every statement the connection runs while it is installed, as the code wrote it.
class StatementLog {
public:
    explicit StatementLog(sqlite3* handle) : m_handle(handle)
    {
        sqlite3_trace_v2(m_handle, SQLITE_TRACE_STMT, &StatementLog::onStatement, this);
    }
    ~StatementLog() { stop(); }
    void stop() { sqlite3_trace_v2(m_handle, 0, nullptr, nullptr); }
    const QStringList& statements() const { return m_statements; }

private:
    static int onStatement(unsigned, void* self, void* stmt, void*)
    {
        auto* log = static_cast<StatementLog*>(self);
        const QString sql = QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))).simplified();
        if (!sql.startsWith(QLatin1String("--")) && !log->m_statements.contains(sql))
            log->m_statements << sql;
        return 0;
    }
    sqlite3* m_handle;
    QStringList m_statements;
};

// Statements that run on every answer, every practice opening and every closing must
// not walk the large tables (questions, points, outline nodes) nor update any table
// row by row: whatever they select or change, they find through an index.
TEST(StatementPlans, WhatAnswersAndPracticeRunFindsItsRowsThroughAnIndex)
{
    ClockScope clock;
    FixtureBank bank;
    bank.add({.id = "q1", .key = "A", .points = {"010101001", "020202001"}, .xx = 1});
    bank.add({.id = "q2", .key = "B", .chapter = "010102", .points = {"010101002"}, .xx = 2});
    bank.add({.id = "q3-1", .key = "A", .xx = 3});
    bank.db().exec("insert into tab_title (A1,A15) values ('q3','shared')");
    TDM1& dm = bank.dm;
    // The chooser's tables stay open while practice runs.
    dm.openIfClosed(dm.Cn1Table_kmmc);
    dm.openIfClosed(dm.Cn1Table_rz);

    StatementLog log(bank.db().handle());
    store::Dataset& set = *dm.Cn1Query_tm;
    practice::openQuestionSet(bank.db(), set, practice::practiceStatement(practice::PracticeMode::NewQuestions, "0101"));
    practice::chapterQuestionCount(bank.db(), "0101");
    for (const QString& id : {QStringLiteral("q1"), QStringLiteral("q2"), QStringLiteral("q3-1")}) {
        ASSERT_TRUE(set.locate("a1", id));
        practice::openQuestionText(*dm.cn1query_nr, id);
        practice::sharedStem(*dm.Cn1Query2, id);
        practice::recordAnswer(dm, set, "A");
        practice::recordAnswer(dm, set, "B"); // changed: counted again
        // The exam-points window opens only on a question that has points.
        if (const QStringList ids = outline::questionPointIds(bank.db(), id); !ids.isEmpty()) {
            store::Dataset points(&bank.db());
            outline::openPoints(points, ids);
            outline::nodeName(bank.db(), ids.front().left(6));
        }
    }
    dm.AddStudyTime("0:01:00");
    log.stop();

    // A plan line "SCAN [TABLE] t" without "USING" walks the whole table t.
    const auto walks = [](const QString& detail, const QStringList& tables) {
        for (const QString& line : detail.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1String("SCAN ")) || line.contains(QLatin1String(" USING ")))
                continue;
            const QString table = line.mid(5).remove(QLatin1String("TABLE ")).section(QLatin1Char(' '), 0, 0);
            if (tables.isEmpty() || tables.contains(table))
                return true;
        }
        return false;
    };
    const QStringList large = {"tab_answ", "tab_rule", "tab_fgmc", "tab_exer", "tab_title"};
    int checked = 0;
    for (const QString& sql : log.statements()) {
        const QString head = sql.section(QLatin1Char(' '), 0, 0).toLower();
        if (!sql.contains(QLatin1String(" where "), Qt::CaseInsensitive) || !QSet<QString>{"select", "update", "delete"}.contains(head))
            continue;
        SCOPED_TRACE(sql.toStdString());
        const store::Rows plan = bank.db().query(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
        QString detail;
        for (int i = 0; i < plan.size(); ++i)
            detail += plan.at(i, QStringLiteral("detail")).toString() + QLatin1Char('\n');
        EXPECT_FALSE(walks(detail, large)) << detail.toStdString();
        if (head != QLatin1String("select"))
            EXPECT_FALSE(walks(detail, {})) << detail.toStdString();
        ++checked;
    }
    // The log holds the answer's statements, not only the openings.
    EXPECT_TRUE(log.statements().filter(QRegularExpression("^update tab_rule ", QRegularExpression::CaseInsensitiveOption)).size() > 0)
        << log.statements().join('\n').toStdString();
    EXPECT_GE(checked, 10) << log.statements().join('\n').toStdString();
}

} // namespace

// A chapter's set is found by its chapter: the indexes our layout steps add (by last
// answer, by voiding) must not draw the engine to every unanswered question of the
// bank, which on a new bank is the whole bank.
TEST(StatementPlans, EveryPracticeModeReadsTheChapterByItsCode)
{
    FixtureBank bank;
    for (practice::PracticeMode mode : {practice::PracticeMode::NewQuestions, practice::PracticeMode::NewByChapter,
                                        practice::PracticeMode::WrongQuestions, practice::PracticeMode::Review}) {
        const practice::PracticeStatement st = practice::practiceStatement(mode, "0101");
        QString sql = store::translateJetSql(st.sql);
        QString plan;
        for (const auto& row : bank.db().query(QStringLiteral("explain query plan ") + sql, st.params).values)
            plan += row.back().toString() + QLatin1Char('\n');
        EXPECT_TRUE(plan.contains(QLatin1String("ix_answ_a10"))) << int(mode) << '\n' << plan.toStdString();
    }
}

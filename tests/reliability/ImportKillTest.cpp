// The kill loop's import checks: silent after whole imports, loud about a counter that
// moved without its question.

#include "core/authoring/QuestionImport.h"
#include "core/exchange/Exchange.h"
#include "core/search/SearchIndex.h"
#include "practice/PracticeFixture.h"
#include "reliability/ImportKill.h"

#include <gtest/gtest.h>

using namespace practicetest;

namespace {

TEST(ImportKill, OffsetsHoldThroughImportsAndCatchAStrayCounter)
{
    ClockScope clock;
    FixtureBank bank;
    bank.add({.id = "q1", .key = "A", .chapter = "010101", .points = {"010101001"}});
    search::buildIndex(bank.db());
    const QHash<QString, qint64> start = reliability::questionCountOffsets(bank.db());
    ASSERT_TRUE(start.contains(QStringLiteral("chapter 010101")));
    ASSERT_TRUE(start.contains(QStringLiteral("point 010101001")));
    ASSERT_TRUE(start.contains(QStringLiteral("node 0101")) || start.contains(QStringLiteral("node 010101")));

    const QByteArray file = reliability::importFile(20, QStringLiteral("010101001"));
    authoring::ImportRequest into;
    into.chapter = QStringLiteral("010101");
    into.validOnly = true;
    for (int i = 0; i < 2; ++i) {
        const authoring::ImportResult r = authoring::importQuestions(bank.db(), exchange::readQuestions(exchange::Format::Csv, file), into);
        ASSERT_FALSE(r.refused) << r.error.toStdString();
        EXPECT_GT(r.saved, 0);
    }
    EXPECT_EQ(reliability::ownQuestions(bank.db()) % 20, 0);
    EXPECT_TRUE(reliability::offsetFaults(bank.db(), start).isEmpty()) << reliability::offsetFaults(bank.db(), start).join('\n').toStdString();

    // One counter raised without a question, as a half-written save would leave it.
    struct Case {
        const char* sql;
        const char* fault;
    };
    const Case cases[] = {
        {"update tab_kmmc set C3=C3+1 where C1='01'", "chapter 01:"},
        {"update tab_rule set q=q+1 where ftid='010101001'", "point 010101001:"},
        {"update tab_fgmc set q=q-1 where id='010101'", "node 010101:"},
        {"delete from search_doc where docid=(select max(docid) from search_doc where A1 like 'U%')", "own questions not in the search index:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        store::Transaction t(bank.db());
        bank.db().exec(QString::fromUtf8(c.sql));
        const QStringList faults = reliability::offsetFaults(bank.db(), start);
        ASSERT_EQ(faults.size(), 1) << faults.join('\n').toStdString();
        EXPECT_TRUE(faults[0].startsWith(QString::fromUtf8(c.fault))) << faults[0].toStdString();
    } // rolled back
}

} // namespace

#include "practice/PracticeScreenFixture.h"

#include "core/practice/GatheredSet.h"
#include "practice/GatheredPractice.h"

using namespace practicescreentest;

namespace {

// The ids of the open set, in the order the screen pages through them.
QStringList setOrder()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    QStringList ids;
    for (int i = 1; i <= set->recordCount(); ++i)
        if (set->moveTo(i))
            ids << set->text(QStringLiteral("a1"));
    return ids;
}

} // namespace

TEST_F(ScreenTest, AGatheredSetKeepsItsOrderWithinEachTypeAndDropsIdsNoLongerInTheBank)
{
    addNumbered(5);
    bank.add({.id = "t1", .key = "A", .type = 12});
    bank.add({.id = "it's", .key = "A"}); // a quote in an id is a bound value, not SQL
    const QStringList ids = {"q05", "t1", "q02", "gone", "it's", "q01"};
    struct Case {
        bool byType;
        QStringList order;
    } cases[] = {{true, {"q05", "q02", "it's", "q01", "t1"}}, {false, {"q05", "t1", "q02", "it's", "q01"}}};
    for (const Case& c : cases) {
        practice::openQuestionSet(bank.db(), *DM1->Cn1Query_tm, practice::gatheredStatement(bank.db(), ids, c.byType));
        EXPECT_EQ(setOrder(), c.order) << c.byType;
    }
    // More ids than one statement binds, repeats keeping their first place; a second
    // list replaces the first.
    QStringList many;
    for (int i = 0; i < 1500; ++i)
        many << QStringLiteral("x%1").arg(i);
    many[0] = "q05", many[450] = "q04", many[900] = "q03", many[1300] = "q02", many[1499] = "q01";
    many[1400] = "q05";
    practice::openQuestionSet(bank.db(), *DM1->Cn1Query_tm, practice::gatheredStatement(bank.db(), many));
    EXPECT_EQ(setOrder(), (QStringList{"q05", "q04", "q03", "q02", "q01"}));
    practice::openQuestionSet(bank.db(), *DM1->Cn1Query_tm, practice::gatheredStatement(bank.db(), {"t1"}));
    EXPECT_EQ(setOrder(), QStringList{"t1"});
}

TEST_F(ScreenTest, GatheredQuestionsArePractisedOnThePracticeScreenAndLoggedAsTheirSource)
{
    addNumbered(3);
    const QString before = bank.snapshot();
    QString title, heading;
    QStringList order;
    QTimer::singleShot(0, [&] {
        auto* s = qobject_cast<TFrmLxxt*>(QApplication::activeModalWidget());
        ASSERT_NE(s, nullptr);
        s->Timer1->stop();
        title = s->windowTitle();
        heading = s->epLabel2->text();
        order = setOrder();
        DM1->Cn1Query_tm->moveTo(1);
        QTest::mouseClick(s->Notebook1->option(practice::SinglePage, 1), Qt::LeftButton);
        QTest::mouseClick(s->epEfTrBtn3, Qt::LeftButton);
        s->close();
    });
    practice::GatheredSet set{{"q03", "q01"}, QStringLiteral("错题本"), QStringLiteral("错题本 > 全部"), review::Source::WrongRedo};
    EXPECT_TRUE(practice::practiseQuestions(nullptr, set));
    EXPECT_EQ(title, "错题本");
    EXPECT_EQ(heading, "错题本 > 全部");
    EXPECT_EQ(order, (QStringList{"q03", "q01"}));
    EXPECT_NE(bank.snapshot(), before);
    EXPECT_EQ(column("q03", "E2"), "B");
    EXPECT_EQ(bank.value("select group_concat(source) from answer_log").toString(), "3");

    // Nothing left to practise: the candidate is told, and no screen opens.
    prompts.clear();
    EXPECT_FALSE(practice::practiseQuestions(nullptr, {{"gone"}, "收藏夹", "收藏夹"}));
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].text, "没有可练习的题目。");
}

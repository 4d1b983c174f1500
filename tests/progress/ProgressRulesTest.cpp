#include "progress/ProgressFixture.h"
#include "core/progress/ProgressRules.h"

#include "core/store/DbError.h"

#include <gtest/gtest.h>

using namespace progresstest;

namespace {

QString planDump(store::Connection& db)
{
    const store::Rows r = db.query(QStringLiteral("select * from tab_plan order by rowid"));
    QString out;
    for (const auto& row : r.values) {
        for (const QVariant& v : row)
            out += (v.isNull() ? QStringLiteral("<null>") : v.toString()) + QLatin1Char('|');
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace

TEST(AnswerTimes, SavedMinutesBecomeTheTimersTenthsAtOnce)
{
    Bank bank;
    Scope scope(bank);
    bank.type(1, 11, QStringLiteral(" 单选 "), 10, 1, 1);
    bank.type(1, 13, QStringLiteral("填空"), 5, 2, 1);
    bank.type(2, 11, QStringLiteral("单选"), 10, 1, 3);
    app::CurrentPaperNo = 1;

    const auto lines = progress::readTypeTimes(bank.db(), QStringLiteral("tab_tx1"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, QStringLiteral("单选")); // trimmed
    EXPECT_EQ(lines[1].typeId, 13);

    progress::saveTypeTimes(bank.db(), QStringLiteral("tab_tx1"), {{11, {}, 2.5}, {13, {}, 0.35}});
    EXPECT_DOUBLE_EQ(bank.db().scalar(QStringLiteral("select time from tab_tx1 where A1=11")).toDouble(), 2.5);
    EXPECT_EQ(app::answerTimeOfType(11), 1500);
    EXPECT_EQ(app::answerTimeOfType(13), 210); // not 209 through binary rounding
    // Another paper's table is untouched.
    EXPECT_DOUBLE_EQ(bank.db().scalar(QStringLiteral("select time from tab_tx2")).toDouble(), 3.0);
}

TEST(AnswerTimes, AFailedSaveChangesNothing)
{
    Bank bank;
    Scope scope(bank);
    bank.type(1, 11, QStringLiteral("单选"), 10, 1, 1);
    bank.type(1, 12, QStringLiteral("判断"), 10, 1, 1);
    app::CurrentPaperNo = 1;
    app::TypeIds = {11, 12};
    app::TypeAnswerTimes = {600, 600};
    // The second row cannot take its value: the first must not keep its new one.
    bank.db().exec(QStringLiteral("create trigger no_judge before update on tab_tx1 when new.A1=12 "
                                  "begin select raise(abort, 'locked'); end"));

    EXPECT_THROW(progress::saveTypeTimes(bank.db(), QStringLiteral("tab_tx1"), {{11, {}, 5}, {12, {}, 5}}), store::DbError);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select sum(time) from tab_tx1")).toDouble(), 2.0);
    EXPECT_EQ(app::TypeAnswerTimes, (QVector<int>{600, 600}));

    // Out of the editor's range, and a name that is not a type table.
    EXPECT_THROW(progress::saveTypeTimes(bank.db(), QStringLiteral("tab_tx1"), {{11, {}, 0}}), store::DbError);
    EXPECT_THROW(progress::saveTypeTimes(bank.db(), QStringLiteral("tab_tx1"), {{11, {}, 31}}), store::DbError);
    EXPECT_THROW(progress::readTypeTimes(bank.db(), QStringLiteral("tab_tx1;drop table tab_answ")), store::DbError);
}

TEST(ExamSettings, MinutesAndSecondsBothWays)
{
    Bank bank;
    Scope scope(bank);
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime=5430, LeastMark=60"));
    const auto s = progress::readExamSettings(bank.db());
    EXPECT_EQ(s.examMinutes, 90);
    EXPECT_EQ(s.leastMark, QStringLiteral("60"));

    progress::saveExamSettings(bank.db(), QStringLiteral("45"), progress::kDefaultExamMinutes);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toLongLong(), 7200);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select LeastMark from tab_plan")).toDouble(), 45.0);
    // The plan fields stay as they were.
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanAmount from tab_plan")).toInt(), 30);
}

TEST(ExamSettings, ABankWithoutPlanRowGetsOneAndAFailedSaveKeepsTheRow)
{
    Bank empty(false);
    Scope scope(empty);
    EXPECT_EQ(progress::readExamSettings(empty.db()).leastMark, QStringLiteral("0"));
    progress::saveExamSettings(empty.db(), QStringLiteral("50"), 100);
    EXPECT_EQ(empty.db().scalar(QStringLiteral("select count(*) from tab_plan")).toInt(), 1);
    EXPECT_EQ(empty.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toInt(), 6000);

    const QString before = planDump(empty.db());
    empty.db().exec(QStringLiteral("create trigger no_time before update of ExamTime on tab_plan "
                                   "begin select raise(abort, 'locked'); end"));
    EXPECT_THROW(progress::saveExamSettings(empty.db(), QStringLiteral("70"), 10), store::DbError);
    EXPECT_THROW(progress::saveExamSettings(empty.db(), QStringLiteral("7x"), 10), store::DbError);
    EXPECT_EQ(planDump(empty.db()), before);
}

TEST(ExamSettings, ALengthOutsideOneTo999MinutesIsRefusedAndAStoredZeroReadsAsTheDefault)
{
    Bank bank;
    Scope scope(bank);
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime=5400, LeastMark=60"));
    const QString before = planDump(bank.db());
    for (int minutes : {0, -1, 1000})
        EXPECT_THROW(progress::saveExamSettings(bank.db(), QStringLiteral("50"), minutes), store::DbError) << minutes;
    EXPECT_EQ(planDump(bank.db()), before);
    progress::saveExamSettings(bank.db(), QStringLiteral("50"), 999);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toLongLong(), 999 * 60);
    progress::saveExamSettings(bank.db(), QStringLiteral("50"), 1);
    EXPECT_EQ(progress::readExamSettings(bank.db()).examMinutes, 1);

    for (const char* stored : {"0", "-120", "59"}) {
        bank.db().exec(QStringLiteral("update tab_plan set ExamTime=%1").arg(QString::fromLatin1(stored)));
        EXPECT_EQ(progress::readExamSettings(bank.db()).examMinutes, progress::kDefaultExamMinutes) << stored;
    }
}

TEST(StudyPlan, TheChosenAmountIsAtLeastOneAndThePlanBindsUntilTheExamDay)
{
    Bank bank;
    Scope scope(bank);
    const QString before = planDump(bank.db());
    const progress::StudyPlanRow refused[] = {{0, 0, 60, kToday}, {1, 30, 0, kToday}, {0, -4, 60, kToday}};
    for (const auto& plan : refused)
        EXPECT_THROW(progress::saveStudyPlan(bank.db(), plan), store::DbError) << plan.mark;
    EXPECT_EQ(planDump(bank.db()), before);
    // Only the chosen amount counts: the other may be anything.
    progress::saveStudyPlan(bank.db(), {1, 0, 1, kToday});
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanTime from tab_plan")).toInt(), 1);

    struct Case { QDate exam; bool binds; };
    const Case cases[] = {{kToday.addDays(1), true}, {kToday, true}, {kToday.addDays(-1), false}, {QDate(), false}};
    for (const Case& c : cases)
        EXPECT_EQ(progress::planInEffect(kToday, c.exam), c.binds) << c.exam.toString().toStdString();
}

TEST(ChartSeries, TooManyPartsGatherTheSmallestUnderOther)
{
    auto parts = [](std::initializer_list<qint64> sizes) {
        std::vector<progress::ChapterSeries> v;
        int i = 0;
        for (qint64 n : sizes) {
            progress::ChapterSeries c;
            c.label = QStringLiteral("P%1").arg(++i);
            c.questions = n;
            c.answered = n / 2;
            v.push_back(c);
        }
        return v;
    };
    struct Case { std::vector<progress::ChapterSeries> in; int max; QStringList labels; std::vector<qint64> sizes; };
    const Case cases[] = {
        {parts({5, 1, 3}), 3, {"P1", "P2", "P3"}, {5, 1, 3}},          // within the limit: all, in order
        {parts({5, 1, 3, 2}), 3, {"P1", "P3", "其他"}, {5, 3, 3}},    // the two smallest together
        {parts({2, 2, 2, 2}), 3, {"P1", "P2", "其他"}, {2, 2, 4}},    // ties keep the earlier parts
        {parts({0, 9, 0, 0, 4}), 4, {"P1", "P2", "P5", "其他"}, {0, 9, 4, 0}},
    };
    for (const Case& c : cases) {
        const auto out = progress::groupSmallest(c.in, c.max);
        QStringList labels;
        std::vector<qint64> sizes;
        qint64 total = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            labels << out[i].label;
            sizes.push_back(out[i].questions);
            total += out[i].questions;
            EXPECT_EQ(out[i].number, QString::number(i + 1));
            EXPECT_EQ(out[i].colour, progress::sliceColour(int(i)));
        }
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(sizes, c.sizes);
        qint64 before = 0;
        for (const auto& p : c.in)
            before += p.questions;
        EXPECT_EQ(total, before);
    }
}

TEST(ExamSettings, LowestScoreCheckedAgainstThePaperTotal)
{
    struct Case { const char* typed; int total; const char* shown; bool over; };
    const Case cases[] = {
        {"", 100, "0", false},
        {"99", 100, "99", false},
        {"100", 100, "100", false},
        {"150", 100, "100", true},
        {"1", 0, "0", true}, // a paper table without scores
    };
    for (const Case& c : cases) {
        const auto r = progress::checkLeastMark(QString::fromLatin1(c.typed), c.total);
        EXPECT_EQ(r.text, QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(r.overTotal, c.over) << c.typed;
    }
    EXPECT_EQ(progress::defaultLeastMark(100), 50);
    EXPECT_EQ(progress::defaultLeastMark(75), 37);
}

TEST(Countdown, CasesAndCap)
{
    using progress::CountdownState;
    struct Case { int offset; CountdownState state; const char* number; const char* caption; bool shown; };
    const Case cases[] = {
        {1200, CountdownState::Far, "999", "距离考试还有", true},
        {1000, CountdownState::Far, "999", "距离考试还有", true},
        {999, CountdownState::Far, "999", "距离考试还有", true},
        {8, CountdownState::Far, "8", "距离考试还有", true},
        {7, CountdownState::Near, "7", "距离考试还有", true},
        {1, CountdownState::Near, "1", "距离考试还有", true},
        {0, CountdownState::Today, "0", "祝考试成功！", false},
        {-1, CountdownState::Over, "-1", "考试已结束！", false},
    };
    for (const Case& c : cases) {
        const auto r = progress::countdown(kToday, kToday.addDays(c.offset));
        EXPECT_EQ(r.state, c.state) << c.offset;
        EXPECT_EQ(r.number, QString::fromLatin1(c.number)) << c.offset;
        EXPECT_EQ(r.caption, QString::fromUtf8(c.caption)) << c.offset;
        EXPECT_EQ(r.numberShown, c.shown) << c.offset;
        EXPECT_EQ(r.days, c.offset);
    }
    // A missing date shows no number instead of failing.
    const auto none = progress::countdown(kToday, QDate());
    EXPECT_EQ(none.state, CountdownState::NoDate);
    EXPECT_FALSE(none.numberShown);
}

TEST(StudyPlan, SavedAndReadBack)
{
    Bank bank;
    Scope scope(bank);
    progress::saveStudyPlan(bank.db(), {1, 40, 90, QDate(2025, 11, 8)});
    const auto p = progress::readStudyPlanRow(bank.db());
    EXPECT_EQ(p.mark, 1);
    EXPECT_EQ(p.amount, 40);
    EXPECT_EQ(p.time, 90);
    EXPECT_EQ(p.examDate, QDate(2025, 11, 8));
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamDate from tab_plan")).toString(), QStringLiteral("2025-11-08"));
    // The exam settings are left alone.
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toInt(), 9000);
}

TEST(StudyQuota, AnswersADayToClearTheBacklogBeforeTheExam)
{
    struct Case { qint64 unanswered; qint64 wrong; int daysLeft; std::optional<qint64> quota; };
    const Case cases[] = {
        {100, 0, 10, 10},
        {100, 1, 10, 11},          // rounded up: the last day must not be short
        {3, 2, 30, 1},
        {0, 0, 30, 0},             // nothing left
        {500, 40, 1, 540},         // only today
        {500, 40, 0, std::nullopt},  // exam day
        {500, 40, -3, std::nullopt}, // exam over
    };
    for (const Case& c : cases)
        EXPECT_EQ(progress::dailyQuota({c.unanswered, c.wrong}, kToday, kToday.addDays(c.daysLeft)), c.quota)
            << c.unanswered << "+" << c.wrong << " in " << c.daysLeft;
    EXPECT_EQ(progress::dailyQuota({10, 0}, kToday, QDate()), std::nullopt);
}

TEST(StudyQuota, BacklogCountsFreshAndWrongQuestionsButNotVoidedOnes)
{
    Bank bank;
    Scope scope(bank);
    bank.question(QStringLiteral("q1"), QVariant());          // never answered
    bank.question(QStringLiteral("q2"), QStringLiteral(""));  // never answered
    bank.question(QStringLiteral("q3"), QStringLiteral("A"), 0);   // answered right
    bank.question(QStringLiteral("q4"), QStringLiteral("B"), -3);  // wrong
    bank.question(QStringLiteral("q5"), QStringLiteral("B"), -1);  // still wrong
    bank.question(QStringLiteral("q6"), QVariant(), 0, 1);         // voided
    bank.question(QStringLiteral("q7"), QStringLiteral("zero"), -3, 1); // voided
    const auto b = progress::readBacklog(bank.db());
    EXPECT_EQ(b.unanswered, 2);
    EXPECT_EQ(b.wrong, 2);
    // Exam on 2024-06-01: 26 days from 2024-05-06.
    EXPECT_EQ(progress::todaysQuota(bank.db(), kToday), 1);
    EXPECT_EQ(progress::todaysQuota(bank.db(), QDate(2024, 6, 1)), std::nullopt);
}

TEST(DailyLog, TotalsAndScore)
{
    Bank bank;
    Scope scope(bank);
    const auto none = progress::readLogTotals(bank.db());
    EXPECT_EQ(none.answers, 0);
    EXPECT_EQ(none.wrong, 0);
    EXPECT_EQ(none.score, QStringLiteral("0"));

    bank.day(kToday, 40, 10);
    const auto one = progress::readLogTotals(bank.db());
    EXPECT_EQ(one.answers, 40);
    EXPECT_EQ(one.wrong, 10);
    EXPECT_EQ(one.score, QStringLiteral("75.00"));

    bank.day(kToday.addDays(-1), 20, 15);
    const auto two = progress::readLogTotals(bank.db());
    EXPECT_EQ(two.answers, 60);
    EXPECT_EQ(two.score, QStringLiteral("58.33"));
}

TEST(Chart, SeriesOfTheMarkedChapters)
{
    Bank bank;
    Scope scope(bank);
    bank.chapter(QStringLiteral("01"), QStringLiteral("系统"), 30, 20, 50, 12);
    bank.chapter(QStringLiteral("0101"), QStringLiteral("不画"), 9, 9, 9, 9, false);
    bank.chapter(QStringLiteral("02"), QStringLiteral("网络"), 0, 0, 4, 1);
    bank.chapter(QStringLiteral("03"), QStringLiteral("数据库"), 3, 2, 2, 0);

    const auto s = progress::readChartSeries(bank.db());
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].label, QStringLiteral("系统"));
    EXPECT_EQ(s[0].questions, 30);
    EXPECT_EQ(s[0].answers, 50);
    EXPECT_EQ(s[0].wrong, 12);
    EXPECT_EQ(s[0].progress, 66); // truncated, not rounded
    EXPECT_EQ(s[1].label, QStringLiteral("网络"));
    EXPECT_EQ(s[1].progress, std::nullopt); // no questions: no progress bar
    EXPECT_EQ(s[1].answers, 4);
    EXPECT_EQ(s[2].progress, 66);
    // Colours follow the position among the charted rows.
    EXPECT_EQ(s[1].colour, progress::sliceColour(1));
    // The total counts the bank's questions, not the charted rows' counters.
    EXPECT_EQ(progress::readDistributionTotal(bank.db()), 0);
    for (const char* id : {"q1", "q2"})
        bank.question(QString::fromLatin1(id), QVariant());
    EXPECT_EQ(progress::readDistributionTotal(bank.db()), 2);
}

TEST(Chart, EmptyChartAndSliceColours)
{
    Bank bank;
    Scope scope(bank);
    bank.chapter(QStringLiteral("1"), QStringLiteral("不画"), 9, 9, 9, 9, false); // a subject, not a part
    EXPECT_TRUE(progress::readChartSeries(bank.db()).empty());
    EXPECT_EQ(progress::readDistributionTotal(bank.db()), 0);

    EXPECT_EQ(progress::sliceColourValue(0), 255);
    EXPECT_EQ(progress::sliceColourValue(39), 3120255);
    EXPECT_EQ(progress::sliceColour(0), (progress::Rgb{255, 0, 0}));
    // 3120255 = 0x2F9C7F: red 0x7F, green 0x9C, blue 0x2F.
    EXPECT_EQ(progress::sliceColour(39), (progress::Rgb{0x7F, 0x9C, 0x2F}));
    // Past 24 bits the value wraps instead of spilling into nothing.
    EXPECT_LE(progress::sliceColourValue(1000), 0xFFFFFF);
}

#include "core/review/Forecast.h"
#include "core/review/Fsrs.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace review;

TEST(Forecast, ExpectsTheMeanRecallOfEachSlotTimesItsScore)
{
    const ScoreForecast f = forecastScore({{{0.9, 0.5}, 2.0}, {{1.0}, 1.0}, {{0.2, 0.4, 0.6}, 0.5}});
    EXPECT_NEAR(f.expected, 0.7 * 2.0 + 1.0 + 0.4 * 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(f.fullScore, 3.5);
    EXPECT_DOUBLE_EQ(f.passLine, 2.1);
}

TEST(Forecast, GivesThe10thTo90thPercentileOfTheScore)
{
    struct Case {
        const char* what;
        std::vector<ForecastSlot> paper;
        double low, high;
    };
    std::vector<Case> cases{
        {"one slot, even chance: nothing or all", {{{0.5}, 2.0}}, 0.0, 2.0},
        {"certain answers: no spread", {{{1.0}, 2.0}, {{1.0, 1.0}, 3.0}}, 5.0, 5.0},
        {"certain failures", {{{0.0}, 2.0}, {{0.0}, 3.0}}, 0.0, 0.0},
        {"an empty paper", {}, 0.0, 0.0},
        {"recall outside 0…1 is clamped", {{{1.7}, 1.0}, {{-0.3}, 1.0}}, 1.0, 1.0},
    };
    std::vector<ForecastSlot> hundred(100, ForecastSlot{{0.6, 0.8}, 1.0}); // a binomial(100, 0.7)
    cases.push_back({"a hundred one-point slots at 0.7", hundred, 64.0, 76.0});
    std::vector<ForecastSlot> halves(40, ForecastSlot{{0.25}, 0.5}); // half points: 0.5 × binomial(40, 0.25)
    cases.push_back({"half-point slots", halves, 3.5, 7.0});
    for (const Case& c : cases) {
        const ScoreForecast f = forecastScore(c.paper);
        EXPECT_NEAR(f.low, c.low, 1e-9) << c.what;
        EXPECT_NEAR(f.high, c.high, 1e-9) << c.what;
        EXPECT_LE(f.low, f.expected + 1e-9) << c.what;
        EXPECT_GE(f.high, f.expected - 1e-9) << c.what;
    }
}

TEST(Forecast, RefusesASlotItCannotDraw)
{
    EXPECT_THROW(forecastScore({{{0.5}, 1.0}, {{}, 1.0}}), std::invalid_argument);
    EXPECT_THROW(forecastScore({{{0.5}, -1.0}}), std::invalid_argument);
}

TEST(Forecast, PredictsRecallFromMemoryElseChapterAccuracyElseTheNeutralPrior)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(8, 0), QTimeZone::utc());
    MemoryState learnt;
    learnt.phase = Phase::Review;
    learnt.stability = 10;
    learnt.difficulty = 5;
    learnt.lastReview = now;
    EXPECT_NEAR(predictedRecall(learnt, now.addDays(10), 10, 1), 0.9, 1e-12) << "its memory, not the chapter";
    EXPECT_LT(predictedRecall(learnt, now.addDays(60), 0, 0), predictedRecall(learnt, now.addDays(20), 0, 0))
        << "exam day further off: lower";
    EXPECT_DOUBLE_EQ(predictedRecall(MemoryState{}, now, 8, 6), 0.75);
    EXPECT_DOUBLE_EQ(predictedRecall(MemoryState{}, now, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(predictedRecall(MemoryState{}, now, 0, 0, 0.3), 0.3);
}

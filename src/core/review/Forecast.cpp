#include "core/review/Forecast.h"

#include "core/review/Fsrs.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace review {

namespace {

constexpr double kUnit = 0.01; // marks are counted in hundredths of a point

// The smallest total whose cumulative chance reaches q.
double percentile(const std::vector<double>& chance, double q)
{
    double sum = 0;
    for (size_t i = 0; i < chance.size(); ++i) {
        sum += chance[i];
        if (sum >= q - 1e-12)
            return double(i) * kUnit;
    }
    return double(chance.size() - 1) * kUnit;
}

} // namespace

ScoreForecast forecastScore(const std::vector<ForecastSlot>& paper)
{
    // A slot's question is drawn evenly from its candidates and answered right
    // with that question's recall, so the slot earns its full score with the
    // mean recall of its candidates, else nothing. Slots are taken as
    // independent; the percentiles come from the exact distribution of the sum
    // (built slot by slot over totals in hundredths of a point), which stays
    // right for short papers where a normal approximation would not.
    ScoreForecast f;
    std::vector<double> chance{1.0}; // chance[i]: the total so far is i hundredths
    for (const ForecastSlot& slot : paper) {
        if (slot.recall.empty())
            throw std::invalid_argument("forecast: a slot without candidate questions");
        if (!(slot.score >= 0.0) || !std::isfinite(slot.score))
            throw std::invalid_argument("forecast: a slot with a negative or invalid score");
        double mean = 0;
        for (double r : slot.recall)
            mean += std::isfinite(r) ? std::clamp(r, 0.0, 1.0) : 0.0;
        mean /= double(slot.recall.size());
        f.expected += mean * slot.score;
        f.fullScore += slot.score;

        const size_t step = size_t(std::llround(slot.score / kUnit));
        std::vector<double> next(chance.size() + step, 0.0);
        for (size_t i = 0; i < chance.size(); ++i) {
            next[i] += chance[i] * (1.0 - mean);
            next[i + step] += chance[i] * mean;
        }
        chance.swap(next);
    }
    f.low = percentile(chance, 0.1);
    f.high = percentile(chance, 0.9);
    f.passLine = f.fullScore * 3.0 / 5.0;
    return f;
}

double predictedRecall(const MemoryState& state, const QDateTime& at, int chapterAnswers, int chapterRight, double neutral)
{
    if (state.phase != Phase::New && state.lastReview.isValid())
        return retrievability(state, at);
    if (chapterAnswers > 0)
        return std::clamp(double(chapterRight) / double(chapterAnswers), 0.0, 1.0);
    return neutral;
}

} // namespace review

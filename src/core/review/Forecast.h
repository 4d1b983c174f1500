#pragma once

#include <QDateTime>
#include <vector>

namespace review {

struct MemoryState;

// One position of a mock paper: the predicted recall of each question its draw
// table could put there, and the marks the position is worth.
struct ForecastSlot {
    std::vector<double> recall;
    double score = 0;
};

struct ScoreForecast {
    double expected = 0;
    double low = 0;   // 10th percentile of the score
    double high = 0;  // 90th percentile
    double fullScore = 0;
    double passLine = 0; // three fifths of the full score
};

// The score of a paper with these positions (see the definition for the method).
// Throws std::invalid_argument for a slot without candidates or with a negative score.
ScoreForecast forecastScore(const std::vector<ForecastSlot>& paper);

// A question's chance of being answered right at `at`: its memory when it has
// one; else the candidate's accuracy in its chapter (`chapterRight` of
// `chapterAnswers`); else `neutral`.
double predictedRecall(const MemoryState& state, const QDateTime& at, int chapterAnswers, int chapterRight,
                       double neutral = 0.5);

} // namespace review

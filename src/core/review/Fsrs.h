#pragma once

#include <QDate>
#include <QDateTime>
#include <array>
#include <functional>
#include <utility>
#include <vector>

// The memory model behind review scheduling (FSRS-6): how well a question is
// remembered, when it should come up again, and how likely it is to be
// recalled on a given day. Pure functions of their arguments: the time and the
// random draws for the interval fuzz come in from the caller.
namespace review {

enum class Rating : int { Again = 1, Hard = 2, Good = 3, Easy = 4 };

enum class Phase : int { New = 0, Learning = 1, Review = 2, Relearning = 3 };

// One question's memory. Times are UTC; both are invalid while the question is New.
struct MemoryState {
    Phase phase = Phase::New;
    int step = 0;            // position in the learning or relearning steps
    double stability = 0;    // days until the chance of recall falls to 90 %
    double difficulty = 0;   // 1 (easy) … 10 (hard)
    QDateTime lastReview;
    QDateTime due;
};

inline constexpr std::array<double, 21> kDefaultWeights{
    0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194, 0.001,  1.8722, 0.1666, 0.796,
    1.4835, 0.0614, 0.2629, 1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};

struct Parameters {
    std::array<double, 21> w = kDefaultWeights;
    double desiredRetention = 0.9;          // in (0, 1)
    int maximumInterval = 36500;            // days
    std::vector<int> learningSteps{60, 600}; // seconds
    std::vector<int> relearningSteps{600};   // seconds
    bool fuzz = true;                        // spread review intervals of 3 days and more
};

// The published defaults; shared, so calls in a loop over a whole bank allocate nothing.
const Parameters& defaultParameters();

// A uniform draw in [0, 1).
using UnitRandom = std::function<double()>;
// Draws from the program's one generator (store::Random), which tests can seed.
UnitRandom programRandom();

// The state after answering with `rating` at `now`; the new due time is in it.
// With p.fuzz the interval of a question in review is spread by `random`
// (the program's generator when none is given). Throws std::invalid_argument
// for an invalid time, rating or retention.
MemoryState schedule(const MemoryState& state, Rating rating, const QDateTime& now,
                     const Parameters& p = defaultParameters(), const UnitRandom& random = {});

// The chance of recalling the question at `at` (0 for a New question: nothing to recall yet).
double retrievability(const MemoryState& state, const QDateTime& at, const Parameters& p = defaultParameters());

// The due time with the exam in view: a question that would fall due after
// `exam` while its recall on exam day would be below `target` comes up instead
// on the last whole day its recall is still at the target. Throws
// std::invalid_argument for a target outside (0, 1).
QDateTime dueBeforeExam(const MemoryState& state, const QDateTime& exam, double target,
                        const Parameters& p = defaultParameters());

// The building blocks, for the forecast and for checking the model.
double forgettingCurve(double elapsedDays, double stability, const Parameters& p = defaultParameters());
int intervalDays(double stability, const Parameters& p = defaultParameters()); // whole days, 1 … maximum
std::pair<int, int> fuzzRange(int intervalDays, int maximumInterval); // inclusive bounds
int elapsedDays(const QDateTime& from, const QDateTime& to); // whole days, never negative
double initialStability(Rating rating, const Parameters& p = defaultParameters());
double initialDifficulty(Rating rating, const Parameters& p = defaultParameters());

// What the bank kept of a question's answers before the answer log existed.
struct AnswerCounters {
    int answers = 0;        // E3: answers recorded
    int wrongWeight = 0;    // E4: below 0 while the question is among the wrong questions
    bool lastRight = false; // the last answer (E2) equals the key (A2)
    QDate lastDate;         // E1: the day of the last answer
};

// The memory of such a question, estimated from those counters (see the
// definition for the estimate).
MemoryState estimateFromCounters(const AnswerCounters& counters, const Parameters& p = defaultParameters());

// The rating of one answer: wrong → Again; right → Good, Easy when given in under
// a third of the type's answer time, Hard when the time had run out. `spent` and
// `answerTime` share one unit; an answer time of 0 or less means no time limit.
Rating ratingOfAnswer(bool right, qint64 spent, qint64 answerTime);

} // namespace review

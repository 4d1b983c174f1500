#include "core/review/Fsrs.h"

#include "core/store/Random.h"

#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace review {

namespace {

constexpr double kMinStability = 0.001;
constexpr qint64 kSecondsPerDay = 86400;

int grade(Rating r) { return static_cast<int>(r); }

double decay(const Parameters& p) { return -p.w[20]; }

// Chosen so that the curve passes 90 % at t = S, whatever the decay.
double factor(const Parameters& p) { return std::pow(0.9, 1.0 / decay(p)) - 1.0; }

double clampDifficulty(double d) { return std::clamp(d, 1.0, 10.0); }
double clampStability(double s) { return std::max(s, kMinStability); }

double rawInitialDifficulty(Rating r, const Parameters& p)
{
    return p.w[4] - std::exp(p.w[5] * (grade(r) - 1)) + 1.0;
}

double nextDifficulty(double d, Rating r, const Parameters& p)
{
    const double delta = -p.w[6] * (grade(r) - 3);
    const double damped = d + delta * (10.0 - d) / 9.0; // steps shrink near the top
    // Mean reversion towards the (unclamped) difficulty of a first Easy.
    return clampDifficulty(p.w[7] * rawInitialDifficulty(Rating::Easy, p) + (1.0 - p.w[7]) * damped);
}

// A second answer within a day: the forgetting curve has barely moved, so the
// long-term formulas do not apply.
double shortTermStability(double s, Rating r, const Parameters& p)
{
    double increase = std::exp(p.w[17] * (grade(r) - 3 + p.w[18])) * std::pow(s, -p.w[19]);
    if (r == Rating::Good || r == Rating::Easy)
        increase = std::max(increase, 1.0);
    return clampStability(s * increase);
}

double recallStability(double d, double s, double r, Rating rating, const Parameters& p)
{
    const double hardPenalty = rating == Rating::Hard ? p.w[15] : 1.0;
    const double easyBonus = rating == Rating::Easy ? p.w[16] : 1.0;
    return clampStability(s * (1.0 + std::exp(p.w[8]) * (11.0 - d) * std::pow(s, -p.w[9])
                                          * (std::exp((1.0 - r) * p.w[10]) - 1.0) * hardPenalty * easyBonus));
}

double forgetStability(double d, double s, double r, const Parameters& p)
{
    const double longTerm = p.w[11] * std::pow(d, -p.w[12]) * (std::pow(s + 1.0, p.w[13]) - 1.0) * std::exp((1.0 - r) * p.w[14]);
    // Forgetting never leaves a memory stronger than a same-day lapse would.
    const double shortTermCap = s / std::exp(p.w[17] * p.w[18]);
    return clampStability(std::min(longTerm, shortTermCap));
}

// A state read back from a bank may be damaged; without a usable memory the
// question starts afresh rather than carry NaN into its due time.
bool hasMemory(const MemoryState& s)
{
    const bool known = s.phase == Phase::Learning || s.phase == Phase::Review || s.phase == Phase::Relearning;
    return known && s.lastReview.isValid() && std::isfinite(s.stability) && s.stability > 0.0
        && std::isfinite(s.difficulty);
}

void check(const QDateTime& now, Rating rating, const Parameters& p)
{
    if (!now.isValid())
        throw std::invalid_argument("schedule: invalid time");
    if (grade(rating) < 1 || grade(rating) > 4)
        throw std::invalid_argument("schedule: rating out of range");
    if (!(p.desiredRetention > 0.0 && p.desiredRetention < 1.0))
        throw std::invalid_argument("schedule: desired retention must lie strictly between 0 and 1");
    if (p.maximumInterval < 1)
        throw std::invalid_argument("schedule: maximum interval must be at least one day");
}

// One answer in the learning (or relearning) steps: the next step and its wait
// in seconds, or `graduate` when the question leaves the steps for review.
struct StepMove {
    bool graduate = false;
    int step = 0;
    qint64 waitSeconds = 0;
};

StepMove moveThroughSteps(const std::vector<int>& steps, int step, Rating r)
{
    const int count = int(steps.size());
    step = std::max(step, 0);
    // No steps, or fewer than when the question entered them: it is done.
    if (count == 0 || (step >= count && r != Rating::Again))
        return {true, 0, 0};
    switch (r) {
    case Rating::Again:
        return {false, 0, steps[0]};
    case Rating::Hard:
        if (step == 0)
            return {false, 0, count == 1 ? qint64(std::llround(steps[0] * 1.5)) : qint64((steps[0] + steps[1]) / 2)};
        return {false, step, steps[std::min(step, count - 1)]};
    case Rating::Good:
        if (step + 1 >= count)
            return {true, 0, 0};
        return {false, step + 1, steps[step + 1]};
    case Rating::Easy:
        break;
    }
    return {true, 0, 0};
}

int fuzzed(int days, const Parameters& p, const UnitRandom& random)
{
    if (!p.fuzz || days < 3) // 2.5 days and less: nothing to spread
        return days;
    const auto [lo, hi] = fuzzRange(days, p.maximumInterval);
    const UnitRandom draw = random ? random : programRandom();
    const double drawn = draw();
    const double u = std::isfinite(drawn) ? std::clamp(drawn, 0.0, std::nextafter(1.0, 0.0)) : 0.0;
    return std::min(lo + int(std::floor(u * (hi - lo + 1))), hi);
}

} // namespace

const Parameters& defaultParameters()
{
    static const Parameters p;
    return p;
}

UnitRandom programRandom()
{
    return [] { return std::uniform_real_distribution<double>(0.0, 1.0)(store::Random::generator()); };
}

double initialStability(Rating rating, const Parameters& p) { return clampStability(p.w[grade(rating) - 1]); }

double initialDifficulty(Rating rating, const Parameters& p) { return clampDifficulty(rawInitialDifficulty(rating, p)); }

double forgettingCurve(double elapsedDays, double stability, const Parameters& p)
{
    return std::pow(1.0 + factor(p) * std::max(elapsedDays, 0.0) / clampStability(stability), decay(p));
}

int intervalDays(double stability, const Parameters& p)
{
    const double days = clampStability(stability) / factor(p) * (std::pow(p.desiredRetention, 1.0 / decay(p)) - 1.0);
    if (!std::isfinite(days))
        return p.maximumInterval;
    return int(std::clamp<double>(std::llround(std::min(days, 1e9)), 1.0, double(std::max(p.maximumInterval, 1))));
}

std::pair<int, int> fuzzRange(int days, int maximumInterval)
{
    // The spread grows with the interval but ever more slowly: 15 % of the part
    // between 2.5 and 7 days, 10 % up to 20 days, 5 % beyond, plus one day.
    struct Band {
        double from, to, share;
    };
    static constexpr Band kBands[] = {{2.5, 7.0, 0.15}, {7.0, 20.0, 0.10}, {20.0, 1e18, 0.05}};
    double delta = 1.0;
    for (const Band& b : kBands)
        delta += b.share * std::max(std::min(double(days), b.to) - b.from, 0.0);
    int lo = std::max(2, int(std::lround(days - delta)));
    const int hi = std::min(int(std::lround(days + delta)), maximumInterval);
    lo = std::min(lo, hi);
    return {lo, hi};
}

int elapsedDays(const QDateTime& from, const QDateTime& to)
{
    if (!from.isValid() || !to.isValid())
        return 0;
    return int(std::max<qint64>(from.secsTo(to), 0) / kSecondsPerDay);
}

double retrievability(const MemoryState& state, const QDateTime& at, const Parameters& p)
{
    if (!hasMemory(state))
        return 0.0;
    return forgettingCurve(elapsedDays(state.lastReview, at), state.stability, p);
}

QDateTime dueBeforeExam(const MemoryState& state, const QDateTime& exam, double target, const Parameters& p)
{
    if (!(target > 0.0 && target < 1.0))
        throw std::invalid_argument("dueBeforeExam: target must lie strictly between 0 and 1");
    if (!hasMemory(state) || !exam.isValid() || !state.due.isValid() || state.due <= exam
        || retrievability(state, exam, p) >= target)
        return state.due;
    // Whole days down, so that recall is still at the target on the day itself.
    const double days = state.stability / factor(p) * (std::pow(target, 1.0 / decay(p)) - 1.0);
    return std::min(state.due, state.lastReview.addDays(qint64(std::floor(std::max(days, 0.0)))));
}

MemoryState schedule(const MemoryState& given, Rating rating, const QDateTime& now, const Parameters& p,
                     const UnitRandom& random)
{
    check(now, rating, p);
    const QDateTime at = now.toUTC();
    const MemoryState state = hasMemory(given) ? given : MemoryState{};
    MemoryState next = state;

    // Memory first: stability and difficulty follow the answer in every phase.
    if (state.phase == Phase::New) {
        next.stability = initialStability(rating, p);
        next.difficulty = initialDifficulty(rating, p);
    } else {
        const double s = clampStability(state.stability);
        const double d = clampDifficulty(state.difficulty);
        if (state.lastReview.secsTo(at) < kSecondsPerDay) {
            next.stability = shortTermStability(s, rating, p);
        } else {
            const double r = forgettingCurve(elapsedDays(state.lastReview, at), s, p);
            next.stability = rating == Rating::Again ? forgetStability(d, s, r, p) : recallStability(d, s, r, rating, p);
        }
        next.difficulty = nextDifficulty(d, rating, p);
    }

    // Then the phase and the wait until the next answer.
    qint64 waitSeconds = 0;
    bool inReview = false;
    switch (state.phase) {
    case Phase::New:
    case Phase::Learning:
    case Phase::Relearning: {
        const bool relearning = state.phase == Phase::Relearning;
        const int step = state.phase == Phase::New ? 0 : state.step;
        const StepMove m = moveThroughSteps(relearning ? p.relearningSteps : p.learningSteps, step, rating);
        if (m.graduate) {
            inReview = true;
        } else {
            next.phase = relearning ? Phase::Relearning : Phase::Learning;
            next.step = m.step;
            waitSeconds = m.waitSeconds;
        }
        break;
    }
    case Phase::Review:
        if (rating == Rating::Again && !p.relearningSteps.empty()) {
            next.phase = Phase::Relearning;
            next.step = 0;
            waitSeconds = p.relearningSteps.front();
        } else {
            inReview = true;
        }
        break;
    }
    if (inReview) {
        next.phase = Phase::Review;
        next.step = 0;
        waitSeconds = qint64(fuzzed(intervalDays(next.stability, p), p, random)) * kSecondsPerDay;
    }
    next.lastReview = at;
    next.due = at.addSecs(waitSeconds);
    return next;
}

MemoryState estimateFromCounters(const AnswerCounters& c, const Parameters& p)
{
    // The bank kept how often a question was answered, whether the last answer
    // was right, the wrong-answer weight and the day of the last answer, but
    // nothing of the spacing between answers (nor a count of wrong answers), so
    // no history can be replayed. We take the record as one first answer on the
    // last day, rated by the latest evidence: last answer wrong → Again; right
    // but still among the wrong questions (weight below 0: its errors are not
    // yet outweighed) → Hard; right and clear → Good. The question starts in
    // review with that rating's initial stability and difficulty. This errs
    // towards asking too soon, which is cheap: a question remembered longer
    // than estimated gains much stability at its first logged answer (a late
    // success raises stability most), while one overrated would be forgotten
    // before it came up. Without a day there is no timing at all: New.
    MemoryState s;
    if (c.answers <= 0 || !c.lastDate.isValid())
        return s;
    const Rating r = !c.lastRight ? Rating::Again : c.wrongWeight < 0 ? Rating::Hard : Rating::Good;
    s.phase = Phase::Review;
    s.stability = initialStability(r, p);
    s.difficulty = initialDifficulty(r, p);
    s.lastReview = QDateTime(c.lastDate, QTime(0, 0), QTimeZone::utc());
    s.due = s.lastReview.addDays(intervalDays(s.stability, p));
    return s;
}

Rating ratingOfAnswer(bool right, qint64 spent, qint64 answerTime)
{
    if (!right)
        return Rating::Again;
    if (answerTime <= 0)
        return Rating::Good;
    if (spent >= answerTime)
        return Rating::Hard;
    if (spent * 3 < answerTime)
        return Rating::Easy;
    return Rating::Good;
}

} // namespace review

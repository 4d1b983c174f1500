#pragma once

#include "core/review/Forecast.h"
#include "core/review/Fsrs.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace store {
class Connection;
}

// The score a mock paper would earn, from the memory model and the draw tables:
// today, on exam day, as it stood on earlier days, and how far the model's
// predictions have come true on the candidate's own answers.
namespace progress {

inline constexpr int kMockCount = 5;
// Below this many logged answers the calibration says too little to show.
inline constexpr int kCalibrationMinimum = 200;
// A question's chance when neither it nor its chapter has been answered.
inline constexpr double kNeutralRecall = 0.5;

// The bank's drawable questions with what predicts their recall, read in one
// pass so every mock and every day share it.
class BankRecall {
public:
    explicit BankRecall(store::Connection& db);

    // The positions of a paper of `mock` as its draw table fills them (an entry
    // with fewer candidates than its count fills fewer), each with the mean recall
    // of its candidates at `at` and the score of its type. Empty when the mock
    // draws nothing from this bank.
    std::vector<review::ForecastSlot> paperSlots(int mock, const QDateTime& at) const;
    // The same from recallsAt(at), so the mocks of one moment share it.
    std::vector<review::ForecastSlot> paperSlots(int mock, const std::vector<double>& recalls) const;
    // Every drawable question's predicted recall at `at`, in the bank's draw order.
    std::vector<double> recallsAt(const QDateTime& at) const;
    // One question's predicted recall at `at`; -1 for an id that cannot be drawn.
    double recallOf(const QString& id, const QDateTime& at) const;
    int questionCount() const { return int(m_questions.size()); }

private:
    struct Question {
        int type = 0;
        QString chapter; // A10
        QString id;
        review::MemoryState state;
        int chapterAnswers = 0;
        int chapterRight = 0;
    };
    double recall(const Question& q, const QDateTime& at) const;

    std::vector<Question> m_questions; // by type, then chapter code, then id
    std::vector<std::vector<std::pair<int, double>>> m_types; // per mock: (type, score) drawn, in table order
};

struct MockForecast {
    int mock = 0;
    QString title;
    std::optional<review::ScoreForecast> today;   // none: the mock draws nothing from this bank
    std::optional<review::ScoreForecast> examDay; // none without an exam date from today on
};

// When an exam on `day` is taken to be sat: 09:00 local time.
QDateTime examMoment(const QDate& day);
// Every mock's forecast at `now` and, when `examDate` is today or later, at its exam moment.
std::vector<MockForecast> mockForecasts(const BankRecall& bank, const QDateTime& now, const QDate& examDate);
std::vector<MockForecast> mockForecasts(store::Connection& db, const QDateTime& now, const QDate& examDate);

// What the plan window shows of one mock: "123.4（115–131）" today and on exam day
// ("—" without one, "无题可抽" when the mock draws nothing), "96/160" for the pass
// line and the full score, and the whole row in words for a screen reader.
struct ForecastTexts {
    QString today, examDay, passLine, spoken;
};
ForecastTexts forecastTexts(const MockForecast& f);

// The forecast of one day as it was kept.
struct ForecastPoint {
    QDate day;
    int mock = 0;
    double expected = 0, low = 0, high = 0, full = 0;
};
// Keeps today's figures of each forecast that has one (replacing what was kept
// earlier today), in one transaction.
void keepForecasts(store::Connection& db, const QDate& today, const std::vector<MockForecast>& forecasts);
// Everything kept, by day, then mock.
std::vector<ForecastPoint> forecastHistory(store::Connection& db);

// Predicted recall against what came true, over the answers that had a prediction.
struct CalibrationBin {
    double from = 0, to = 0; // predicted recall in [from, to); the last bin takes 1 too
    qint64 answers = 0;
    double predicted = 0; // mean prediction in the bin
    double actual = 0;    // share answered right
};
struct Calibration {
    qint64 logged = 0;                 // every answer in the log
    qint64 predicted = 0;              // those with a prediction
    std::vector<CalibrationBin> bins;  // ten bins of 0.1, empty ones left out
    bool enough() const { return logged >= kCalibrationMinimum; }
};
Calibration readCalibration(store::Connection& db);

} // namespace progress

// Does the score forecast mean something? A simulated learner whose memory we
// know studies the demo bank for 60 days through the program's own recording;
// on day 60 the forecast of each mock paper is set against the learner's mean
// score on 200 papers drawn by that mock's draw table.

#include "core/exam/PaperDraw.h"
#include "core/practice/ChooserRules.h"
#include "core/progress/PlanForecast.h"
#include "core/question/AnswerRules.h"
#include "core/review/Fsrs.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Random.h"
#include "core/store/Statistics.h"
#include "support/TempBank.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTimeZone>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

const QDateTime kStart(QDate(2026, 1, 5), QTime(9, 0), QTimeZone::utc());
constexpr int kDays = 60;
constexpr int kNewPerDay = 12;
constexpr int kPapers = 200;

// The learner: the true memory of every question it has met, moving by the
// given parameters, and for a question it has never met a knowledge of its
// chapter (drawn once per chapter).
class Learner {
public:
    Learner(const review::Parameters& memory, quint32 seed)
        : m_memory(memory), m_rng(seed)
    {
        m_memory.fuzz = false;
    }

    double chance(const QString& id, const QString& chapter, const QDateTime& at)
    {
        if (const auto it = m_met.constFind(id); it != m_met.cend())
            return review::retrievability(*it, at, m_memory);
        auto prior = m_prior.find(chapter.left(4));
        if (prior == m_prior.end())
            prior = m_prior.insert(chapter.left(4), std::uniform_real_distribution<double>(0.3, 0.7)(m_rng));
        return *prior;
    }
    bool answer(const QString& id, const QString& chapter, const QDateTime& at)
    {
        const bool right = coin(chance(id, chapter, at));
        // No time limit in the simulation: the program rates right as Good, wrong as Again.
        m_met[id] = review::schedule(m_met.value(id), right ? review::Rating::Good : review::Rating::Again, at, m_memory);
        return right;
    }
    bool coin(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    bool met(const QString& id) const { return m_met.contains(id); }
    std::mt19937& rng() { return m_rng; }

private:
    review::Parameters m_memory;
    std::mt19937 m_rng;
    QHash<QString, review::MemoryState> m_met;
    QHash<QString, double> m_prior;
};

struct Question {
    QString id, chapter, key;
};

class ForecastSimulation : public ::testing::Test {
protected:
    TempDir dir;
    TDM1 dm;
    std::vector<Question> bank;
    QHash<QString, int> place;

    // A fresh copy of the demo bank for each learner.
    void openBank(const QString& name)
    {
        dm.closeBank();
        bank.clear();
        place.clear();
        const QString path = dir.file(name);
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_TRUE(dm.openBank(path));
        store::Random::seed(20260105); // the interval fuzz
        for (const auto& r : dm.db().query(QStringLiteral("select A1, A10, A2 from tab_answ where F1 <> 1 order by A1")).values) {
            place.insert(r[0].toString(), int(bank.size()));
            bank.push_back({r[0].toString(), r[1].toString(), r[2].toString()});
        }
    }
    void TearDown() override { store::Clock::reset(); }

    // One day of study: what the program says is due, then new questions, each
    // answered through the practice screen's recording.
    void studyDay(Learner& learner, int day, std::vector<int>& fresh, qint64& answers)
    {
        const QDateTime begin = kStart.addDays(day);
        QStringList today;
        for (const auto& r : dm.db().query(QStringLiteral("select A1 from memory_state where due <= :end order by due"),
                                           {{":end", begin.addSecs(12 * 3600).toString(Qt::ISODateWithMs)}}).values)
            today << r[0].toString();
        for (int i = 0; i < kNewPerDay && !fresh.empty(); ++i) {
            today << bank[size_t(fresh.back())].id;
            fresh.pop_back();
        }

        store::clearOpenAnswers(dm.db()); // a new session, as the practice screen starts one
        store::Dataset& set = *dm.Cn1Query_tm;
        set.close();
        set.setSql(QStringLiteral("select %1 from tab_answ order by a1").arg(QLatin1String(practice::kQuestionColumns)));
        set.open();
        store::Transaction t(dm.db());
        QDateTime at = begin;
        for (const QString& id : today) {
            const Question& q = bank[size_t(place.value(id))];
            at = at.addSecs(40);
            store::Clock::setFixed(at.toLocalTime());
            const bool right = learner.answer(q.id, q.chapter, at);
            const QString wrong = q.key == QLatin1String("A") ? QStringLiteral("B") : QStringLiteral("A");
            ASSERT_TRUE(set.locate(QStringLiteral("a1"), q.id));
            review::AnswerContext context;
            context.source = learner.met(q.id) ? review::Source::ReviewQueue : review::Source::ChapterPractice;
            const practice::RecordOutcome out = practice::recordAnswer(dm, set, right ? q.key : wrong, context);
            ASSERT_EQ(out.what, practice::Recorded::Counted) << q.id.toStdString();
            ASSERT_EQ(out.right, right) << q.id.toStdString();
            ++answers;
        }
        t.commit();
        set.close();
    }

    // The learner's mean score on papers drawn by the mock's draw table.
    double meanScore(Learner& learner, int mock, const QDateTime& at)
    {
        const store::Rows types = dm.db().query(QStringLiteral("select A1, B3 from tab_tx%1 where B2 > 0 order by rowid").arg(mock));
        std::mt19937 draw(mock);
        double sum = 0;
        for (int paper = 0; paper < kPapers; ++paper)
            for (const auto& type : types.values)
                for (const exam::DrawEntry& e : exam::drawsOf(mock, type[0].toInt()))
                    for (const QString& id : exam::DrawRandomIds(dm.db(), e.type, e.count, e.prefix, draw)) {
                        const Question& q = bank[size_t(place.value(id))];
                        if (learner.coin(learner.chance(q.id, q.chapter, at)))
                            sum += type[1].toDouble();
                    }
        return sum / kPapers;
    }
};

} // namespace

TEST_F(ForecastSimulation, OnDay60EachMocksForecastIsWithinFivePointsOfTheLearnersMeanScore)
{
    // The learner's memory follows the model's own parameters; what it knows of a
    // question before meeting it is its own, and the program must find it from the answers.
    const review::Parameters memory;
    const char* what = "a learner with the model's parameters";
    {
        openBank(QStringLiteral("learner.db"));
        ASSERT_FALSE(HasFatalFailure());
        QElapsedTimer timer;
        timer.start();
        Learner learner(memory, 7);
        std::vector<int> fresh(bank.size());
        for (size_t i = 0; i < fresh.size(); ++i)
            fresh[i] = int(i);
        std::shuffle(fresh.begin(), fresh.end(), learner.rng());
        qint64 answers = 0;
        for (int day = 0; day < kDays; ++day)
            studyDay(learner, day, fresh, answers);
        ASSERT_FALSE(HasFatalFailure());

        const QDateTime day60 = kStart.addDays(kDays);
        const auto forecasts = progress::mockForecasts(dm.db(), day60, {});
        int met = 0;
        for (const Question& q : bank)
            met += learner.met(q.id) ? 1 : 0;
        std::printf("%s: %lld answers over %d days, %d of %zu questions met, %lld ms\n", what, answers, kDays, met,
                    bank.size(), qint64(timer.elapsed()));
        for (const progress::MockForecast& f : forecasts) {
            ASSERT_TRUE(f.today) << f.mock;
            const double mean = meanScore(learner, f.mock, day60);
            std::printf("  mock %d: forecast %.2f (%.2f-%.2f) of %.1f, learner's mean %.2f\n", f.mock, f.today->expected,
                        f.today->low, f.today->high, f.today->fullScore, mean);
            EXPECT_NEAR(f.today->expected, mean, 5.0) << "mock " << f.mock;
        }
    }
}

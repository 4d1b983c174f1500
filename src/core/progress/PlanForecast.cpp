#include "core/progress/PlanForecast.h"

#include "core/exam/PaperDraw.h"
#include "core/review/AnswerLog.h"
#include "core/store/Connection.h"

#include <sqlite3.h>

#include <algorithm>

namespace progress {

namespace {

struct StatementReset {
    sqlite3_stmt* s;
    ~StatementReset() { sqlite3_reset(s); }
};

// The first code after every code that begins with `prefix`.
QString prefixEnd(const QString& prefix)
{
    return prefix.left(prefix.size() - 1) + QChar(char16_t(prefix.back().unicode() + 1));
}

} // namespace

BankRecall::BankRecall(store::Connection& db)
{
    // A question never answered goes as the candidate's first answers in its chapter
    // went: the chapter's counters (D1 answers, D2 wrong) also hold every review of
    // questions already learnt, which are mostly right, and would promise far too
    // much for questions not met yet. A bank whose log has no first answer in a
    // chapter falls back on the counters, which it kept long before the log began.
    QHash<QString, std::pair<int, int>> chapters;
    for (const auto& r : db.query(QStringLiteral("select C1, D1, D2 from tab_kmmc where length(C1) = 4")).values) {
        const int answers = r[1].toInt();
        chapters.insert(r[0].toString(), {answers, std::clamp(answers - r[2].toInt(), 0, std::max(answers, 0))});
    }
    for (const auto& r : db.query(QStringLiteral("select substr(a.A10, 1, 4), count(*), sum(l.right) from answer_log l "
                                                 "join tab_answ a on a.A1 = l.A1 where l.recall is null group by 1")).values)
        chapters.insert(r[0].toString(), {r[1].toInt(), r[2].toInt()});

    // The same candidates as the draw: not voided (F1 <> 1).
    sqlite3_stmt* s = db.prepare(QStringLiteral(
        "select a.A1, a.A10, a.A13, a.A2, a.E1, a.E2, a.E3, a.E4, "
        "m.stability, m.difficulty, m.phase, m.step, m.last_review, m.due "
        "from tab_answ a left join memory_state m on m.A1 = a.A1 where a.F1 <> 1"));
    const StatementReset reset{s};
    int rc;
    auto value = [s](int i) { return store::Connection::columnValue(s, i); };
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        Question q;
        q.id = value(0).toString();
        q.chapter = value(1).toString();
        q.type = sqlite3_column_int(s, 2);
        // A question answered before the log began has no row yet: its counters stand in.
        q.state = sqlite3_column_type(s, 8) != SQLITE_NULL
            ? review::memoryStateOfRow(value(8), value(9), value(10), value(11), value(12), value(13))
            : review::estimateFromCounters(review::countersOfRow(value(3), value(4), value(5), value(6), value(7)));
        const auto chapter = chapters.value(q.chapter.left(4));
        q.chapterAnswers = chapter.first;
        q.chapterRight = chapter.second;
        m_questions.push_back(std::move(q));
    }
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("read the questions for the forecast"));
    std::sort(m_questions.begin(), m_questions.end(), [](const Question& a, const Question& b) {
        return std::tie(a.type, a.chapter, a.id) < std::tie(b.type, b.chapter, b.id);
    });
    for (size_t i = 0; i < m_questions.size(); ++i)
        m_index.insert(m_questions[i].id, int(i));

    m_types.resize(kMockCount);
    for (int mock = 1; mock <= kMockCount; ++mock) {
        // Drawn as the paper is: each type of the mock's type table with B2 above 0.
        const QString table = QStringLiteral("tab_tx%1").arg(mock); // our own number, not input
        if (!db.hasTable(table))
            continue;
        for (const auto& r : db.query(QStringLiteral("select A1, B3 from ") + table + QStringLiteral(" where B2 > 0 order by rowid")).values)
            m_types[size_t(mock - 1)].emplace_back(r[0].toInt(), r[1].toDouble());
    }
}

double BankRecall::recall(const Question& q, const QDateTime& at) const
{
    return review::predictedRecall(q.state, at, q.chapterAnswers, q.chapterRight, kNeutralRecall);
}

double BankRecall::recallOf(const QString& id, const QDateTime& at) const
{
    const auto it = m_index.constFind(id);
    return it == m_index.cend() ? -1.0 : recall(m_questions[size_t(*it)], at);
}

std::vector<review::ForecastSlot> BankRecall::paperSlots(int mock, const QDateTime& at) const
{
    std::vector<review::ForecastSlot> positions;
    if (mock < 1 || mock > kMockCount)
        return positions;
    for (const auto& [type, score] : m_types[size_t(mock - 1)]) {
        for (const exam::DrawEntry& e : exam::drawsOf(mock, type)) {
            if (e.prefix.isEmpty() || e.count <= 0)
                continue;
            const QString end = prefixEnd(e.prefix);
            const auto first = std::lower_bound(m_questions.begin(), m_questions.end(), std::make_pair(type, e.prefix),
                                                [](const Question& q, const std::pair<int, QString>& k) {
                                                    return std::tie(q.type, q.chapter) < std::tie(k.first, k.second);
                                                });
            review::ForecastSlot slot;
            slot.score = score;
            for (auto it = first; it != m_questions.end() && it->type == type && it->chapter < end; ++it)
                slot.recall.push_back(recall(*it, at));
            // Every position of the entry draws evenly from the same candidates.
            const int filled = std::min<int>(e.count, int(slot.recall.size()));
            for (int i = 0; i < filled; ++i)
                positions.push_back(slot);
        }
    }
    return positions;
}

QDateTime examMoment(const QDate& day)
{
    return QDateTime(day, QTime(9, 0)).toUTC();
}

std::vector<MockForecast> mockForecasts(store::Connection& db, const QDateTime& now, const QDate& examDate)
{
    return mockForecasts(BankRecall(db), now, examDate);
}

std::vector<MockForecast> mockForecasts(const BankRecall& bank, const QDateTime& now, const QDate& examDate)
{
    const bool examAhead = examDate.isValid() && examDate >= now.toLocalTime().date();
    std::vector<MockForecast> out;
    for (int mock = 1; mock <= kMockCount; ++mock) {
        MockForecast f;
        f.mock = mock;
        f.title = exam::mockTitle(mock);
        if (const auto positions = bank.paperSlots(mock, now); !positions.empty()) {
            f.today = review::forecastScore(positions);
            if (examAhead)
                f.examDay = review::forecastScore(bank.paperSlots(mock, std::max(now, examMoment(examDate))));
        }
        out.push_back(std::move(f));
    }
    return out;
}

namespace {

QString points(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

QString withRange(const review::ScoreForecast& f)
{
    return points(f.expected, 1) + QStringLiteral("（") + points(f.low, 0) + QStringLiteral("–") + points(f.high, 0)
        + QStringLiteral("）");
}

QString spokenRange(const QString& when, const review::ScoreForecast& f)
{
    return when + QStringLiteral("预计 ") + points(f.expected, 1) + QStringLiteral(" 分，十次中八次在 ") + points(f.low, 0)
        + QStringLiteral(" 至 ") + points(f.high, 0) + QStringLiteral(" 分之间");
}

} // namespace

ForecastTexts forecastTexts(const MockForecast& f)
{
    ForecastTexts t;
    if (!f.today) {
        t.examDay = t.passLine = QStringLiteral("—");
        t.today = QStringLiteral("无题可抽");
        t.spoken = f.title + QStringLiteral("：题库中没有这份试卷可抽的题");
        return t;
    }
    const QString full = QString::number(f.today->fullScore, 'g', 6);
    const QString pass = QString::number(f.today->passLine, 'g', 6);
    t.today = withRange(*f.today);
    t.examDay = f.examDay ? withRange(*f.examDay) : QStringLiteral("—");
    t.passLine = pass + QLatin1Char('/') + full;
    t.spoken = f.title + QStringLiteral("：") + spokenRange(QStringLiteral("今天"), *f.today) + QStringLiteral("；")
        + (f.examDay ? spokenRange(QStringLiteral("考试日"), *f.examDay) : QStringLiteral("未设今后的考试日"))
        + QStringLiteral("；及格线 ") + pass + QStringLiteral(" 分，满分 ") + full + QStringLiteral(" 分");
    return t;
}

void keepForecasts(store::Connection& db, const QDate& today, const std::vector<MockForecast>& forecasts)
{
    store::Transaction t(db);
    for (const MockForecast& f : forecasts) {
        if (!f.today)
            continue;
        db.exec(QStringLiteral("insert or replace into forecast_day (day, mock, expected, low, high, full) "
                               "values (:day, :mock, :expected, :low, :high, :full)"),
                {{QStringLiteral(":day"), today.toString(Qt::ISODate)},
                 {QStringLiteral(":mock"), f.mock},
                 {QStringLiteral(":expected"), f.today->expected},
                 {QStringLiteral(":low"), f.today->low},
                 {QStringLiteral(":high"), f.today->high},
                 {QStringLiteral(":full"), f.today->fullScore}});
    }
    t.commit();
}

std::vector<ForecastPoint> forecastHistory(store::Connection& db)
{
    std::vector<ForecastPoint> out;
    for (const auto& r : db.query(QStringLiteral("select day, mock, expected, low, high, full from forecast_day order by day, mock")).values) {
        ForecastPoint p;
        p.day = QDate::fromString(r[0].toString(), Qt::ISODate);
        p.mock = r[1].toInt();
        p.expected = r[2].toDouble();
        p.low = r[3].toDouble();
        p.high = r[4].toDouble();
        p.full = r[5].toDouble();
        if (p.day.isValid())
            out.push_back(p);
    }
    return out;
}

Calibration readCalibration(store::Connection& db)
{
    Calibration c;
    c.logged = db.scalar(QStringLiteral("select count(*) from answer_log")).toLongLong();
    // Ten bins of 0.1; a prediction of exactly 1 goes into the last.
    const store::Rows rows = db.query(QStringLiteral(
        "select min(cast(recall * 10 as integer), 9) as bin, count(*), avg(recall), avg(right) "
        "from answer_log where recall is not null group by bin order by bin"));
    for (const auto& r : rows.values) {
        CalibrationBin b;
        const int bin = std::clamp(r[0].toInt(), 0, 9);
        b.from = bin / 10.0;
        b.to = (bin + 1) / 10.0;
        b.answers = r[1].toLongLong();
        b.predicted = r[2].toDouble();
        b.actual = r[3].toDouble();
        c.predicted += b.answers;
        c.bins.push_back(b);
    }
    return c;
}

} // namespace progress

#include "core/progress/PlanForecast.h"

#include "core/exam/PaperDraw.h"
#include "core/review/AnswerLog.h"
#include "core/store/Connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <cmath>

namespace progress {

namespace {

// One statement's rows in order of their first column, compared as the engine
// compares text (bytes), so several can be walked side by side.
struct Cursor {
    store::Connection& db;
    sqlite3_stmt* s;
    bool row = false;
    int rc = SQLITE_OK;

    Cursor(store::Connection& c, const QString& sql) : db(c), s(c.prepare(sql)) { next(); }
    ~Cursor() { sqlite3_reset(s); }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    void next()
    {
        rc = sqlite3_step(s);
        row = rc == SQLITE_ROW;
    }
    std::string_view key() const { return text(0); }
    // Moves on to `id`; true when a row of it is current. `id` must not come before the current row's.
    bool seek(std::string_view id)
    {
        while (row && compare(key(), id) < 0)
            next();
        return row && compare(key(), id) == 0;
    }
    QVariant value(int i) const { return store::Connection::columnValue(s, i); }
    std::string_view text(int i) const
    {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return t ? std::string_view(t, size_t(sqlite3_column_bytes(s, i))) : std::string_view();
    }
    void check(const QString& what) const
    {
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            db.fail(what);
    }
    static int compare(std::string_view a, std::string_view b)
    {
        const size_t n = std::min(a.size(), b.size());
        const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
        return c != 0 ? c : a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    }
};

// Chapter codes met while reading, each made a string once: a bank has a few hundred
// chapters and a hundred thousand questions.
struct ChapterNames {
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view v) const { return std::hash<std::string_view>()(v); }
    };
    std::unordered_map<std::string, int, Hash, std::equal_to<>> index;
    std::vector<QString> names;
    int last = 0; // the place of the code name() gave last

    const QString& name(std::string_view code)
    {
        auto it = index.find(code);
        if (it == index.end()) {
            it = index.emplace(std::string(code), int(names.size())).first;
            names.push_back(QString::fromUtf8(code.data(), qsizetype(code.size())));
        }
        last = it->second;
        return names[size_t(last)];
    }
    // Each code's place among them all in order.
    std::vector<int> ranks() const
    {
        std::vector<int> byName(names.size());
        for (size_t i = 0; i < byName.size(); ++i)
            byName[i] = int(i);
        std::sort(byName.begin(), byName.end(), [this](int a, int b) { return names[size_t(a)] < names[size_t(b)]; });
        std::vector<int> rank(names.size());
        for (size_t r = 0; r < byName.size(); ++r)
            rank[size_t(byName[r])] = int(r);
        return rank;
    }
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
    // Three reads by question id, each from an index alone (layout step 10), merged as
    // they come: the questions' own rows hold their texts and would cost the whole
    // bank's pages, and looking each question up in the others costs more than walking
    // them beside it.
    Cursor questions(db, QStringLiteral("select A1, A13, A10, F1 <> 1, A2, E1, E2, E3, E4 from tab_answ order by A1"));
    // Of a memory state only what its recall needs.
    Cursor states(db, QStringLiteral("select A1, stability, phase, last_review from memory_state order by A1"));
    Cursor firsts(db, QStringLiteral("select A1, right from answer_log where recall is null order by A1"));
    QHash<QString, std::pair<int, int>> loggedChapters; // first answers: answers, right
    ChapterNames chapterNames;
    std::vector<int> chapterOf; // of each question kept, its chapter among those met
    for (; questions.row; questions.next()) {
        sqlite3_stmt* q = questions.s;
        const std::string_view id = questions.key();
        const QString chapter = chapterNames.name(questions.text(2));
        if (firsts.seek(id)) {
            // Voided questions are never drawn, but their first answers still tell of their chapter.
            auto& c = loggedChapters[chapter.left(4)];
            for (; firsts.row && firsts.key() == id; firsts.next()) {
                ++c.first;
                c.second += sqlite3_column_int(firsts.s, 1) != 0;
            }
        }
        if (sqlite3_column_int(q, 3) != 1) // the draw's candidates: F1 <> 1
            continue;
        Question question;
        question.id = QString::fromUtf8(id.data(), qsizetype(id.size()));
        question.chapter = chapter;
        question.type = sqlite3_column_int(q, 1);
        chapterOf.push_back(chapterNames.last);
        // A question answered before the log began has no state yet: its counters stand in.
        question.state = states.seek(id)
            ? review::memoryStateOfRow(states.value(1), {}, states.value(2), {}, states.value(3), {})
            : review::estimateFromCounters(review::countersOfRow(questions.value(4), questions.value(5), questions.value(6),
                                                                questions.value(7), questions.value(8)));
        m_questions.push_back(std::move(question));
    }
    for (Cursor* c : {&questions, &states, &firsts})
        c->check(QStringLiteral("read the bank for the forecast"));
    for (auto it = loggedChapters.cbegin(); it != loggedChapters.cend(); ++it)
        chapters.insert(it.key(), *it);
    for (Question& q : m_questions) {
        const auto chapter = chapters.value(q.chapter.left(4));
        q.chapterAnswers = chapter.first;
        q.chapterRight = chapter.second;
    }
    // Into draw order: by type, then chapter code; within a chapter they stay by id.
    // The few chapter codes are ranked once, so the sort compares numbers.
    const std::vector<int> rank = chapterNames.ranks();
    std::vector<std::pair<std::pair<int, int>, int>> order; // ((type, chapter rank), place)
    order.reserve(m_questions.size());
    for (size_t i = 0; i < m_questions.size(); ++i)
        order.push_back({{m_questions[i].type, rank[size_t(chapterOf[i])]}, int(i)});
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Question> sorted;
    sorted.reserve(m_questions.size());
    for (const auto& o : order)
        sorted.push_back(std::move(m_questions[size_t(o.second)]));
    m_questions.swap(sorted);

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
    const auto it = std::find_if(m_questions.begin(), m_questions.end(), [&](const Question& q) { return q.id == id; });
    return it == m_questions.end() ? -1.0 : recall(*it, at);
}

std::vector<double> BankRecall::recallsAt(const QDateTime& at) const
{
    const QDateTime utc = at.toUTC(); // a moment in a zone costs a zone look-up per question
    std::vector<double> out;
    out.reserve(m_questions.size());
    for (const Question& q : m_questions)
        out.push_back(recall(q, utc));
    return out;
}

std::vector<review::ForecastSlot> BankRecall::paperSlots(int mock, const QDateTime& at) const
{
    return mock < 1 || mock > kMockCount ? std::vector<review::ForecastSlot>() : paperSlots(mock, recallsAt(at));
}

std::vector<review::ForecastSlot> BankRecall::paperSlots(int mock, const std::vector<double>& recalls) const
{
    std::vector<review::ForecastSlot> positions;
    if (mock < 1 || mock > kMockCount || recalls.size() != m_questions.size())
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
            // A position earns its score with the mean recall of its candidates, so
            // that mean stands for them all (as the forecast takes each recall).
            double sum = 0;
            int candidates = 0;
            for (auto it = first; it != m_questions.end() && it->type == type && it->chapter < end; ++it, ++candidates) {
                const double r = recalls[size_t(it - m_questions.begin())];
                sum += std::isfinite(r) ? std::clamp(r, 0.0, 1.0) : 0.0;
            }
            if (candidates == 0)
                continue;
            review::ForecastSlot slot;
            slot.score = score;
            slot.recall.push_back(sum / candidates);
            // Every position of the entry draws evenly from the same candidates.
            const int filled = std::min(e.count, candidates);
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
    const std::vector<double> today = bank.recallsAt(now);
    const std::vector<double> examDay = examAhead ? bank.recallsAt(std::max(now, examMoment(examDate))) : std::vector<double>();
    std::vector<MockForecast> out;
    for (int mock = 1; mock <= kMockCount; ++mock) {
        MockForecast f;
        f.mock = mock;
        f.title = exam::mockTitle(mock);
        if (const auto positions = bank.paperSlots(mock, today); !positions.empty()) {
            f.today = review::forecastScore(positions);
            if (examAhead)
                f.examDay = review::forecastScore(bank.paperSlots(mock, examDay));
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
    // The log's answers counted by tenth of predicted recall as they were written
    // (bin -1: nothing predicted), so this reads ten rows however long the log.
    Calibration c;
    const store::Rows rows = db.query(QStringLiteral("select bin, answers, recall, right from answer_log_bin order by bin"));
    for (const auto& r : rows.values) {
        const qint64 answers = r[1].toLongLong();
        c.logged += answers;
        const int bin = r[0].toInt();
        if (bin < 0 || bin > 9 || answers <= 0)
            continue;
        CalibrationBin b;
        b.from = bin / 10.0;
        b.to = (bin + 1) / 10.0;
        b.answers = answers;
        b.predicted = r[2].toDouble() / double(answers);
        b.actual = r[3].toDouble() / double(answers);
        c.predicted += b.answers;
        c.bins.push_back(b);
    }
    return c;
}

} // namespace progress

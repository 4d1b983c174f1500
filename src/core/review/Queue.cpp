#include "core/review/Queue.h"

#include "core/review/AnswerLog.h"
#include "core/search/SearchText.h"
#include "core/store/Connection.h"

#include <sqlite3.h>

#include <QSet>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace review {

namespace {

bool hasMemory(const MemoryState& s)
{
    return s.phase != Phase::New && s.lastReview.isValid() && std::isfinite(s.stability) && s.stability > 0.0;
}

// The day a memory state's recall reaches 90 %, as the store's index counts days
// (see the migration that made it): no later day ever counts less.
qint64 storeDay(const QDate& d) { return qint64(d.year()) * 372 + d.month() * 31 + d.day(); }

// Days since 1970-01-01 of a civil date (the proleptic Gregorian calendar).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

// A stored time: "yyyy-MM-ddTHH:mm:ss.zzzZ" as the log writes it is read by hand,
// for a queue reads thousands; anything else through Qt.
QDateTime storedTime(sqlite3_stmt* s, int column)
{
    if (sqlite3_column_type(s, column) == SQLITE_NULL)
        return {};
    const char* t = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    const int n = sqlite3_column_bytes(s, column);
    const auto digits = [t](int from, int count) {
        int v = 0;
        for (int i = from; i < from + count; ++i) {
            if (t[i] < '0' || t[i] > '9')
                return -1;
            v = v * 10 + (t[i] - '0');
        }
        return v;
    };
    if (n == 24 && t[4] == '-' && t[7] == '-' && t[10] == 'T' && t[13] == ':' && t[16] == ':' && t[19] == '.' && t[23] == 'Z') {
        const int y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2), h = digits(11, 2), mi = digits(14, 2), sec = digits(17, 2),
                  ms = digits(20, 3);
        if (y >= 0 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h >= 0 && h < 24 && mi >= 0 && mi < 60 && sec >= 0 && sec < 61 && ms >= 0)
            return QDateTime::fromMSecsSinceEpoch(((daysFromCivil(y, unsigned(mo), unsigned(d)) * 24 + h) * 60 + mi) * 60000LL
                                                      + sec * 1000LL + ms,
                                                  QTimeZone::utc());
    }
    const QDateTime parsed = QDateTime::fromString(QString::fromUtf8(t, n), Qt::ISODateWithMs);
    return parsed.isValid() ? parsed.toUTC() : QDateTime();
}

QString textOf(sqlite3_stmt* s, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)), sqlite3_column_bytes(s, column));
}

struct Due {
    QString id;
    double urgency;
    QDateTime due;
};

const QString kStateColumns = QStringLiteral(
    "select m.A1, m.stability, m.difficulty, m.phase, m.step,"
    " m.last_review, m.due from memory_state m ");

// The voided questions (out of practice): few, read once for a whole queue.
QSet<QString> voidedIds(store::Connection& db)
{
    sqlite3_stmt* s = db.prepare(QStringLiteral("select A1 from tab_answ indexed by ix_answ_f1_a1 where F1 = 1"));
    const search::StatementReset reset{s};
    QSet<QString> ids;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        ids.insert(textOf(s, 0));
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("read the voided questions"));
    return ids;
}

// Steps a statement of kStateColumns, keeping the states the rule finds due.
void collectStates(store::Connection& db, sqlite3_stmt* s, const DueRule& rule, const Parameters& p, const QSet<QString>& voided,
                   std::vector<Due>& due)
{
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        MemoryState m;
        const int phase = sqlite3_column_int(s, 3);
        m.phase = phase >= int(Phase::New) && phase <= int(Phase::Relearning) ? Phase(phase) : Phase::New;
        m.stability = sqlite3_column_double(s, 1);
        m.difficulty = sqlite3_column_double(s, 2);
        m.step = sqlite3_column_int(s, 4);
        m.lastReview = storedTime(s, 5);
        m.due = storedTime(s, 6);
        if (const std::optional<double> u = dueUrgency(m, rule, p)) {
            QString id = textOf(s, 0);
            if (!voided.contains(id))
                due.push_back({std::move(id), *u, m.due});
        }
    }
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("read the memory states"));
}

// The due questions, most urgent first. The store's indexes give a superset of them,
// each read apart so that it reads the index alone: states due by the end of the
// day, states whose recall reaches 90 % by then (or by the exam in its last days),
// with a day's slack since whole days are counted; the model then decides each.
QStringList dueIds(store::Connection& db, const DueRule& rule, const Parameters& p = defaultParameters())
{
    const QDateTime horizon = rule.lastDays && rule.exam.isValid() ? std::max(rule.exam, rule.endOfToday) : rule.endOfToday;
    const QString end = rule.endOfToday.toUTC().toString(Qt::ISODateWithMs);
    std::vector<Due> due;
    const QSet<QString> voided = voidedIds(db);

    sqlite3_stmt* byDue = db.prepare(kStateColumns + QStringLiteral("indexed by ix_memory_state_due where m.due <= :end"));
    const search::StatementReset resetByDue{byDue};
    db.bind(byDue, {{QStringLiteral(":end"), end}});
    collectStates(db, byDue, rule, p, voided, due);

    sqlite3_stmt* byRecall = db.prepare(
        kStateColumns
        + QStringLiteral("indexed by ix_memory_state_recall where (substr(m.last_review, 1, 4) * 372 + substr(m.last_review, 6, 2) * 31"
                         " + substr(m.last_review, 9, 2) + m.stability) <= :limit and m.due > :end"));
    const search::StatementReset resetByRecall{byRecall};
    db.bind(byRecall, {{QStringLiteral(":end"), end}, {QStringLiteral(":limit"), storeDay(horizon.addDays(1).toUTC().date()) + 1}});
    collectStates(db, byRecall, rule, p, voided, due);

    // Questions answered before the log began: the state their first logged answer
    // will start from stands in for one.
    sqlite3_stmt* u = db.prepare(QStringLiteral("select m.A1, m.A2, m.E1, m.E2, m.E3, m.E4 from unlogged_answered m"));
    const search::StatementReset resetUnlogged{u};
    int rc;
    while ((rc = sqlite3_step(u)) == SQLITE_ROW) {
        const auto value = [u](int i) { return store::Connection::columnValue(u, i); };
        const MemoryState m = estimateFromCounters(countersOfRow(value(1), value(2), value(3), value(4), value(5)), p);
        if (const std::optional<double> urgency = dueUrgency(m, rule, p); urgency && !voided.contains(textOf(u, 0)))
            due.push_back({textOf(u, 0), *urgency, m.due});
    }
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("read the counters of unlogged questions"));

    std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
        if (a.urgency != b.urgency)
            return a.urgency < b.urgency;
        if (a.due != b.due)
            return a.due < b.due;
        return a.id < b.id;
    });
    QStringList ids;
    ids.reserve(qsizetype(due.size()));
    for (const Due& d : due)
        ids << d.id;
    return ids;
}

// The latest timed answers' median.
std::pair<double, bool> pace(store::Connection& db)
{
    sqlite3_stmt* s = db.prepare(QStringLiteral("select seconds from answer_log where seconds > 0 order by at desc limit :n"));
    const search::StatementReset reset{s};
    db.bind(s, {{QStringLiteral(":n"), kPaceSample}});
    std::vector<qint64> seconds;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        seconds.push_back(sqlite3_column_int64(s, 0));
    if (rc != SQLITE_DONE)
        db.fail(QStringLiteral("read the answer times"));
    const bool own = int(seconds.size()) >= kPaceMinAnswers;
    return {paceSeconds(std::move(seconds)), own};
}

// Never-answered questions in book order, up to `limit`: those with no last answer
// and those with an empty one, each in id order through the index, merged.
QStringList freshIds(store::Connection& db, qint64 limit)
{
    QStringList ids;
    if (limit <= 0)
        return ids;
    for (const char* which : {"a.E2 is null", "a.E2 = ''"}) {
        sqlite3_stmt* s = db.prepare(QStringLiteral("select a.A1 from tab_answ a indexed by ix_answ_e2_a1 where ") + QLatin1String(which)
                                     + QStringLiteral(" and (a.F1 is null or a.F1 <> 1)"
                                                      " and not exists (select 1 from memory_state m where m.A1 = a.A1) order by a.A1 limit :n"));
        const search::StatementReset reset{s};
        db.bind(s, {{QStringLiteral(":n"), limit}});
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            ids << textOf(s, 0);
        if (rc != SQLITE_DONE)
            db.fail(QStringLiteral("read the new questions"));
    }
    std::sort(ids.begin(), ids.end());
    if (ids.size() > limit)
        ids.resize(limit);
    return ids;
}

} // namespace

DueRule dueRuleFor(const QDateTime& now, const QDate& examDate)
{
    DueRule r;
    r.now = now.toUTC();
    const QDate today = now.toLocalTime().date();
    r.endOfToday = QDateTime(today.addDays(1), QTime(0, 0)).toUTC();
    // The exam day itself still counts: a last look in the morning.
    if (examDate.isValid() && examDate >= today) {
        r.exam = QDateTime(examDate, QTime(0, 0)).toUTC();
        r.lastDays = today.daysTo(examDate) <= kLastDays;
    }
    return r;
}

std::optional<double> dueUrgency(const MemoryState& state, const DueRule& rule, const Parameters& p)
{
    if (!hasMemory(state))
        return std::nullopt;
    const bool stepsToday = state.due.isValid() && state.due < rule.endOfToday; // learning steps, or due anyway
    if (rule.lastDays && rule.exam.isValid()) {
        // What would be forgotten by exam day goes first, and all of it now.
        const double atExam = retrievability(state, std::max(rule.exam, rule.now), p);
        if (atExam < rule.target || stepsToday)
            return atExam;
        return std::nullopt;
    }
    const double now = retrievability(state, rule.now, p);
    const QDateTime due = rule.exam.isValid() ? dueBeforeExam(state, rule.exam, rule.target, p) : state.due;
    if (now < rule.target || (due.isValid() && due < rule.endOfToday))
        return now;
    return std::nullopt;
}

double paceSeconds(std::vector<qint64> seconds)
{
    if (int(seconds.size()) < kPaceMinAnswers)
        return kDefaultSecondsPerAnswer;
    const size_t mid = seconds.size() / 2;
    std::nth_element(seconds.begin(), seconds.begin() + mid, seconds.end());
    double m = double(seconds[mid]);
    if (seconds.size() % 2 == 0)
        m = (m + double(*std::max_element(seconds.begin(), seconds.begin() + mid))) / 2.0;
    return m;
}

int estimateMinutes(qint64 answers, double secondsPerAnswer)
{
    if (answers <= 0 || !(secondsPerAnswer > 0))
        return 0;
    return int(std::ceil(double(answers) * secondsPerAnswer / 60.0));
}

qint64 newQuestionsToday(const PlanToday& plan, qint64 due, qint64 unanswered, double secondsPerAnswer)
{
    qint64 left = 0;
    if (plan.mark == 1) {
        if (secondsPerAnswer > 0)
            left = qint64(std::floor(double(plan.time - plan.minutesToday) * 60.0 / secondsPerAnswer));
    } else {
        left = plan.amount - plan.answeredToday;
    }
    return std::clamp<qint64>(left - due, 0, std::max<qint64>(unanswered, 0));
}

TodaysReview todaysReview(store::Connection& db, const QDateTime& now, const PlanToday& plan)
{
    const DueRule rule = dueRuleFor(now, plan.examDate);
    TodaysReview out;
    out.due = dueIds(db, rule);
    std::tie(out.secondsPerAnswer, out.paceFromLog) = pace(db);
    // As many as the plan could take; fewer when fewer are left.
    const qint64 room = newQuestionsToday(plan, out.due.size(), std::numeric_limits<int>::max(), out.secondsPerAnswer);
    out.fresh = freshIds(db, room);
    out.minutes = estimateMinutes(out.due.size() + out.fresh.size(), out.secondsPerAnswer);
    out.examAimed = rule.exam.isValid();
    out.lastDays = rule.lastDays;
    out.daysToExam = out.examAimed ? int(now.toLocalTime().date().daysTo(plan.examDate)) : 0;
    return out;
}

QStringList dueToday(store::Connection& db, const QDateTime& now, const QDate& examDate)
{
    return dueIds(db, dueRuleFor(now, examDate));
}

} // namespace review

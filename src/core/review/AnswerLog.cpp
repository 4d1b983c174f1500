#include "core/review/AnswerLog.h"

#include "core/store/Connection.h"

#include <QTimeZone>
#include <algorithm>

namespace review {
namespace {

QString isoUtc(const QDateTime& t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime fromIso(const QVariant& v)
{
    if (v.isNull() || v.toString().isEmpty())
        return {};
    QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
    return t.toTimeZone(QTimeZone::utc());
}

// The counters as the bank kept them before the log began (the estimate is
// explained at estimateFromCounters).
MemoryState estimatedState(store::Connection& db, const QString& questionId)
{
    const store::Rows row = db.query(QStringLiteral("select A2, E1, E2, E3, E4 from tab_answ where A1 = :a1"),
                                     {{QStringLiteral(":a1"), questionId}});
    if (row.empty())
        return {};
    AnswerCounters c;
    c.answers = row.at(0, QStringLiteral("E3")).toInt();
    c.wrongWeight = row.at(0, QStringLiteral("E4")).toInt();
    const QString last = row.at(0, QStringLiteral("E2")).toString();
    c.lastRight = !last.isEmpty() && last == row.at(0, QStringLiteral("A2")).toString();
    // Older banks keep a time after the day.
    c.lastDate = QDate::fromString(row.at(0, QStringLiteral("E1")).toString().left(10), Qt::ISODate);
    return estimateFromCounters(c);
}

} // namespace

std::optional<MemoryState> storedMemoryState(store::Connection& db, const QString& questionId)
{
    const store::Rows row = db.query(QStringLiteral("select stability, difficulty, phase, step, last_review, due "
                                                    "from memory_state where A1 = :a1"),
                                     {{QStringLiteral(":a1"), questionId}});
    if (row.empty())
        return std::nullopt;
    MemoryState s;
    s.stability = row.at(0, QStringLiteral("stability")).toDouble();
    s.difficulty = row.at(0, QStringLiteral("difficulty")).toDouble();
    const int phase = row.at(0, QStringLiteral("phase")).toInt();
    s.phase = phase >= int(Phase::New) && phase <= int(Phase::Relearning) ? Phase(phase) : Phase::New;
    s.step = row.at(0, QStringLiteral("step")).toInt();
    s.lastReview = fromIso(row.at(0, QStringLiteral("last_review")));
    s.due = fromIso(row.at(0, QStringLiteral("due")));
    return s;
}

void logAnswer(store::Connection& db, const QString& questionId, bool right, const QString& answer,
               const AnswerContext& context, const QDateTime& now)
{
    const QDateTime at = now.toUTC();
    const std::optional<MemoryState> stored = storedMemoryState(db, questionId);
    const MemoryState before = stored ? *stored : estimatedState(db, questionId);
    const MemoryState after = schedule(before, ratingOfAnswer(right, context.secondsSpent, context.answerTime), at);

    db.exec(QStringLiteral("insert into answer_log (A1, at, right, answer, seconds, source) "
                           "values (:a1, :at, :right, :answer, :seconds, :source)"),
            {{QStringLiteral(":a1"), questionId},
             {QStringLiteral(":at"), isoUtc(at)},
             {QStringLiteral(":right"), right ? 1 : 0},
             {QStringLiteral(":answer"), answer},
             {QStringLiteral(":seconds"), std::max<qint64>(context.secondsSpent, 0)},
             {QStringLiteral(":source"), int(context.source)}});
    db.exec(QStringLiteral("insert or replace into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
                           "values (:a1, :s, :d, :phase, :step, :last, :due)"),
            {{QStringLiteral(":a1"), questionId},
             {QStringLiteral(":s"), after.stability},
             {QStringLiteral(":d"), after.difficulty},
             {QStringLiteral(":phase"), int(after.phase)},
             {QStringLiteral(":step"), after.step},
             {QStringLiteral(":last"), isoUtc(after.lastReview)},
             {QStringLiteral(":due"), isoUtc(after.due)}});
}

} // namespace review

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

// The form this file writes, "2026-03-01T08:00:00.000Z", read by hand: the forecast reads
// every state at once and the general parser was most of its time. Anything else (or an
// impossible date) goes to the general parser.
QDateTime fromWrittenIso(const QString& s)
{
    if (s.size() != 24 || s[4] != u'-' || s[7] != u'-' || s[10] != u'T' || s[13] != u':' || s[16] != u':' || s[19] != u'.'
        || s[23] != u'Z')
        return {};
    int parts[7] = {};
    const int from[7] = {0, 5, 8, 11, 14, 17, 20}, length[7] = {4, 2, 2, 2, 2, 2, 3};
    for (int p = 0; p < 7; ++p) {
        for (int i = from[p]; i < from[p] + length[p]; ++i) {
            const char16_t c = s[i].unicode();
            if (c < u'0' || c > u'9')
                return {};
            parts[p] = parts[p] * 10 + (c - u'0');
        }
    }
    const QDate day(parts[0], parts[1], parts[2]);
    const QTime time(parts[3], parts[4], parts[5], parts[6]);
    if (!day.isValid() || !time.isValid())
        return {};
    // Plain UTC rather than the UTC zone: the same moment, and a day count on it needs no zone.
    return QDateTime(day, time, Qt::UTC);
}

QDateTime fromIso(const QVariant& v)
{
    if (v.isNull())
        return {};
    const QString s = v.toString();
    if (s.isEmpty())
        return {};
    if (QDateTime t = fromWrittenIso(s); t.isValid())
        return t;
    QDateTime t = QDateTime::fromString(s, Qt::ISODateWithMs);
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
    return estimateFromCounters(countersOfRow(row.values[0][0], row.values[0][1], row.values[0][2], row.values[0][3],
                                              row.values[0][4]));
}

} // namespace

AnswerCounters countersOfRow(const QVariant& key, const QVariant& e1, const QVariant& e2, const QVariant& e3,
                             const QVariant& e4)
{
    AnswerCounters c;
    c.answers = e3.toInt();
    c.wrongWeight = e4.toInt();
    const QString last = e2.toString();
    c.lastRight = !last.isEmpty() && last == key.toString();
    // Older banks keep a time after the day.
    c.lastDate = QDate::fromString(e1.toString().left(10), Qt::ISODate);
    return c;
}

MemoryState memoryStateOfRow(const QVariant& stability, const QVariant& difficulty, const QVariant& phase,
                             const QVariant& step, const QVariant& lastReview, const QVariant& due)
{
    MemoryState s;
    s.stability = stability.toDouble();
    s.difficulty = difficulty.toDouble();
    const int p = phase.toInt();
    s.phase = p >= int(Phase::New) && p <= int(Phase::Relearning) ? Phase(p) : Phase::New;
    s.step = step.toInt();
    s.lastReview = fromIso(lastReview);
    s.due = fromIso(due);
    return s;
}

std::optional<MemoryState> storedMemoryState(store::Connection& db, const QString& questionId)
{
    const store::Rows row = db.query(QStringLiteral("select stability, difficulty, phase, step, last_review, due "
                                                    "from memory_state where A1 = :a1"),
                                     {{QStringLiteral(":a1"), questionId}});
    if (row.empty())
        return std::nullopt;
    const auto& r = row.values[0];
    return memoryStateOfRow(r[0], r[1], r[2], r[3], r[4], r[5]);
}

void logAnswer(store::Connection& db, const QString& questionId, bool right, const QString& answer,
               const AnswerContext& context, const QDateTime& now)
{
    const QDateTime at = now.toUTC();
    const std::optional<MemoryState> stored = storedMemoryState(db, questionId);
    const MemoryState before = stored ? *stored : estimatedState(db, questionId);
    const MemoryState after = schedule(before, ratingOfAnswer(right, context.secondsSpent, context.answerTime), at);

    // What the model expected of this answer, for its calibration; nothing for a new question.
    const QVariant recall = before.phase == Phase::New || !before.lastReview.isValid()
        ? QVariant() : QVariant(retrievability(before, at));
    db.exec(QStringLiteral("insert into answer_log (A1, at, right, answer, seconds, source, recall) "
                           "values (:a1, :at, :right, :answer, :seconds, :source, :recall)"),
            {{QStringLiteral(":a1"), questionId},
             {QStringLiteral(":at"), isoUtc(at)},
             {QStringLiteral(":right"), right ? 1 : 0},
             {QStringLiteral(":answer"), answer},
             {QStringLiteral(":seconds"), std::max<qint64>(context.secondsSpent, 0)},
             {QStringLiteral(":source"), int(context.source)},
             {QStringLiteral(":recall"), recall}});
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

#include "bank/ScheduleReplay.h"

#include "core/review/Fsrs.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <stdexcept>

namespace bank {

namespace {

constexpr int kMaxDelayDays = 1000000; // keeps the arithmetic on dates in range

review::Rating ratingOf(QChar letter)
{
    switch (letter.toLatin1()) {
    case 'A': return review::Rating::Again;
    case 'H': return review::Rating::Hard;
    case 'E': return review::Rating::Easy;
    default: return review::Rating::Good;
    }
}

} // namespace

std::vector<ReplayLine> replaySchedule(const QStringList& reviews, const QDateTime& start, double retention)
{
    static const QRegularExpression token(QStringLiteral("^([AHGE])(?:\\+(\\d{1,7}))?$"), QRegularExpression::CaseInsensitiveOption);
    if (!start.isValid())
        throw std::invalid_argument("no start time");
    review::Parameters p;
    p.fuzz = false; // a replay must give the same answer every time
    p.desiredRetention = retention;

    std::vector<ReplayLine> lines;
    review::MemoryState state;
    for (const QString& text : reviews) {
        const QRegularExpressionMatch m = token.match(text);
        const int delay = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (!m.hasMatch() || delay > kMaxDelayDays)
            throw std::invalid_argument(QStringLiteral("\"%1\" is not a review (A, H, G or E, optionally followed by +DAYS)")
                                            .arg(text).toStdString());
        const QChar letter = m.captured(1).at(0).toUpper();
        const QDateTime at = (state.due.isValid() ? state.due : start.toUTC()).addDays(delay);
        state = review::schedule(state, ratingOf(letter), at, p);
        lines.push_back({letter, state.stability, state.difficulty, state.due, review::elapsedDays(at, state.due)});
    }
    return lines;
}

QString formatReplayLine(const ReplayLine& line)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(line.rating)
        .arg(line.stability, 0, 'f', 4)
        .arg(line.difficulty, 0, 'f', 4)
        .arg(line.due.toUTC().toString(Qt::ISODate))
        .arg(line.intervalDays);
}

QDateTime parseUtcTime(const QString& text)
{
    QDateTime t = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    if (!t.isValid())
        return {};
    if (t.timeSpec() == Qt::LocalTime) // no zone written: UTC, not the machine's zone
        t = QDateTime(t.date(), t.time(), QTimeZone::utc());
    return t.toUTC();
}

} // namespace bank

#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// `tesvora-bank schedule`: replays a sequence of answers through the review
// model, so bank authors can see the intervals it gives and the model can be
// checked against other implementations.
namespace bank {

struct ReplayLine {
    QChar rating;       // A, H, G or E
    double stability = 0;
    double difficulty = 0;
    QDateTime due;      // UTC
    int intervalDays = 0; // whole days from the answer to the due time
};

// `reviews` are letters A/H/G/E, each optionally followed by +N: that answer
// comes N days after the previous due time (the first one N days after
// `start`). No interval fuzz. Throws std::invalid_argument naming the bad token.
std::vector<ReplayLine> replaySchedule(const QStringList& reviews, const QDateTime& start, double retention);

// One line of output: rating, stability, difficulty, due time, interval, tab-separated.
QString formatReplayLine(const ReplayLine& line);

// "2026-01-05T08:00:00Z"; a time without a zone is taken as UTC. Invalid when unreadable.
QDateTime parseUtcTime(const QString& text);

} // namespace bank

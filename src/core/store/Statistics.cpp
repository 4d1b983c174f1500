#include "core/store/Statistics.h"

#include <QRegularExpression>
#include <cmath>

namespace store {

namespace {

qint64 fieldValue(const QString& field)
{
    bool ok = false;
    const qint64 v = field.trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

} // namespace

qint64 ClockTextToSeconds(const QString& text)
{
    qint64 seconds = 0;
    int cut = 0;
    QString rest = text;
    for (qsizetype colon = rest.indexOf(QLatin1Char(':')); colon >= 0; colon = rest.indexOf(QLatin1Char(':'))) {
        const QString part = rest.left(colon);
        rest = rest.mid(colon + 1);
        ++cut;
        if (cut == 1)
            seconds += fieldValue(part) * 3600;
        else if (cut == 2)
            seconds += fieldValue(part) * 60;
        else
            rest.clear();
    }
    if (cut == 2)
        seconds += fieldValue(rest.left(2));
    return seconds;
}

QString secondsToClockText(qint64 seconds)
{
    const qint64 total = std::max<qint64>(seconds, 0);
    const qint64 h = total / 3600;
    const qint64 m = (total - 3600 * h) / 60;
    const qint64 s = total - 3600 * h - 60 * m;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

QString scoreText(double score)
{
    return QString::asprintf("%2.2f", score);
}

QString answerScoreText(qint64 answers, qint64 wrong)
{
    if (answers <= 0)
        return QStringLiteral("0");
    return scoreText(double(answers - wrong) / double(answers) * 100.0);
}

int PaperTotalScore(Connection& db, const QString& typeTable)
{
    // A table name cannot be bound: only the question-type tables get here.
    static const QRegularExpression re(QStringLiteral("^tab_tx[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    if (!re.match(typeTable).hasMatch())
        throw DbError(DbError::Kind::Usage, QStringLiteral("not a question-type table: %1").arg(typeTable));
    const QVariant sum = db.scalar(QStringLiteral("select sum(B2*B3) from ") + typeTable);
    return int(std::lround(sum.toDouble()));
}

int clearOpenAnswers(Connection& db)
{
    // Same effect as setting E2_1 = '' everywhere; the partial index on E2_1 holds
    // just the rows this has to write.
    return db.exec(QStringLiteral("update tab_answ set E2_1='' where E2_1 <> '' OR E2_1 IS NULL"));
}

} // namespace store

#include "bank/KeyDistribution.h"

#include <QMap>

#include <cmath>

namespace bank {

namespace {

constexpr int kSingle = 0, kMulti = 1, kJudge = 3, kMatch = 5;
constexpr double kOver = 1.5, kUnder = 0.5, kSlack = 2.0;

QString percent(double part, double whole)
{
    return whole > 0 ? QString::number(std::lround(100.0 * part / whole)) + QLatin1Char('%') : QStringLiteral("-");
}

double binomial(int n, int k)
{
    double r = 1;
    for (int i = 1; i <= k; ++i)
        r = r * (n - k + i) / i;
    return r;
}

QString firstLetters(int k)
{
    QString s;
    for (int i = 0; i < k; ++i)
        s += QChar(u'A' + i);
    return s;
}

// Observed against expected counts, in one text, and whether it is past a limit.
// A letter is judged both where it is in the key and where it is not: with keys
// of three right options out of four, "A in 97 %" is as telling as "A in 40 %".
struct Share {
    QString name;
    double seen = 0;
    double expected = 0;
    double cases = 0; // keys that could hold it
    bool pattern = false; // a pattern is only judged for being too common
    static bool past(double seen, double expected)
    {
        return seen > kOver * expected + kSlack || seen < kUnder * expected - kSlack;
    }
    bool skewed() const
    {
        if (pattern)
            return seen > kOver * expected + kSlack;
        return past(seen, expected) || past(cases - seen, cases - expected);
    }
};

void choiceType(const QList<KeySample>& keys, KeyReport& out, const QString& who)
{
    const double n = keys.size();
    QList<Share> shares;
    for (int i = 0; i < 6; ++i) {
        const QChar letter(u'A' + i);
        Share s{QString(letter)};
        for (const KeySample& k : keys) {
            if (k.options <= i || k.options <= 0)
                continue;
            s.seen += k.answer.contains(letter) ? 1 : 0;
            s.expected += double(k.answer.size()) / k.options;
            s.cases += 1;
        }
        if (s.expected > 0 || s.seen > 0)
            shares << s;
    }
    Share first{QStringLiteral("\"the first options\"")}, allButLast{QStringLiteral("\"all but the last\"")};
    first.pattern = allButLast.pattern = true;
    for (const KeySample& k : keys) {
        const int len = int(k.answer.size());
        if (len < 2 || k.options <= len)
            continue;
        const double chance = 1.0 / binomial(k.options, len);
        first.expected += chance;
        first.cases += 1;
        first.seen += k.answer == firstLetters(len) ? 1 : 0;
        if (len == k.options - 1) {
            allButLast.expected += chance;
            allButLast.cases += 1;
            allButLast.seen += k.answer == firstLetters(len) ? 1 : 0;
        }
    }
    const bool several = first.expected > 0;
    if (several)
        shares << first << allButLast;

    QStringList seen, expected;
    for (const Share& s : shares) {
        seen << QStringLiteral("%1 %2").arg(s.name, percent(s.seen, n));
        expected << percent(s.expected, n);
    }
    out.lines << QStringLiteral("%1: %2 keys; %3 (random order: %4)").arg(who).arg(keys.size()).arg(seen.join(QStringLiteral(", ")), expected.join(QStringLiteral(", ")));
    if (keys.size() < kMinKeys)
        return;
    for (const Share& s : shares)
        if (s.skewed())
            out.findings << QStringLiteral("%1: %2 in %3 of the keys, a random order gives %4")
                                .arg(who, s.name, percent(s.seen, n), percent(s.expected, n));
}

void judgeType(const QList<KeySample>& keys, KeyReport& out, const QString& who)
{
    const double n = keys.size();
    int right = 0;
    for (const KeySample& k : keys)
        right += k.answer == QLatin1String("A") ? 1 : 0;
    out.lines << QStringLiteral("%1: %2 keys; 正确 %3, 错误 %4").arg(who).arg(keys.size()).arg(percent(right, n), percent(n - right, n));
    if (keys.size() >= kMinKeys && (right < 0.35 * n || right > 0.65 * n))
        out.findings << QStringLiteral("%1: 正确 in %2 of the keys, keep it between 35% and 65%").arg(who, percent(right, n));
}

} // namespace

KeyReport keyDistribution(const QList<KeySample>& keys)
{
    QMap<int, QList<KeySample>> byType;
    for (const KeySample& k : keys)
        byType[k.type] << k;
    KeyReport out;
    for (auto it = byType.cbegin(); it != byType.cend(); ++it) {
        const KeySample& first = it.value().first();
        const QString who = QStringLiteral("type %1 %2").arg(it.key()).arg(first.typeName);
        switch (first.page) {
        case kSingle:
        case kMulti:
        case kMatch: choiceType(it.value(), out, who); break;
        case kJudge: judgeType(it.value(), out, who); break;
        default: break;
        }
    }
    return out;
}

} // namespace bank

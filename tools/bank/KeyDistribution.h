#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace bank {

// One answer key of a book question, with what its type answers on.
struct KeySample {
    int type = 0;
    QString typeName;
    int page = 0;    // practice::AnswerPageOfType
    QString answer;  // A2
    int options = 0; // A2_1
};

// How the keys of each choice and true/false type are spread, against what
// options in a random order would give. A candidate who finds a pattern in the
// keys (mostly A, "every option but the last", mostly 正确) scores without
// reading the question, so a skew past the limits is a finding.
struct KeyReport {
    QStringList lines;    // one line per type: shares, then the expected shares
    QStringList findings; // skews past the limits
};

// Limits: a letter, or a pattern of a multi-letter key (the first k options,
// every option but the last), is found more than 1.5 times or less than half as
// often as a random order gives (with a margin of two keys for small counts);
// true/false keys are 正确 in 35 % to 65 % of the questions. Types with fewer
// than kMinKeys keys are shown but never judged.
inline constexpr int kMinKeys = 20;
KeyReport keyDistribution(const QList<KeySample>& keys);

} // namespace bank

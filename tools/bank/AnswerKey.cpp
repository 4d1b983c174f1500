#include "bank/AnswerKey.h"

namespace bank {

namespace {

QString lettersProblem(const QString& answer, int options, int atLeast)
{
    if (options < 2 || options > kMaxOptions)
        return QStringLiteral("a choice question has 2 to %1 options, not %2").arg(kMaxOptions).arg(options);
    const QChar last = QChar(u'A' + options - 1);
    char16_t previous = 0;
    for (QChar c : answer) {
        if (c < QLatin1Char('A') || c > last)
            return QStringLiteral("answer \"%1\": letters A to %2 only (%3 options)").arg(answer).arg(last).arg(options);
        if (c.unicode() <= previous)
            return QStringLiteral("answer \"%1\": letters in order A … F, each once").arg(answer);
        previous = c.unicode();
    }
    if (answer.size() < atLeast)
        return atLeast == 1 ? QStringLiteral("the answer is empty")
                            : QStringLiteral("answer \"%1\": a multiple-choice answer has at least %2 letters").arg(answer).arg(atLeast);
    return {};
}

} // namespace

QString answerKeyProblem(int page, const QString& answer, int options)
{
    switch (page) {
    case 0: {
        const QString p = lettersProblem(answer, options, 1);
        if (!p.isEmpty())
            return p;
        return answer.size() == 1 ? QString() : QStringLiteral("answer \"%1\": a single-choice answer is one letter").arg(answer);
    }
    case 1:
        return lettersProblem(answer, options, 2);
    case 5:
        return lettersProblem(answer, options, 1);
    case 3:
        if (options != 2)
            return QStringLiteral("a true/false question has 2 options, not %1").arg(options);
        return answer == QLatin1String("A") || answer == QLatin1String("B")
            ? QString()
            : QStringLiteral("answer \"%1\": a true/false answer is A (正确) or B (错误)").arg(answer);
    case 2:
        if (answer.trimmed().isEmpty())
            return QStringLiteral("the answer is empty");
        if (answer != answer.trimmed())
            return QStringLiteral("answer \"%1\": the typed answer is trimmed, so blanks around the key never match").arg(answer);
        if (answer.size() > 100)
            return QStringLiteral("the answer is longer than 100 characters");
        if (answer.contains(QLatin1Char('\n')))
            return QStringLiteral("a fill-in answer is one line");
        return options == 1 ? QString() : QStringLiteral("a fill-in question has 1 option, not %1").arg(options);
    case 4:
        if (answer != QLatin1String("1"))
            return QStringLiteral("answer \"%1\": a self-assessed question's answer is \"1\"").arg(answer);
        return options == 1 ? QString() : QStringLiteral("a self-assessed question has 1 option, not %1").arg(options);
    default:
        return QStringLiteral("the question type has no answer page");
    }
}

} // namespace bank

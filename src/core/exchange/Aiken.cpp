#include "core/exchange/Aiken.h"

#include <QRegularExpression>

namespace exchange {

namespace {

struct Pending {
    QStringList stem;
    QStringList options;
    int line = 0;
    bool empty() const { return stem.isEmpty() && options.isEmpty(); }
};

QString oneLine(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out.simplified();
}

} // namespace

ReadResult readAiken(const QByteArray& bytes)
{
    ReadResult out;
    QString text, error;
    if (!decodeText(bytes, &text, &error)) {
        out.fileOk = false;
        out.problems.push_back({0, 0, {}, error});
        return out;
    }
    static const QRegularExpression option(QStringLiteral("^\\s*([A-Za-z])\\s*[.)．）、]\\s*(.*)$"));
    static const QRegularExpression answer(QStringLiteral("^\\s*ANSWER\\s*[:：]\\s*(.*)$"), QRegularExpression::CaseInsensitiveOption);
    Pending p;
    int number = 0;
    const auto missingAnswer = [&] {
        out.problems.push_back({number, p.line, {}, numbered(number, QStringLiteral("缺少答案（ANSWER: 行）"))});
        p = {};
    };
    int lineNo = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        ++lineNo;
        const QString t = line.trimmed();
        if (t.isEmpty())
            continue;
        if (const QRegularExpressionMatch m = answer.match(t); m.hasMatch()) {
            if (p.empty()) {
                out.problems.push_back({number + 1, lineNo, {}, numbered(number + 1, QStringLiteral("“ANSWER:”前没有试题"))});
                ++number;
                continue;
            }
            Question q;
            q.kind = Kind::Single;
            q.number = number;
            q.line = p.line;
            q.stem = plainToHtml(p.stem.join(QLatin1Char('\n')));
            q.options = p.options;
            q.answer = m.captured(1).trimmed();
            QString message;
            if (p.stem.isEmpty())
                message = QStringLiteral("缺少题干");
            if (message.isEmpty() && checkQuestion(q, &message))
                out.questions.push_back(std::move(q));
            else
                out.problems.push_back({number, p.line, {}, numbered(number, message)});
            p = {};
            continue;
        }
        const QRegularExpressionMatch m = option.match(t);
        const QChar expected = QChar(char16_t(u'A' + int(p.options.size())));
        // An option is the next letter in turn after a question line; anything else is question text.
        if (m.hasMatch() && !p.stem.isEmpty() && m.captured(1).toUpper().at(0) == expected) {
            p.options << m.captured(2).trimmed();
            continue;
        }
        if (!p.options.isEmpty())
            missingAnswer();
        if (p.empty()) {
            ++number;
            p.line = lineNo;
        }
        p.stem << t;
    }
    if (!p.empty())
        missingAnswer();
    if (out.nothingRead())
        out = ReadResult::refused(noQuestionsText());
    return out;
}

WriteResult writeAiken(const std::vector<Question>& questions)
{
    WriteResult out;
    QString text;
    int number = 0;
    for (const Question& q : questions) {
        ++number;
        if (q.kind != Kind::Single || q.options.size() < 2 || q.options.size() > 26) {
            out.left.push_back({number, q.line, {}, numbered(number, QStringLiteral("%1题不能写成 Aiken 格式（只能写单选题）").arg(kindName(q.kind)))});
            continue;
        }
        text += oneLine(htmlToPlain(q.stem)) + QLatin1Char('\n');
        for (int i = 0; i < q.options.size(); ++i)
            text += QStringLiteral("%1. %2\n").arg(QChar(char16_t(u'A' + i)), oneLine(q.options[i]));
        text += QStringLiteral("ANSWER: ") + q.answer + QStringLiteral("\n\n");
    }
    out.data = text.toUtf8();
    return out;
}

} // namespace exchange

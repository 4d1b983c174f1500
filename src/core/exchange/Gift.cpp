#include "core/exchange/Gift.h"

#include <QRegularExpression>

namespace exchange {

namespace {

bool isSpecial(QChar c)
{
    return c == u'~' || c == u'=' || c == u'#' || c == u'{' || c == u'}' || c == u':' || c == u'\\';
}

// The index of the first unescaped `what` at or after `from`; -1 when there is none.
qsizetype findUnescaped(QStringView text, QStringView what, qsizetype from = 0)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
            continue;
        }
        if (text.mid(i).startsWith(what))
            return i;
    }
    return -1;
}

QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const QChar next = text[i + 1];
            if (next == u'n') {
                out += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (isSpecial(next)) {
                out += next;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : text) {
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            continue;
        else {
            if (isSpecial(c))
                out += QLatin1Char('\\');
            out += c;
        }
    }
    return out;
}

struct Block {
    QString text;
    int line = 0;
};

// Blocks of lines separated by blank lines; comment lines belong to none.
std::vector<Block> splitBlocks(const QString& text)
{
    std::vector<Block> blocks;
    Block current;
    int lineNo = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        ++lineNo;
        const QStringView t = line.trimmed();
        if (t.startsWith(u"//"))
            continue;
        if (t.isEmpty()) {
            if (!current.text.isEmpty())
                blocks.push_back(std::move(current));
            current = {};
            continue;
        }
        if (current.text.isEmpty())
            current.line = lineNo;
        else
            current.text += QLatin1Char('\n');
        current.text += line;
    }
    if (!current.text.isEmpty())
        blocks.push_back(std::move(current));
    return blocks;
}

struct Item {
    bool right = false;   // "=" rather than "~"
    double weight = 0;
    bool weighted = false;
    QString text;         // still escaped
};

// "=a ~%50%b #feedback ~c" → its items; general feedback is gone by now.
std::vector<Item> splitItems(QStringView answers)
{
    std::vector<Item> items;
    qsizetype i = 0;
    while (i < answers.size()) {
        const QChar c = answers[i];
        if (c == u'\\') {
            if (!items.empty())
                items.back().text += answers.mid(i, 2);
            i += 2;
            continue;
        }
        if (c == u'=' || c == u'~') {
            Item item;
            item.right = c == u'=';
            ++i;
            static const QRegularExpression weight(QStringLiteral("^%(-?[0-9]+(?:\\.[0-9]+)?)%"));
            const QRegularExpressionMatch m = weight.match(answers.mid(i).toString());
            if (m.hasMatch()) {
                item.weight = m.captured(1).toDouble();
                item.weighted = true;
                i += m.capturedLength();
            }
            items.push_back(item);
            continue;
        }
        if (!items.empty())
            items.back().text += c;
        ++i;
    }
    return items;
}

// An item's text without its feedback, and its feedback.
std::pair<QString, QString> splitFeedback(const QString& item)
{
    const qsizetype hash = findUnescaped(item, u"#");
    if (hash < 0)
        return {item, {}};
    return {item.left(hash), item.mid(hash + 1)};
}

enum class TextFormat { Moodle, Html, Plain, Markdown };

// The course platform's own format (the default) is text in which HTML tags may stand.
bool isHtml(const QString& text, TextFormat format)
{
    static const QRegularExpression tag(QStringLiteral("</?[a-zA-Z][a-zA-Z0-9]*(\\s[^<>]*)?/?>"));
    return format == TextFormat::Html || (format == TextFormat::Moodle && tag.match(text).hasMatch());
}

QString asHtml(const QString& escaped, TextFormat format)
{
    QString text = unescape(escaped).trimmed();
    if (!isHtml(text, format))
        return plainToHtml(text);
    if (format == TextFormat::Moodle)
        text.replace(QLatin1Char('\n'), QStringLiteral("<br />"));
    return text;
}

// An answer or its feedback may name a format of its own: "~[plain]blue # [html]wrong".
QString asPlain(const QString& escaped, TextFormat format)
{
    QString text = unescape(escaped).trimmed();
    static const QRegularExpression marker(QStringLiteral("^\\[(html|moodle|plain|markdown)\\]"));
    if (const QRegularExpressionMatch m = marker.match(text); m.hasMatch()) {
        const QString f = m.captured(1);
        format = f == u"html" ? TextFormat::Html : f == u"moodle" ? TextFormat::Moodle : TextFormat::Plain;
        text = text.mid(m.capturedLength()).trimmed();
    }
    return isHtml(text, format) ? htmlToPlain(text) : text;
}

class Reader {
public:
    ReadResult result;

    void read(const Block& block)
    {
        QString text = block.text;
        int line = block.line;
        if (text.startsWith(QStringLiteral("$CATEGORY:"))) {
            const qsizetype nl = text.indexOf(QLatin1Char('\n'));
            m_category = categoryPath(text.mid(10, nl < 0 ? -1 : nl - 10));
            if (nl < 0)
                return;
            text = text.mid(nl + 1);
            ++line;
        }
        ++m_number;
        Question q;
        q.number = m_number;
        q.line = line;
        q.category = m_category;
        QString message;
        if (parse(text, q, &message)) {
            if (checkQuestion(q, &message)) {
                result.questions.push_back(std::move(q));
                return;
            }
        }
        if (!message.isEmpty())
            result.problems.push_back({m_number, line, {}, numbered(m_number, message)});
    }

private:
    void skip(const QString& type) { ++result.skippedTypes[type]; }

    // False with an empty message: skipped, counted by its type.
    bool parse(QString text, Question& q, QString* message)
    {
        text = text.trimmed();
        if (text.startsWith(QStringLiteral("::"))) {
            const qsizetype end = findUnescaped(text, u"::", 2);
            if (end < 0) {
                *message = QStringLiteral("标题缺少结尾的“::”");
                return false;
            }
            q.title = unescape(QStringView(text).mid(2, end - 2)).trimmed();
            text = text.mid(end + 2).trimmed();
        }
        TextFormat format = TextFormat::Moodle;
        static const QRegularExpression marker(QStringLiteral("^\\[(html|moodle|plain|markdown)\\]"));
        if (const QRegularExpressionMatch m = marker.match(text); m.hasMatch()) {
            const QString f = m.captured(1);
            format = f == u"html" ? TextFormat::Html : f == u"plain" ? TextFormat::Plain
                                                     : f == u"markdown" ? TextFormat::Markdown : TextFormat::Moodle;
            text = text.mid(m.capturedLength());
        }
        const qsizetype open = findUnescaped(text, u"{");
        if (open < 0) {
            if (findUnescaped(text, u"}") >= 0) {
                *message = QStringLiteral("有“}”而缺少“{”");
                return false;
            }
            skip(QStringLiteral("description"));
            return false;
        }
        const qsizetype close = findUnescaped(text, u"}", open + 1);
        if (close < 0) {
            *message = QStringLiteral("答案缺少结尾的“}”");
            return false;
        }
        if (findUnescaped(text, u"{", close + 1) >= 0) {
            *message = QStringLiteral("一道题只能有一组“{…}”答案");
            return false;
        }
        const QString before = text.left(open).trimmed();
        const QString after = text.mid(close + 1).trimmed();
        QString answers = text.mid(open + 1, close - open - 1);
        // Missing word: the blank goes where the answers stood.
        const QString stem = after.isEmpty() ? before : before + QStringLiteral(" _____ ") + after;
        q.stem = asHtml(stem, format);

        QString general;
        if (const qsizetype g = findUnescaped(answers, u"####"); g >= 0) {
            general = answers.mid(g + 4);
            answers = answers.left(g);
        }
        if (!general.trimmed().isEmpty())
            q.analysis = asHtml(general, format);
        const QString trimmed = answers.trimmed();
        if (trimmed.isEmpty()) {
            q.kind = Kind::Subjective;
            return true;
        }
        if (trimmed.startsWith(u'#')) {
            skip(QStringLiteral("numerical"));
            return false;
        }
        static const QRegularExpression truth(QStringLiteral("^(TRUE|FALSE|T|F)\\s*(#.*)?$"),
                                              QRegularExpression::CaseInsensitiveOption
                                                  | QRegularExpression::DotMatchesEverythingOption);
        if (const QRegularExpressionMatch m = truth.match(trimmed); m.hasMatch()) {
            q.kind = Kind::TrueFalse;
            q.answer = m.captured(1).at(0).toUpper() == u'T' ? QStringLiteral("A") : QStringLiteral("B");
            return true;
        }
        const std::vector<Item> items = splitItems(trimmed);
        if (items.empty()) {
            *message = QStringLiteral("答案“%1”的格式无法识别").arg(trimmed.left(30));
            return false;
        }
        bool wrongOnes = false;
        for (const Item& item : items) {
            if (item.right && findUnescaped(item.text, u"->") >= 0) {
                skip(QStringLiteral("matching"));
                return false;
            }
            wrongOnes = wrongOnes || !item.right;
        }
        if (!wrongOnes) {
            q.kind = Kind::Fill;
            for (const Item& item : items) {
                const QString a = asPlain(splitFeedback(item.text).first, format);
                // Answers with partial credit are not right: the bank has no partial credit.
                if (a.isEmpty() || (item.weighted && item.weight < 100))
                    continue;
                if (q.answer.isEmpty())
                    q.answer = a;
                else
                    q.alsoAccepted << a;
            }
            return true;
        }
        bool anyEquals = false;
        for (const Item& item : items)
            anyEquals = anyEquals || item.right;
        int rightCount = 0;
        QStringList feedback;
        for (size_t i = 0; i < items.size(); ++i) {
            const auto [option, note] = splitFeedback(items[i].text);
            q.options << asPlain(option, format);
            const bool right = anyEquals ? items[i].right : items[i].weighted && items[i].weight > 0;
            if (right && i < size_t(kMaxOptions)) {
                q.answer += QChar(char16_t(u'A' + int(i)));
                ++rightCount;
            }
            if (!note.trimmed().isEmpty())
                feedback << QStringLiteral("%1：%2").arg(QChar(char16_t(u'A' + int(i))), asPlain(note, format));
        }
        if (rightCount == 0 && items.size() <= size_t(kMaxOptions)) {
            *message = QStringLiteral("缺少答案：没有标出正确选项");
            return false;
        }
        q.kind = rightCount > 1 ? Kind::Multiple : Kind::Single;
        // Each option's feedback is the nearest thing to an analysis the bank can keep.
        if (!feedback.isEmpty()) {
            const QString lines = plainToHtml(feedback.join(QLatin1Char('\n')));
            q.analysis = q.analysis.isEmpty() ? lines : q.analysis + QStringLiteral("<br />") + lines;
        }
        return true;
    }

    QString m_category;
    int m_number = 0;
};

// An option or answer in an [html] text: "%50%…" at its start would read as a weight.
QString answerHtml(const QString& text)
{
    QString out = text.toHtmlEscaped();
    if (out.startsWith(u'%'))
        out.replace(0, 1, QStringLiteral("&#37;"));
    return escape(out);
}

QString weightText(int rightCount)
{
    // The fractions the course platform accepts: 100, 50, 33.33333, 25, 20, 16.66667 …
    const double w = 100.0 / rightCount;
    return QString::number(w, 'f', w == int(w) ? 0 : 5);
}

} // namespace

ReadResult readGift(const QByteArray& bytes)
{
    ReadResult out;
    QString text, error;
    if (!decodeText(bytes, &text, &error)) {
        out.fileOk = false;
        out.problems.push_back({0, 0, {}, error});
        return out;
    }
    Reader reader;
    for (const Block& block : splitBlocks(text))
        reader.read(block);
    out = std::move(reader.result);
    if (out.nothingRead())
        out = ReadResult::refused(noQuestionsText());
    return out;
}

QByteArray writeGift(const std::vector<Question>& questions)
{
    QString out;
    QString category;
    int number = 0;
    for (const Question& q : questions) {
        ++number;
        const QString c = q.points.isEmpty() ? q.category : q.points.join(QLatin1Char(','));
        // A category holds until the next one: an empty one ends it.
        if (c != category) {
            out += (QStringLiteral("$CATEGORY: ") + c).trimmed() + QStringLiteral("\n\n");
            category = c;
        }
        out += QStringLiteral("// question: %1\n").arg(number);
        if (!q.title.isEmpty())
            out += QStringLiteral("::") + escape(q.title) + QStringLiteral("::");
        out += QStringLiteral("[html]") + escape(htmlBody(q.stem).trimmed()) + QStringLiteral(" {");
        QString analysis = htmlBody(q.analysis).trimmed();
        switch (q.kind) {
        case Kind::Single:
            for (int i = 0; i < q.options.size(); ++i)
                out += QStringLiteral("\n\t") + (q.answer.contains(QChar(char16_t(u'A' + i))) ? u'=' : u'~')
                       + answerHtml(q.options[i]);
            break;
        case Kind::Multiple:
        case Kind::Indefinite: {
            const QString right = QStringLiteral("~%") + weightText(int(std::max<qsizetype>(1, q.answer.size()))) + u'%';
            for (int i = 0; i < q.options.size(); ++i)
                out += QStringLiteral("\n\t") + (q.answer.contains(QChar(char16_t(u'A' + i))) ? right : QStringLiteral("~%-100%"))
                       + answerHtml(q.options[i]);
            break;
        }
        case Kind::TrueFalse: out += q.answer == u"A" ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); break;
        case Kind::Fill:
            out += u'=' + answerHtml(q.answer);
            for (const QString& a : q.alsoAccepted)
                out += QStringLiteral(" =") + answerHtml(a);
            break;
        case Kind::Subjective:
            if (!q.answer.trimmed().isEmpty()) {
                const QString reference = QStringLiteral("参考答案：") + plainToHtml(q.answer.trimmed());
                analysis = analysis.isEmpty() ? reference : analysis + QStringLiteral("<br />") + reference;
            }
            break;
        }
        if (!analysis.isEmpty())
            out += QStringLiteral("\n\t####") + escape(analysis);
        out += QStringLiteral("\n}\n\n");
    }
    return out.toUtf8();
}

} // namespace exchange

#include "core/exchange/Question.h"

#include "core/question/AnswerRules.h"
#include "core/store/RtfReader.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace exchange {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Single: return QStringLiteral("单选");
    case Kind::Multiple: return QStringLiteral("多选");
    case Kind::Indefinite: return QStringLiteral("不定项");
    case Kind::TrueFalse: return QStringLiteral("判断");
    case Kind::Fill: return QStringLiteral("填空");
    case Kind::Subjective: return QStringLiteral("简答");
    }
    return {};
}

bool kindOfName(const QString& name, Kind* kind)
{
    const QString key = practice::typeNameKey(name);
    if (key.isEmpty())
        return false;
    // 不定项 first: "不定项选择" also holds 选择.
    if (key.contains(QStringLiteral("不定项")))
        *kind = Kind::Indefinite;
    else if (key.contains(QStringLiteral("单选")) || key.contains(QStringLiteral("单项选择")))
        *kind = Kind::Single;
    else if (key.contains(QStringLiteral("多选")) || key.contains(QStringLiteral("多项选择")))
        *kind = Kind::Multiple;
    else if (key.contains(QStringLiteral("判断")))
        *kind = Kind::TrueFalse;
    else if (key.contains(QStringLiteral("填空")))
        *kind = Kind::Fill;
    else if (practice::isSubjectiveTypeName(key) || key.contains(QStringLiteral("问答")) || key.contains(QStringLiteral("简答"))
             || key.contains(QStringLiteral("论述")) || key.contains(QStringLiteral("主观")))
        *kind = Kind::Subjective;
    else
        return false;
    return true;
}

bool kindOfBankType(int typeId, const QString& typeName, Kind* kind)
{
    switch (practice::AnswerPageOfType(typeId, typeName)) {
    case practice::SinglePage: *kind = Kind::Single; return true;
    case practice::MultiPage: *kind = Kind::Multiple; return true;
    case practice::MatchPage: *kind = Kind::Indefinite; return true;
    case practice::JudgePage: *kind = Kind::TrueFalse; return true;
    case practice::FillPage: *kind = Kind::Fill; return true;
    case practice::SubjectivePage: *kind = Kind::Subjective; return true;
    default: return false;
    }
}

bool isChoice(Kind kind)
{
    return kind == Kind::Single || kind == Kind::Multiple || kind == Kind::Indefinite;
}

QString Problem::where() const
{
    if (!element.isEmpty())
        return element;
    return line > 0 ? QStringLiteral("第%1行").arg(line) : QString();
}

QString Problem::text() const
{
    const QString w = where();
    return w.isEmpty() ? message : w + QLatin1Char(' ') + message;
}

ReadResult ReadResult::refused(const QString& why)
{
    ReadResult out;
    out.fileOk = false;
    out.problems.push_back({0, 0, {}, why});
    return out;
}

QString noQuestionsText()
{
    return QStringLiteral("文件中没有试题");
}

int ReadResult::skippedCount() const
{
    int n = 0;
    for (const auto& [type, count] : skippedTypes)
        n += count;
    return n;
}

QString ReadResult::summary() const
{
    if (!fileOk)
        return problems.empty() ? QString() : problems.front().text();
    QStringList parts = {QStringLiteral("可导入 %1 道试题").arg(questions.size())};
    if (!problems.empty())
        parts << QStringLiteral("%1 道有问题").arg(problems.size());
    if (const int skipped = skippedCount()) {
        QStringList types;
        for (const auto& [type, count] : skippedTypes)
            types << QStringLiteral("%1 %2 道").arg(type).arg(count);
        parts << QStringLiteral("跳过 %1 道本题库没有的题型（%2）").arg(skipped).arg(types.join(QStringLiteral("，")));
    }
    return parts.join(QStringLiteral("；"));
}

// ---- text ---------------------------------------------------------------------------

QString encodingError()
{
    return QStringLiteral("文件编码无法识别：请存为 UTF-8 或 GB18030 编码的文本");
}

bool decodeText(const QByteArray& bytes, QString* text, QString* error)
{
    QByteArrayView data(bytes);
    QStringDecoder decoder;
    bool gb18030 = false;
    if (data.startsWith("\xEF\xBB\xBF")) {
        decoder = QStringDecoder(QStringDecoder::Utf8);
        data = data.sliced(3);
    } else if (data.startsWith("\xFF\xFE")) {
        decoder = QStringDecoder(QStringDecoder::Utf16LE);
        data = data.sliced(2);
    } else if (data.startsWith("\xFE\xFF")) {
        decoder = QStringDecoder(QStringDecoder::Utf16BE);
        data = data.sliced(2);
    } else if (store::rtf::isValidUtf8(bytes)) {
        decoder = QStringDecoder(QStringDecoder::Utf8);
    } else {
        decoder = QStringDecoder("GB18030");
        gb18030 = true;
    }
    QString out = decoder.isValid() ? decoder.decode(data) : QString();
    // NUL characters: UTF-16 without its mark, or not text at all. The GB18030
    // decoder puts replacement characters where bytes are not GB18030.
    if (!decoder.isValid() || decoder.hasError() || out.contains(QChar(0))
        || (gb18030 && (out.contains(QChar::ReplacementCharacter) || out.contains(QChar(0x1A))))) {
        *error = encodingError();
        return false;
    }
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    *text = std::move(out);
    return true;
}

QString plainToHtml(const QString& plain)
{
    QString out = plain.toHtmlEscaped();
    out.replace(QLatin1Char('\n'), QStringLiteral("<br />"));
    return out;
}

namespace {

QString decodeEntity(QStringView name)
{
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                                                  : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF)
            return {};
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    static const std::pair<const char16_t*, const char16_t*> named[] = {
        {u"amp", u"&"}, {u"lt", u"<"}, {u"gt", u">"}, {u"quot", u"\""}, {u"apos", u"'"}, {u"nbsp", u"\u00A0"},
        {u"middot", u"\u00B7"}, {u"times", u"\u00D7"}, {u"divide", u"\u00F7"}, {u"hellip", u"\u2026"},
        {u"ldquo", u"\u201C"}, {u"rdquo", u"\u201D"}, {u"lsquo", u"\u2018"}, {u"rsquo", u"\u2019"},
        {u"mdash", u"\u2014"}, {u"ndash", u"\u2013"}, {u"le", u"\u2264"}, {u"ge", u"\u2265"}, {u"ne", u"\u2260"},
    };
    for (const auto& [n, v] : named)
        if (name == QStringView(n))
            return QString::fromUtf16(v);
    return {};
}

bool isBlockTag(QStringView tag)
{
    static const char16_t* const blocks[] = {u"p", u"div", u"li", u"tr", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6",
                                             u"table", u"ul", u"ol", u"blockquote", u"pre"};
    for (const char16_t* b : blocks)
        if (tag == QStringView(b))
            return true;
    return false;
}

} // namespace

QString htmlBody(const QString& html)
{
    const qsizetype open = html.indexOf(QStringLiteral("<body"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return html;
    const qsizetype start = html.indexOf(QLatin1Char('>'), open);
    if (start < 0)
        return html;
    qsizetype end = html.lastIndexOf(QStringLiteral("</body"), -1, Qt::CaseInsensitive);
    if (end < start)
        end = html.size();
    return html.mid(start + 1, end - start - 1);
}

QString htmlToPlain(const QString& html)
{
    const QString body = htmlBody(html);
    QString out;
    out.reserve(body.size());
    QString skipUntil; // the closing tag of an element whose content is not shown
    for (qsizetype i = 0; i < body.size();) {
        const QChar c = body[i];
        if (c == u'<') {
            qsizetype end = body.indexOf(QLatin1Char('>'), i);
            if (end < 0)
                end = body.size() - 1;
            QStringView tag = QStringView(body).mid(i + 1, end - i - 1).trimmed();
            const bool closing = tag.startsWith(u'/');
            if (closing)
                tag = tag.mid(1);
            qsizetype n = 0;
            while (n < tag.size() && (tag[n].isLetterOrNumber() || tag[n] == u':'))
                ++n;
            const QString name = tag.left(n).toString().toLower();
            i = end + 1;
            if (!skipUntil.isEmpty()) {
                if (closing && name == skipUntil)
                    skipUntil.clear();
                continue;
            }
            if (!closing && (name == u"style" || name == u"script" || name == u"head" || name == u"title"))
                skipUntil = name;
            else if (name == u"br")
                out += QLatin1Char('\n');
            else if (name == u"td" || name == u"th") {
                if (closing)
                    out += QLatin1Char('\t');
            } else if (isBlockTag(name) && !out.isEmpty() && !out.endsWith(QLatin1Char('\n')))
                out += QLatin1Char('\n');
            continue;
        }
        ++i;
        if (!skipUntil.isEmpty())
            continue;
        if (c == u'&') {
            const qsizetype semi = body.indexOf(QLatin1Char(';'), i);
            if (semi > i && semi - i <= 10) {
                const QString v = decodeEntity(QStringView(body).mid(i, semi - i));
                if (!v.isEmpty()) {
                    out += v;
                    i = semi + 1;
                    continue;
                }
            }
            out += c;
        } else if (c == u'\n' || c == u'\r' || c == u'\t') {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    // Lines trimmed, blank lines at the ends dropped, runs of blank lines kept as one.
    QStringList lines;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        QString t = line;
        t.replace(QChar(0x00A0), QLatin1Char(' '));
        t = t.trimmed();
        if (t.isEmpty() && (lines.isEmpty() || lines.back().isEmpty()))
            continue;
        lines << t;
    }
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

bool looksLikeHtml(const QString& text)
{
    static const QRegularExpression tag(QStringLiteral("^\\s*<(!DOCTYPE|html|body|p|div|span|b|i|u|strong|em|br|img|table|ul|ol|sub|sup|font)[\\s/>]"),
                                        QRegularExpression::CaseInsensitiveOption);
    return tag.match(text).hasMatch();
}

bool hasFormatting(const QString& html)
{
    static const QRegularExpression formats(
        QStringLiteral("<(img|b|strong|i|em|u|s|strike|sub|sup|table|ul|ol|font)[\\s/>]"
                       "|font-weight\\s*:\\s*(bold|[6-9]00)|font-style\\s*:\\s*italic|text-decoration\\s*:\\s*[a-z -]*(underline|line-through)"
                       "|vertical-align\\s*:\\s*(super|sub)|[^-]color\\s*:"),
        QRegularExpression::CaseInsensitiveOption);
    return formats.match(htmlBody(html)).hasMatch();
}

QString categoryPath(const QString& raw)
{
    static const QRegularExpression context(QStringLiteral("^\\$(course|system|module|cat\\d*)\\$/(top(/|$))?"));
    return raw.trimmed().remove(context);
}

QString numbered(int number, const QString& what)
{
    return QStringLiteral("第%1题：%2").arg(number).arg(what);
}

bool normaliseChoiceAnswer(Kind kind, const QString& raw, int options, QString* letters, QString* message)
{
    const QString text = raw.normalized(QString::NormalizationForm_KC).toUpper();
    std::vector<bool> chosen(size_t(std::max(options, 0)), false);
    int count = 0;
    for (QChar c : text) {
        if (c.isSpace() || c == u',' || c == u'、' || c == u';' || c == u'，' || c == u'；')
            continue;
        if (c < u'A' || c > u'Z') {
            *message = QStringLiteral("答案“%1”不是选项字母").arg(raw.trimmed());
            return false;
        }
        const int i = c.unicode() - u'A';
        if (i >= options) {
            *message = QStringLiteral("答案 %1 超出 %2 个选项").arg(c).arg(options);
            return false;
        }
        if (!chosen[size_t(i)]) {
            chosen[size_t(i)] = true;
            ++count;
        }
    }
    if (count == 0) {
        *message = QStringLiteral("缺少答案");
        return false;
    }
    if (kind == Kind::Single && count > 1) {
        *message = QStringLiteral("单选题只能有一个答案（给出的是“%1”）").arg(raw.trimmed());
        return false;
    }
    letters->clear();
    for (int i = 0; i < options; ++i)
        if (chosen[size_t(i)])
            *letters += QChar(char16_t(u'A' + i));
    return true;
}

QString normaliseJudgement(const QString& raw)
{
    const QString t = raw.normalized(QString::NormalizationForm_KC).trimmed().toUpper();
    static const QStringList yes = {QStringLiteral("A"), QStringLiteral("对"), QStringLiteral("正确"), QStringLiteral("√"),
                                    QStringLiteral("✓"), QStringLiteral("✔"), QStringLiteral("T"), QStringLiteral("TRUE"),
                                    QStringLiteral("是"), QStringLiteral("Y"), QStringLiteral("YES"), QStringLiteral("1")};
    static const QStringList no = {QStringLiteral("B"), QStringLiteral("错"), QStringLiteral("错误"), QStringLiteral("×"),
                                   QStringLiteral("✗"), QStringLiteral("✘"), QStringLiteral("X"), QStringLiteral("F"),
                                   QStringLiteral("FALSE"), QStringLiteral("否"), QStringLiteral("N"), QStringLiteral("NO"),
                                   QStringLiteral("0")};
    if (yes.contains(t))
        return QStringLiteral("A");
    if (no.contains(t))
        return QStringLiteral("B");
    return {};
}

QString mimeType(const QString& fileName)
{
    const QString suffix = fileName.section(QLatin1Char('.'), -1).toLower();
    QString mime = QStringLiteral("application/octet-stream");
    if (suffix == u"png")
        mime = QStringLiteral("image/png");
    else if (suffix == u"jpg" || suffix == u"jpeg")
        mime = QStringLiteral("image/jpeg");
    else if (suffix == u"gif")
        mime = QStringLiteral("image/gif");
    else if (suffix == u"bmp")
        mime = QStringLiteral("image/bmp");
    else if (suffix == u"webp")
        mime = QStringLiteral("image/webp");
    else if (suffix == u"svg")
        mime = QStringLiteral("image/svg+xml");
    return mime;
}

QString dataUrl(const QString& fileName, const QByteArray& bytes)
{
    return QStringLiteral("data:%1;base64,%2").arg(mimeType(fileName), QString::fromLatin1(bytes.toBase64()));
}

bool checkQuestion(Question& q, QString* message)
{
    if (htmlToPlain(q.stem).isEmpty() && !q.stem.contains(QStringLiteral("<img"), Qt::CaseInsensitive)) {
        *message = QStringLiteral("缺少题干");
        return false;
    }
    if (isChoice(q.kind)) {
        if (q.options.size() < 2) {
            *message = QStringLiteral("选择题至少要有两个选项");
            return false;
        }
        if (q.options.size() > kMaxOptions) {
            *message = QStringLiteral("选项多于 %1 个（共 %2 个）").arg(kMaxOptions).arg(q.options.size());
            return false;
        }
        for (int i = 0; i < q.options.size(); ++i)
            if (q.options[i].trimmed().isEmpty()) {
                *message = QStringLiteral("选项%1为空").arg(QChar(char16_t(u'A' + i)));
                return false;
            }
        QString letters;
        if (!normaliseChoiceAnswer(q.kind, q.answer, int(q.options.size()), &letters, message))
            return false;
        q.answer = letters;
        return true;
    }
    switch (q.kind) {
    case Kind::TrueFalse: {
        const QString a = normaliseJudgement(q.answer);
        if (a.isEmpty()) {
            *message = q.answer.trimmed().isEmpty() ? QStringLiteral("缺少答案")
                                                    : QStringLiteral("判断题的答案应为“对”或“错”（给出的是“%1”）").arg(q.answer.trimmed());
            return false;
        }
        q.answer = a;
        q.options.clear();
        return true;
    }
    case Kind::Fill:
        q.answer = practice::normaliseFillAnswer(q.answer);
        if (q.answer.isEmpty()) {
            *message = QStringLiteral("缺少答案");
            return false;
        }
        q.options.clear();
        return true;
    default:
        q.answer = q.answer.trimmed();
        q.options.clear();
        return true;
    }
}

BankForm bankForm(const Question& q)
{
    BankForm out;
    const QString body = htmlBody(q.stem).trimmed();
    // A stem read as plain text has no paragraph of its own to end before the options.
    out.stem = body.startsWith(QStringLiteral("<p"), Qt::CaseInsensitive) || body.startsWith(QStringLiteral("<table"), Qt::CaseInsensitive)
                   ? body
                   : QStringLiteral("<p>") + body + QStringLiteral("</p>");
    for (int i = 0; i < q.options.size(); ++i)
        out.stem += QStringLiteral("<p>%1. %2</p>").arg(QChar(char16_t(u'A' + i))).arg(q.options[i].toHtmlEscaped());
    QStringList extra;
    switch (q.kind) {
    case Kind::TrueFalse: out.options = 2; out.answer = q.answer; break;
    case Kind::Fill:
        out.answer = q.answer;
        if (!q.alsoAccepted.isEmpty())
            extra << QStringLiteral("也可答：") + q.alsoAccepted.join(QStringLiteral("；"));
        break;
    case Kind::Subjective:
        out.answer = QStringLiteral("1");
        if (!q.answer.trimmed().isEmpty())
            extra << QStringLiteral("参考答案：") + q.answer.trimmed();
        break;
    default: out.options = int(q.options.size()); out.answer = q.answer; break;
    }
    out.analysis = htmlBody(q.analysis).trimmed();
    for (const QString& e : extra)
        out.analysis += QStringLiteral("<p>") + plainToHtml(e) + QStringLiteral("</p>");
    return out;
}

namespace {

// "A. text", "Ａ．text", "A、text": the option's text when the line is option `index`.
bool optionLine(const QString& plain, int index, QString* text)
{
    static const QRegularExpression line(QStringLiteral("^\\s*([A-F])\\s*[.、:](.*)$"), QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = line.match(plain.normalized(QString::NormalizationForm_KC));
    if (!m.hasMatch() || m.captured(1).at(0).unicode() - u'A' != index)
        return false;
    *text = m.captured(2).trimmed();
    return true;
}

} // namespace

void splitOptions(const QString& stemHtml, int optionCount, QString* stem, QStringList* options)
{
    options->clear();
    const QString body = htmlBody(stemHtml).trimmed();
    *stem = body;
    if (optionCount < 1)
        return;
    // Paragraphs, as the editor saves a document.
    static const QRegularExpression paragraph(QStringLiteral("<p\\b[^>]*>(.*?)</p>"),
                                              QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    std::vector<QRegularExpressionMatch> blocks;
    for (auto it = paragraph.globalMatch(body); it.hasNext();)
        blocks.push_back(it.next());
    if (blocks.size() >= size_t(optionCount)) {
        QStringList texts;
        bool all = true;
        const size_t first = blocks.size() - size_t(optionCount);
        for (int i = 0; i < optionCount && all; ++i) {
            QString text;
            all = optionLine(htmlToPlain(blocks[first + size_t(i)].captured(1)), i, &text);
            texts << text;
        }
        // Only blanks may follow the last option.
        if (all && htmlToPlain(body.mid(blocks.back().capturedEnd())).isEmpty()) {
            *stem = body.left(blocks[first].capturedStart()).trimmed();
            *options = texts;
            return;
        }
    }
    // Lines of plain text (or broken by <br />): the formatting of the stem goes with them.
    QStringList lines = htmlToPlain(body).split(QLatin1Char('\n'));
    if (lines.size() <= optionCount)
        return;
    QStringList texts;
    for (int i = 0; i < optionCount; ++i) {
        QString text;
        if (!optionLine(lines[lines.size() - optionCount + i], i, &text))
            return;
        texts << text;
    }
    lines.resize(lines.size() - optionCount);
    *stem = plainToHtml(lines.join(QLatin1Char('\n')).trimmed());
    *options = texts;
}

} // namespace exchange

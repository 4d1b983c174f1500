#include "core/exchange/MoodleXml.h"

#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace exchange {

namespace {

// One <question> element as a small tree: the format nests little, and a question
// needs its children by name.
struct Node {
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Node> children;

    const Node* child(QStringView n) const
    {
        for (const Node& c : children)
            if (c.name == n)
                return &c;
        return nullptr;
    }
    // The text of <n><text>…</text></n>.
    QString childText(QStringView n) const
    {
        const Node* c = child(n);
        if (!c)
            return {};
        const Node* t = c->child(u"text");
        return t ? t->text : c->text;
    }
    QString attribute(QStringView n) const { return attributes.value(n.toString()).toString(); }
};

constexpr int kMaxDepth = 32;

// Reads the element the reader stands on, up to its end. False on an XML error.
bool readNode(QXmlStreamReader& xml, Node& node, int depth)
{
    node.name = xml.name().toString();
    node.attributes = xml.attributes();
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (depth >= kMaxDepth) {
                xml.raiseError(QStringLiteral("too deep"));
                return false;
            }
            node.children.emplace_back();
            if (!readNode(xml, node.children.back(), depth + 1))
                return false;
            break;
        }
        case QXmlStreamReader::EndElement: return true;
        case QXmlStreamReader::Characters: node.text += xml.text(); break;
        case QXmlStreamReader::EntityReference:
            xml.raiseError(QStringLiteral("entity"));
            return false;
        default: break;
        }
    }
    return !xml.hasError();
}

// The question's text as HTML, with its pictures embedded. Other files (sound, video)
// have no place in the bank: their references stay and are listed with the missing ones.
QString richText(const Node* node, QStringList* missing)
{
    if (!node)
        return {};
    const Node* t = node->child(u"text");
    QString text = (t ? t->text : QString()).trimmed();
    const QString format = node->attribute(u"format");
    if (format == u"plain_text" || format == u"markdown" || (format == u"moodle_auto_format" && !looksLikeHtml(text)))
        return plainToHtml(text);
    for (const Node& f : node->children) {
        if (f.name != u"file")
            continue;
        const QString name = f.attribute(u"name");
        const QString mime = mimeType(name);
        if (!mime.startsWith(QStringLiteral("image/")))
            continue;
        // Clean base64 goes into the URL as it is: decoding and encoding again would
        // double the time a file full of pictures takes. Anything else is decoded first,
        // so that nothing but base64 ever stands inside the attribute.
        QString base64 = f.text;
        base64.removeIf([](QChar c) { return c.isSpace(); });
        const bool clean = std::all_of(base64.cbegin(), base64.cend(), [](QChar c) {
            return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' || c == u'/' || c == u'=';
        });
        const QString url = clean ? QStringLiteral("data:%1;base64,%2").arg(mime, base64)
                                  : dataUrl(name, QByteArray::fromBase64(base64.toLatin1()));
        const QString path = f.attribute(u"path").isEmpty() ? QStringLiteral("/") : f.attribute(u"path");
        for (const QString& ref : {QStringLiteral("@@PLUGINFILE@@") + path + name,
                                   QStringLiteral("@@PLUGINFILE@@") + path + QString::fromLatin1(QUrl::toPercentEncoding(name, "/"))})
            text.replace(ref, url);
    }
    static const QRegularExpression left(QStringLiteral("@@PLUGINFILE@@/([^\"'\\s>]*)"));
    for (auto it = left.globalMatch(text); it.hasNext();)
        *missing << QUrl::fromPercentEncoding(it.next().captured(1).toUtf8());
    return text;
}

// An answer's text as the plain text an option holds.
QString answerText(const Node& answer)
{
    const Node* t = answer.child(u"text");
    const QString text = (t ? t->text : answer.text).trimmed();
    const QString format = answer.attribute(u"format");
    return format == u"plain_text" || (format == u"moodle_auto_format" && !looksLikeHtml(text)) ? text : htmlToPlain(text);
}

struct Answer {
    double fraction = 0;
    QString text;
};

std::vector<Answer> answersOf(const Node& question)
{
    std::vector<Answer> out;
    for (const Node& c : question.children)
        if (c.name == u"answer")
            out.push_back({c.attribute(u"fraction").toDouble(), answerText(c)});
    return out;
}

class Reader {
public:
    ReadResult result;

    void question(const Node& node, qint64 line)
    {
        const QString type = node.attribute(u"type");
        if (type == u"category") {
            m_category = categoryPath(node.childText(u"category"));
            return;
        }
        ++m_number;
        const QString element = QStringLiteral("第%1个 question 元素（第%2行）").arg(m_number).arg(line);
        Question q;
        q.number = m_number;
        q.line = int(line);
        q.element = element;
        q.category = m_category;
        q.title = node.childText(u"name").trimmed();
        QStringList missing;
        q.stem = richText(node.child(u"questiontext"), &missing);
        q.analysis = richText(node.child(u"generalfeedback"), &missing);
        if (const Node* tags = node.child(u"tags"))
            for (const Node& tag : tags->children)
                if (tag.name == u"tag")
                    q.points << tag.childText(u"text").trimmed();
        const std::vector<Answer> answers = answersOf(node);
        if (type == u"multichoice") {
            const QString single = node.childText(u"single").trimmed().toLower();
            q.kind = single == u"false" || single == u"0" ? Kind::Multiple : Kind::Single;
            double best = 0;
            for (const Answer& a : answers)
                best = std::max(best, a.fraction);
            for (size_t i = 0; i < answers.size(); ++i) {
                q.options << answers[i].text;
                const bool right = q.kind == Kind::Single ? best > 0 && answers[i].fraction >= best : answers[i].fraction > 0;
                if (right && i < size_t(kMaxOptions))
                    q.answer += QChar(char16_t(u'A' + int(i)));
            }
        } else if (type == u"truefalse") {
            q.kind = Kind::TrueFalse;
            for (const Answer& a : answers)
                if (a.fraction > 0) {
                    const QString t = a.text.toLower();
                    q.answer = t == u"true" ? QStringLiteral("A") : t == u"false" ? QStringLiteral("B") : normaliseJudgement(a.text);
                }
        } else if (type == u"shortanswer") {
            q.kind = Kind::Fill;
            double best = 0;
            for (const Answer& a : answers)
                best = std::max(best, a.fraction);
            for (const Answer& a : answers) {
                if (best <= 0 || a.fraction < best || a.text.isEmpty())
                    continue;
                if (q.answer.isEmpty())
                    q.answer = a.text;
                else
                    q.alsoAccepted << a.text;
            }
        } else if (type == u"essay") {
            q.kind = Kind::Subjective;
            q.answer = htmlToPlain(node.childText(u"graderinfo"));
        } else {
            ++result.skippedTypes[type.isEmpty() ? QStringLiteral("?") : type];
            return;
        }
        QString message;
        if (!checkQuestion(q, &message)) {
            result.problems.push_back({m_number, int(line), element, numbered(m_number, message)});
            return;
        }
        for (const QString& name : missing)
            result.notes.push_back({m_number, int(line), element,
                                    numbered(m_number, QStringLiteral("文件“%1”未能带入（文件中没有它，或它不是图片）").arg(name))});
        result.questions.push_back(std::move(q));
    }

private:
    QString m_category;
    int m_number = 0;
};

QString xmlError(const QXmlStreamReader& xml)
{
    return QStringLiteral("XML 文件格式有误（第%1行第%2列），无法读取").arg(xml.lineNumber()).arg(xml.columnNumber());
}

QString extensionOfMime(QStringView mime)
{
    if (mime == u"image/jpeg")
        return QStringLiteral("jpg");
    if (mime == u"image/svg+xml")
        return QStringLiteral("svg");
    const qsizetype slash = mime.indexOf(u'/');
    return slash < 0 ? QStringLiteral("bin") : mime.mid(slash + 1).toString();
}

struct File {
    QString name;
    QString base64;
};

// Pictures inside data: URLs become @@PLUGINFILE@@ references with their <file>.
QString extractPictures(const QString& html, int& counter, std::vector<File>& files)
{
    static const QRegularExpression data(QStringLiteral("data:(image/[a-z+.-]+);base64,([A-Za-z0-9+/=\\s]+)"));
    QString out;
    qsizetype last = 0;
    for (auto it = data.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = QStringLiteral("picture%1.%2").arg(++counter).arg(extensionOfMime(m.captured(1)));
        QString base64 = m.captured(2);
        base64.remove(QRegularExpression(QStringLiteral("\\s")));
        files.push_back({name, base64});
        out += QStringView(html).mid(last, m.capturedStart() - last);
        out += QStringLiteral("@@PLUGINFILE@@/") + name;
        last = m.capturedEnd();
    }
    out += QStringView(html).mid(last);
    return out;
}

void writeRichText(QXmlStreamWriter& w, const QString& element, const QString& html, int& counter)
{
    std::vector<File> files;
    const QString text = extractPictures(htmlBody(html).trimmed(), counter, files);
    w.writeStartElement(element);
    w.writeAttribute(QStringLiteral("format"), QStringLiteral("html"));
    w.writeStartElement(QStringLiteral("text"));
    w.writeCDATA(text);
    w.writeEndElement();
    for (const File& f : files) {
        w.writeStartElement(QStringLiteral("file"));
        w.writeAttribute(QStringLiteral("name"), f.name);
        w.writeAttribute(QStringLiteral("path"), QStringLiteral("/"));
        w.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
        w.writeCharacters(f.base64);
        w.writeEndElement();
    }
    w.writeEndElement();
}

void writeAnswer(QXmlStreamWriter& w, const QString& fraction, const QString& text, const QString& format = QStringLiteral("plain_text"))
{
    w.writeStartElement(QStringLiteral("answer"));
    w.writeAttribute(QStringLiteral("fraction"), fraction);
    w.writeAttribute(QStringLiteral("format"), format);
    w.writeTextElement(QStringLiteral("text"), text);
    w.writeEndElement();
}

QString fractionText(double f)
{
    return QString::number(f, 'f', f == int(f) ? 0 : 5);
}

// XML 1.0 has no place for most control characters: they would make the file unreadable.
QString xmlSafe(const QString& text)
{
    QString out = text;
    out.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r'; });
    return out;
}

} // namespace

QString dtdRefused()
{
    return QStringLiteral("文件含有文档类型定义（DTD），为安全起见不予读取");
}

ReadResult readMoodleXml(const QByteArray& bytes)
{
    ReadResult out;
    const auto fail = [&out](const QString& message) { return out = ReadResult::refused(message); };
    QXmlStreamReader xml(bytes);
    Reader reader;
    bool root = false;
    int questions = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return fail(dtdRefused());
        if (token == QXmlStreamReader::EntityReference)
            return fail(xmlError(xml));
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!root) {
            if (xml.name() != u"quiz")
                return fail(QStringLiteral("不是 Moodle XML 试题文件：根元素应为 <quiz>"));
            root = true;
            continue;
        }
        const qint64 line = xml.lineNumber();
        if (xml.name() != u"question") {
            xml.skipCurrentElement();
            continue;
        }
        Node node;
        if (!readNode(xml, node, 0))
            break;
        ++questions;
        reader.question(node, line);
    }
    if (xml.hasError()) {
        if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !root)
            return fail(QStringLiteral("文件是空的或不是 XML 文件"));
        return fail(xmlError(xml));
    }
    if (!root)
        return fail(QStringLiteral("文件是空的或不是 XML 文件"));
    out = std::move(reader.result);
    if (questions == 0 || out.nothingRead())
        out = ReadResult::refused(noQuestionsText());
    return out;
}

QByteArray writeMoodleXml(const std::vector<Question>& questions)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("quiz"));
    QString category;
    int pictures = 0;
    for (const Question& q : questions) {
        if (!q.category.isEmpty() && q.category != category) {
            category = q.category;
            w.writeStartElement(QStringLiteral("question"));
            w.writeAttribute(QStringLiteral("type"), QStringLiteral("category"));
            w.writeStartElement(QStringLiteral("category"));
            w.writeTextElement(QStringLiteral("text"), QStringLiteral("$course$/") + xmlSafe(category));
            w.writeEndElement();
            w.writeEndElement();
        }
        static const char* const types[] = {"multichoice", "multichoice", "multichoice", "truefalse", "shortanswer", "essay"};
        w.writeStartElement(QStringLiteral("question"));
        w.writeAttribute(QStringLiteral("type"), QString::fromLatin1(types[int(q.kind)]));
        w.writeStartElement(QStringLiteral("name"));
        const QString title = q.title.isEmpty() ? htmlToPlain(q.stem).simplified().left(40) : q.title;
        w.writeTextElement(QStringLiteral("text"), xmlSafe(title));
        w.writeEndElement();
        writeRichText(w, QStringLiteral("questiontext"), xmlSafe(q.stem), pictures);
        if (!q.analysis.isEmpty())
            writeRichText(w, QStringLiteral("generalfeedback"), xmlSafe(q.analysis), pictures);
        w.writeTextElement(QStringLiteral("defaultgrade"), QStringLiteral("1"));
        switch (q.kind) {
        case Kind::Single:
        case Kind::Multiple:
        case Kind::Indefinite: {
            const bool single = q.kind == Kind::Single;
            w.writeTextElement(QStringLiteral("single"), single ? QStringLiteral("true") : QStringLiteral("false"));
            w.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("0"));
            w.writeTextElement(QStringLiteral("answernumbering"), QStringLiteral("ABCD"));
            const double right = single ? 100.0 : 100.0 / double(std::max<qsizetype>(1, q.answer.size()));
            for (int i = 0; i < q.options.size(); ++i) {
                const bool isRight = q.answer.contains(QChar(char16_t(u'A' + i)));
                writeAnswer(w, fractionText(isRight ? right : single ? 0.0 : -100.0), xmlSafe(q.options[i]));
            }
            break;
        }
        case Kind::TrueFalse:
            writeAnswer(w, q.answer == u"A" ? QStringLiteral("100") : QStringLiteral("0"), QStringLiteral("true"), QStringLiteral("moodle_auto_format"));
            writeAnswer(w, q.answer == u"B" ? QStringLiteral("100") : QStringLiteral("0"), QStringLiteral("false"), QStringLiteral("moodle_auto_format"));
            break;
        case Kind::Fill:
            writeAnswer(w, QStringLiteral("100"), xmlSafe(q.answer));
            for (const QString& a : q.alsoAccepted)
                writeAnswer(w, QStringLiteral("100"), xmlSafe(a));
            break;
        case Kind::Subjective:
            if (!q.answer.trimmed().isEmpty()) {
                w.writeStartElement(QStringLiteral("graderinfo"));
                w.writeAttribute(QStringLiteral("format"), QStringLiteral("html"));
                w.writeTextElement(QStringLiteral("text"), plainToHtml(xmlSafe(q.answer.trimmed())));
                w.writeEndElement();
            }
            break;
        }
        if (!q.points.isEmpty()) {
            w.writeStartElement(QStringLiteral("tags"));
            for (const QString& p : q.points) {
                w.writeStartElement(QStringLiteral("tag"));
                w.writeTextElement(QStringLiteral("text"), xmlSafe(p));
                w.writeEndElement();
            }
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

} // namespace exchange

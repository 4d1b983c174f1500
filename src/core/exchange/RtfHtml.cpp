#include "core/exchange/RtfHtml.h"

#include "core/exchange/Question.h"
#include "core/store/RtfReader.h"

#include <QStringList>
#include <cmath>

namespace exchange {

namespace {

using namespace store::rtf;

// The file name whose suffix names the picture's type, judged by its first bytes
// (the document does not say reliably); empty for a type a browser cannot show.
QString pictureName(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("p.png");
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("p.jpg");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral("p.gif");
    if (bytes.startsWith("BM"))
        return QStringLiteral("p.bmp");
    return {};
}

QString pictureHtml(const Picture& picture)
{
    const QString name = pictureName(picture.bytes);
    if (name.isEmpty())
        return {};
    QString size;
    const auto pixels = [](int twips, int scale) { return int(std::lround(twips * scale / 100.0 / kTwipsPerPixel)); };
    if (picture.goalW > 0 && picture.goalH > 0)
        size = QStringLiteral(" width=\"%1\" height=\"%2\"").arg(pixels(picture.goalW, picture.scaleX)).arg(pixels(picture.goalH, picture.scaleY));
    return QStringLiteral("<img src=\"%1\"%2 />").arg(dataUrl(name, picture.bytes), size);
}

QString colourHex(const RtfDocument& doc, int index)
{
    if (index <= 0 || index >= doc.colours.size() || doc.colours[index].automatic)
        return {};
    const Colour& c = doc.colours[index];
    return QStringLiteral("#%1%2%3").arg(c.red, 2, 16, QLatin1Char('0')).arg(c.green, 2, 16, QLatin1Char('0')).arg(c.blue, 2, 16, QLatin1Char('0'));
}

QString runHtml(const RtfDocument& doc, const Run& run)
{
    if (run.picture >= 0)
        return run.picture < doc.pictures.size() ? pictureHtml(doc.pictures[run.picture]) : QString();
    QString text = run.text;
    fixSurrogates(text);
    text = text.toHtmlEscaped();
    text.replace(QChar::LineSeparator, QStringLiteral("<br />"));
    text.replace(QLatin1Char('\n'), QStringLiteral("<br />"));
    if (text.isEmpty())
        return {};
    const CharFormat& f = run.format;
    // Innermost first, so the tags close in the order they opened.
    const std::pair<bool, const char*> tags[] = {{f.vertical == 1, "sup"}, {f.vertical == 2, "sub"}, {f.strike, "s"},
                                                 {f.underline, "u"},       {f.italic, "i"},         {f.bold, "b"}};
    for (const auto& [on, tag] : tags)
        if (on)
            text = QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), text);
    const QString colour = colourHex(doc, f.colour);
    if (!colour.isEmpty())
        text = QStringLiteral("<span style=\"color:%1\">%2</span>").arg(colour, text);
    return text;
}

QString paragraphHtml(const RtfDocument& doc, const Paragraph& para)
{
    QString body;
    for (const Run& run : para.runs)
        body += runHtml(doc, run);
    static const char* const aligns[] = {nullptr, "center", "right", "justify"};
    const int align = para.format.align;
    if (align > 0 && align < 4)
        return QStringLiteral("<p style=\"text-align:%1\">%2</p>").arg(QLatin1String(aligns[align]), body);
    return QStringLiteral("<p>%1</p>").arg(body);
}

QString tableHtml(const RtfDocument& doc, const Table& table)
{
    QString out = QStringLiteral("<table border=\"1\">");
    for (const Row& row : table.rows) {
        out += QStringLiteral("<tr>");
        for (const Cell& cell : row.cells) {
            QStringList paras;
            for (const Paragraph& para : cell.paragraphs) {
                QString body;
                for (const Run& run : para.runs)
                    body += runHtml(doc, run);
                paras << body;
            }
            out += QStringLiteral("<td>") + paras.join(QStringLiteral("<br />")) + QStringLiteral("</td>");
        }
        out += QStringLiteral("</tr>");
    }
    return out + QStringLiteral("</table>");
}

} // namespace

QString rtfToHtml(const RtfDocument& doc)
{
    QStringList blocks;
    for (const Block& block : doc.blocks) {
        if (const auto* para = std::get_if<Paragraph>(&block))
            blocks << paragraphHtml(doc, *para);
        else
            blocks << tableHtml(doc, std::get<Table>(block));
    }
    // Empty paragraphs at the ends are the editor's, not the author's.
    while (!blocks.isEmpty() && blocks.first() == QLatin1String("<p></p>"))
        blocks.removeFirst();
    while (!blocks.isEmpty() && blocks.last() == QLatin1String("<p></p>"))
        blocks.removeLast();
    return blocks.join(QString());
}

} // namespace exchange

#include "ui/DocxWriter.h"

#include "core/exchange/Zip.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

namespace ui {

namespace {

constexpr int kTwipsPerPixel = 15;     // 96 pixels per inch
constexpr qint64 kEmuPerPixel = 9525;  // drawing units
constexpr int kTextWidthPx = 604;      // A4 less 2.5 cm margins: wider pictures are scaled down
constexpr int kTextWidthTwips = 9060;

// Element text and attribute values. Characters XML 1.0 cannot carry become blanks.
QString escaped(const QString& s)
{
    QString out;
    out.reserve(s.size() + 16);
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default:
            if ((c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
                || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
                out += QLatin1Char(' ');
            else
                out += c;
        }
    }
    return out;
}

// A small writer of element trees: open/attribute/close, text escaped on the way.
class Xml {
public:
    Xml& open(const char* name)
    {
        closeStart();
        m_s += QLatin1Char('<') + QLatin1String(name);
        m_names.append(name);
        m_startOpen = true;
        return *this;
    }
    Xml& attr(const char* name, const QString& value)
    {
        m_s += QLatin1Char(' ') + QLatin1String(name) + QLatin1String("=\"") + escaped(value) + QLatin1Char('"');
        return *this;
    }
    Xml& attr(const char* name, qint64 value) { return attr(name, QString::number(value)); }
    Xml& text(const QString& t)
    {
        closeStart();
        m_s += escaped(t);
        return *this;
    }
    Xml& close()
    {
        const char* name = m_names.takeLast();
        if (m_startOpen) {
            m_s += QLatin1String("/>");
            m_startOpen = false;
        } else {
            m_s += QLatin1String("</") + QLatin1String(name) + QLatin1Char('>');
        }
        return *this;
    }
    // An element without content: <name a="v"/>.
    Xml& empty(const char* name) { return open(name).close(); }
    Xml& empty(const char* name, const char* a, const QString& v) { return open(name).attr(a, v).close(); }
    QByteArray bytes() const { return m_s.toUtf8(); }

private:
    void closeStart()
    {
        if (m_startOpen) {
            m_s += QLatin1Char('>');
            m_startOpen = false;
        }
    }
    QString m_s = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
    QList<const char*> m_names;
    bool m_startOpen = false;
};

QString hex(const QColor& c)
{
    return QString::asprintf("%02X%02X%02X", c.red(), c.green(), c.blue());
}

class BodyWriter {
public:
    explicit BodyWriter(const QTextDocument& doc) : m_doc(doc) {}

    void frame(QTextFrame* f)
    {
        for (QTextFrame::iterator it = f->begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame()) {
                if (auto* table = qobject_cast<QTextTable*>(child))
                    this->table(table);
                else
                    frame(child);
            } else if (it.currentBlock().isValid()) {
                paragraph(it.currentBlock());
            }
        }
    }

    Xml x;
    struct Media {
        QString name;
        QByteArray png;
    };
    QList<Media> media; // word/media/<name>, relationship "rId" + (index + 1)

private:
    void paragraph(const QTextBlock& block)
    {
        x.open("w:p");
        paragraphProperties(block.blockFormat());
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid())
                continue;
            const QTextCharFormat cf = f.charFormat();
            if (cf.isImageFormat()) {
                for (int i = 0; i < f.length(); ++i)
                    picture(cf.toImageFormat());
                continue;
            }
            run(f.text(), cf);
        }
        x.close();
    }

    void paragraphProperties(const QTextBlockFormat& bf)
    {
        const bool pageBreak = bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        const int left = int(bf.leftMargin() * kTwipsPerPixel);
        const int first = int(bf.textIndent() * kTwipsPerPixel);
        if (!pageBreak && (a == Qt::AlignLeft || a == Qt::AlignLeading || !a) && !left && !first)
            return;
        x.open("w:pPr");
        if (pageBreak)
            x.empty("w:pageBreakBefore");
        if (left || first) {
            x.open("w:ind").attr("w:left", left);
            if (first >= 0)
                x.attr("w:firstLine", first);
            else
                x.attr("w:hanging", -first);
            x.close();
        }
        if (a & Qt::AlignHCenter)
            x.empty("w:jc", "w:val", QStringLiteral("center"));
        else if (a & (Qt::AlignRight | Qt::AlignTrailing))
            x.empty("w:jc", "w:val", QStringLiteral("right"));
        else if (a & Qt::AlignJustify)
            x.empty("w:jc", "w:val", QStringLiteral("both"));
        x.close();
    }

    void runProperties(const QTextCharFormat& cf)
    {
        const QString family = cf.fontFamilies().toStringList().value(0);
        double points = cf.fontPointSize();
        if (points <= 0 && cf.hasProperty(QTextFormat::FontPixelSize))
            points = cf.intProperty(QTextFormat::FontPixelSize) * 0.75;
        const bool colour = cf.foreground().style() != Qt::NoBrush;
        const bool bold = cf.fontWeight() >= QFont::DemiBold;
        const bool vertical = cf.verticalAlignment() == QTextCharFormat::AlignSuperScript
                           || cf.verticalAlignment() == QTextCharFormat::AlignSubScript;
        if (family.isEmpty() && points <= 0 && !colour && !bold && !cf.fontItalic() && !cf.fontUnderline()
            && !cf.fontStrikeOut() && !vertical)
            return;
        x.open("w:rPr");
        if (!family.isEmpty())
            x.open("w:rFonts").attr("w:ascii", family).attr("w:hAnsi", family).attr("w:eastAsia", family).close();
        if (bold)
            x.empty("w:b");
        if (cf.fontItalic())
            x.empty("w:i");
        if (cf.fontStrikeOut())
            x.empty("w:strike");
        if (colour)
            x.empty("w:color", "w:val", hex(cf.foreground().color()));
        if (points > 0)
            x.empty("w:sz", "w:val", QString::number(qBound(2, qRound(points * 2), 3276)));
        if (cf.fontUnderline())
            x.empty("w:u", "w:val", QStringLiteral("single"));
        if (vertical)
            x.empty("w:vertAlign", "w:val",
                    cf.verticalAlignment() == QTextCharFormat::AlignSuperScript ? QStringLiteral("superscript")
                                                                                : QStringLiteral("subscript"));
        x.close();
    }

    void run(const QString& text, const QTextCharFormat& cf)
    {
        x.open("w:r");
        runProperties(cf);
        QString chunk;
        const auto flush = [&] {
            if (!chunk.isEmpty())
                x.open("w:t").attr("xml:space", QStringLiteral("preserve")).text(chunk).close();
            chunk.clear();
        };
        for (QChar c : text) {
            if (c == QChar::LineSeparator || c == QLatin1Char('\n')) {
                flush();
                x.empty("w:br");
            } else if (c == QLatin1Char('\t')) {
                flush();
                x.empty("w:tab");
            } else if (c == QChar::ObjectReplacementCharacter) {
                // An object Qt draws itself: nothing a word processor could show.
            } else {
                chunk += c;
            }
        }
        flush();
        x.close();
    }

    // The picture's PNG, once per resource name; -1 when it cannot be read.
    int mediaIndex(const QString& name, QSize& size)
    {
        if (auto it = m_mediaByName.constFind(name); it != m_mediaByName.constEnd()) {
            size = m_sizes[*it];
            return *it;
        }
        const QVariant v = m_doc.resource(QTextDocument::ImageResource, QUrl(name));
        QImage image;
        if (v.typeId() == QMetaType::QImage)
            image = v.value<QImage>();
        else if (v.typeId() == QMetaType::QPixmap)
            image = v.value<QPixmap>().toImage();
        else if (v.typeId() == QMetaType::QByteArray)
            image.loadFromData(v.toByteArray());
        int index = -1;
        if (!image.isNull()) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            index = int(media.size());
            media.append({QStringLiteral("image%1.png").arg(index + 1), png});
            m_sizes.insert(index, image.size());
            size = image.size();
        }
        m_mediaByName.insert(name, index);
        return index;
    }

    void picture(const QTextImageFormat& f)
    {
        QSize own;
        const int index = mediaIndex(f.name(), own);
        if (index < 0)
            return;
        double w = f.width() > 0 ? f.width() : own.width();
        double h = f.height() > 0 ? f.height() : own.height();
        if (f.width() > 0 && f.height() <= 0 && own.width() > 0)
            h = own.height() * w / own.width();
        if (f.height() > 0 && f.width() <= 0 && own.height() > 0)
            w = own.width() * h / own.height();
        if (w > kTextWidthPx) {
            h = h * kTextWidthPx / w;
            w = kTextWidthPx;
        }
        const qint64 cx = qMax<qint64>(1, qRound64(w * kEmuPerPixel));
        const qint64 cy = qMax<qint64>(1, qRound64(h * kEmuPerPixel));
        const int id = ++m_drawingId;
        const QString name = media[index].name;
        x.open("w:r").open("w:drawing").open("wp:inline");
        x.attr("distT", 0).attr("distB", 0).attr("distL", 0).attr("distR", 0);
        x.open("wp:extent").attr("cx", cx).attr("cy", cy).close();
        x.open("wp:docPr").attr("id", id).attr("name", QStringLiteral("Picture %1").arg(id)).close();
        x.open("a:graphic").attr("xmlns:a", QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main"));
        x.open("a:graphicData").attr("uri", QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture"));
        x.open("pic:pic").attr("xmlns:pic", QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture"));
        x.open("pic:nvPicPr");
        x.open("pic:cNvPr").attr("id", id).attr("name", name).close();
        x.empty("pic:cNvPicPr");
        x.close();
        x.open("pic:blipFill");
        x.open("a:blip").attr("r:embed", QStringLiteral("rId%1").arg(index + 1)).close();
        x.open("a:stretch").empty("a:fillRect").close();
        x.close();
        x.open("pic:spPr");
        x.open("a:xfrm");
        x.open("a:off").attr("x", 0).attr("y", 0).close();
        x.open("a:ext").attr("cx", cx).attr("cy", cy).close();
        x.close();
        x.open("a:prstGeom").attr("prst", QStringLiteral("rect")).empty("a:avLst").close();
        x.close();
        x.close().close().close(); // pic:pic, a:graphicData, a:graphic
        x.close().close().close(); // wp:inline, w:drawing, w:r
    }

    void cellContent(const QTextTableCell& cell)
    {
        bool endsWithParagraph = false;
        for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame()) {
                if (auto* t = qobject_cast<QTextTable*>(child))
                    table(t);
                else
                    frame(child);
                endsWithParagraph = false;
            } else if (it.currentBlock().isValid()) {
                paragraph(it.currentBlock());
                endsWithParagraph = true;
            }
        }
        // A cell must end with a paragraph.
        if (!endsWithParagraph)
            x.empty("w:p");
    }

    void table(QTextTable* t)
    {
        const int rows = t->rows();
        const int columns = t->columns();
        if (rows <= 0 || columns <= 0)
            return;
        QList<int> widths(columns, kTextWidthTwips / columns);
        const QList<QTextLength> constraints = t->format().columnWidthConstraints();
        if (constraints.size() == columns) {
            double fixed = 0;
            for (const QTextLength& l : constraints)
                fixed += l.type() == QTextLength::FixedLength ? l.rawValue() * kTwipsPerPixel : 0;
            for (int c = 0; c < columns; ++c) {
                const QTextLength& l = constraints[c];
                if (l.type() == QTextLength::FixedLength)
                    widths[c] = qMax(1, int(l.rawValue() * kTwipsPerPixel));
                else if (l.type() == QTextLength::PercentageLength)
                    widths[c] = qMax(1, int(l.rawValue() * kTextWidthTwips / 100));
            }
            Q_UNUSED(fixed);
        }
        x.open("w:tbl");
        x.open("w:tblPr");
        x.open("w:tblW").attr("w:w", 0).attr("w:type", QStringLiteral("auto")).close();
        x.open("w:tblBorders");
        for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
            x.open(side).attr("w:val", QStringLiteral("single")).attr("w:sz", 4).attr("w:space", 0)
                .attr("w:color", QStringLiteral("000000")).close();
        x.close();
        x.close();
        x.open("w:tblGrid");
        for (int c = 0; c < columns; ++c)
            x.empty("w:gridCol", "w:w", QString::number(widths[c]));
        x.close();
        for (int r = 0; r < rows; ++r) {
            x.open("w:tr");
            int c = 0;
            while (c < columns) {
                const QTextTableCell cell = t->cellAt(r, c);
                const int span = qMax(1, cell.isValid() ? cell.columnSpan() : 1);
                int width = 0;
                for (int k = c; k < qMin(columns, c + span); ++k)
                    width += widths[k];
                x.open("w:tc").open("w:tcPr");
                x.open("w:tcW").attr("w:w", width).attr("w:type", QStringLiteral("dxa")).close();
                if (span > 1)
                    x.empty("w:gridSpan", "w:val", QString::number(span));
                const bool continued = cell.isValid() && cell.row() != r;
                if (continued)
                    x.empty("w:vMerge");
                else if (cell.isValid() && cell.rowSpan() > 1)
                    x.empty("w:vMerge", "w:val", QStringLiteral("restart"));
                x.close();
                if (cell.isValid() && !continued)
                    cellContent(cell);
                else
                    x.empty("w:p");
                x.close();
                c += span;
            }
            x.close();
        }
        x.close();
    }

    const QTextDocument& m_doc;
    QHash<QString, int> m_mediaByName;
    QHash<int, QSize> m_sizes;
    int m_drawingId = 0;
};

QByteArray documentXml(BodyWriter& body, const QTextDocument& doc)
{
    body.x.open("w:document")
        .attr("xmlns:w", QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main"))
        .attr("xmlns:r", QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships"))
        .attr("xmlns:wp", QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"));
    body.x.open("w:body");
    body.frame(doc.rootFrame());
    body.x.open("w:sectPr");
    body.x.open("w:pgSz").attr("w:w", 11906).attr("w:h", 16838).close();
    body.x.open("w:pgMar").attr("w:top", 1440).attr("w:right", 1418).attr("w:bottom", 1440).attr("w:left", 1418)
        .attr("w:header", 851).attr("w:footer", 992).attr("w:gutter", 0).close();
    body.x.close().close().close();
    return body.x.bytes();
}

// The fonts the document names by default: ones a word processor on Windows has
// (SimSun, 宋体 by its Chinese name; Times New Roman), which LibreOffice replaces
// by its metric-compatible ones elsewhere.
const QString kEastAsianFont = QStringLiteral("SimSun");
const QString kEastAsianAltName = QStringLiteral("宋体");
const QString kLatinFont = QStringLiteral("Times New Roman");

QByteArray stylesXml(const QTextDocument& doc)
{
    const int halfPoints = doc.defaultFont().pointSizeF() > 0 ? qRound(doc.defaultFont().pointSizeF() * 2) : 21;
    Xml x;
    x.open("w:styles").attr("xmlns:w", QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main"));
    x.open("w:docDefaults").open("w:rPrDefault").open("w:rPr");
    x.open("w:rFonts").attr("w:ascii", kLatinFont).attr("w:hAnsi", kLatinFont).attr("w:eastAsia", kEastAsianFont)
        .attr("w:cs", kLatinFont).close();
    x.empty("w:sz", "w:val", QString::number(halfPoints));
    x.empty("w:lang", "w:eastAsia", QStringLiteral("zh-CN"));
    x.close().close().close();
    x.close();
    return x.bytes();
}

// The font table: each default font with its other name, character set and kind, so
// that a reader lacking one picks a like font.
QByteArray fontTableXml()
{
    Xml x;
    x.open("w:fonts").attr("xmlns:w", QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main"));
    x.open("w:font").attr("w:name", kEastAsianFont);
    x.empty("w:altName", "w:val", kEastAsianAltName);
    x.empty("w:charset", "w:val", QStringLiteral("86"));
    x.empty("w:family", "w:val", QStringLiteral("auto"));
    x.empty("w:pitch", "w:val", QStringLiteral("variable"));
    x.close();
    x.open("w:font").attr("w:name", kLatinFont);
    x.empty("w:charset", "w:val", QStringLiteral("00"));
    x.empty("w:family", "w:val", QStringLiteral("roman"));
    x.empty("w:pitch", "w:val", QStringLiteral("variable"));
    x.close();
    x.close();
    return x.bytes();
}

QByteArray relationships(const QList<BodyWriter::Media>& media)
{
    Xml x;
    x.open("Relationships").attr("xmlns", QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships"));
    for (int i = 0; i < media.size(); ++i)
        x.open("Relationship").attr("Id", QStringLiteral("rId%1").arg(i + 1))
            .attr("Type", QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image"))
            .attr("Target", QStringLiteral("media/") + media[i].name).close();
    x.open("Relationship").attr("Id", QStringLiteral("rIdStyles"))
        .attr("Type", QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles"))
        .attr("Target", QStringLiteral("styles.xml")).close();
    x.open("Relationship").attr("Id", QStringLiteral("rIdFonts"))
        .attr("Type", QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable"))
        .attr("Target", QStringLiteral("fontTable.xml")).close();
    x.close();
    return x.bytes();
}

const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Default Extension=\"png\" ContentType=\"image/png\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "<Override PartName=\"/word/fontTable.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml\"/>"
    "</Types>";

const char kPackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/></Relationships>";

} // namespace

QByteArray docxBytes(const QTextDocument& doc)
{
    BodyWriter body(doc);
    const QByteArray document = documentXml(body, doc);
    exchange::ZipWriter zip;
    // The content types first, as readers that sniff the archive expect.
    zip.add("[Content_Types].xml", QByteArray(kContentTypes));
    zip.add("_rels/.rels", QByteArray(kPackageRels));
    zip.add("word/document.xml", document);
    zip.add("word/styles.xml", stylesXml(doc));
    zip.add("word/fontTable.xml", fontTableXml());
    zip.add("word/_rels/document.xml.rels", relationships(body.media));
    for (const BodyWriter::Media& m : body.media)
        zip.add(("word/media/" + m.name.toUtf8()).constData(), m.png, true);
    return zip.finish();
}

} // namespace ui

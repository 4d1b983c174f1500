#include "ui/RichText.h"

#include "core/store/Dataset.h"
#include "core/store/DbError.h"
#include "core/store/RtfReader.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string_view>
#include <variant>

namespace ui {

namespace {

using namespace store::rtf;

// ---------------------------------------------------------------------------
// Pictures

bool isDataUrl(const QString& name)
{
    return name.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
}

// A picture from encoded bytes, or a null image when the bytes are not a picture the
// reader knows or the picture is larger than a document should carry.
QImage decodePicture(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > kMaxPictureBytes)
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The bytes decide the type: a declared type may be wrong.
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // Only the picture types documents carry; the other readers (XPM, PBM, ...) take
    // text for pictures and are no business of a document.
    static const QByteArrayList accepted = {"png", "jpeg", "jpg", "gif", "bmp"};
    if (!reader.canRead() || !accepted.contains(reader.format().toLower()))
        return {};
    const QSize size = reader.size();
    if (size.isValid()
        && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide
            || qint64(size.width()) * size.height() > kMaxPicturePixels))
        return {};
    const QImage image = reader.read();
    if (image.isNull() || image.width() > kMaxPictureSide || image.height() > kMaxPictureSide)
        return {};
    return image;
}

// data:[<type>][;base64],<payload>
QImage decodeDataUrl(const QString& url)
{
    const qsizetype comma = url.indexOf(QLatin1Char(','));
    if (comma < 0 || !isDataUrl(url))
        return {};
    const QStringView header = QStringView(url).mid(5, comma - 5);
    if (!header.startsWith(QLatin1String("image/"), Qt::CaseInsensitive))
        return {};
    const QStringView payload = QStringView(url).mid(comma + 1);
    if (payload.size() > kMaxPictureBytes * 2)
        return {};
    QByteArray bytes = payload.toLatin1();
    if (header.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        bytes = QByteArray::fromBase64(bytes);
    else
        bytes = QByteArray::fromPercentEncoding(bytes);
    return decodePicture(bytes);
}

// Every picture a document refers to must already be one of its resources: otherwise
// the document would look it up itself, in files or wherever the name points.
void containResources(QTextDocument* doc, const QSet<QString>& own)
{
    QSet<QString> seen;
    const auto formats = doc->allFormats();
    for (const QTextFormat& format : formats) {
        for (int property : {int(QTextFormat::ImageName), int(QTextFormat::BackgroundImageUrl)}) {
            const QString name = format.stringProperty(property);
            if (name.isEmpty() || own.contains(name) || seen.contains(name))
                continue;
            seen.insert(name);
            const QImage image = isDataUrl(name) ? decodeDataUrl(name) : QImage();
            doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
        }
    }
}

// ---------------------------------------------------------------------------
// Writing the model into a document.

class DocumentWriter {
public:
    DocumentWriter(QTextDocument* doc, const RtfDocument& rtf) : m_doc(doc), m_rtf(rtf) {}

    void write()
    {
        for (qsizetype i = 0; i < m_rtf.pictures.size(); ++i) {
            const Picture& pict = m_rtf.pictures[i];
            const QImage image = decodePicture(pict.bytes);
            m_pictureSizes.append(displaySize(pict, image));
            m_pictureNames.append(image.isNull() ? QString() : QStringLiteral("rtfpict:%1").arg(i + 1));
            if (!image.isNull())
                m_doc->addResource(QTextDocument::ImageResource, QUrl(m_pictureNames.back()), image);
        }
        QTextCursor cursor(m_doc);
        // One change for the whole document: a layout that follows every insertion
        // would lay a long paragraph out again for each run.
        cursor.beginEditBlock();
        bool blockReady = true; // the cursor's block is empty and takes the next paragraph
        for (const Block& block : m_rtf.blocks) {
            if (const auto* para = std::get_if<Paragraph>(&block)) {
                writeParagraph(cursor, *para, blockReady);
                blockReady = false;
            } else {
                if (blockReady) {
                    // The document keeps a block in front of every table; when it has no
                    // text of its own, it should take no room.
                    QTextBlockFormat thin;
                    thin.setLineHeight(1, QTextBlockFormat::FixedHeight);
                    cursor.setBlockFormat(thin);
                }
                writeTable(cursor, std::get<Table>(block));
                cursor.movePosition(QTextCursor::End);
                blockReady = true;
            }
        }
        cursor.endEditBlock();
    }

    const QStringList& pictureNames() const { return m_pictureNames; }

private:
    static double px(int twips) { return qBound(-kMaxLengthPx, twips / kTwipsPerPixel, kMaxLengthPx); }

    QTextBlockFormat blockFormat(const ParaFormat& p) const
    {
        QTextBlockFormat f;
        static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
        f.setAlignment(aligns[qBound(0, p.align, 3)]);
        if (p.left) f.setLeftMargin(qMax(0.0, px(p.left)));
        if (p.right) f.setRightMargin(qMax(0.0, px(p.right)));
        if (p.first) f.setTextIndent(px(p.first));
        if (p.before) f.setTopMargin(qMax(0.0, px(p.before)));
        if (p.after) f.setBottomMargin(qMax(0.0, px(p.after)));
        return f;
    }

    const QTextCharFormat& charFormat(const CharFormat& c)
    {
        if (auto it = m_charFormats.constFind(c); it != m_charFormats.constEnd())
            return *it;
        QTextCharFormat f;
        if (c.bold) f.setFontWeight(QFont::Bold);
        if (c.italic) f.setFontItalic(true);
        if (c.underline) f.setFontUnderline(true);
        if (c.strike) f.setFontStrikeOut(true);
        // Each size is a font the layout must load; a document gets a few, within reason.
        if (c.halfPoints > 0) {
            const int halfPoints = qBound(kMinHalfPoints, c.halfPoints, kMaxHalfPoints);
            if (m_sizes.contains(halfPoints) || m_sizes.size() < kMaxSizes) {
                m_sizes.insert(halfPoints);
                f.setFontPointSize(halfPoints / 2.0);
            }
        }
        if (c.vertical == 1) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        if (c.vertical == 2) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        if (c.colour > 0 && c.colour < m_rtf.colours.size() && !m_rtf.colours[c.colour].automatic)
            f.setForeground(colourOf(m_rtf.colours[c.colour]));
        if (c.background > 0 && c.background < m_rtf.colours.size() && !m_rtf.colours[c.background].automatic)
            f.setBackground(colourOf(m_rtf.colours[c.background]));
        // The default font is the view's own (a CJK face); another font is used only
        // when it is installed, or as the monospace face for a fixed-pitch one.
        const auto font = m_rtf.fonts.find(c.font);
        if (c.font >= 0 && c.font != m_rtf.defaultFont && font != m_rtf.fonts.end() && qGuiApp) {
            if (!font->second.name.isEmpty() && QFontDatabase::hasFamily(font->second.name))
                f.setFontFamilies(QStringList{font->second.name});
            else if (font->second.fixedPitch)
                f.setFontFamilies(QStringList{QStringLiteral("monospace")});
        }
        return *m_charFormats.insert(c, f);
    }

    void writeRuns(QTextCursor& cursor, const QList<Run>& runs)
    {
        for (const Run& run : runs) {
            const QTextCharFormat& f = charFormat(run.format);
            if (run.picture >= 0) {
                // Metafiles and broken data: nothing to show.
                if (m_pictureNames[run.picture].isEmpty())
                    continue;
                QTextImageFormat image;
                image.merge(f);
                image.setName(m_pictureNames[run.picture]);
                image.setWidth(m_pictureSizes[run.picture].width());
                image.setHeight(m_pictureSizes[run.picture].height());
                cursor.insertImage(image);
            } else {
                QString text = run.text;
                fixSurrogates(text);
                cursor.insertText(text, f);
            }
        }
    }

    void writeParagraph(QTextCursor& cursor, const Paragraph& para, bool blockReady)
    {
        const QTextCharFormat blockChars = para.runs.isEmpty() ? QTextCharFormat() : charFormat(para.runs.first().format);
        if (blockReady) {
            cursor.setBlockFormat(blockFormat(para.format));
            cursor.setBlockCharFormat(blockChars);
        } else {
            cursor.insertBlock(blockFormat(para.format), blockChars);
        }
        writeRuns(cursor, para.runs);
    }

    void writeTable(QTextCursor& cursor, const Table& table)
    {
        const int rows = int(table.rows.size());
        const int columns = qMax(1, table.columns);
        if (rows == 0)
            return;
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderBrush(Qt::black);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        static const Qt::Alignment places[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
        format.setAlignment(places[qBound(0, table.align, 2)]);
        // Column widths from the first row's cell edges.
        const QList<int>& edges = table.rows.first().rightEdges;
        QList<QTextLength> widths;
        int left = 0;
        for (int c = 0; c < columns; ++c) {
            const double w = c < edges.size() ? px(edges[c] - left) : 0;
            widths.append(w > 0 ? QTextLength(QTextLength::FixedLength, w) : QTextLength());
            if (c < edges.size())
                left = edges[c];
        }
        format.setColumnWidthConstraints(widths);
        QTextTable* t = cursor.insertTable(rows, columns, format);
        for (int r = 0; r < rows; ++r) {
            const Row& row = table.rows[r];
            for (int c = 0; c < row.cells.size() && c < columns; ++c) {
                QTextCursor cellCursor = t->cellAt(r, c).firstCursorPosition();
                bool ready = true;
                for (const Paragraph& para : row.cells[c].paragraphs) {
                    writeParagraph(cellCursor, para, ready);
                    ready = false;
                }
            }
        }
    }

    QTextDocument* m_doc;
    const RtfDocument& m_rtf;
    // Display size: the goal size in twips, scaled; else the picture's own pixels.
    static QSizeF displaySize(const Picture& pict, const QImage& image)
    {
        double w = pict.goalW > 0 ? pict.goalW / kTwipsPerPixel : image.width();
        double h = pict.goalH > 0 ? pict.goalH / kTwipsPerPixel : image.height();
        w *= qBound(1, pict.scaleX, 1000) / 100.0;
        h *= qBound(1, pict.scaleY, 1000) / 100.0;
        if (w > kMaxLengthPx || h > kMaxLengthPx) {
            const double k = kMaxLengthPx / qMax(w, h);
            w *= k;
            h *= k;
        }
        return QSizeF(qMax(1.0, w), qMax(1.0, h));
    }
    static QColor colourOf(const Colour& c) { return c.automatic ? QColor() : QColor(c.red, c.green, c.blue); }

    QStringList m_pictureNames; // empty for a picture that does not decode
    QList<QSizeF> m_pictureSizes;
    QHash<CharFormat, QTextCharFormat> m_charFormats;
    QSet<int> m_sizes;
};


QString frameText(QTextFrame* frame);

// A table's text: rows on lines, cells separated by tabs.
QString tableText(QTextTable* table)
{
    QStringList lines;
    for (int r = 0; r < table->rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue; // covered by a merged cell
            QStringList paragraphs;
            for (auto it = cell.begin(); !it.atEnd(); ++it)
                paragraphs.append(it.currentFrame() ? frameText(it.currentFrame()) : it.currentBlock().text());
            cells.append(paragraphs.join(QLatin1Char('\n')));
        }
        lines.append(cells.join(QLatin1Char('\t')));
    }
    return lines.join(QLatin1Char('\n'));
}

// The text of a frame in the same form as richTextToPlain() gives it.
QString frameText(QTextFrame* frame)
{
    if (auto* table = qobject_cast<QTextTable*>(frame))
        return tableText(table);
    QStringList lines;
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            lines.append(frameText(child));
            continue;
        }
        // The block a document keeps in front of every table is no line of the text.
        auto next = it;
        ++next;
        if (!it.currentBlock().text().isEmpty() || next.atEnd() || !qobject_cast<QTextTable*>(next.currentFrame()))
            lines.append(it.currentBlock().text());
    }
    return lines.join(QLatin1Char('\n'));
}

// Lengths past what the layout's fixed-point arithmetic holds make it loop for ever
// (a line height of 99999999 % is enough). HTML can name any length, so each one is
// brought within these bounds.
struct LengthLimit {
    int property;
    double low;
    double high;
};

const LengthLimit kLengthLimits[] = {
    {QTextFormat::BlockTopMargin, -kMaxLengthPx, kMaxLengthPx},
    {QTextFormat::BlockBottomMargin, -kMaxLengthPx, kMaxLengthPx},
    {QTextFormat::BlockLeftMargin, -kMaxLengthPx, kMaxLengthPx},
    {QTextFormat::BlockRightMargin, -kMaxLengthPx, kMaxLengthPx},
    {QTextFormat::TextIndent, -kMaxLengthPx, kMaxLengthPx},
    {QTextFormat::BlockIndent, 0, 50},
    {QTextFormat::LineHeight, 0, 1000},
    {QTextFormat::FontPointSize, 1, 400},
    {QTextFormat::FontPixelSize, 1, 500},
    {QTextFormat::FontLetterSpacing, -1000, 1000},
    {QTextFormat::FontWordSpacing, -1000, 1000},
    {QTextFormat::FontStretch, 1, 4000},
    {QTextFormat::TextBaselineOffset, -1000, 1000},
    {QTextFormat::FrameBorder, 0, 100},
    {QTextFormat::FrameMargin, 0, kMaxLengthPx},
    {QTextFormat::FramePadding, 0, kMaxLengthPx},
    {QTextFormat::FrameTopMargin, 0, kMaxLengthPx},
    {QTextFormat::FrameBottomMargin, 0, kMaxLengthPx},
    {QTextFormat::FrameLeftMargin, 0, kMaxLengthPx},
    {QTextFormat::FrameRightMargin, 0, kMaxLengthPx},
    {QTextFormat::FrameWidth, 0, kMaxLengthPx},
    {QTextFormat::FrameHeight, 0, kMaxLengthPx},
    {QTextFormat::TableColumnWidthConstraints, 0, kMaxLengthPx},
    {QTextFormat::TableCellSpacing, 0, 100},
    {QTextFormat::TableCellPadding, 0, 100},
    {QTextFormat::TableCellTopPadding, 0, 100},
    {QTextFormat::TableCellBottomPadding, 0, 100},
    {QTextFormat::TableCellLeftPadding, 0, 100},
    {QTextFormat::TableCellRightPadding, 0, 100},
    {QTextFormat::TableCellTopBorder, 0, 100},
    {QTextFormat::TableCellBottomBorder, 0, 100},
    {QTextFormat::TableCellLeftBorder, 0, 100},
    {QTextFormat::TableCellRightBorder, 0, 100},
    {QTextFormat::ImageWidth, 0, kMaxLengthPx},
    {QTextFormat::ImageHeight, 0, kMaxLengthPx},
    {QTextFormat::ListIndent, 0, 50},
};

double boundLength(double v, const LengthLimit& limit)
{
    return std::isfinite(v) ? qBound(limit.low, v, limit.high) : limit.low;
}

QTextLength boundLength(const QTextLength& length, const LengthLimit& limit)
{
    if (length.type() == QTextLength::FixedLength)
        return QTextLength(QTextLength::FixedLength, boundLength(length.rawValue(), limit));
    if (length.type() == QTextLength::PercentageLength)
        return QTextLength(QTextLength::PercentageLength, boundLength(length.rawValue(), {0, 0, 100}));
    return length;
}

// True when a length of the format had to be brought within bounds.
bool boundLengths(QTextFormat& format)
{
    bool changed = false;
    for (const LengthLimit& limit : kLengthLimits) {
        if (!format.hasProperty(limit.property))
            continue;
        const QVariant value = format.property(limit.property);
        QVariant bounded;
        switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            bounded = boundLength(value.toDouble(), limit);
            break;
        case QMetaType::Int:
            bounded = int(boundLength(value.toInt(), limit));
            break;
        default:
            if (value.userType() == qMetaTypeId<QTextLength>()) {
                bounded = QVariant::fromValue(boundLength(value.value<QTextLength>(), limit));
            } else if (value.userType() == qMetaTypeId<QList<QTextLength>>()) {
                QList<QTextLength> lengths = value.value<QList<QTextLength>>();
                for (QTextLength& l : lengths)
                    l = boundLength(l, limit);
                bounded = QVariant::fromValue(lengths);
            }
            break;
        }
        if (bounded.isValid() && bounded != value) {
            format.setProperty(limit.property, bounded);
            changed = true;
        }
    }
    return changed;
}

// Brings every length of every block, run, frame, table cell and list within bounds.
void boundDocumentLengths(QTextDocument* doc)
{
    struct Change {
        int from;
        int to;
        QTextCharFormat format;
    };
    QList<Change> runs;
    QTextCursor cursor(doc);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat blockFormat = block.blockFormat();
        QTextCharFormat blockChars = block.charFormat();
        const bool blockChanged = boundLengths(blockFormat);
        const bool blockCharsChanged = boundLengths(blockChars);
        if (blockChanged || blockCharsChanged) {
            cursor.setPosition(block.position());
            if (blockChanged)
                cursor.setBlockFormat(blockFormat);
            if (blockCharsChanged)
                cursor.setBlockCharFormat(blockChars);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextCharFormat format = it.fragment().charFormat();
            if (boundLengths(format))
                runs.append({it.fragment().position(), it.fragment().position() + it.fragment().length(), format});
        }
        if (QTextList* list = block.textList()) {
            QTextListFormat format = list->format();
            if (boundLengths(format))
                list->setFormat(format);
        }
    }
    for (const Change& run : std::as_const(runs)) {
        cursor.setPosition(run.from);
        cursor.setPosition(run.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    QList<QTextFrame*> frames{doc->rootFrame()};
    for (qsizetype i = 0; i < frames.size(); ++i) {
        QTextFrame* frame = frames[i];
        frames.append(frame->childFrames());
        QTextFrameFormat format = frame->frameFormat();
        if (boundLengths(format))
            frame->setFrameFormat(format);
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            for (int r = 0; r < table->rows(); ++r) {
                for (int c = 0; c < table->columns(); ++c) {
                    QTextTableCell cell = table->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c)
                        continue;
                    QTextCharFormat cellFormat = cell.format();
                    if (boundLengths(cellFormat))
                        cell.setFormat(cellFormat);
                }
            }
        }
    }
}

// Frames nested deeper than this many levels, with all they hold.
void collectDeepFrames(QTextFrame* frame, int depth, QList<QTextFrame*>& out)
{
    const auto children = frame->childFrames();
    for (QTextFrame* child : children) {
        if (depth + 1 > kMaxFrameDepth)
            out.append(child);
        else
            collectDeepFrames(child, depth + 1, out);
    }
}

// A table inside a table takes twice the layout time of its parent's level; a few
// levels of HTML can hang the view. Frames nested too deep are shown as their text.
void flattenDeepFrames(QTextDocument* doc)
{
    QList<QTextFrame*> deep;
    collectDeepFrames(doc->rootFrame(), 0, deep);
    // From the last, so that the positions of those before stay put.
    for (auto it = deep.crbegin(); it != deep.crend(); ++it) {
        QTextFrame* frame = *it;
        const QString text = frameText(frame);
        QTextCursor cursor(doc);
        cursor.setPosition(frame->firstPosition() - 1);
        cursor.setPosition(frame->lastPosition() + 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.insertText(text);
    }
}

// The first bytes that are not blanks or a byte-order mark.
QByteArrayView content(const QByteArray& data)
{
    QByteArrayView view(data);
    if (view.startsWith("\xef\xbb\xbf"))
        view = view.sliced(3);
    qsizetype i = 0;
    while (i < view.size() && i < kSniffLength && std::isspace(uchar(view[i])))
        ++i;
    return view.sliced(i);
}

// Parses HTML without loading anything from outside (style sheets, pictures by file
// name): only data: pictures are decoded.
class SealedDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl& name) override { return loadEmbeddedResource(type, name); }
};

void loadHtml(QTextDocument* doc, const QByteArray& data)
{
    SealedDocument parsed;
    parsed.setHtml(decodeHtml(data));
    flattenDeepFrames(&parsed);
    boundDocumentLengths(&parsed);
    doc->clear();
    QTextCursor(doc).insertFragment(QTextDocumentFragment(&parsed));
}

} // namespace

QVariant loadEmbeddedResource(int type, const QUrl& name)
{
    // Never a null variant: that would let the document go looking for the name itself.
    if (type == QTextDocument::ImageResource) {
        const QString url = name.toString();
        return isDataUrl(url) ? decodeDataUrl(url) : QImage();
    }
    return QString();
}

RichFormat detectRichFormat(const QByteArray& data)
{
    const QByteArrayView head = content(data);
    if (head.startsWith("{\\rtf"))
        return RichFormat::Rtf;
    if (head.startsWith('<')) {
        const QByteArray sniff = head.first(qMin(head.size(), kSniffLength)).toByteArray();
        if (Qt::mightBeRichText(QString::fromLatin1(sniff)))
            return RichFormat::Html;
    }
    return RichFormat::Plain;
}

void loadRichText(QTextDocument* doc, const QByteArray& data)
{
    if (!doc)
        return;
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QSet<QString> own;
    switch (detectRichFormat(data)) {
    case RichFormat::Rtf: {
        const RtfDocument rtf = readRtf(data);
        doc->clear();
        DocumentWriter writer(doc, rtf);
        writer.write();
        own = QSet<QString>(writer.pictureNames().begin(), writer.pictureNames().end());
        break;
    }
    case RichFormat::Html:
        loadHtml(doc, data);
        break;
    case RichFormat::Plain:
        doc->clear(); // also drops the pictures of the document shown before
        doc->setPlainText(decodePlain(data).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        break;
    }
    containResources(doc, own);
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
}

QString richTextToPlain(const QByteArray& data)
{
    switch (detectRichFormat(data)) {
    case RichFormat::Rtf:
        return plainText(readRtf(data));
    case RichFormat::Html:
        break;
    case RichFormat::Plain:
        return decodePlain(data).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    }
    QTextDocument doc;
    loadHtml(&doc, data);
    QString text = frameText(doc.rootFrame());
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

QByteArray richTextHtml(const QTextDocument* doc)
{
    if (!doc)
        return {};
    std::unique_ptr<QTextDocument> copy(doc->clone());
    // Pictures that live only as resources go into the file as data: URLs.
    struct Change {
        int position;
        int length;
        QTextImageFormat format;
    };
    QList<Change> changes;
    QHash<QString, QString> urls;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QString name = image.name();
            if (name.isEmpty() || isDataUrl(name))
                continue;
            if (!urls.contains(name)) {
                const QVariant resource = doc->resource(QTextDocument::ImageResource, QUrl(name));
                QImage picture = resource.value<QImage>();
                if (picture.isNull())
                    picture = resource.value<QPixmap>().toImage();
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                if (!picture.isNull())
                    picture.save(&buffer, "PNG");
                urls.insert(name, png.isEmpty() ? QString() : QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64()));
            }
            image.setName(urls.value(name));
            changes.append({fragment.position(), fragment.length(), image});
        }
    }
    QTextCursor cursor(copy.get());
    for (const Change& change : std::as_const(changes)) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
    return copy->toHtml().toUtf8();
}

// ---------------------------------------------------------------------------

RichTextBinding::RichTextBinding(Loader loader, QObject* parent) : QObject(parent), m_loader(std::move(loader)) {}

void RichTextBinding::bind(store::Dataset* dataset, const QString& column)
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_dataset = dataset;
    m_column = column;
    if (dataset) {
        m_connections.append(connect(dataset, &store::Dataset::currentChanged, this, [this] { reload(true); }));
        m_connections.append(connect(dataset, &store::Dataset::valuesChanged, this, [this] { reload(false); }));
    }
    reload(true);
}

QByteArray RichTextBinding::currentValue() const
{
    if (!m_dataset || !m_dataset->isOpen())
        return {};
    try {
        return m_dataset->bytes(m_column);
    } catch (const store::DbError& e) {
        qWarning("rich text bound to %s: %s", qPrintable(m_column), e.what());
        return {};
    }
}

void RichTextBinding::reload(bool force)
{
    const QByteArray value = currentValue();
    if (!force && value == m_loaded)
        return;
    m_loaded = value;
    m_loader(value);
}

} // namespace ui

#include "ui/RichText.h"

#include "store/Dataset.h"
#include "store/DbError.h"

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

// Limits that keep hostile documents cheap: nesting, picture data and pixels, table
// shape, table entries, and the formats a layout has to cope with.
constexpr int kMaxDepth = 1000;
constexpr qsizetype kMaxPictureBytes = 8 * 1024 * 1024;
constexpr qint64 kMaxPicturePixels = 16 * 1024 * 1024;
constexpr int kMaxPictureSide = 16384;
constexpr int kMaxTableColumns = 64;
constexpr int kMaxFrameDepth = 3;       // tables in tables in tables
constexpr int kMaxTableCells = 2000;    // a longer table goes on as the next one: layout time grows fast
constexpr int kMaxTableEntries = 4096;  // fonts or colours
constexpr int kMaxControlWordLength = 32;
constexpr double kTwipsPerPixel = 15.0; // at 96 dots per inch
constexpr double kMaxLengthPx = 4000.0; // indents, margins, column widths, picture sides
constexpr qsizetype kSniffLength = 1024;
constexpr int kMinHalfPoints = 8;       // 4 pt
constexpr int kMaxHalfPoints = 144;     // 72 pt
constexpr int kMaxSizes = 16;           // distinct font sizes in one document: each is a font to load
// Laying out a paragraph costs the square of its format changes: past this many, the
// rest of the paragraph keeps the last format.
constexpr int kMaxRunsPerParagraph = 500;

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
// Text encodings

QStringDecoder makeDecoder(const char* name)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    return decoder;
}

const char* codePageName(int codePage)
{
    switch (codePage) {
    case 936: return "GBK";
    case 950: return "Big5";
    case 932: return "Shift_JIS";
    case 949: return "EUC-KR";
    case 874: return "windows-874";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    default: return "windows-1252";
    }
}

// Code page of an RTF font character set; 0 for "the document's".
int charsetCodePage(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
    }
}

bool isValidUtf8(const QByteArray& data)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8.decode(data); // decoding happens on conversion
    return !utf8.hasError();
}

QString decodePlain(const QByteArray& data)
{
    if (auto bom = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*bom, QStringConverter::Flag::Stateless);
        return decoder.decode(data);
    }
    if (isValidUtf8(data))
        return QString::fromUtf8(data);
    QStringDecoder gbk = makeDecoder("GBK");
    return gbk.decode(data);
}

QString decodeHtml(const QByteArray& data)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    if (!decoder.isValid() || (QByteArray(decoder.name()).compare("UTF-8", Qt::CaseInsensitive) == 0 && !isValidUtf8(data)))
        decoder = makeDecoder("GBK");
    return decoder.decode(data);
}

// Characters that must not reach a document as text: controls, and the markers the
// document itself uses for frames, blocks and objects.
char16_t cleanChar(char16_t c)
{
    if (c == '\t')
        return c;
    if (c < 0x20 || (c >= 0x7f && c < 0xa0))
        return 0;
    switch (c) {
    case 0x2029: // paragraph separator: would split a block inside a run
        return QChar::LineSeparator;
    case 0xfdd0: case 0xfdd1: case 0xfffc: case 0xfeff:
        return 0;
    default:
        return c;
    }
}

// Replaces unpaired surrogates, which a document cannot lay out.
void fixSurrogates(QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

// ---------------------------------------------------------------------------
// The document model the RTF reader builds; written into a QTextDocument at the end.

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int halfPoints = 0;  // 0: the view's size
    int font = -1;       // font number; -1: the default font
    int colour = 0;      // colour table index; 0: automatic
    int background = 0;
    int vertical = 0;    // 0 normal, 1 superscript, 2 subscript
    bool operator==(const CharFormat&) const = default;
};

size_t qHash(const CharFormat& c, size_t seed = 0)
{
    return qHashMulti(seed, c.bold, c.italic, c.underline, c.strike, c.halfPoints, c.font, c.colour, c.background,
                      c.vertical);
}

struct ParaFormat {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justify
    int left = 0, right = 0, first = 0, before = 0, after = 0; // twips
    bool inTable = false;
};

struct Run {
    QString text;
    CharFormat format;
    int picture = -1; // index into the pictures; the run then has no text
};

struct Paragraph {
    ParaFormat format;
    QList<Run> runs;
    bool isEmpty() const { return runs.isEmpty(); }
};

struct Cell {
    QList<Paragraph> paragraphs;
};

struct Row {
    QList<Cell> cells;
    QList<int> rightEdges; // twips, from \cellx
};

struct Table {
    QList<Row> rows;
    int columns = 0;
    int align = 0; // of the whole table: 0 left, 1 centre, 2 right
};

using Block = std::variant<Paragraph, Table>;

struct Picture {
    QImage image;
    QSizeF size; // display size, pixels
};

struct Font {
    QString name;
    int codePage = 0; // 0: the document's
    bool fixedPitch = false;
};

struct RtfDocument {
    QList<Block> blocks;
    QList<Picture> pictures;
    std::map<int, Font> fonts;
    QList<QColor> colours; // index 0 is "automatic" (invalid)
    int defaultFont = 0;
};

// ---------------------------------------------------------------------------
// The RTF reader: one pass over the bytes, every step consumes input.

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class RtfReader {
public:
    explicit RtfReader(const QByteArray& in) : m_in(in) {}
    RtfDocument read();

private:
    enum class Dest { Text, Skip, FontTable, ColourTable, Picture, Object };

    struct State {
        CharFormat chr;
        ParaFormat para;
        Dest dest = Dest::Text;
        int uc = 1;
        bool ownsPicture = false;
    };

    // The picture's type is not read: its bytes tell (a PNG or JPEG shows, a metafile
    // does not).
    struct PictureData {
        QByteArray bytes;
        int hexHigh = -1; // first digit of a pair
        bool tooLarge = false;
        int goalW = 0, goalH = 0, scaleX = 100, scaleY = 100;
    };

    void openGroup();
    void closeGroup();
    void controlWord(std::string_view word, bool hasParam, int param);
    void controlSymbol(char c);
    void textByte(uchar b);
    void textChar(char16_t c);
    void flushBytes();
    QStringDecoder& decoder();
    void appendText(const QString& text);
    void endParagraph();
    void endCell();
    void endRow();
    Table& tableForContent();
    Row& rowForContent(Table& table);
    void finishPicture();
    void finishFontEntry();
    void fontNameByte(char c)
    {
        if (m_fontName.size() < 256)
            m_fontName += c;
    }

    const QByteArray& m_in;
    qsizetype m_pos = 0;
    RtfDocument m_doc;
    QList<State> m_stack;
    State m_state;
    int m_overflow = 0;        // groups opened beyond the depth limit
    bool m_ignorable = false;  // after \*
    int m_fallback = 0;        // characters after \uN still to drop
    int m_codePage = 1252;     // \ansicpgN
    QByteArray m_bytes;        // code-page bytes not yet decoded
    std::map<int, QStringDecoder> m_decoders;

    Paragraph m_para;
    bool m_tableOpen = false;  // the last block is a table that takes more rows
    bool m_rowOpen = false;    // its last row takes more cells
    bool m_cellOpen = false;   // its last cell takes more paragraphs
    QList<int> m_rowDef;       // \cellx edges of the row being defined
    int m_rowAlign = 0;        // and its place: \trql, \trqc, \trqr

    // Font and colour tables.
    int m_fontNumber = 0;
    Font m_font;
    QByteArray m_fontName;
    int m_red = -1, m_green = -1, m_blue = -1;

    PictureData m_pict;
};

RtfDocument RtfReader::read()
{
    const qsizetype n = m_in.size();
    while (m_pos < n) {
        const char c = m_in.at(m_pos);
        if (m_stack.isEmpty() && c != '{') {
            ++m_pos; // blanks or a byte-order mark before the document's group
            continue;
        }
        if (c == '{') {
            ++m_pos;
            openGroup();
            continue;
        }
        if (c == '}') {
            ++m_pos;
            if (m_overflow > 0) {
                --m_overflow;
                continue;
            }
            closeGroup();
            if (m_stack.isEmpty())
                break; // the document's own group is closed: nothing after it counts
            continue;
        }
        if (c == '\\') {
            if (m_pos + 1 >= n) {
                ++m_pos;
                break;
            }
            const char s = m_in.at(m_pos + 1);
            if (isLetter(s)) {
                qsizetype j = m_pos + 1;
                while (j < n && isLetter(m_in.at(j)))
                    ++j;
                const qsizetype wordLength = j - m_pos - 1;
                const std::string_view word = wordLength <= kMaxControlWordLength
                    ? std::string_view(m_in.constData() + m_pos + 1, size_t(wordLength))
                    : std::string_view();
                bool negative = false;
                if (j < n && m_in.at(j) == '-' && j + 1 < n && isDigit(m_in.at(j + 1))) {
                    negative = true;
                    ++j;
                }
                qint64 value = 0;
                bool hasParam = false;
                while (j < n && isDigit(m_in.at(j))) {
                    hasParam = true;
                    if (value < (qint64(1) << 40))
                        value = value * 10 + (m_in.at(j) - '0');
                    ++j;
                }
                if (j < n && m_in.at(j) == ' ')
                    ++j;
                m_pos = j;
                value = qBound(qint64(-0x7fffffff), negative ? -value : value, qint64(0x7fffffff));
                if (m_overflow > 0) {
                    if (word == "bin" && hasParam && value > 0)
                        m_pos += qMin<qint64>(value, n - m_pos);
                    continue;
                }
                controlWord(word, hasParam, int(value));
                continue;
            }
            m_pos += 2;
            if (s == '\'') {
                // \'xx: one code-page byte (a GBK character is two of them in a row).
                int hex = 0, digits = 0;
                while (digits < 2 && m_pos < n) {
                    const int d = hexValue(m_in.at(m_pos));
                    if (d < 0)
                        break;
                    hex = hex * 16 + d;
                    ++digits;
                    ++m_pos;
                }
                if (m_overflow > 0 || digits == 0)
                    continue;
                if (m_fallback > 0) {
                    --m_fallback;
                    continue;
                }
                if (m_state.dest == Dest::FontTable)
                    fontNameByte(char(hex));
                else if (m_state.dest == Dest::Text)
                    textByte(uchar(hex));
                continue;
            }
            if (m_overflow > 0)
                continue;
            controlSymbol(s);
            continue;
        }
        ++m_pos;
        if (m_overflow > 0 || c == '\r' || c == '\n')
            continue;
        if (m_fallback > 0) {
            --m_fallback;
            continue;
        }
        switch (m_state.dest) {
        case Dest::Text:
            textByte(uchar(c));
            break;
        case Dest::FontTable:
            if (c == ';')
                finishFontEntry();
            else
                fontNameByte(c);
            break;
        case Dest::ColourTable:
            if (c == ';' && m_doc.colours.size() < kMaxTableEntries) {
                if (m_red < 0 && m_green < 0 && m_blue < 0)
                    m_doc.colours.append(QColor());
                else
                    m_doc.colours.append(QColor(qBound(0, m_red, 255), qBound(0, m_green, 255), qBound(0, m_blue, 255)));
                m_red = m_green = m_blue = -1;
            }
            break;
        case Dest::Picture: {
            // The picture's hex digits, read in one go up to the next control or brace.
            --m_pos;
            while (m_pos < n) {
                const char h = m_in.at(m_pos);
                if (h == '\\' || h == '{' || h == '}')
                    break;
                ++m_pos;
                const int d = hexValue(h);
                if (d < 0 || m_pict.tooLarge)
                    continue;
                if (m_pict.hexHigh < 0) {
                    m_pict.hexHigh = d;
                    continue;
                }
                m_pict.bytes += char(m_pict.hexHigh * 16 + d);
                m_pict.hexHigh = -1;
                if (m_pict.bytes.size() > kMaxPictureBytes) {
                    m_pict.tooLarge = true;
                    m_pict.bytes.clear();
                }
            }
            break;
        }
        case Dest::Skip:
        case Dest::Object:
            break;
        }
    }
    // Truncated input: close what is open and keep what was read.
    while (!m_stack.isEmpty())
        closeGroup();
    flushBytes();
    if (!m_para.isEmpty() || m_cellOpen)
        endParagraph();
    return std::move(m_doc);
}

void RtfReader::openGroup()
{
    if (m_overflow > 0 || m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    flushBytes();
    m_fallback = 0;
    m_stack.append(m_state);
    m_state.ownsPicture = false;
}

void RtfReader::closeGroup()
{
    flushBytes();
    m_fallback = 0;
    m_ignorable = false;
    if (m_state.ownsPicture)
        finishPicture();
    if (m_state.dest == Dest::FontTable && !m_fontName.isEmpty())
        finishFontEntry();
    m_state = m_stack.takeLast();
}

QStringDecoder& RtfReader::decoder()
{
    int codePage = m_codePage;
    const int fontNumber = m_state.chr.font >= 0 ? m_state.chr.font : m_doc.defaultFont;
    auto font = m_doc.fonts.find(fontNumber);
    if (font != m_doc.fonts.end() && font->second.codePage != 0)
        codePage = font->second.codePage;
    auto it = m_decoders.find(codePage);
    if (it == m_decoders.end())
        it = m_decoders.emplace(codePage, makeDecoder(codePageName(codePage))).first;
    return it->second;
}

void RtfReader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const QString text = decoder().decode(m_bytes);
    m_bytes.clear();
    appendText(text);
}

void RtfReader::textByte(uchar b)
{
    if (b == '\t') {
        textChar('\t');
        return;
    }
    if (b < 0x20)
        return;
    m_bytes += char(b);
}

void RtfReader::textChar(char16_t c)
{
    flushBytes();
    appendText(QString(QChar(c)));
}

void RtfReader::appendText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (QChar ch : text) {
        const char16_t c = cleanChar(ch.unicode());
        if (c)
            clean += QChar(c);
    }
    if (clean.isEmpty())
        return;
    if (!m_para.runs.isEmpty() && m_para.runs.last().picture < 0
        && (m_para.runs.last().format == m_state.chr || m_para.runs.size() >= kMaxRunsPerParagraph))
        m_para.runs.last().text += clean;
    else
        m_para.runs.append({clean, m_state.chr, -1});
}

Table& RtfReader::tableForContent()
{
    if (!m_tableOpen || !std::holds_alternative<Table>(m_doc.blocks.last())) {
        m_doc.blocks.append(Table());
        m_tableOpen = true;
        m_rowOpen = false;
        m_cellOpen = false;
    }
    return std::get<Table>(m_doc.blocks.last());
}

Row& RtfReader::rowForContent(Table& table)
{
    if (!m_rowOpen) {
        // A row whose cells have other edges than the row above starts a table of its
        // own (two tables written back to back), and a table past the cell limit goes
        // on as a new table below it.
        const bool otherEdges = !table.rows.isEmpty() && !m_rowDef.isEmpty() && !table.rows.last().rightEdges.isEmpty()
            && table.rows.last().rightEdges != m_rowDef;
        if (otherEdges || qint64(table.rows.size() + 1) * qMax(1, table.columns) > kMaxTableCells) {
            m_tableOpen = false;
            Table& next = tableForContent();
            return rowForContent(next);
        }
        if (table.rows.isEmpty())
            table.align = m_rowAlign;
        table.rows.append(Row());
        table.rows.last().rightEdges = m_rowDef;
        m_rowOpen = true;
        m_cellOpen = false;
    }
    Row& row = table.rows.last();
    if (!m_cellOpen) {
        if (row.cells.size() < kMaxTableColumns || row.cells.isEmpty())
            row.cells.append(Cell());
        // beyond the column limit, the extra cells' text joins the last cell
        m_cellOpen = true;
        table.columns = qMax(table.columns, int(row.cells.size()));
    }
    return row;
}

void RtfReader::endParagraph()
{
    flushBytes();
    m_para.format = m_state.para;
    // An empty paragraph right after a row (\row\par with \intbl still on) opens no row.
    const bool startsRow = m_state.para.inTable && !(m_tableOpen && !m_rowOpen && m_para.isEmpty());
    if (startsRow || m_cellOpen) {
        Table& table = tableForContent();
        Row& row = rowForContent(table);
        row.cells.last().paragraphs.append(std::move(m_para));
    } else {
        m_tableOpen = false;
        m_doc.blocks.append(std::move(m_para));
    }
    m_para = Paragraph();
}

void RtfReader::endCell()
{
    flushBytes();
    m_para.format = m_state.para;
    Table& table = tableForContent();
    Row& row = rowForContent(table);
    row.cells.last().paragraphs.append(std::move(m_para));
    m_para = Paragraph();
    m_cellOpen = false;
}

void RtfReader::endRow()
{
    flushBytes();
    if (!m_para.isEmpty())
        endCell();
    if (!m_tableOpen)
        return;
    m_rowOpen = false;
    m_cellOpen = false;
}

void RtfReader::finishFontEntry()
{
    if (int(m_doc.fonts.size()) < kMaxTableEntries) {
        m_font.name = QString(makeDecoder(codePageName(m_font.codePage ? m_font.codePage : m_codePage)).decode(m_fontName)).trimmed();
        m_doc.fonts[m_fontNumber] = m_font;
    }
    m_font = Font();
    m_fontName.clear();
}

void RtfReader::finishPicture()
{
    PictureData pict = std::move(m_pict);
    m_pict = PictureData();
    if (pict.tooLarge || m_stack.isEmpty() || m_stack.last().dest != Dest::Text)
        return;
    QImage image = decodePicture(pict.bytes);
    if (image.isNull())
        return; // metafiles and broken data: nothing to show
    // Display size: the goal size in twips, scaled; else the picture's own pixels.
    double w = pict.goalW > 0 ? pict.goalW / kTwipsPerPixel : image.width();
    double h = pict.goalH > 0 ? pict.goalH / kTwipsPerPixel : image.height();
    w *= qBound(1, pict.scaleX, 1000) / 100.0;
    h *= qBound(1, pict.scaleY, 1000) / 100.0;
    if (w > kMaxLengthPx || h > kMaxLengthPx) {
        const double k = kMaxLengthPx / qMax(w, h);
        w *= k;
        h *= k;
    }
    if (m_para.runs.size() >= kMaxRunsPerParagraph)
        return;
    m_doc.pictures.append({image, QSizeF(qMax(1.0, w), qMax(1.0, h))});
    flushBytes();
    Run run;
    run.format = m_stack.last().chr;
    run.picture = int(m_doc.pictures.size() - 1);
    m_para.runs.append(run);
}

void RtfReader::controlSymbol(char c)
{
    flushBytes();
    if (c == '*') {
        m_ignorable = true;
        return;
    }
    if (m_state.dest == Dest::FontTable && (c == '{' || c == '}' || c == '\\')) {
        fontNameByte(c);
        return;
    }
    if (m_state.dest != Dest::Text)
        return;
    if (m_fallback > 0) {
        --m_fallback;
        return;
    }
    switch (c) {
    case '\\': case '{': case '}':
        textChar(char16_t(c));
        break;
    case '~':
        textChar(0x00a0);
        break;
    case '_':
        textChar(0x2011);
        break;
    case '\r': case '\n': // "\" at a line end is a paragraph mark
        endParagraph();
        break;
    case '\t':
        textChar('\t');
        break;
    default:
        break; // \- optional hyphen, \| and \: index marks
    }
}

enum class Keyword {
    Unknown, Bin, Uc, FontTable, ColourTable, Pict, Object, Result, Contents, Skipped,
    F, FCharset, Cpg, FModern, Red, Green, Blue,
    PicWGoal, PicHGoal, PicScaleX, PicScaleY,
    AnsiCpg, Deff, U, Par, Line, Tab, Cell, Row, Symbol,
    Plain, B, I, Strike, Ul, UlNone, Fs, Cf, Cb, Super, Sub, NoSuperSub, Up, Dn,
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, InTbl, TRowD, CellX, TrQl, TrQc, TrQr,
};

struct KeywordInfo {
    Keyword keyword = Keyword::Unknown;
    char16_t symbol = 0; // for Keyword::Symbol
};

// Control words the reader acts on, sorted for a binary search (no allocation, no
// hashing: a document is mostly control words).
KeywordInfo lookupKeyword(std::string_view word)
{
    using Entry = std::pair<std::string_view, KeywordInfo>;
    static const std::vector<Entry> table = [] {
        std::vector<Entry> t;
        auto add = [&t](std::initializer_list<std::string_view> words, Keyword k, char16_t symbol = 0) {
            for (std::string_view w : words)
                t.push_back({w, {k, symbol}});
        };
        add({"bin"}, Keyword::Bin);
        add({"uc"}, Keyword::Uc);
        add({"fonttbl"}, Keyword::FontTable);
        add({"colortbl"}, Keyword::ColourTable);
        add({"pict"}, Keyword::Pict);
        add({"object"}, Keyword::Object);
        add({"result"}, Keyword::Result);
        add({"shppict", "fldrslt"}, Keyword::Contents);
        add({"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
             "footerf", "objdata", "objclass", "fldinst", "nonshppict", "listtable", "listoverridetable",
             "rsidtbl", "revtbl", "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
             "datastore", "filetbl", "pgdsctbl", "footnote", "annotation", "atnid", "atnauthor", "template",
             "userprops", "docvar", "bkmkstart", "bkmkend", "nonesttables", "pn", "pnseclvl", "author",
             "title", "subject", "operator", "keywords", "doccomm", "comment", "company", "creatim", "revtim",
             "printim", "buptim", "txe", "xe", "tc", "rxe", "shpinst", "sp", "sn", "sv", "mmathPr", "falt",
             "panose", "blipuid", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "wgrffmtfilter", "mmath"},
            Keyword::Skipped);
        add({"f"}, Keyword::F);
        add({"fcharset"}, Keyword::FCharset);
        add({"cpg"}, Keyword::Cpg);
        add({"fmodern"}, Keyword::FModern);
        add({"red"}, Keyword::Red);
        add({"green"}, Keyword::Green);
        add({"blue"}, Keyword::Blue);
        add({"picwgoal"}, Keyword::PicWGoal);
        add({"pichgoal"}, Keyword::PicHGoal);
        add({"picscalex"}, Keyword::PicScaleX);
        add({"picscaley"}, Keyword::PicScaleY);
        add({"ansicpg"}, Keyword::AnsiCpg);
        add({"deff"}, Keyword::Deff);
        add({"u"}, Keyword::U);
        add({"par", "page", "sect", "nestrow"}, Keyword::Par);
        add({"line"}, Keyword::Line);
        add({"tab", "nestcell"}, Keyword::Tab);
        add({"cell"}, Keyword::Cell);
        add({"row"}, Keyword::Row);
        add({"emdash"}, Keyword::Symbol, 0x2014);
        add({"endash"}, Keyword::Symbol, 0x2013);
        add({"bullet"}, Keyword::Symbol, 0x2022);
        add({"lquote"}, Keyword::Symbol, 0x2018);
        add({"rquote"}, Keyword::Symbol, 0x2019);
        add({"ldblquote"}, Keyword::Symbol, 0x201c);
        add({"rdblquote"}, Keyword::Symbol, 0x201d);
        add({"emspace"}, Keyword::Symbol, 0x2003);
        add({"enspace"}, Keyword::Symbol, 0x2002);
        add({"qmspace"}, Keyword::Symbol, 0x2005);
        add({"plain"}, Keyword::Plain);
        add({"b"}, Keyword::B);
        add({"i"}, Keyword::I);
        add({"strike", "striked"}, Keyword::Strike);
        add({"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
             "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"},
            Keyword::Ul);
        add({"ulnone"}, Keyword::UlNone);
        add({"fs"}, Keyword::Fs);
        add({"cf"}, Keyword::Cf);
        add({"cb", "highlight", "chcbpat"}, Keyword::Cb);
        add({"super"}, Keyword::Super);
        add({"sub"}, Keyword::Sub);
        add({"nosupersub"}, Keyword::NoSuperSub);
        add({"up"}, Keyword::Up);
        add({"dn"}, Keyword::Dn);
        add({"pard"}, Keyword::Pard);
        add({"ql"}, Keyword::Ql);
        add({"qc"}, Keyword::Qc);
        add({"qr"}, Keyword::Qr);
        add({"qj", "qd"}, Keyword::Qj);
        add({"li"}, Keyword::Li);
        add({"ri"}, Keyword::Ri);
        add({"fi"}, Keyword::Fi);
        add({"sb"}, Keyword::Sb);
        add({"sa"}, Keyword::Sa);
        add({"intbl"}, Keyword::InTbl);
        add({"trowd"}, Keyword::TRowD);
        add({"cellx"}, Keyword::CellX);
        add({"trql"}, Keyword::TrQl);
        add({"trqc"}, Keyword::TrQc);
        add({"trqr"}, Keyword::TrQr);
        std::sort(t.begin(), t.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
        return t;
    }();
    const auto it = std::lower_bound(table.begin(), table.end(), word,
                                     [](const Entry& e, std::string_view w) { return e.first < w; });
    return it != table.end() && it->first == word ? it->second : KeywordInfo();
}

void RtfReader::controlWord(std::string_view word, bool hasParam, int param)
{
    flushBytes();
    const bool ignorable = std::exchange(m_ignorable, false);
    if (word.empty())
        return;
    const KeywordInfo info = lookupKeyword(word);
    const Keyword k = info.keyword;
    if (k == Keyword::Bin) {
        // Raw bytes follow; they may contain braces, so they are never parsed.
        const qint64 count = hasParam && param > 0 ? qMin<qint64>(param, m_in.size() - m_pos) : 0;
        if (m_state.dest == Dest::Picture && !m_pict.tooLarge) {
            m_pict.bytes += m_in.mid(m_pos, count);
            if (m_pict.bytes.size() > kMaxPictureBytes) {
                m_pict.tooLarge = true;
                m_pict.bytes.clear();
            }
        }
        m_pos += count;
        return;
    }
    if (m_state.dest == Dest::Skip)
        return;

    switch (k) {
    case Keyword::Uc:
        m_state.uc = qBound(0, param, 16);
        return;
    case Keyword::FontTable:
        m_state.dest = Dest::FontTable;
        return;
    case Keyword::ColourTable:
        m_state.dest = Dest::ColourTable;
        m_red = m_green = m_blue = -1;
        return;
    case Keyword::Pict:
        if (m_state.dest != Dest::Text) {
            m_state.dest = Dest::Skip;
            return;
        }
        m_state.dest = Dest::Picture;
        m_state.ownsPicture = true;
        m_pict = PictureData();
        return;
    case Keyword::Object:
        m_state.dest = Dest::Object;
        return;
    case Keyword::Result:
        if (m_state.dest == Dest::Object)
            m_state.dest = Dest::Text; // the object's picture as last shown
        return;
    case Keyword::Contents:
        return; // document text inside
    case Keyword::Skipped:
        m_state.dest = Dest::Skip;
        return;
    default:
        break;
    }
    if (ignorable) {
        m_state.dest = Dest::Skip; // an optional destination this reader does not know
        return;
    }

    switch (m_state.dest) {
    case Dest::FontTable:
        switch (k) {
        case Keyword::F:
            if (!m_fontName.isEmpty())
                finishFontEntry();
            m_fontNumber = param;
            break;
        case Keyword::FCharset: m_font.codePage = charsetCodePage(param); break;
        case Keyword::Cpg: m_font.codePage = param; break;
        case Keyword::FModern: m_font.fixedPitch = true; break;
        default: break;
        }
        return;
    case Dest::ColourTable:
        switch (k) {
        case Keyword::Red: m_red = param; break;
        case Keyword::Green: m_green = param; break;
        case Keyword::Blue: m_blue = param; break;
        default: break;
        }
        return;
    case Dest::Picture:
        switch (k) {
        case Keyword::PicWGoal: m_pict.goalW = param; break;
        case Keyword::PicHGoal: m_pict.goalH = param; break;
        case Keyword::PicScaleX: m_pict.scaleX = param; break;
        case Keyword::PicScaleY: m_pict.scaleY = param; break;
        default: break;
        }
        return;
    case Dest::Skip:
    case Dest::Object:
        return;
    case Dest::Text:
        break;
    }

    if (m_fallback > 0) {
        --m_fallback;
        return;
    }

    CharFormat& chr = m_state.chr;
    ParaFormat& para = m_state.para;
    const bool on = !hasParam || param != 0;
    switch (k) {
    // Document settings.
    case Keyword::AnsiCpg: if (param > 0) m_codePage = param; break;
    case Keyword::Deff: m_doc.defaultFont = param; break;
    // Text.
    case Keyword::U:
        // A signed 16-bit number; anything outside that is no character.
        if (param >= -32768 && param <= 65535 && param != 0)
            textChar(char16_t(param < 0 ? param + 65536 : param));
        m_fallback = m_state.uc;
        break;
    case Keyword::Par: endParagraph(); break;
    case Keyword::Line: textChar(QChar::LineSeparator); break;
    case Keyword::Tab: textChar('\t'); break;
    case Keyword::Cell: endCell(); break;
    case Keyword::Row: endRow(); break;
    case Keyword::Symbol: textChar(info.symbol); break;
    // Character formatting.
    case Keyword::Plain: chr = CharFormat(); break;
    case Keyword::B: chr.bold = on; break;
    case Keyword::I: chr.italic = on; break;
    case Keyword::Strike: chr.strike = on; break;
    case Keyword::Ul: chr.underline = on; break;
    case Keyword::UlNone: chr.underline = false; break;
    case Keyword::Fs: chr.halfPoints = qBound(0, param, 3276); break;
    case Keyword::F: chr.font = param; break;
    case Keyword::Cf: chr.colour = param; break;
    case Keyword::Cb: chr.background = param; break;
    case Keyword::Super: chr.vertical = 1; break;
    case Keyword::Sub: chr.vertical = 2; break;
    case Keyword::NoSuperSub: chr.vertical = 0; break;
    case Keyword::Up: chr.vertical = on ? 1 : 0; break;
    case Keyword::Dn: chr.vertical = on ? 2 : 0; break;
    // Paragraph formatting.
    case Keyword::Pard: para = ParaFormat(); break;
    case Keyword::Ql: para.align = 0; break;
    case Keyword::Qc: para.align = 1; break;
    case Keyword::Qr: para.align = 2; break;
    case Keyword::Qj: para.align = 3; break;
    case Keyword::Li: para.left = param; break;
    case Keyword::Ri: para.right = param; break;
    case Keyword::Fi: para.first = param; break;
    case Keyword::Sb: para.before = param; break;
    case Keyword::Sa: para.after = param; break;
    case Keyword::InTbl: para.inTable = true; break;
    // Table rows.
    case Keyword::TRowD: m_rowDef.clear(); m_rowAlign = 0; break;
    case Keyword::TrQl: m_rowAlign = 0; break;
    case Keyword::TrQc: m_rowAlign = 1; break;
    case Keyword::TrQr: m_rowAlign = 2; break;
    case Keyword::CellX:
        if (m_rowDef.size() < kMaxTableColumns)
            m_rowDef.append(param);
        break;
    default:
        break; // a word this reader has no use for
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
            const QString name = QStringLiteral("rtfpict:%1").arg(i + 1);
            m_doc->addResource(QTextDocument::ImageResource, QUrl(name), m_rtf.pictures[i].image);
            m_pictureNames.append(name);
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
        if (c.colour > 0 && c.colour < m_rtf.colours.size() && m_rtf.colours[c.colour].isValid())
            f.setForeground(m_rtf.colours[c.colour]);
        if (c.background > 0 && c.background < m_rtf.colours.size() && m_rtf.colours[c.background].isValid())
            f.setBackground(m_rtf.colours[c.background]);
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
                QTextImageFormat image;
                image.merge(f);
                image.setName(m_pictureNames[run.picture]);
                image.setWidth(m_rtf.pictures[run.picture].size.width());
                image.setHeight(m_rtf.pictures[run.picture].size.height());
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
    QStringList m_pictureNames;
    QHash<CharFormat, QTextCharFormat> m_charFormats;
    QSet<int> m_sizes;
};

// The text of the model: paragraphs and rows on lines, cells separated by tabs.
QString plainText(const RtfDocument& rtf)
{
    QStringList lines;
    auto paragraphText = [](const Paragraph& para) {
        QString text;
        for (const Run& run : para.runs)
            text += run.text;
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        fixSurrogates(text);
        return text;
    };
    for (const Block& block : rtf.blocks) {
        if (const auto* para = std::get_if<Paragraph>(&block)) {
            lines.append(paragraphText(*para));
            continue;
        }
        for (const Row& row : std::get<Table>(block).rows) {
            QStringList cells;
            for (const Cell& cell : row.cells) {
                QStringList paras;
                for (const Paragraph& para : cell.paragraphs)
                    paras.append(paragraphText(para));
                cells.append(paras.join(QLatin1Char('\n')));
            }
            lines.append(cells.join(QLatin1Char('\t')));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

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
        const RtfDocument rtf = RtfReader(data).read();
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
        return plainText(RtfReader(data).read());
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

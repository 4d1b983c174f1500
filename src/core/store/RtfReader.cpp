#include "core/store/RtfReader.h"
#include "core/store/RtfKeywords.h"

#include <QSizeF>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace store::rtf {

namespace {

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

    // After a backslash: a control word, a \'xx byte or a control symbol; false
    // when the input ends at the backslash.
    bool readControl();
    void readControlWord();
    void hexByte();
    void plainByte(char c); // a byte that is no control, by where the group's text goes
    void finishColourEntry();
    void pictureHex();
    void openGroup();
    void closeGroup();
    // A control word, by where the group's text goes: the font or colour table, a
    // picture, or the text with its formatting.
    void controlWord(std::string_view word, bool hasParam, int param);
    void binaryData(int length);           // \binN
    void dropPictureWhenTooLarge();
    bool groupWord(Keyword k, int param);  // destinations and \uc; true when it was one
    void fontTableWord(Keyword k, int param);
    void colourTableWord(Keyword k, int param);
    void pictureWord(Keyword k, int param);
    bool textWord(const KeywordInfo& info, int param); // characters, paragraph and cell ends, document settings
    bool characterWord(Keyword k, bool on, int param);
    bool paragraphWord(Keyword k, int param);
    void rowWord(Keyword k, int param);
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
            if (!readControl())
                break;
            continue;
        }
        ++m_pos;
        plainByte(c);
    }
    // Truncated input: close what is open and keep what was read.
    while (!m_stack.isEmpty())
        closeGroup();
    flushBytes();
    if (!m_para.isEmpty() || m_cellOpen)
        endParagraph();
    return std::move(m_doc);
}

bool RtfReader::readControl()
{
    if (m_pos + 1 >= m_in.size()) {
        ++m_pos;
        return false;
    }
    const char s = m_in.at(m_pos + 1);
    if (isLetter(s)) {
        readControlWord();
        return true;
    }
    m_pos += 2;
    if (s == '\'')
        hexByte();
    else if (m_overflow == 0)
        controlSymbol(s);
    return true;
}

void RtfReader::readControlWord()
{
    const qsizetype n = m_in.size();
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
        // Too deep to read, but binary data must still be stepped over whole.
        if (word == "bin" && hasParam && value > 0)
            m_pos += qMin<qint64>(value, n - m_pos);
        return;
    }
    controlWord(word, hasParam, int(value));
}

void RtfReader::hexByte()
{
    // \'xx: one code-page byte (a GBK character is two of them in a row).
    int hex = 0, digits = 0;
    while (digits < 2 && m_pos < m_in.size()) {
        const int d = hexValue(m_in.at(m_pos));
        if (d < 0)
            break;
        hex = hex * 16 + d;
        ++digits;
        ++m_pos;
    }
    if (m_overflow > 0 || digits == 0)
        return;
    if (m_fallback > 0) {
        --m_fallback;
        return;
    }
    if (m_state.dest == Dest::FontTable)
        fontNameByte(char(hex));
    else if (m_state.dest == Dest::Text)
        textByte(uchar(hex));
}

void RtfReader::plainByte(char c)
{
    if (m_overflow > 0 || c == '\r' || c == '\n')
        return;
    if (m_fallback > 0) {
        --m_fallback;
        return;
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
        if (c == ';')
            finishColourEntry();
        break;
    case Dest::Picture:
        --m_pos;
        pictureHex();
        break;
    case Dest::Skip:
    case Dest::Object:
        break;
    }
}

void RtfReader::finishColourEntry()
{
    if (m_doc.colours.size() < kMaxTableEntries) {
        if (m_red < 0 && m_green < 0 && m_blue < 0)
            m_doc.colours.append(Colour());
        else
            m_doc.colours.append({qBound(0, m_red, 255), qBound(0, m_green, 255), qBound(0, m_blue, 255), false});
    }
    m_red = m_green = m_blue = -1;
}

void RtfReader::pictureHex()
{
    // The picture's hex digits, read in one go up to the next control or brace.
    while (m_pos < m_in.size()) {
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
        dropPictureWhenTooLarge();
    }
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
    if (pict.bytes.isEmpty() || m_para.runs.size() >= kMaxRunsPerParagraph)
        return;
    // Decoded (and its display size worked out) where it is shown.
    m_doc.pictures.append({pict.bytes, pict.goalW, pict.goalH, pict.scaleX, pict.scaleY});
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

void RtfReader::controlWord(std::string_view word, bool hasParam, int param)
{
    flushBytes();
    const bool ignorable = std::exchange(m_ignorable, false);
    if (word.empty())
        return;
    const KeywordInfo info = lookupKeyword(word);
    if (info.keyword == Keyword::Bin) {
        binaryData(hasParam ? param : 0);
        return;
    }
    if (m_state.dest == Dest::Skip || groupWord(info.keyword, param))
        return;
    if (ignorable) {
        m_state.dest = Dest::Skip; // an optional destination this reader does not know
        return;
    }
    switch (m_state.dest) {
    case Dest::FontTable: fontTableWord(info.keyword, param); return;
    case Dest::ColourTable: colourTableWord(info.keyword, param); return;
    case Dest::Picture: pictureWord(info.keyword, param); return;
    case Dest::Skip:
    case Dest::Object: return;
    case Dest::Text: break;
    }
    if (m_fallback > 0) {
        --m_fallback;
        return;
    }
    const bool on = !hasParam || param != 0;
    if (!textWord(info, param) && !characterWord(info.keyword, on, param) && !paragraphWord(info.keyword, param))
        rowWord(info.keyword, param);
}

void RtfReader::binaryData(int length)
{
    // Raw bytes follow; they may contain braces, so they are never parsed.
    const qint64 count = length > 0 ? qMin<qint64>(length, m_in.size() - m_pos) : 0;
    if (m_state.dest == Dest::Picture && !m_pict.tooLarge) {
        m_pict.bytes += m_in.mid(m_pos, count);
        dropPictureWhenTooLarge();
    }
    m_pos += count;
}

void RtfReader::dropPictureWhenTooLarge()
{
    if (m_pict.bytes.size() > kMaxPictureBytes) {
        m_pict.tooLarge = true;
        m_pict.bytes.clear();
    }
}

bool RtfReader::groupWord(Keyword k, int param)
{
    switch (k) {
    case Keyword::Uc:
        m_state.uc = qBound(0, param, 16);
        return true;
    case Keyword::FontTable:
        m_state.dest = Dest::FontTable;
        return true;
    case Keyword::ColourTable:
        m_state.dest = Dest::ColourTable;
        m_red = m_green = m_blue = -1;
        return true;
    case Keyword::Pict:
        if (m_state.dest != Dest::Text) {
            m_state.dest = Dest::Skip;
            return true;
        }
        m_state.dest = Dest::Picture;
        m_state.ownsPicture = true;
        m_pict = PictureData();
        return true;
    case Keyword::Object:
        m_state.dest = Dest::Object;
        return true;
    case Keyword::Result:
        if (m_state.dest == Dest::Object)
            m_state.dest = Dest::Text; // the object's picture as last shown
        return true;
    case Keyword::Contents:
        return true; // document text inside
    case Keyword::Skipped:
        m_state.dest = Dest::Skip;
        return true;
    default:
        return false;
    }
}

void RtfReader::fontTableWord(Keyword k, int param)
{
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
}

void RtfReader::colourTableWord(Keyword k, int param)
{
    switch (k) {
    case Keyword::Red: m_red = param; break;
    case Keyword::Green: m_green = param; break;
    case Keyword::Blue: m_blue = param; break;
    default: break;
    }
}

void RtfReader::pictureWord(Keyword k, int param)
{
    switch (k) {
    case Keyword::PicWGoal: m_pict.goalW = param; break;
    case Keyword::PicHGoal: m_pict.goalH = param; break;
    case Keyword::PicScaleX: m_pict.scaleX = param; break;
    case Keyword::PicScaleY: m_pict.scaleY = param; break;
    default: break;
    }
}

bool RtfReader::textWord(const KeywordInfo& info, int param)
{
    switch (info.keyword) {
    // Document settings.
    case Keyword::AnsiCpg: if (param > 0) m_codePage = param; return true;
    case Keyword::Deff: m_doc.defaultFont = param; return true;
    case Keyword::U:
        // A signed 16-bit number; anything outside that is no character.
        if (param >= -32768 && param <= 65535 && param != 0)
            textChar(char16_t(param < 0 ? param + 65536 : param));
        m_fallback = m_state.uc;
        return true;
    case Keyword::Par: endParagraph(); return true;
    case Keyword::Line: textChar(QChar::LineSeparator); return true;
    case Keyword::Tab: textChar('\t'); return true;
    case Keyword::Cell: endCell(); return true;
    case Keyword::Row: endRow(); return true;
    case Keyword::Symbol: textChar(info.symbol); return true;
    default: return false;
    }
}

bool RtfReader::characterWord(Keyword k, bool on, int param)
{
    CharFormat& chr = m_state.chr;
    switch (k) {
    case Keyword::Plain: chr = CharFormat(); return true;
    case Keyword::B: chr.bold = on; return true;
    case Keyword::I: chr.italic = on; return true;
    case Keyword::Strike: chr.strike = on; return true;
    case Keyword::Ul: chr.underline = on; return true;
    case Keyword::UlNone: chr.underline = false; return true;
    case Keyword::Fs: chr.halfPoints = qBound(0, param, 3276); return true;
    case Keyword::F: chr.font = param; return true;
    case Keyword::Cf: chr.colour = param; return true;
    case Keyword::Cb: chr.background = param; return true;
    case Keyword::Super: chr.vertical = 1; return true;
    case Keyword::Sub: chr.vertical = 2; return true;
    case Keyword::NoSuperSub: chr.vertical = 0; return true;
    case Keyword::Up: chr.vertical = on ? 1 : 0; return true;
    case Keyword::Dn: chr.vertical = on ? 2 : 0; return true;
    default: return false;
    }
}

bool RtfReader::paragraphWord(Keyword k, int param)
{
    ParaFormat& para = m_state.para;
    switch (k) {
    case Keyword::Pard: para = ParaFormat(); return true;
    case Keyword::Ql: para.align = 0; return true;
    case Keyword::Qc: para.align = 1; return true;
    case Keyword::Qr: para.align = 2; return true;
    case Keyword::Qj: para.align = 3; return true;
    case Keyword::Li: para.left = param; return true;
    case Keyword::Ri: para.right = param; return true;
    case Keyword::Fi: para.first = param; return true;
    case Keyword::Sb: para.before = param; return true;
    case Keyword::Sa: para.after = param; return true;
    case Keyword::InTbl: para.inTable = true; return true;
    default: return false;
    }
}

void RtfReader::rowWord(Keyword k, int param)
{
    switch (k) {
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

} // namespace

RtfDocument readRtf(const QByteArray& data)
{
    return RtfReader(data).read();
}

} // namespace store::rtf

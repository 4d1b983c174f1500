#include "core/store/RtfWriter.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <cctype>

namespace store {

namespace {

// What a rich-edit control writes in front of a Chinese (PRC) document.
const char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
    "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs21 ";

// Cell borders: single lines, 0.5 pt.
const char kCellBorders[] =
    "\\clbrdrt\\brdrw10\\brdrs\\clbrdrl\\brdrw10\\brdrs"
    "\\clbrdrb\\brdrw10\\brdrs\\clbrdrr\\brdrw10\\brdrs";

constexpr int kTwipsPerPixel = 15; // at 96 dots per inch
constexpr int kCellGap = 108;      // \trgaph, twips on each side of a cell's text
constexpr int kTwipsPerHalfEm = 105; // half the width of a 10.5 pt CJK character

void appendHexByte(QByteArray& out, uchar b)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\'";
    out += digits[b >> 4];
    out += digits[b & 15];
}

void appendUnicode(QByteArray& out, char16_t unit)
{
    // RTF numbers are signed 16-bit; "?" is the one fallback character \uc1 skips.
    out += "\\u" + QByteArray::number(qint16(unit)) + '?';
}

// Display width of a cell's text in half-em units (CJK characters are full width).
int textUnits(const RtfWriter::Cell& cell)
{
    int units = 0;
    for (const auto& run : cell)
        for (QChar c : run.text)
            units += c.unicode() < 0x80 ? 1 : 2;
    return units;
}

} // namespace

QByteArray RtfWriter::escapeText(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            switch (c) {
            case '\\': out += "\\\\"; break;
            case '{': out += "\\{"; break;
            case '}': out += "\\}"; break;
            case '\n': out += "\\line "; break;
            case '\t': out += "\\tab "; break;
            default:
                if (c >= 0x20 && c != 0x7f)
                    out += char(c);
                break; // other control characters have no place in a document
            }
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            appendUnicode(out, c);
            appendUnicode(out, text.at(++i).unicode());
            continue;
        }
        const QChar ch(c);
        // A fresh encoder per character: its error flag would otherwise stick after
        // the first character GBK lacks, and every later one would be escaped too.
        QStringEncoder gbk("GBK", QStringConverter::Flag::Stateless);
        const QByteArray bytes = gbk.encode(QStringView(&ch, 1));
        const bool lacking = gbk.hasError() || bytes.isEmpty() || bytes == "?";
        if (lacking) {
            appendUnicode(out, c);
        } else {
            for (char b : bytes)
                appendHexByte(out, uchar(b));
        }
    }
    return out;
}

QSize RtfWriter::pngSize(const QByteArray& png)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (png.size() < 24 || !png.startsWith(QByteArray(signature, 8)) || png.mid(12, 4) != "IHDR")
        return {};
    const auto* p = reinterpret_cast<const uchar*>(png.constData());
    const quint32 w = qFromBigEndian<quint32>(p + 16);
    const quint32 h = qFromBigEndian<quint32>(p + 20);
    if (w == 0 || h == 0 || w > 0x7fff || h > 0x7fff)
        return {};
    return QSize(int(w), int(h));
}

void RtfWriter::setFormat(const Format& f)
{
    if (f == m_format)
        return;
    if (f.bold != m_format.bold)
        m_body += f.bold ? "\\b" : "\\b0";
    if (f.italic != m_format.italic)
        m_body += f.italic ? "\\i" : "\\i0";
    if (f.underline != m_format.underline)
        m_body += f.underline ? "\\ul" : "\\ulnone";
    m_body += ' ';
    m_format = f;
}

void RtfWriter::beginParagraph()
{
    if (m_paragraphOpen)
        return;
    if (m_afterTable) {
        m_body += "\\pard ";
        m_afterTable = false;
    }
    m_paragraphOpen = true;
    m_empty = false;
}

void RtfWriter::addText(const QString& text, Format format)
{
    if (text.isEmpty())
        return;
    beginParagraph();
    setFormat(format);
    m_body += escapeText(text);
}

void RtfWriter::addLineBreak()
{
    beginParagraph();
    m_body += "\\line ";
}

void RtfWriter::endParagraph()
{
    beginParagraph();
    setFormat({});
    m_body += "\\par\r\n";
    m_paragraphOpen = false;
}

void RtfWriter::addTable(const QList<TableRow>& rows)
{
    if (rows.isEmpty())
        return;
    if (m_paragraphOpen)
        endParagraph();
    qsizetype columns = 0;
    for (const auto& row : rows)
        columns = qMax(columns, row.size());
    if (columns == 0)
        return;
    QList<int> widths(columns, 0);
    for (const auto& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], textUnits(row[c]));

    QByteArray rowDef = "\\trowd\\trgaph" + QByteArray::number(kCellGap) + "\\trleft0";
    int right = 0;
    for (int units : widths) {
        right += qMax(720, units * kTwipsPerHalfEm + 2 * kCellGap);
        rowDef += kCellBorders;
        rowDef += "\\cellx" + QByteArray::number(right);
    }
    for (const auto& row : rows) {
        m_body += rowDef;
        m_body += "\\pard\\intbl ";
        for (qsizetype c = 0; c < columns; ++c) {
            if (c < row.size()) {
                for (const auto& run : row[c]) {
                    if (run.text.isEmpty())
                        continue;
                    setFormat(run.format);
                    m_body += escapeText(run.text);
                }
            }
            setFormat({});
            m_body += "\\cell ";
        }
        m_body += "\\row\r\n";
    }
    m_afterTable = true;
    m_empty = false;
}

bool RtfWriter::addPicture(const QByteArray& png)
{
    const QSize size = pngSize(png);
    if (!size.isValid())
        return false;
    beginParagraph();
    m_body += "{\\pict\\pngblip\\picw" + QByteArray::number(size.width()) + "\\pich" + QByteArray::number(size.height())
        + "\\picwgoal" + QByteArray::number(size.width() * kTwipsPerPixel) + "\\pichgoal"
        + QByteArray::number(size.height() * kTwipsPerPixel) + "\r\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        m_body += hex.mid(i, 128) + "\r\n";
    m_body += "}";
    return true;
}

QByteArray RtfWriter::toRtf() const
{
    QByteArray out = kHeader;
    out += m_body;
    if (m_paragraphOpen || m_empty) {
        if (m_afterTable)
            out += "\\pard ";
        if (m_format.bold)
            out += "\\b0";
        if (m_format.italic)
            out += "\\i0";
        if (m_format.underline)
            out += "\\ulnone";
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

// ---------------------------------------------------------------------------

namespace {

// Destinations whose content is not document text.
bool isSkippedDestination(const QByteArray& word)
{
    static const QByteArray skipped[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                         "header", "footer", "headerl", "headerr", "footerl", "footerr",
                                         "listtable", "listoverridetable", "rsidtbl", "generator",
                                         "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
                                         "datastore", "fldinst", "nonshppict"};
    for (const auto& s : skipped)
        if (word == s)
            return true;
    return false;
}

class PlainTextReader {
public:
    explicit PlainTextReader(const QByteArray& rtf) : m_in(rtf), m_gbk("GBK") {}

    QString read()
    {
        struct Group {
            bool skip;
            int uc;
        };
        QList<Group> stack;
        bool skip = false;
        int uc = 1;
        int pendingSkip = 0; // fallback characters still to drop after \uN
        qsizetype i = 0;
        const qsizetype n = m_in.size();
        while (i < n) {
            const char c = m_in.at(i);
            if (c == '{') {
                stack.append({skip, uc});
                ++i;
                pendingSkip = 0;
                continue;
            }
            if (c == '}') {
                flush();
                if (!stack.isEmpty()) {
                    skip = stack.last().skip;
                    uc = stack.last().uc;
                    stack.removeLast();
                }
                ++i;
                pendingSkip = 0;
                continue;
            }
            if (c == '\r' || c == '\n') {
                ++i;
                continue;
            }
            if (c != '\\') {
                if (pendingSkip > 0)
                    --pendingSkip;
                else if (!skip)
                    m_bytes += c;
                ++i;
                continue;
            }
            // Control symbol or word.
            if (i + 1 >= n)
                break;
            const char s = m_in.at(i + 1);
            if (s == '\\' || s == '{' || s == '}') {
                if (pendingSkip > 0)
                    --pendingSkip;
                else if (!skip)
                    m_bytes += s;
                i += 2;
                continue;
            }
            if (s == '\'') {
                const bool ok = i + 3 < n;
                const uchar b = ok ? uchar(m_in.mid(i + 2, 2).toUInt(nullptr, 16)) : 0;
                if (pendingSkip > 0)
                    --pendingSkip;
                else if (!skip && ok)
                    m_bytes += char(b);
                i += 4;
                continue;
            }
            if (s == '*') {
                skip = true; // an optional destination this reader does not know
                i += 2;
                continue;
            }
            if (s == '~') {
                if (!skip)
                    text(QStringLiteral(" "));
                i += 2;
                continue;
            }
            if (!std::isalpha(uchar(s))) {
                i += 2; // \- \_ and friends
                continue;
            }
            qsizetype j = i + 1;
            while (j < n && std::isalpha(uchar(m_in.at(j))))
                ++j;
            const QByteArray word = m_in.mid(i + 1, j - i - 1);
            qsizetype k = j;
            if (k < n && (m_in.at(k) == '-' || std::isdigit(uchar(m_in.at(k)))))
                ++k;
            while (k < n && std::isdigit(uchar(m_in.at(k))))
                ++k;
            const bool hasParam = k > j;
            const int param = hasParam ? m_in.mid(j, k - j).toInt() : 0;
            if (k < n && m_in.at(k) == ' ')
                ++k;
            i = k;

            if (isSkippedDestination(word)) {
                skip = true;
                continue;
            }
            if (word == "uc") {
                uc = param;
                continue;
            }
            if (skip)
                continue;
            if (word == "u") {
                flush();
                m_out += QChar(char16_t(param < 0 ? param + 65536 : param));
                pendingSkip = uc;
            } else if (word == "par" || word == "line" || word == "row") {
                if (word == "row" && m_out.endsWith(QLatin1Char('\t')))
                    m_out.chop(1);
                text(QStringLiteral("\n"));
            } else if (word == "tab" || word == "cell") {
                text(QStringLiteral("\t"));
            }
        }
        flush();
        while (m_out.endsWith(QLatin1Char('\n')))
            m_out.chop(1);
        return m_out;
    }

private:
    void text(const QString& s)
    {
        flush();
        m_out += s;
    }
    void flush()
    {
        if (m_bytes.isEmpty())
            return;
        m_out += m_gbk.isValid() ? m_gbk.decode(m_bytes) : QString::fromLatin1(m_bytes);
        m_bytes.clear();
    }

    const QByteArray& m_in;
    QStringDecoder m_gbk;
    QByteArray m_bytes; // code-page bytes not yet decoded
    QString m_out;
};

} // namespace

QString plainTextOfRtf(const QByteArray& rtf)
{
    if (!rtf.startsWith("{\\rtf"))
        return QString::fromUtf8(rtf);
    return PlainTextReader(rtf).read();
}

} // namespace store

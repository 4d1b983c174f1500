#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringDecoder>

#include <map>
#include <variant>

// Reading the rich text the bank stores as RTF (Windows rich-edit controls: code page
// 936 with GBK \'xx escapes, \uN with its fallback, font and colour tables, character
// and paragraph formats, tables, embedded pictures; unknown destinations are skipped)
// into a small document model, beside the writer of the same format. Malformed input
// never crashes or hangs: whatever could be read is kept. The viewer in ui/ lays the
// model out; the pictures stay undecoded bytes here.
namespace store::rtf {

// Limits that keep hostile documents cheap: nesting, picture data and pixels, table
// shape, table entries, and the formats a layout has to cope with.
inline constexpr int kMaxDepth = 1000;
inline constexpr qsizetype kMaxPictureBytes = 8 * 1024 * 1024;
inline constexpr qint64 kMaxPicturePixels = 16 * 1024 * 1024;
inline constexpr int kMaxPictureSide = 16384;
inline constexpr int kMaxTableColumns = 64;
inline constexpr int kMaxFrameDepth = 3;       // tables in tables in tables
inline constexpr int kMaxTableCells = 2000;    // a longer table goes on as the next one: layout time grows fast
inline constexpr int kMaxTableEntries = 4096;  // fonts or colours
inline constexpr int kMaxControlWordLength = 32;
inline constexpr double kTwipsPerPixel = 15.0; // at 96 dots per inch
inline constexpr double kMaxLengthPx = 4000.0; // indents, margins, column widths, picture sides
inline constexpr qsizetype kSniffLength = 1024;
inline constexpr int kMinHalfPoints = 8;       // 4 pt
inline constexpr int kMaxHalfPoints = 144;     // 72 pt
inline constexpr int kMaxSizes = 16;           // distinct font sizes in one document: each is a font to load
// Laying out a paragraph costs the square of its format changes: past this many, the
// rest of the paragraph keeps the last format.
inline constexpr int kMaxRunsPerParagraph = 500;

// ---- the document model -------------------------------------------------------

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

inline size_t qHash(const CharFormat& c, size_t seed = 0)
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

// A picture as the document carries it: its bytes (PNG, JPEG, …; the viewer decodes
// them) and the goal size and scaling it asks for.
struct Picture {
    QByteArray bytes;
    int goalW = 0, goalH = 0; // twips; 0: the picture's own size
    int scaleX = 100, scaleY = 100; // percent
};

// A colour of the colour table; the automatic colour has none.
struct Colour {
    int red = 0, green = 0, blue = 0;
    bool automatic = true;
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
    QList<Colour> colours; // index 0 is "automatic"
    int defaultFont = 0;
};

RtfDocument readRtf(const QByteArray& data);
// The text of the model: paragraphs and rows on lines, cells separated by tabs.
QString plainText(const RtfDocument& rtf);

// Plain text: UTF-8 when it is valid UTF-8, else GBK.
QString decodePlain(const QByteArray& data);
// HTML bytes: the charset its meta tag names, else UTF-8 or GBK as for plain text.
QString decodeHtml(const QByteArray& data);
// Unpaired surrogates and control characters a layout cannot show become blanks.
void fixSurrogates(QString& text);

// For the reader (RtfText.cpp): a stateless decoder of a codec name (Latin-1 when
// unknown), the codec name of a Windows code page and of an RTF \fcharset, and one
// character as the layout can show it.
QStringDecoder makeDecoder(const char* name);
const char* codePageName(int codePage);
int charsetCodePage(int charset);
bool isValidUtf8(const QByteArray& data);
char16_t cleanChar(char16_t c);

} // namespace store::rtf

#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

namespace store {

// Writes a rich-text document as RTF the way the Windows rich-edit control saves
// it: code page 936, the Song typeface at 10.5 pt, every non-ASCII character as
// GBK \'xx escapes (\uN? for characters GBK lacks). Banks and upgrade files from
// publishers carry exactly this form, so the program's own documents match them.
//
//     RtfWriter w;
//     w.addText("栈是"); w.addText("后进先出", {.bold = true}); w.addText("的线性表。");
//     w.endParagraph();
//     QByteArray rtf = w.toRtf();
struct RtfFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const RtfFormat&) const = default;
};

class RtfWriter {
public:
    using Format = RtfFormat;
    struct Run {
        QString text;
        Format format;
    };
    using Cell = QList<Run>;
    using TableRow = QList<Cell>;

    // Text of the open paragraph; '\n' is a line break, '\t' a tab.
    void addText(const QString& text, Format format = {});
    void addLineBreak();
    // Ends the open paragraph (an empty one when nothing was written since the last).
    void endParagraph();
    // A simple bordered table after the open paragraph; column widths follow the
    // longest cell of each column. Rows shorter than the widest get empty cells.
    void addTable(const QList<TableRow>& rows);
    // An embedded PNG in the open paragraph. False (and nothing written) when the
    // bytes are not a PNG image.
    bool addPicture(const QByteArray& png);

    // The complete document; an open paragraph is ended first.
    QByteArray toRtf() const;

    // Text as RTF: \ { } escaped, non-ASCII as GBK \'xx or \uN?, controls dropped.
    static QByteArray escapeText(const QString& text);
    // Pixel size of a PNG from its header; an invalid size when it is not a PNG.
    static QSize pngSize(const QByteArray& png);

private:
    void setFormat(const Format& f);
    void beginParagraph();

    QByteArray m_body;
    Format m_format;
    bool m_paragraphOpen = false;
    bool m_afterTable = false; // the next paragraph must leave the table (\pard)
    bool m_empty = true;
};

// The text a rich-text document shows, for RTF as written above (and the usual
// rich-edit output): paragraphs and line breaks as '\n', table cells separated by
// '\t', pictures and font/colour tables left out. Anything not starting with
// "{\rtf" is taken as UTF-8 plain text and returned as it is.
QString plainTextOfRtf(const QByteArray& rtf);

} // namespace store

#include "core/store/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using store::RtfWriter;

namespace {

QByteArray smallPng(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Groups must balance and the outermost one close only at the very end, or a
// reader drops part of the document.
bool groupsBalance(const QByteArray& rtf)
{
    int depth = 0;
    qsizetype closedAt = -1;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}') {
            if (--depth < 0)
                return false;
            if (depth == 0) {
                if (closedAt >= 0)
                    return false;
                closedAt = i;
            }
        }
    }
    return depth == 0 && rtf.mid(closedAt + 1).trimmed().isEmpty();
}

} // namespace

TEST(RtfWriter, EscapesTextForCodePage936)
{
    struct Case {
        const char* text;
        const char* rtf;
    } cases[] = {
        {"plain", "plain"},
        {"a\\b{c}d", "a\\\\b\\{c\\}d"},                 // RTF's own characters
        {"宋体", "\\'cb\\'ce\\'cc\\'e5"},                // GBK, two bytes each
        {"（  ）", "\\'a3\\'a8  \\'a3\\'a9"},           // full-width brackets
        {"x\ty\nz", "x\\tab y\\line z"},
        {"bell\a", "bell"},                              // control characters dropped
        {"ก", "\\u3585?"},                               // not in GBK: Unicode escape
        {"😀", "\\u-10179?\\u-8704?"},                   // outside the BMP: both halves, signed
        {"R⋈S 宋", "R\\u8904?S \\'cb\\'ce"},            // GBK again after a character it lacks
    };
    for (const auto& c : cases)
        EXPECT_EQ(RtfWriter::escapeText(QString::fromUtf8(c.text)), QByteArray(c.rtf)) << c.text;
}

TEST(RtfWriter, WritesTheRichEditHeaderAndEndsWithAParagraph)
{
    RtfWriter w;
    w.addText(QStringLiteral("栈"));
    const QByteArray rtf = w.toRtf();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
                               "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
                               "{\\colortbl ;\\red0\\green0\\blue0;}\r\n"
                               "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs21 "))
        << rtf.constData();
    EXPECT_TRUE(rtf.endsWith("\\'d5\\'bb\\par\r\n}\r\n")) << rtf.constData();

    const QByteArray empty = RtfWriter().toRtf();
    EXPECT_TRUE(empty.endsWith("\\fs21 \\par\r\n}\r\n")) << empty.constData();
}

TEST(RtfWriter, FormatsRunsAndReadsBackAsTheSameText)
{
    RtfWriter w;
    w.addText(QStringLiteral("栈是"));
    w.addText(QStringLiteral("后进先出"), {.bold = true});
    w.addText(QStringLiteral("的"), {.bold = true, .italic = true});
    w.addText(QStringLiteral("线性表"), {.underline = true});
    w.addLineBreak();
    w.addText(QStringLiteral("a{b}\\c"));
    w.endParagraph();
    w.addTable({{{{QStringLiteral("协议"), {.bold = true}}}, {{QStringLiteral("端口"), {.bold = true}}}},
                {{{QStringLiteral("HTTP"), {}}}, {{QStringLiteral("80"), {}}}},
                {{{QStringLiteral("SSH"), {}}}}});
    w.addText(QStringLiteral("表后"));
    ASSERT_TRUE(w.addPicture(smallPng(3, 2)));
    const QByteArray rtf = w.toRtf();

    // Formatting switches on and off around the runs, never left on at a \par.
    EXPECT_TRUE(rtf.contains("\\'d5\\'bb\\'ca\\'c7\\b \\'ba\\'f3")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\i \\'b5\\'c4\\b0\\i0\\ul \\'cf\\'df")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\line \\ulnone a\\{b\\}\\\\c\\par")) << rtf.constData();
    // Three rows of two cells each (the short row is padded), then back to plain paragraphs.
    EXPECT_EQ(rtf.count("\\trowd"), 3);
    EXPECT_EQ(rtf.count("\\cell "), 6);
    EXPECT_EQ(rtf.count("\\row"), 3);
    EXPECT_TRUE(rtf.contains("\\row\r\n\\pard \\'b1\\'ed")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw3\\pich2\\picwgoal45\\pichgoal30\r\n89504e47")) << rtf.constData();

    EXPECT_TRUE(groupsBalance(rtf));

    EXPECT_EQ(store::plainTextOfRtf(rtf),
              QStringLiteral("栈是后进先出的线性表\na{b}\\c\n协议\t端口\nHTTP\t80\nSSH\t\n表后"));
}

TEST(RtfWriter, RefusesPicturesThatAreNotPng)
{
    RtfWriter w;
    EXPECT_FALSE(w.addPicture(QByteArray("GIF89a not a png")));
    EXPECT_FALSE(w.addPicture(smallPng(4, 4).left(20))); // cut before the size
    EXPECT_EQ(RtfWriter::pngSize(smallPng(640, 17)), QSize(640, 17));
    EXPECT_FALSE(w.toRtf().contains("\\pict"));
}

TEST(RtfPlainText, ReadsRichEditOutputOfOtherWriters)
{
    // As other writers save it: \uN with a fallback, hex escapes split across runs,
    // an optional destination, and text that is not RTF at all.
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                           "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1\\pard\\f0\\fs21 "
                           "\\'b6\\'d3\\'c1\\'d0 \\u8776?x\\par\r\nB\\~C\\par\r\n}";
    EXPECT_EQ(store::plainTextOfRtf(rtf), QStringLiteral("队列 ≈x\nB C"));
    EXPECT_EQ(store::plainTextOfRtf(QByteArray("没有格式")), QStringLiteral("没有格式"));
}

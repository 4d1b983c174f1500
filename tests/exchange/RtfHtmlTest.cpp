#include "core/exchange/Question.h"
#include "core/exchange/RtfHtml.h"
#include "core/store/RtfReader.h"

#include <gtest/gtest.h>

namespace {

QString html(const char* rtf)
{
    return exchange::rtfToHtml(store::rtf::readRtf(QByteArray(rtf)));
}

} // namespace

// What the bank's rich texts carry reaches the exported HTML; what HTML cannot
// carry (fonts, sizes) is dropped rather than garbled.
TEST(RtfHtml, FormatsParagraphsAndTablesBecomeHtml)
{
    struct Case {
        const char* rtf;
        const char* html;
    } cases[] = {
        {R"({\rtf1\ansi plain \b bold\b0  \i it\i0\par})", "<p>plain <b>bold</b> <i>it</i></p>"},
        {R"({\rtf1\ansi x\super 2\nosupersub  H\sub 2\nosupersub O\par})", "<p>x<sup>2</sup> H<sub>2</sub>O</p>"},
        {R"({\rtf1\ansi \ul\strike both\strike0\ulnone\par})", "<p><u><s>both</s></u></p>"},
        {R"({\rtf1\ansi{\colortbl;\red255\green0\blue0;}\cf1 red\cf0\par})", "<p><span style=\"color:#ff0000\">red</span></p>"},
        {R"({\rtf1\ansi\qc centred\par\pard a < b & c\par})", "<p style=\"text-align:center\">centred</p><p>a &lt; b &amp; c</p>"},
        {R"({\rtf1\ansi\ansicpg936 \'d6\'d0\'ce\'c4\par})", "<p>中文</p>"},
        {R"({\rtf1\ansi\trowd\cellx1000\cellx2000 a\cell b\cell\row})", "<table border=\"1\"><tr><td>a</td><td>b</td></tr></table>"},
        {R"({\rtf1\ansi\par\par text\par\par})", "<p>text</p>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(html(c.rtf), QString::fromUtf8(c.html)) << c.rtf;
}

TEST(RtfHtml, PicturesTravelAsDataUrlsAtTheirSize)
{
    // A PNG's signature and a little more; the reader keeps the bytes as they are.
    const QString out = html(R"({\rtf1\ansi see {\pict\pngblip\picwgoal1500\pichgoal750 89504e470d0a1a0a0000}\par})");
    const QString expected = QStringLiteral("<p>see <img src=\"%1\" width=\"100\" height=\"50\" /></p>")
                                 .arg(exchange::dataUrl(QStringLiteral("p.png"), QByteArray::fromHex("89504e470d0a1a0a0000")));
    EXPECT_EQ(out, expected);
    // A metafile no browser shows is left out, not written as a broken picture.
    EXPECT_EQ(html(R"({\rtf1\ansi a{\pict\wmetafile8 0100090000}b\par})"), "<p>ab</p>");
}

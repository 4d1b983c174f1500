#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "core/store/RtfReader.h"
#include "core/store/RtfWriter.h"
#include "support/AccessibleAction.h"
#include "support/TempBank.h"
#include "ui/RichText.h"
#include "ui/RichTextEdit.h"
#include "ui/RichTextToolBar.h"
#include "ui/RichTextView.h"

#include <QAccessible>
#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QToolButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using ui::RichFormat;

#include "ui/RichTextFixture.h"

using namespace richtexttest;

namespace {


// ---------------------------------------------------------------------------
// What the reader shows: the text of every input form.

struct TextCase {
    const char* name;
    QByteArray input;
    QString expected;
    RichFormat format;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

const QByteArray kDeep = QByteArray(100000, '{') + "x" + QByteArray(100000, '}');

std::vector<TextCase> textCases()
{
    const QString zhong = QString::fromUtf8("中文");
    return {
        {"gbk_escapes", rtf("\\'d6\\'d0\\'ce\\'c4"), zhong, RichFormat::Rtf},
        {"gbk_escapes_upper_hex", rtf("\\'D6\\'D0\\'CE\\'C4"), zhong, RichFormat::Rtf},
        {"gbk_pair_split_by_line_end", rtf("\\'d6\r\n\\'d0\\'ce\r\n\\'c4"), zhong, RichFormat::Rtf},
        {"gbk_pair_between_ascii", rtf("A\\'d6\\'d0B"), QString::fromUtf8("A中B"), RichFormat::Rtf},
        {"gbk_raw_bytes", rtf(gbk(QString::fromUtf8("题干"))), QString::fromUtf8("题干"), RichFormat::Rtf},
        {"ansicpg936_without_fonts", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}", QString::fromUtf8("中"), RichFormat::Rtf},
        {"cp1252_in_latin_font", rtf("{\\f1 caf\\'e9 \\'93q\\'94}"), QString::fromUtf8("café “q”"), RichFormat::Rtf},
        {"cp1252_without_code_page", "{\\rtf1\\ansi caf\\'e9}", QString::fromUtf8("café"), RichFormat::Rtf},
        {"unicode_with_fallback", rtf("\\u32452?\\u20803?"), QString::fromUtf8("组元"), RichFormat::Rtf},
        {"unicode_negative", rtf("\\u-244?x"), QString(QChar(0xff0c)) + "x", RichFormat::Rtf},
        {"unicode_uc2_gbk_fallback", rtf("\\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4"), zhong, RichFormat::Rtf},
        {"unicode_uc0", rtf("\\uc0\\u20013\\u25991  ok"), zhong + " ok", RichFormat::Rtf},
        {"unicode_fallback_ends_with_group", rtf("{\\uc3\\u20013 ?}x"), QString::fromUtf8("中x"), RichFormat::Rtf},
        {"unicode_surrogate_pair", rtf("\\u-10179?\\u-8704?"), QString::fromUtf8("😀"), RichFormat::Rtf},
        {"unicode_lone_surrogate", rtf("a\\u-10179?b"), QString("a") + QChar(0xfffd) + "b", RichFormat::Rtf},
        {"unicode_frame_marker_dropped", rtf("a\\u-560?\\u-559?\\u-4?b"), "ab", RichFormat::Rtf},
        {"escaped_symbols", rtf("\\{a\\}\\\\\\~b\\emdash\\ldblquote c\\rdblquote"),
         QString::fromUtf8("{a}\\\u00a0b—“c”"), RichFormat::Rtf},
        {"line_tab_par", rtf("one\\line two\\tab three\\par four"), "one\ntwo\tthree\nfour", RichFormat::Rtf},
        {"empty_paragraph_kept", rtf("a\\par\\par b"), "a\n\nb", RichFormat::Rtf},
        {"skipped_destinations",
         rtf("{\\*\\generator Riched20;}{\\info{\\author x}}{\\stylesheet{\\s0 Normal;}}{\\header H}"
             "{\\*\\unknownthing zz}{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}shown"),
         "linkshown", RichFormat::Rtf},
        {"object_shows_its_result", rtf("{\\object\\objemb{\\*\\objclass P}{\\*\\objdata 0102}{\\result R}}!"), "R!", RichFormat::Rtf},
        {"bin_data_with_braces", rtf("a{\\*\\blob\\bin4 }}{{}b"), "ab", RichFormat::Rtf},
        {"bin_count_past_end", "{\\rtf1 a{\\*\\x\\bin99999999 zz", "a", RichFormat::Rtf},
        {"table_cells_and_rows",
         rtf("\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row\\trowd\\cellx1000\\cellx2000\\pard\\intbl c\\cell "
             "d\\cell\\row\\pard after"),
         "a\tb\nc\td\nafter", RichFormat::Rtf},
        {"row_without_cell_mark", rtf("\\trowd\\cellx900\\pard\\intbl lone\\row\\pard z"), "lone\nz", RichFormat::Rtf},
        {"truncated_document", "{\\rtf1\\ansi\\ansicpg936 {\\b \\'d6\\'d0", QString::fromUtf8("中"), RichFormat::Rtf},
        {"truncated_escape", "{\\rtf1\\ansi ab\\'4", "ab", RichFormat::Rtf},
        {"truncated_control_word", "{\\rtf1 ab\\u20013", QString::fromUtf8("ab中"), RichFormat::Rtf},
        {"backslash_at_end", "{\\rtf1 ab\\", "ab", RichFormat::Rtf},
        {"text_after_document_ignored", "{\\rtf1 a}b}c{d", "a", RichFormat::Rtf},
        {"bad_hex_escape", "{\\rtf1 a\\'zzb}", "azzb", RichFormat::Rtf},
        {"huge_numbers", "{\\rtf1\\fs999999999999999 a\\u99999999999?b\\cf-99999999999 c\\uc-5 d}", "abcd", RichFormat::Rtf},
        {"long_control_word", "{\\rtf1 a\\" + QByteArray(5000, 'x') + "1 b}", "ab", RichFormat::Rtf},
        {"deep_nesting", "{\\rtf1 " + kDeep + "ok}", "ok", RichFormat::Rtf},
        {"nesting_at_limit", "{\\rtf1 " + QByteArray(998, '{') + "in" + QByteArray(998, '}') + "}", "in", RichFormat::Rtf},
        {"control_bytes_dropped", QByteArray("{\\rtf1 a\x01\x00" "b\x1f" "c}", 14), "abc", RichFormat::Rtf},
        {"leading_blanks_and_bom", "\xef\xbb\xbf \r\n{\\rtf1 x}", "x", RichFormat::Rtf},
        {"html", "<html><body><p><b>粗</b>体</p><p>二</p></body></html>", QString::fromUtf8("粗体\n二"), RichFormat::Html},
        {"html_fragment", "<p>a &amp; b</p>", "a & b", RichFormat::Html},
        {"html_gbk_meta", "<html><head><meta charset=\"gbk\"></head><body>" + gbk(QString::fromUtf8("汉字")) + "</body></html>",
         QString::fromUtf8("汉字"), RichFormat::Html},
        {"html_gbk_undeclared", "<html><body>" + gbk(QString::fromUtf8("汉字")) + "</body></html>", QString::fromUtf8("汉字"),
         RichFormat::Html},
        {"plain_utf8", "第一行\r\n第二行 <b>", QString::fromUtf8("第一行\n第二行 <b>"), RichFormat::Plain},
        {"plain_utf8_bom", "\xef\xbb\xbf" "abc", "abc", RichFormat::Plain},
        {"plain_gbk", gbk(QString::fromUtf8("国标码文本")), QString::fromUtf8("国标码文本"), RichFormat::Plain},
        {"plain_less_than", "<3 is not a tag", "<3 is not a tag", RichFormat::Plain},
        {"plain_brace_not_rtf", "{\\rtx not rtf}", "{\\rtx not rtf}", RichFormat::Plain},
        {"empty", "", "", RichFormat::Plain},
    };
}

class RichTextRead : public ::testing::TestWithParam<TextCase> {};

TEST_P(RichTextRead, ShowsTheTextOfEveryForm)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(ui::detectRichFormat(c.input), c.format);
    EXPECT_EQ(ui::richTextToPlain(c.input).toStdString(), c.expected.toStdString());
    QTextDocument doc;
    ui::loadRichText(&doc, c.input);
    EXPECT_EQ(documentText(doc).toStdString(), c.expected.toStdString());
    doc.setTextWidth(300);
    EXPECT_GT(doc.size().height(), 0); // lays out
}

INSTANTIATE_TEST_SUITE_P(Cases, RichTextRead, ::testing::ValuesIn(textCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Character and paragraph formats.

struct FormatCase {
    const char* name;
    QByteArray body;
    const char* probe; // a text the check looks at
    std::function<bool(const QTextCharFormat&)> check;
};

TEST(RichTextFormat, CharacterFormats)
{
    const FormatCase cases[] = {
        {"bold", "a\\b B\\b0 c", "B", [](auto& f) { return f.fontWeight() == QFont::Bold; }},
        {"bold_off", "a\\b B\\b0 cc", "cc", [](auto& f) { return f.fontWeight() != QFont::Bold; }},
        {"italic", "\\i I\\i0 x", "I", [](auto& f) { return f.fontItalic(); }},
        {"underline", "\\ul U\\ulnone x", "U", [](auto& f) { return f.fontUnderline(); }},
        {"underline_off", "\\ul U\\ulnone xx", "xx", [](auto& f) { return !f.fontUnderline(); }},
        {"underline_double_is_underline", "\\uldb D\\ul0 x", "D", [](auto& f) { return f.fontUnderline(); }},
        {"strike", "\\strike S\\strike0 x", "S", [](auto& f) { return f.fontStrikeOut(); }},
        {"size_half_points", "\\fs32 big\\fs21 x", "big", [](auto& f) { return f.fontPointSize() == 16; }},
        {"document_size", "norm", "norm", [](auto& f) { return f.fontPointSize() == 10.5; }},
        {"colour", "\\cf1 red\\cf0 x", "red", [](auto& f) { return f.foreground().color() == QColor(255, 0, 0); }},
        {"automatic_colour", "\\cf1 r\\cf0 auto", "auto", [](auto& f) { return !f.hasProperty(QTextFormat::ForegroundBrush); }},
        {"colour_out_of_table", "\\cf9 nine", "nine", [](auto& f) { return !f.hasProperty(QTextFormat::ForegroundBrush); }},
        {"highlight", "\\highlight2 hi\\highlight0 x", "hi", [](auto& f) { return f.background().color() == QColor(0, 0, 255); }},
        {"group_restores", "{\\b\\i inner}outer", "outer", [](auto& f) { return f.fontWeight() != QFont::Bold && !f.fontItalic(); }},
        {"plain_resets", "\\b\\i\\ul\\cf1 x\\plain p", "p",
         [](auto& f) { return f.fontWeight() != QFont::Bold && !f.fontItalic() && !f.fontUnderline() && !f.hasProperty(QTextFormat::ForegroundBrush); }},
        {"superscript", "x{\\super 2}", "2", [](auto& f) { return f.verticalAlignment() == QTextCharFormat::AlignSuperScript; }},
        {"subscript", "H{\\sub 2}O", "2", [](auto& f) { return f.verticalAlignment() == QTextCharFormat::AlignSubScript; }},
        {"gbk_text_in_bold", "\\b\\'d6\\'d8\\'b5\\'e3\\b0", "重点", [](auto& f) { return f.fontWeight() == QFont::Bold; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTextDocument doc;
        ui::loadRichText(&doc, rtf(c.body));
        EXPECT_TRUE(c.check(formatAt(doc, QString::fromUtf8(c.probe))));
    }
}

TEST(RichTextFormat, ParagraphAlignmentAndIndents)
{
    QTextDocument doc;
    ui::loadRichText(&doc, rtf("\\qc centre\\par\\pard\\qr right\\par\\qj just\\par\\pard left\\par"
                               "{\\qc grouped\\par}\\li300\\fi-150 indent"));
    EXPECT_EQ(blockAt(doc, "centre").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(blockAt(doc, "right").alignment(), Qt::AlignRight);
    EXPECT_EQ(blockAt(doc, "just").alignment(), Qt::AlignJustify);
    EXPECT_EQ(blockAt(doc, "left").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(blockAt(doc, "grouped").alignment(), Qt::AlignHCenter);
    const QTextBlockFormat indent = blockAt(doc, "indent");
    EXPECT_EQ(indent.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft) << "the group's \\qc ended with it";
    EXPECT_EQ(indent.leftMargin(), 20);
    EXPECT_EQ(indent.textIndent(), -10);
    EXPECT_EQ(doc.blockCount(), 6) << "the closing \\par adds no empty line";
}

TEST(RichTextFormat, FontsInstalledOrMonospaceElseTheViewsFace)
{
    QTextDocument doc;
    ui::loadRichText(&doc, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}{\\f1\\fmodern Courier Nowhere;}"
                           "{\\f2\\froman No Such Face;}}\\f0 dflt \\f1 code \\f2 other}");
    EXPECT_FALSE(formatAt(doc, "dflt").hasProperty(QTextFormat::FontFamilies));
    EXPECT_EQ(formatAt(doc, "code").fontFamilies().toStringList(), QStringList{"monospace"});
    EXPECT_FALSE(formatAt(doc, "other").hasProperty(QTextFormat::FontFamilies));
}

// ---------------------------------------------------------------------------
// Tables and pictures as the bank tool writes them.

TEST(RichTextTable, RowsCellsWidthsAndFormats)
{
    store::RtfWriter w;
    w.addText(QString::fromUtf8("如下表："));
    w.addTable({{cell(QString::fromUtf8("指令与操作数"), {.bold = true}), cell("A"), cell("B")},
                {cell("LOAD"), cell("1")},
                {cell("ADD"), cell("2"), cell("3")}});
    w.addText(QString::fromUtf8("表后"));
    QTextDocument doc;
    ui::loadRichText(&doc, w.toRtf());
    ASSERT_EQ(doc.rootFrame()->childFrames().size(), 1);
    auto* table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().first());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 3);
    EXPECT_EQ(table->columns(), 3);
    EXPECT_EQ(table->cellAt(0, 0).firstCursorPosition().block().text(), QString::fromUtf8("指令与操作数"));
    EXPECT_EQ(table->cellAt(1, 2).firstCursorPosition().block().text(), "") << "short rows get empty cells";
    EXPECT_EQ(table->cellAt(2, 2).firstCursorPosition().block().text(), "3");
    EXPECT_EQ(formatAt(doc, QString::fromUtf8("指令与操作数")).fontWeight(), QFont::Bold);
    EXPECT_NE(formatAt(doc, "LOAD").fontWeight(), QFont::Bold);
    const auto widths = table->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_EQ(widths[0].type(), QTextLength::FixedLength);
    EXPECT_GT(widths[0].rawValue(), widths[1].rawValue()) << "the wider column first";
    EXPECT_EQ(documentText(doc), QString::fromUtf8("如下表：\n指令与操作数\tA\tB\nLOAD\t1\t\nADD\t2\t3\n表后"));
    EXPECT_EQ(ui::richTextToPlain(w.toRtf()), documentText(doc)) << "the writer fills short rows";
}

TEST(RichTextTable, TablesWrittenBackToBackStaySeparate)
{
    store::RtfWriter w;
    w.addTable({{cell("A"), cell("B"), cell("C")}, {cell("a1"), cell("b1"), cell("5")}});
    w.addTable({{cell("B"), cell(QString::fromUtf8("较宽的一列"))}, {cell("b1"), cell("d1")}});
    QTextDocument doc;
    ui::loadRichText(&doc, w.toRtf());
    const auto frames = doc.rootFrame()->childFrames();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(qobject_cast<QTextTable*>(frames[0])->columns(), 3);
    EXPECT_EQ(qobject_cast<QTextTable*>(frames[1])->columns(), 2);
    EXPECT_EQ(documentText(doc), QString::fromUtf8("A\tB\tC\na1\tb1\t5\nB\t较宽的一列\nb1\td1\n"));
}

TEST(RichTextTable, CellWithSeveralParagraphsAndTooManyColumns)
{
    QByteArray body = "\\trowd\\cellx500\\pard\\intbl one\\par two\\cell ";
    for (int i = 0; i < 100; ++i)
        body += "c\\cell ";
    body += "\\row";
    QTextDocument doc;
    ui::loadRichText(&doc, rtf(body));
    auto* table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columns(), 64) << "columns are capped; the rest join the last cell";
    QTextTableCell first = table->cellAt(0, 0);
    EXPECT_EQ(first.lastCursorPosition().blockNumber() - first.firstCursorPosition().blockNumber(), 1);
    EXPECT_EQ(ui::richTextToPlain(rtf(body)).count('c'), 100);
}

TEST(RichTextTable, CentredTable)
{
    QTextDocument doc;
    ui::loadRichText(&doc, rtf("\\trowd\\trqc\\cellx900\\pard\\intbl c\\cell\\row\\trowd\\cellx900\\pard\\intbl d\\cell\\row"));
    auto* table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 2);
    EXPECT_EQ(table->format().alignment(), Qt::AlignHCenter);
}

TEST(RichTextPicture, PngAndJpegShownAtTheirGoalSize)
{
    const QImage image = tinyImage();
    store::RtfWriter w;
    w.addText("before");
    ASSERT_TRUE(w.addPicture(png(image)));
    w.addText("after");
    QByteArray jpeg = "{\\pict\\jpegblip\\picw3\\pich2\\picwgoal90\\pichgoal60\\picscalex200\\picscaley50 "
                      + png(image, "JPEG").toHex() + "}";
    QByteArray data = w.toRtf();
    data.insert(data.lastIndexOf("\\par"), jpeg);

    QTextDocument doc;
    ui::loadRichText(&doc, data);
    EXPECT_EQ(doc.toPlainText().remove(QChar::ObjectReplacementCharacter), "beforeafter");
    const auto pictures = images(doc);
    ASSERT_EQ(pictures.size(), 2);
    EXPECT_EQ(pictures[0].width(), 3); // 45 twips
    EXPECT_EQ(pictures[0].height(), 2);
    EXPECT_EQ(pictures[1].width(), 12); // 90 twips at 200 %
    EXPECT_EQ(pictures[1].height(), 2);
    const QImage shown = resourceImage(doc, pictures[0].name());
    ASSERT_EQ(shown.size(), QSize(3, 2));
    EXPECT_EQ(shown.pixelColor(2, 1), QColor(0, 0, 255));
    EXPECT_EQ(resourceImage(doc, pictures[1].name()).size(), QSize(3, 2));
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xffffffff;
    for (char ch : data) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

TEST(RichTextPicture, BrokenPicturesAreLeftOut)
{
    // A valid PNG header claiming 20000 x 20000 pixels.
    QByteArray huge = png(tinyImage());
    huge.replace(16, 8, QByteArray::fromHex("00004e2000004e20"));
    const quint32 crc = crc32(huge.mid(12, 17));
    huge.replace(29, 4, QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(8, '0')));
    const QByteArray cases[] = {
        "{\\pict\\pngblip 89504e470d0a1a0a00}",                        // truncated PNG
        "{\\pict\\pngblip zz-not-hex}",                                 // no data
        "{\\pict\\wmetafile8\\picw10\\pich10 0100090000}",             // a metafile: not shown
        "{\\pict\\pngblip " + huge.toHex() + "}",                       // too many pixels
        "{\\pict\\jpegblip " + png(tinyImage()).toHex() + "0}",         // odd digit count, PNG called JPEG
        "{\\pict\\pngblip " + png(tinyImage(), "XPM").toHex() + "}",     // text that Qt reads as a picture
    };
    for (const QByteArray& pict : cases) {
        SCOPED_TRACE(pict.left(40).toStdString());
        QTextDocument doc;
        ui::loadRichText(&doc, rtf("a" + pict + "b"));
        EXPECT_EQ(doc.toPlainText().remove(QChar::ObjectReplacementCharacter), "ab");
        EXPECT_EQ(images(doc).size(), pict.contains("jpegblip") ? 1 : 0) << "the bytes, not the name, tell the type";
    }
    QTextDocument doc;
    ui::loadRichText(&doc, "{\\rtf1 a{\\pict\\pngblip " + png(tinyImage()).toHex().left(41));
    EXPECT_EQ(doc.toPlainText(), "a") << "cut off inside the picture";
}

// ---------------------------------------------------------------------------
// HTML: the editor's own documents, and nothing loaded from outside.

TEST(RichTextHtml, EditorDocumentsComeBackTheSame)
{
    ui::RichTextEdit edit;
    store::RtfWriter w;
    w.addText(QString::fromUtf8("粗体"), {.bold = true});
    w.addText(QString::fromUtf8("与下划线"), {.underline = true});
    w.endParagraph();
    w.addTable({{cell("x"), cell("y")}});
    ASSERT_TRUE(w.addPicture(png(tinyImage())));
    edit.setRichText(w.toRtf());
    QTextCursor(edit.document()).setBlockFormat([] { QTextBlockFormat f; f.setAlignment(Qt::AlignHCenter); return f; }());

    const QByteArray html = edit.richText();
    EXPECT_TRUE(html.startsWith("<!DOCTYPE")) << html.left(80).toStdString();
    EXPECT_TRUE(html.contains("data:image/png;base64,")) << "pictures travel inside the HTML";
    EXPECT_TRUE(html.contains(QString::fromUtf8("粗体").toUtf8()));
    EXPECT_EQ(ui::detectRichFormat(html), RichFormat::Html);

    ui::RichTextView view;
    view.setRichText(html);
    QTextDocument& doc = *view.document();
    // (Qt's HTML import puts an empty paragraph after a table; only the content matters.)
    EXPECT_EQ(documentText(doc).split('\n', Qt::SkipEmptyParts), QStringList({QString::fromUtf8("粗体与下划线"), "x\ty"}));
    EXPECT_EQ(formatAt(doc, QString::fromUtf8("粗体")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatAt(doc, QString::fromUtf8("下划线")).fontUnderline());
    EXPECT_EQ(blockAt(doc, QString::fromUtf8("粗体")).alignment(), Qt::AlignHCenter);
    const auto pictures = images(doc);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(resourceImage(doc, pictures[0].name()).pixelColor(2, 1), QColor(0, 0, 255));
    EXPECT_EQ(ui::richTextToPlain(html), documentText(doc));
}

TEST(RichTextHtml, NeverReadsFilesNamedInTheDocument)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("secret.png");
    ASSERT_TRUE(tinyImage().save(picture));
    const QString css = dir.filePath("red.css");
    {
        QFile f(css);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("p { color: red; }");
    }
    const QByteArray html = "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"" + css.toUtf8()
        + "\"><style>@import url(" + QUrl::fromLocalFile(css).toEncoded() + ");</style></head><body><p>x<img src=\""
        + picture.toUtf8() + "\"><img src=\"" + QUrl::fromLocalFile(picture).toEncoded()
        + "\"><img src=\"/dev/zero\"></p></body></html>";

    QTextDocument doc;
    ui::loadRichText(&doc, html);
    ui::RichTextView view;
    view.setRichText(html);
    ui::RichTextEdit edit;
    edit.setRichText(html);
    for (QTextDocument* d : {&doc, view.document(), edit.document()}) {
        EXPECT_FALSE(formatAt(*d, "x").hasProperty(QTextFormat::ForegroundBrush)) << "the style sheet file was read";
        const auto pictures = images(*d);
        ASSERT_EQ(pictures.size(), 3);
        for (const auto& p : pictures) {
            const QVariant r = d->resource(QTextDocument::ImageResource, QUrl(p.name()));
            EXPECT_TRUE(r.value<QImage>().isNull() && r.value<QPixmap>().isNull()) << p.name().toStdString();
        }
        d->setTextWidth(200);
        EXPECT_GT(d->size().height(), 0);
    }
    view.resize(300, 200);
    EXPECT_FALSE(view.grab().isNull()); // painting looks nothing up either
}

// ---------------------------------------------------------------------------
// Every rich text of the demo bank.

TEST(RichTextDemoBank, EveryStoredDocumentReadsLikeTheWritersOwnText)
{
    auto db = store::Connection::open(QStringLiteral(TESVORA_DEMO_BANK), store::bankKey(), store::Connection::Mode::ReadOnly);
    const char* queries[] = {"select A1, A15 from tab_exer", "select A1, jx from tab_exer where jx is not null",
                             "select A1, A15 from tab_title", "select ftid, n from tab_rule", "select C1, jx from tab_kmmc where jx is not null"};
    int documents = 0, pictures = 0, tables = 0;
    for (const char* sql : queries) {
        const store::Rows rows = db->query(QString::fromLatin1(sql));
        for (const auto& row : rows.values) {
            const QByteArray data = row[1].toByteArray();
            if (data.isEmpty())
                continue;
            SCOPED_TRACE(sql + (": " + row[0].toString().toStdString()));
            ++documents;
            const QString plain = ui::richTextToPlain(data);
            QString trimmed = plain; // the writer's plain text drops trailing line ends
            while (trimmed.endsWith('\n'))
                trimmed.chop(1);
            EXPECT_EQ(trimmed.toStdString(), store::plainTextOfRtf(data).toStdString());
            EXPECT_FALSE(plain.contains(QChar::ReplacementCharacter));
            EXPECT_FALSE(plain.contains("\\")) << "a control word shown as text";
            QTextDocument doc;
            ui::loadRichText(&doc, data);
            EXPECT_EQ(documentText(doc).toStdString(), plain.toStdString());
            pictures += images(doc).size();
            tables += doc.rootFrame()->childFrames().size();
            for (const auto& p : images(doc))
                EXPECT_FALSE(resourceImage(doc, p.name()).isNull());
        }
    }
    EXPECT_GT(documents, 1000);
    EXPECT_GT(pictures, 0);
    EXPECT_GT(tables, 0);
}

// ---------------------------------------------------------------------------
// Hostile input stays cheap: what a layout's time grows with is capped, so the
// checks count it instead of timing it (the timings are in bench/).

namespace {

// What laying out a document costs grows with: format changes in one paragraph,
// distinct font sizes (each a font to load), cells of one table, tables in tables.
struct LayoutLoad {
    int fragmentsPerBlock = 0;
    int fontSizes = 0;
    int cellsPerTable = 0;
    int frameDepth = 0;
};

void addFrameLoad(QTextFrame* frame, int depth, LayoutLoad& load)
{
    load.frameDepth = std::max(load.frameDepth, depth);
    if (auto* t = qobject_cast<QTextTable*>(frame))
        load.cellsPerTable = std::max(load.cellsPerTable, t->rows() * t->columns());
    for (QTextFrame* child : frame->childFrames())
        addFrameLoad(child, depth + 1, load);
}

LayoutLoad layoutLoad(const QTextDocument& doc)
{
    LayoutLoad load;
    QSet<qreal> sizes;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        int fragments = 0;
        for (auto it = b.begin(); !it.atEnd(); ++it, ++fragments)
            sizes.insert(it.fragment().charFormat().fontPointSize());
        load.fragmentsPerBlock = std::max(load.fragmentsPerBlock, fragments);
    }
    load.fontSizes = int(sizes.size());
    addFrameLoad(doc.rootFrame(), 0, load);
    return load;
}

} // namespace

TEST(RichTextLimits, LargeHostileInputsStayWithinTheLayoutLimits)
{
    QByteArray rows = "{\\rtf1 ";
    for (int i = 0; i < 60000; ++i)
        rows += "\\intbl x\\cell\\row";
    QByteArray formats = "{\\rtf1 ";
    for (int i = 0; i < 60000; ++i)
        formats += "\\fs" + QByteArray::number(i % 3000 + 1) + (i % 2 ? "\\b " : "\\b0 ") + "y";
    QByteArray colours = "{\\rtf1{\\colortbl" + QByteArray(200000, ';') + "}\\cf5000 z}";
    QByteArray bins = "{\\rtf1 " + QByteArray(200000, '{') + "\\bin5 ab}}}" + QByteArray(200000, '}') + "t}";
    QByteArray pict = "{\\rtf1 {\\pict\\pngblip " + QByteArray(20 * 1024 * 1024, 'a') + "}p}";
    const struct {
        const char* name;
        QByteArray data;
        const char* keeps; // text that must survive
    } cases[] = {{"one-cell rows", rows, "x"},
                 {"a new format every character", formats, "y"},
                 {"huge colour table", colours, "z"},
                 {"nesting with binary data", bins, nullptr},
                 {"picture data over the cap", pict, "p"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTextDocument doc;
        ui::loadRichText(&doc, c.data);
        doc.setTextWidth(400);
        (void)doc.size();
        const QString plain = ui::richTextToPlain(c.data);
        if (c.keeps) {
            EXPECT_TRUE(plain.contains(QLatin1String(c.keeps)));
            EXPECT_TRUE(doc.toPlainText().contains(QLatin1String(c.keeps)));
        }
        const LayoutLoad load = layoutLoad(doc);
        EXPECT_LE(load.fragmentsPerBlock, store::rtf::kMaxRunsPerParagraph);
        EXPECT_LE(load.fontSizes, store::rtf::kMaxSizes + 1) << "the view's own size besides the capped ones";
        EXPECT_LE(load.cellsPerTable, store::rtf::kMaxTableCells);
        EXPECT_LE(load.frameDepth, store::rtf::kMaxFrameDepth);
        EXPECT_TRUE(images(doc).isEmpty());
    }
    EXPECT_EQ(ui::richTextToPlain(formats).count('y'), 60000) << "capped formats keep the text";
    QTextDocument doc;
    ui::loadRichText(&doc, rows);
    int tables = 0, cells = 0;
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(f)) {
            ++tables;
            cells += t->rows() * t->columns();
        }
    EXPECT_EQ(cells, 60000) << "no row lost";
    EXPECT_GE(tables, 3) << "long tables are split";
}

// Qt lays out a table inside a table twice per level, and lengths past its fixed-point
// range make the layout loop: each of these used to hang the view.
TEST(RichTextLimits, HostileHtmlLaysOutAndPaints)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"unclosed nested tables", [] {
             QByteArray h;
             for (int i = 0; i < 40; ++i)
                 h += "<table border=1><tr><td>";
             return h + "deep";
         }()},
        {"closed nested tables", [] {
             QByteArray h = "<p>top</p>";
             for (int i = 0; i < 25; ++i)
                 h += "<table><tr><td>" + QByteArray::number(i) + "</td><td>";
             h += "deep";
             for (int i = 0; i < 25; ++i)
                 h += "</td></tr></table>";
             return h;
         }()},
        {"line height", "<p style=\"line-height:99999999%\">deep<br>x</p>"},
        {"fixed line height", "<p style=\"line-height:99999999px\">deep<br>x</p>"},
        {"table width and padding", "<table width=99999999 cellpadding=99999999 border=99999><tr><td>deep</td></tr></table>"},
        {"cell padding", "<table><tr><td style=\"padding:99999999px\">deep</td></tr></table>"},
        {"margins", "<p style=\"margin:99999999px;text-indent:-99999999px\">deep</p><p>x</p>"},
        {"block indent", "<p style=\"-qt-block-indent:99999999\">deep</p>"},
        {"font size", "<p style=\"font-size:99999999pt;letter-spacing:99999999px\">deep</p>"},
    };
    for (const auto& [name, html] : cases) {
        SCOPED_TRACE(name);
        ui::RichTextView view;
        view.resize(300, 200);
        view.setRichText(html);
        const QSizeF size = view.document()->size();
        EXPECT_FALSE(view.grab().isNull());
        EXPECT_TRUE(view.toPlainText().contains("deep"));
        EXPECT_TRUE(ui::richTextToPlain(html).contains("deep"));
        // Lengths are capped well inside the layout's fixed-point range.
        EXPECT_LT(size.width(), 100000.0);
        EXPECT_LT(size.height(), 100000.0);
        EXPECT_LE(layoutLoad(*view.document()).frameDepth, store::rtf::kMaxFrameDepth);
    }
}

} // namespace

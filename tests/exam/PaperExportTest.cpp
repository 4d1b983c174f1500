// The paper as a document: its content and order read from a fixture bank, the DOCX,
// ODT and PDF files written from it (unpacked and read back), failures, and the exam
// screen's 生成文档 button.
#include "exam/ExamFixture.h"
#include "exam/PaperDocument.h"
#include "core/exam/PaperExport.h"
#include "exam/TFrmExam.h"

#include "core/app/Preferences.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "ui/CommandButton.h"
#include "ui/DocxWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QXmlStreamReader>
#include <QTextCursor>
#include <QTextTable>
#include <gtest/gtest.h>
#include <memory>

using namespace examtest;

namespace {

const QString kPaper = QStringLiteral("tab_exam7");

// A small red picture inside an HTML stem, with bold text and a two-cell table.
QByteArray htmlStemWithTableAndPicture()
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
    return "<html><body><p>HTML<b>BoldWord</b>after</p>"
           "<table border=\"1\"><tr><td>CellOne</td><td>CellTwo</td></tr></table>"
           "<p><img src=\"data:image/png;base64,"
         + png.toBase64() + "\" width=\"8\" height=\"6\"></p></body></html>";
}

class PaperExport : public ::testing::Test {
public:
    PaperExport()
    {
        DM1 = &bank.dm;
        bank.type(1, 11, 80, 1, QStringLiteral("单项选择题"));
        bank.type(1, 14, 10, 1.5, QStringLiteral("多项选择题"));
        bank.type(1, 64, 2, 15, QStringLiteral("案例分析"));
        auto& db = bank.db();
        db.exec(QStringLiteral("update tab_fgmc set n = '数据结构' where id = '010101'"));
        db.exec(QStringLiteral("update tab_rule set sn = 'P' || ftid, n = '正文' || ftid"));
        // A point whose outline section is gone.
        db.exec(QStringLiteral("insert into tab_rule (ftid,id,sn,n) values ('770707001','770707','孤点','孤点正文')"));
        db.exec(QStringLiteral("insert into tab_title (A1,A15) values ('G030101000000001','共用题干')"));
    }
    ~PaperExport() override
    {
        DM1 = nullptr;
        exam::setSavePathChooser({});
        exam::setDocumentOpener({});
    }

    void add(const QString& id, int type, const QString& key, const QVariant& stem, const QVariant& analysis,
             const QStringList& points = {})
    {
        QuestionRow q;
        q.id = id;
        q.type = type;
        q.key = key;
        q.chapter = QStringLiteral("030101");
        q.stem = stem;
        q.analysis = analysis;
        q.points = points;
        bank.add(q);
        ids << id;
    }

    // Two single choice (one without analysis and points), one multiple choice whose
    // points hold a blank column and a point of a missing section, two true/false of a
    // type the table lacks, and a case group of two questions.
    void mixedPaper()
    {
        add(QStringLiteral("030101000001"), 11, QStringLiteral("B"), QStringLiteral("题一"), QStringLiteral("解一"), {"010101001"});
        add(QStringLiteral("030101000002"), 11, QStringLiteral("C"), QStringLiteral("题二"), {});
        add(QStringLiteral("030101000003"), 14, QStringLiteral("ABD"), QStringLiteral("题三"), QStringLiteral("解三"),
            {"020202001", "   ", "770707001"});
        add(QStringLiteral("030101000004"), 31, QStringLiteral("A"), QStringLiteral("题四"), {});
        add(QStringLiteral("030101000005"), 31, QStringLiteral("B"), QStringLiteral("题五"), {});
        add(QStringLiteral("G030101000000001-1"), 64, QString(), QStringLiteral("问一"), {});
        add(QStringLiteral("G030101000000001-2"), 64, QString(), QStringLiteral("问二"), {});
        bank.paperOf(kPaper, ids);
    }

    exam::PaperContent content() { return exam::readPaperContent(bank.db(), kPaper, QStringLiteral("tab_tx1"), QStringLiteral("卷名")); }

    // Each piece as one line: text, "R:" prefix "|" rich bytes, or the page break.
    static QStringList lines(const exam::PaperContent& c)
    {
        QStringList out;
        for (const exam::PaperPiece& p : c.pieces) {
            switch (p.kind) {
            case exam::PaperPiece::Kind::Text: out << p.text; break;
            case exam::PaperPiece::Kind::Rich: out << QStringLiteral("R:") + p.text + QLatin1Char('|') + QString::fromUtf8(p.rich); break;
            case exam::PaperPiece::Kind::PageBreak: out << QStringLiteral("<page>"); break;
            }
        }
        return out;
    }

    ExamBank bank;
    QStringList ids;
};

TEST_F(PaperExport, ContentInPaperOrder)
{
    mixedPaper();
    const QStringList expected = {
        "卷名", "", "",
        "一、单项选择题[共2题，每题1分，总计2分]",
        "R:1、|题一",
        "R:2、|题二",
        "二、多项选择题[共1题，每题1.5分，总计1.5分]",
        "R:3、|题三",
        "三、未知题型[共2题，每题0分，总计0分]",
        "R:4、|题四",
        "R:5、|题五",
        "四、案例分析[共2题，每题15分，总计30分]",
        "R:|共用题干", "R:6、|问一",
        "R:|共用题干", "R:7、|问二",
        "<page>", "答案：", "", "",
        "第1题", "试题答案：B", "试题解析：", "R:|解一", "考点：", "数据结构 P010101001；", "R:|正文010101001",
        "第2题", "试题答案：C",
        "第3题", "试题答案：ABD", "试题解析：", "R:|解三", "考点：",
        "node P020202001；", "R:|正文020202001",
        "孤点；", "R:|孤点正文",
        "第4题", "试题答案：正确",
        "第5题", "试题答案：错误",
        "第6题",
        "第7题",
    };
    const exam::PaperContent c = content();
    EXPECT_EQ(c.questions, 7);
    EXPECT_EQ(lines(c).join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
}

TEST_F(PaperExport, WithMyAnswersTheScoreTimeAndEachAnswerAreAdded)
{
    mixedPaper();
    bank.scoreRow(kPaper, 7, 72.5, QStringLiteral("卷名"));
    bank.db().exec(QStringLiteral("update tab_cj set D2 = '0:41:07' where A1 = :a1"), {{QStringLiteral(":a1"), kPaper}});
    const std::pair<const char*, const char*> answers[] = {
        {"030101000001", "B"}, {"030101000003", "AB"}, {"030101000004", "A"}, {"030101000005", "A"}};
    for (const auto& [id, answer] : answers)
        bank.db().exec(QStringLiteral("update ") + kPaper + QStringLiteral(" set E2_1 = :e where A1 = :a1"),
                       {{QStringLiteral(":e"), QString::fromLatin1(answer)}, {QStringLiteral(":a1"), QString::fromLatin1(id)}});
    const QStringList l = lines(exam::readPaperContent(bank.db(), kPaper, QStringLiteral("tab_tx1"), QStringLiteral("卷名"), {}, true));
    EXPECT_EQ(l.mid(0, 2), (QStringList{"卷名", "得分：72.5分　用时：0:41:07"}));
    QStringList mine;
    for (const QString& line : l)
        if (line.startsWith(QStringLiteral("我的答案：")))
            mine << line;
    EXPECT_EQ(mine, (QStringList{"我的答案：B（正确）", "我的答案：未做", "我的答案：AB（错误）", "我的答案：正确（正确）",
                                 "我的答案：正确（错误）", "我的答案：未做", "我的答案：未做"}));
    // Without the option the paper is as before.
    EXPECT_FALSE(lines(content()).join(QString()).contains(QStringLiteral("我的答案")));
}

TEST_F(PaperExport, EveryHeadingOnceAndOrdinalsPastFive)
{
    // Types 12, 13, 15 and 120 are not in the type table; 120 has two questions.
    int n = 0;
    for (int type : {11, 12, 13, 14, 15, 120, 120})
        add(QStringLiteral("0301010000%1").arg(++n, 2, 10, QLatin1Char('0')), type, QStringLiteral("A"), QStringLiteral("题"), {});
    bank.paperOf(kPaper, ids);
    QStringList headings;
    for (const QString& line : lines(content()))
        if (line.contains(QStringLiteral("[共")))
            headings << line;
    // Counts are the paper's own questions of the type.
    EXPECT_EQ(headings, (QStringList{"一、单项选择题[共1题，每题1分，总计1分]", "二、未知题型[共1题，每题0分，总计0分]",
                                     "三、未知题型[共1题，每题0分，总计0分]", "四、多项选择题[共1题，每题1.5分，总计1.5分]",
                                     "五、未知题型[共1题，每题0分，总计0分]", "--未知题型[共2题，每题0分，总计0分]"}));
}

TEST_F(PaperExport, PointsFromAnyColumnAndMissingOnesLeftOut)
{
    // K3 empty, K4 filled; a point the outline no longer holds shows nothing.
    add(QStringLiteral("030101000001"), 11, QStringLiteral("A"), QStringLiteral("题"), {}, {"", "010101002", "990909001"});
    bank.paperOf(kPaper, ids);
    const QStringList l = lines(content());
    const QStringList answers = l.mid(l.indexOf(QStringLiteral("答案：")));
    EXPECT_EQ(answers, (QStringList{"答案：", "", "", "第1题", "试题答案：A", "考点：", "数据结构 P010101002；", "R:|正文010101002"}));
}

TEST(PaperExportTexts, AnswerLines)
{
    const struct {
        int type;
        const char* key;
        const char* line;
    } cases[] = {
        {11, "D", "试题答案：D"},   {14, "ACD", "试题答案：ACD"}, {31, "A", "试题答案：正确"},
        {31, "B", "试题答案：错误"}, {31, "C", "试题答案：C"},   {12, "A", ""}, {64, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(exam::answerLine(c.type, QString::fromUtf8(c.key)), QString::fromUtf8(c.line)) << c.type << c.key;
}

TEST(PaperExportTexts, FileNamesFromTitles)
{
    EXPECT_EQ(exam::paperFileName(QStringLiteral("2024年05月06日 模拟[1]")), QStringLiteral("2024年05月06日 模拟[1]"));
    EXPECT_EQ(exam::paperFileName(QStringLiteral("a/b\\c:d*e?f\"g<h>i|j")), QStringLiteral("a_b_c_d_e_f_g_h_i_j"));
    EXPECT_EQ(exam::paperFileName(QStringLiteral("..")), QStringLiteral("试卷"));
    EXPECT_EQ(exam::paperFormatOf(QStringLiteral("/x/卷.ODT")), exam::PaperFormat::Odt);
    EXPECT_EQ(exam::paperFormatOf(QStringLiteral("/x/卷.pdf")), exam::PaperFormat::Pdf);
    EXPECT_EQ(exam::paperFormatOf(QStringLiteral("/x/卷.docx")), exam::PaperFormat::Docx);
}

// ---- files ----------------------------------------------------------------------

QByteArray unzipped(const QString& archive, const QString& member)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, member});
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}

QStringList listed(const QString& archive)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Each text found after the one before it.
void expectInOrder(const QString& xml, const QStringList& texts)
{
    qsizetype at = 0;
    for (const QString& t : texts) {
        const qsizetype found = xml.indexOf(t, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << t.toStdString();
        at = found + t.size();
    }
}

void expectWellFormed(const QByteArray& xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        r.readNext();
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
}

class PaperFiles : public PaperExport {
public:
    PaperFiles()
    {
        add(QStringLiteral("030101000001"), 11, QStringLiteral("B"), htmlStemWithTableAndPicture(),
            QByteArray(R"({\rtf1\ansi{\colortbl;\red255\green0\blue0;}\cf1\b RtfRedBold\b0\cf0  plain & <kept>\par})"),
            {"010101001"});
        add(QStringLiteral("030101000002"), 14, QStringLiteral("AC"), QStringLiteral("SecondStem"), {});
        bank.paperOf(kPaper, ids);
        doc = exam::paperDocument(content());
    }
    QString write(const char* name, exam::PaperFormat format)
    {
        const QString path = bank.dir.file(QString::fromLatin1(name));
        exam::writePaperFile(*doc, path, format);
        return path;
    }
    std::unique_ptr<QTextDocument> doc;
    const QStringList order = {"卷名", "单项选择题", "1、", "HTML", "BoldWord", "CellOne", "CellTwo", "多项选择题",
                               "2、", "SecondStem", "答案：", "第1题", "试题答案：B", "试题解析：", "RtfRedBold",
                               "plain &amp; &lt;kept&gt;", "考点：", "数据结构 P010101001；", "正文010101001", "第2题",
                               "试题答案：AC"};
};

TEST_F(PaperFiles, DocxHoldsTextsInOrderATableAPictureAndThePageBreak)
{
    const QString path = write("卷.docx", exam::PaperFormat::Docx);
    const QStringList members = listed(path);
    for (const char* m : {"[Content_Types].xml", "_rels/.rels", "word/document.xml", "word/styles.xml",
                          "word/_rels/document.xml.rels", "word/media/image1.png"})
        EXPECT_TRUE(members.contains(QString::fromLatin1(m))) << m;
    const QByteArray xml = unzipped(path, QStringLiteral("word/document.xml"));
    expectWellFormed(xml);
    const QString s = QString::fromUtf8(xml);
    expectInOrder(s, order);
    expectInOrder(s, {"<w:tbl>", "CellOne", "</w:tc>", "CellTwo", "</w:tbl>", "<w:drawing>", "r:embed=\"rId1\"",
                      "<w:pageBreakBefore/>", "答案："});
    // The stored formats survive: bold, and the RTF's red bold run.
    expectInOrder(s, {"<w:b/>", "BoldWord"});
    expectInOrder(s, {"<w:b/><w:color w:val=\"FF0000\"/>", "RtfRedBold"});
    const QByteArray rels = unzipped(path, QStringLiteral("word/_rels/document.xml.rels"));
    expectWellFormed(rels);
    EXPECT_TRUE(rels.contains("Id=\"rId1\"") && rels.contains("Target=\"media/image1.png\""));
    QImage picture;
    EXPECT_TRUE(picture.loadFromData(unzipped(path, QStringLiteral("word/media/image1.png")), "PNG"));
    EXPECT_EQ(picture.size(), QSize(8, 6));
    expectWellFormed(unzipped(path, QStringLiteral("[[]Content_Types].xml"))); // unzip reads [ as a pattern
}

TEST_F(PaperFiles, DocxNamesFontsAWindowsWordProcessorHas)
{
    const QString path = write("卷.docx", exam::PaperFormat::Docx);
    const QString styles = QString::fromUtf8(unzipped(path, QStringLiteral("word/styles.xml")));
    EXPECT_TRUE(styles.contains(QStringLiteral("w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\" w:eastAsia=\"SimSun\"")))
        << styles.toStdString();
    EXPECT_FALSE(styles.contains(QStringLiteral("Noto"))) << "a Windows PC has no Noto fonts";
    const QByteArray fonts = unzipped(path, QStringLiteral("word/fontTable.xml"));
    expectWellFormed(fonts);
    expectInOrder(QString::fromUtf8(fonts), {"w:name=\"SimSun\"", "<w:altName w:val=\"宋体\"/>", "<w:charset w:val=\"86\"/>",
                                              "w:name=\"Times New Roman\"", "<w:family w:val=\"roman\"/>"});
    EXPECT_TRUE(unzipped(path, QStringLiteral("word/_rels/document.xml.rels")).contains("Target=\"fontTable.xml\""));
    EXPECT_TRUE(unzipped(path, QStringLiteral("[[]Content_Types].xml")).contains("/word/fontTable.xml"));
}

TEST_F(PaperFiles, OdtHoldsTextsInOrderATableAndAPicture)
{
    const QString path = write("卷.odt", exam::PaperFormat::Odt);
    const QByteArray xml = unzipped(path, QStringLiteral("content.xml"));
    expectWellFormed(xml);
    const QString s = QString::fromUtf8(xml);
    expectInOrder(s, order);
    expectInOrder(s, {"<table:table", "CellOne", "CellTwo", "</table:table>", "<draw:image"});
    EXPECT_TRUE(listed(path).filter(QStringLiteral("Pictures/")).size() >= 1);
}

TEST_F(PaperFiles, OdtTablesHaveBordersLikeTheDocx)
{
    // A stored table without a border of its own (as RTF stems leave it).
    QTextDocument part;
    QTextCursor(&part).insertTable(1, 2, QTextTableFormat())->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("Bare"));
    doc = exam::paperDocument({QStringLiteral("卷名"), 1,
                               {{exam::PaperPiece::Kind::Text, QStringLiteral("卷名"), {}, 0},
                                {exam::PaperPiece::Kind::Rich, QString(), part.toHtml().toUtf8(), 1}}});
    const QString path = write("无框.odt", exam::PaperFormat::Odt);
    const QString s = QString::fromUtf8(unzipped(path, QStringLiteral("content.xml")));
    expectInOrder(s, {"style:family=\"table-cell\"", "fo:border=\"0.75pt solid", "<table:table", "Bare"});
}

// Paragraph texts as a word processor reads them: a line break as "\n", a tab as "\t";
// in the ODT, runs of white space in the XML count as one space, as ODF has it.
QStringList paragraphTexts(const QByteArray& xml, bool odf)
{
    const QString ns = odf ? QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0")
                           : QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
    QStringList out;
    QXmlStreamReader r(xml);
    int depth = 0; // paragraphs open (a table's cells sit inside none)
    QString text;
    bool inDocxText = false;
    while (!r.atEnd()) {
        r.readNext();
        const bool mine = r.namespaceUri() == ns;
        if (r.isStartElement() && mine) {
            const auto n = r.name();
            if (n == QLatin1String("p") || n == QLatin1String("h")) {
                ++depth;
                text.clear();
            } else if (n == QLatin1String("line-break") || n == QLatin1String("br")) {
                text += QLatin1Char('\n');
            } else if (n == QLatin1String("tab")) {
                text += QLatin1Char('\t');
            } else if (n == QLatin1String("s")) {
                text += QString(qMax(1, r.attributes().value(ns, QStringLiteral("c")).toInt()), QLatin1Char(' '));
            } else if (n == QLatin1String("t")) {
                inDocxText = true;
            }
        } else if (r.isEndElement() && mine) {
            const auto n = r.name();
            if ((n == QLatin1String("p") || n == QLatin1String("h")) && depth > 0) {
                --depth;
                out << text;
            } else if (n == QLatin1String("t")) {
                inDocxText = false;
            }
        } else if (r.isCharacters() && depth > 0) {
            if (odf)
                text += r.text().toString().replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
            else if (inDocxText)
                text += r.text();
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return out;
}

TEST_F(PaperExport, OdtLinesEndWithoutTabsAndMatchTheDocx)
{
    // Options on lines of their own, as stored stems hold them: RTF line breaks (one line
    // with a tab of its own, which stays), HTML line breaks, and a stem with a table.
    add(QStringLiteral("030101000001"), 11, QStringLiteral("B"),
        QByteArray(R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}\f0 RtfStem\line A. one\tab x\line B. two\line C. three\par})"),
        QByteArray(R"({\rtf1\ansi First\line Second\par Third\par})"));
    add(QStringLiteral("030101000002"), 14, QStringLiteral("AC"),
        QStringLiteral("<html><body><p>HtmlStem<br/>A. alpha<br/>B. beta</p><p>C. gamma</p></body></html>"), {});
    add(QStringLiteral("030101000003"), 11, QStringLiteral("A"), htmlStemWithTableAndPicture(), {});
    bank.paperOf(kPaper, ids);
    const std::unique_ptr<QTextDocument> doc = exam::paperDocument(content());
    const QString odt = bank.dir.file(QStringLiteral("行.odt"));
    const QString docx = bank.dir.file(QStringLiteral("行.docx"));
    exam::writePaperFile(*doc, odt, exam::PaperFormat::Odt);
    exam::writePaperFile(*doc, docx, exam::PaperFormat::Docx);

    const QByteArray xml = unzipped(odt, QStringLiteral("content.xml"));
    EXPECT_EQ(xml.count("<text:tab/>"), 1) << "only the stem's own tab";
    EXPECT_FALSE(xml.contains("<text:tab/><text:line-break/>"));
    const QStringList odtLines = paragraphTexts(xml, true);
    const QStringList docxLines = paragraphTexts(unzipped(docx, QStringLiteral("word/document.xml")), false);
    EXPECT_EQ(odtLines, docxLines);
    EXPECT_TRUE(odtLines.contains(QStringLiteral("1、RtfStem\nA. one\tx\nB. two\nC. three"))) << odtLines.join(u'|').toStdString();
    EXPECT_TRUE(odtLines.contains(QStringLiteral("3、HtmlStem\nA. alpha\nB. beta"))) << odtLines.join(u'|').toStdString();
    EXPECT_EQ(odtLines.count(QString()), docxLines.count(QString())) << "no extra blank paragraphs";
    // The archive is still one an ODF reader accepts: "mimetype" first, stored.
    EXPECT_EQ(listed(odt).value(0), QStringLiteral("mimetype"));
    EXPECT_EQ(unzipped(odt, QStringLiteral("mimetype")), QByteArray("application/vnd.oasis.opendocument.text"));
    EXPECT_TRUE(listed(odt).filter(QStringLiteral("Pictures/")).size() >= 1);
}

TEST_F(PaperFiles, PdfTablesFitThePage)
{
    // Three columns of 900 px each: far wider than an A4 page.
    QTextDocument part;
    QTextTableFormat wide;
    wide.setColumnWidthConstraints(QList<QTextLength>(3, QTextLength(QTextLength::FixedLength, 900)));
    QTextTable* t = QTextCursor(&part).insertTable(1, 3, wide);
    t->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("LeftCell"));
    t->cellAt(0, 2).firstCursorPosition().insertText(QStringLiteral("EdgeCell"));
    doc = exam::paperDocument({QStringLiteral("卷名"), 1,
                               {{exam::PaperPiece::Kind::Text, QStringLiteral("卷名"), {}, 0},
                                {exam::PaperPiece::Kind::Rich, QString(), part.toHtml().toUtf8(), 1}}});
    const QString path = write("宽表.pdf", exam::PaperFormat::Pdf);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression edge(QStringLiteral("xMax=\"([0-9.]+)\"[^>]*>EdgeCell<"));
    const QRegularExpressionMatch m = edge.match(html);
    ASSERT_TRUE(m.hasMatch()) << "the last column is on the page at all\n" << html.toStdString();
    // A4 is 595 pt wide with 25 mm (71 pt) margins.
    EXPECT_LE(m.captured(1).toDouble(), 595 - 71 + 1) << html.toStdString();
}

TEST_F(PaperFiles, PdfHasAPageForQuestionsAndOneForAnswers)
{
    const QString path = write("卷.pdf", exam::PaperFormat::Pdf);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    const qsizetype pages = QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)")));
    EXPECT_EQ(pages, 2);
}

TEST_F(PaperFiles, PdfTextCopiesOutWhole)
{
    // Digits and brackets came out missing ("O( )") when fonts were not embedded whole.
    doc = exam::paperDocument({QStringLiteral("卷名"), 1,
                               {{exam::PaperPiece::Kind::Text, QStringLiteral("卷名"), {}, 0},
                                {exam::PaperPiece::Kind::Text, QStringLiteral("查找的时间为O(1)，第12题2.5分"), {}, 1}}});
    const QString path = write("卷.pdf", exam::PaperFormat::Pdf);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput()).remove(QLatin1Char(' '));
    EXPECT_TRUE(text.contains(QStringLiteral("查找的时间为O(1)，第12题2.5分"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("卷名"))) << text.toStdString();
}

TEST_F(PaperFiles, PdfTextOfStoredRichTextsCopiesOut)
{
    const QString path = write("卷.pdf", exam::PaperFormat::Pdf);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput()).remove(QLatin1Char(' '));
    for (const char* t : {"单项选择题[共1题，每题1分，总计1分]", "BoldWord", "CellOne", "RtfRedBold", "试题答案：AC", "数据结构P010101001；"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(t))) << t << "\n" << text.toStdString();
}

TEST_F(PaperFiles, AFailedWriteLeavesTheFileThatWasThere)
{
    // The chosen name is taken by a folder: nothing can be renamed onto it.
    const QString path = bank.dir.file(QStringLiteral("taken.docx"));
    ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside")));
    EXPECT_THROW(exam::writePaperFile(*doc, path, exam::PaperFormat::Docx), std::runtime_error);
    EXPECT_TRUE(QFileInfo(path + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(QDir(bank.dir.file(QString())).entryList({"taken*"}, QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"taken.docx"});
}

TEST(DocxWriter, SpannedAndNestedCellsAndControlCharacters)
{
    QTextDocument doc;
    doc.setHtml(QStringLiteral("<table border=1><tr><td colspan=2>Wide</td></tr>"
                               "<tr><td rowspan=2>Tall</td><td>B1<table border=1><tr><td>Inner</td></tr></table></td></tr>"
                               "<tr><td>B2</td></tr></table><p>ctl\u0001char</p>"));
    TempDir dir;
    const QString path = dir.file(QStringLiteral("t.docx"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(ui::docxBytes(doc));
    f.close();
    const QByteArray xml = unzipped(path, QStringLiteral("word/document.xml"));
    expectWellFormed(xml);
    const QString s = QString::fromUtf8(xml);
    expectInOrder(s, {"<w:gridSpan w:val=\"2\"/>", "Wide", "<w:vMerge w:val=\"restart\"/>", "Tall", "B1", "<w:tbl>",
                      "Inner", "</w:tbl>", "<w:vMerge/>", "B2", "ctl char"});
    // A cell ends with a paragraph, also after a table inside it.
    EXPECT_FALSE(s.contains(QStringLiteral("</w:tbl></w:tc>")));
    EXPECT_EQ(s.count(QStringLiteral("<w:tbl>")), 2);
}

// ---- the exam screen's button ---------------------------------------------------------

class ExportButton : public PaperExport {
public:
    ExportButton()
    {
        app::CurrentPaperNo = 1;
        add(QStringLiteral("030101000001"), 11, QStringLiteral("B"), QStringLiteral("题一"), QStringLiteral("解一"));
        bank.scoreRow(kPaper, 7, 70.0, QStringLiteral("卷名"));
        bank.paperOf(kPaper, ids);
        exam::setSavePathChooser([this](QWidget*, const QString& proposed) {
            this->proposed = proposed;
            return chosen;
        });
        exam::setDocumentOpener([this](const QString& path) { opened << path; });
        prefsBefore = prefs::setFile(prefsFile);
    }
    ~ExportButton() override { prefs::setFile(prefsBefore); }
    TFrmExam& review()
    {
        screen = std::make_unique<TFrmExam>();
        screen->InitPaper(kPaper, QStringLiteral("2024年05月06日 模拟一[7]"), exam::Mode::Review, 70, QStringLiteral("1:00:00"));
        EXPECT_TRUE(screen->OpenPaper());
        screen->show();
        return *screen;
    }
    QTemporaryDir prefsDir;
    const QString prefsFile = prefsDir.filePath(QStringLiteral("tesvora.ini"));
    QString prefsBefore;
    std::unique_ptr<TFrmExam> screen;
    QString chosen;
    QString proposed;
    QStringList opened;
};

TEST_F(ExportButton, WritesTheChosenFileAndOpensIt)
{
    TFrmExam& f = review();
    ASSERT_TRUE(f.epEfTrBtn10->isEnabled());
    chosen = bank.dir.file(QStringLiteral("out.odt"));
    prompt::Script prompts({}, 1);
    f.epEfTrBtn10->click();
    EXPECT_EQ(prompts.texts(), (QStringList{QStringLiteral("包含我的答案（对错、得分和用时）吗？"), QStringLiteral("试卷已导出到：") + chosen}))
        << "asks about the candidate's answers, then says where the file went";
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("/2024年05月06日 模拟一[7].docx"))) << proposed.toStdString();
    EXPECT_EQ(opened, QStringList{chosen});
    EXPECT_TRUE(unzipped(chosen, QStringLiteral("content.xml")).contains("试题答案：B"));
    EXPECT_TRUE(unzipped(chosen, QStringLiteral("content.xml")).contains("得分：70分"));
    EXPECT_FALSE(progress::isShown());

    // The next export proposes the folder the last one went to.
    QDir().mkpath(bank.dir.file(QStringLiteral("papers")));
    chosen = bank.dir.file(QStringLiteral("papers/second.docx"));
    f.epEfTrBtn10->click();
    chosen = QString();
    f.epEfTrBtn10->click();
    EXPECT_EQ(proposed, bank.dir.file(QStringLiteral("papers/2024年05月06日 模拟一[7].docx")));
}

TEST_F(ExportButton, TheLastFolderIsKeptForTheNextStart)
{
    QDir().mkpath(bank.dir.file(QStringLiteral("kept")));
    chosen = bank.dir.file(QStringLiteral("kept/a.docx"));
    {
        prompt::Script prompts({}, 1);
        review().epEfTrBtn10->click();
    }
    ASSERT_TRUE(QFile::exists(chosen));
    // What the next start reads: the file on disk.
    QSettings stored(prefsFile, QSettings::IniFormat);
    QStringList values;
    for (const QString& key : stored.allKeys())
        values << stored.value(key).toString();
    EXPECT_TRUE(values.contains(bank.dir.file(QStringLiteral("kept")))) << values.join(u',').toStdString();
    chosen.clear();
    review().epEfTrBtn10->click();
    EXPECT_EQ(proposed, bank.dir.file(QStringLiteral("kept/2024年05月06日 模拟一[7].docx")));

    // A failed export leaves the folder as it was.
    QDir().mkpath(bank.dir.file(QStringLiteral("other")));
    chosen = bank.dir.file(QStringLiteral("other/b.docx"));
    bank.db().exec(QStringLiteral("drop table ") + kPaper);
    {
        prompt::Script prompts({}, 1);
        screen->epEfTrBtn10->click();
    }
    EXPECT_EQ(prefs::exportFolder(), bank.dir.file(QStringLiteral("kept")));
}

TEST_F(ExportButton, CancelledDialogWritesNothing)
{
    TFrmExam& f = review();
    f.epEfTrBtn10->click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(progress::isShown());
}

TEST_F(ExportButton, FailureWarnsAndLeavesNoFile)
{
    TFrmExam& f = review();
    chosen = bank.dir.file(QStringLiteral("out.docx"));
    bank.db().exec(QStringLiteral("drop table ") + kPaper); // the paper cannot be read any more
    prompt::Script prompts({}, 1);
    f.epEfTrBtn10->click();
    ASSERT_EQ(prompts.asked().size(), 2u);
    EXPECT_EQ(prompts.asked()[1].caption, QStringLiteral("警告"));
    EXPECT_EQ(prompts.asked()[1].text, QStringLiteral("导出试题发生错误，请退出后重试！"));
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(progress::isShown());
}

} // namespace

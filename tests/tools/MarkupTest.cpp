#include "bank/Markup.h"
#include "core/store/RtfWriter.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Body lines as a field body holds them, numbered from 10.
QList<bank::BodyLine> body(const QStringList& lines)
{
    QList<bank::BodyLine> out;
    for (int i = 0; i < lines.size(); ++i)
        out.append({10 + i, lines[i]});
    return out;
}

QByteArray toRtf(const QStringList& lines, QList<bank::Problem>& problems, const QString& imageRoot = QString())
{
    return bank::markupToRtf(body(lines), QStringLiteral("part.txt"), imageRoot, problems);
}

} // namespace

TEST(Markup, TurnsLinesIntoParagraphsBreaksAndTables)
{
    struct Case {
        const char* name;
        QStringList lines;
        const char* text; // as the document shows it
    } cases[] = {
        {"lines of a paragraph are joined", {"在队列中，", "删除在队头。"}, "在队列中，删除在队头。"},
        {"Latin words keep a blank between lines", {"first in", "first out"}, "first in first out"},
        {"a line ending in a backslash breaks", {"题干 \\", "A. 栈 \\", "B. 队列"}, "题干\nA. 栈\nB. 队列"},
        {"blank lines start one new paragraph", {"一", "", "", "二"}, "一\n二"},
        {"markers leave no trace", {"**粗** //斜// __下__"}, "粗 斜 下"},
        {"escaped markers stay", {"2\\*\\*10 a\\_\\_b \\\\"}, "2**10 a__b \\"},
        {"addresses are not italic", {"见 https://www.example.com/ 与 //斜//"}, "见 https://www.example.com/ 与 斜"},
        {"a table with a header line", {"| 协议 | 端口 |", "|---|---|", "| HTTP | 80 |", "后文"}, "协议\t端口\nHTTP\t80\n后文"},
        {"an escaped bar stays in its cell", {"| a\\|b | c |"}, "a|b\tc"},
    };
    for (const auto& c : cases) {
        QList<bank::Problem> problems;
        const QByteArray rtf = toRtf(c.lines, problems);
        EXPECT_TRUE(problems.isEmpty()) << c.name;
        EXPECT_EQ(store::plainTextOfRtf(rtf), QString::fromUtf8(c.text)) << c.name;
    }
}

TEST(Markup, FormatsTheMarkedText)
{
    QList<bank::Problem> problems;
    const QByteArray rtf = toRtf({"栈是**后进**先出", "的__线性//表//__"}, problems);
    ASSERT_TRUE(problems.isEmpty());
    // 后 = ba f3, 进 = bd f8; bold spans exactly the marked characters.
    EXPECT_TRUE(rtf.contains("\\b \\'ba\\'f3\\'bd\\'f8\\b0 \\'cf\\'c8")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\ul \\'cf\\'df\\'d0\\'d4\\i \\'b1\\'ed\\i0\\ulnone")) << rtf.constData();

    const QByteArray header = toRtf({"| 协议 | 端口 |", "| --- | :-: |", "| DNS | 53 |"}, problems);
    ASSERT_TRUE(problems.isEmpty());
    EXPECT_EQ(header.count("\\trowd"), 2);
    EXPECT_EQ(header.count("\\b "), 2) << "the header row is bold";
}

TEST(Markup, EmbedsPicturesFromTheSourceFolder)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("images"));
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(Qt::black);
    ASSERT_TRUE(image.save(dir.filePath(QStringLiteral("images/tree.png"))));
    QFile notPng(dir.filePath(QStringLiteral("images/fake.png")));
    ASSERT_TRUE(notPng.open(QIODevice::WriteOnly));
    notPng.write("not a picture");
    notPng.close();

    QList<bank::Problem> problems;
    const QByteArray rtf = toRtf({"如图所示：", "![](images/tree.png)", "该树的高度为3。"}, problems, dir.path());
    ASSERT_TRUE(problems.isEmpty()) << problems.first().toString().toStdString();
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw5\\pich4")) << rtf.constData();
    EXPECT_EQ(store::plainTextOfRtf(rtf), QStringLiteral("如图所示：\n\n该树的高度为3。"));

    struct Case {
        const char* line;
        const char* message;
    } bad[] = {
        {"![](images/missing.png)", "cannot be read"},
        {"![](images/fake.png)", "not a PNG"},
        {"![](../outside.png)", "inside the source folder"},
        {"![](/etc/passwd)", "inside the source folder"},
    };
    for (const auto& c : bad) {
        problems.clear();
        toRtf({"图：", c.line}, problems, dir.path());
        ASSERT_EQ(problems.size(), 1) << c.line;
        EXPECT_EQ(problems[0].line, 11) << c.line;
        EXPECT_TRUE(problems[0].message.contains(QLatin1String(c.message))) << problems[0].message.toStdString();
    }
}

TEST(Markup, ReportsUnclosedMarkersAndUnevenTablesWhereTheyAre)
{
    struct Case {
        const char* name;
        QStringList lines;
        int line;
        const char* message;
    } cases[] = {
        {"bold left open to the paragraph's end", {"第一段", "", "这是**重点", "还没完"}, 12, "\"**\" is not closed"},
        {"italic open across a paragraph break", {"//斜", "", "下一段//"}, 10, "\"//\" is not closed"},
        {"underline open in a cell", {"| __a | b |"}, 10, "\"__\" is not closed"},
        {"a row with a cell too many", {"| a | b |", "| c | d | e |"}, 11, "has 3 cells, the first row has 2"},
    };
    for (const auto& c : cases) {
        QList<bank::Problem> problems;
        toRtf(c.lines, problems);
        ASSERT_FALSE(problems.isEmpty()) << c.name;
        EXPECT_EQ(problems[0].file, QStringLiteral("part.txt")) << c.name;
        EXPECT_EQ(problems[0].line, c.line) << c.name;
        EXPECT_TRUE(problems[0].message.contains(QLatin1String(c.message))) << c.name << ": " << problems[0].message.toStdString();
    }
}

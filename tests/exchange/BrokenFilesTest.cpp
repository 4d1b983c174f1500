// Broken files: each is refused, or its broken questions are, with a message that
// says what is wrong and where; nothing of an XML entity is ever fetched or expanded.
#include "ExchangeSupport.h"

#include "core/exchange/Exchange.h"
#include "core/exchange/Zip.h"

#include <QTemporaryDir>

using namespace exchange;
using exchange::test::problems;

namespace {

struct Broken {
    const char* name;
    Format format;
    QByteArray bytes;
    bool fileOk;          // false: the whole file is refused
    int number;           // the question the problem names (0: the file)
    int line;             // the line it names (0: none)
    const char* message;  // the problem's message, exactly
    size_t valid;         // questions still read
};

QByteArray utf8(const char* text)
{
    return QByteArray(text);
}

} // namespace

TEST(BrokenFiles, EachGivesAClearMessage)
{
    const Broken cases[] = {
        {"GIFT unclosed brace", Format::Gift, utf8("::Q1:: 1+1=2 {T}\n\n// next\n::Q2:: 2+2=4 {T\n"), true, 2, 4,
         "第2题：答案缺少结尾的“}”", 1},
        {"GIFT closing brace alone", Format::Gift, utf8("1+1=2 T}\n"), true, 1, 1, "第1题：有“}”而缺少“{”", 0},
        {"GIFT no right option", Format::Gift, utf8("Which? {~a ~b ~c}\n"), true, 1, 1, "第1题：缺少答案：没有标出正确选项", 0},
        {"GIFT too many options", Format::Gift, utf8("Which? {=a ~b ~c ~d ~e ~f ~g}\n"), true, 1, 1, "第1题：选项多于 6 个（共 7 个）", 0},
        {"GIFT only comments", Format::Gift, utf8("// nothing here\n"), false, 0, 0, "文件中没有试题", 0},
        {"Aiken answer out of range", Format::Aiken,
         utf8("Q1?\nA. a\nB. b\nANSWER: A\n\n第二题？\nA. 甲\nB. 乙\nC. 丙\nD. 丁\nANSWER: E\n"), true, 2, 6,
         "第2题：答案 E 超出 4 个选项", 1},
        {"Aiken missing answer", Format::Aiken, utf8("Q1?\nA. a\nB. b\nQ2?\nA. a\nB. b\nANSWER: B\n"), true, 1, 1,
         "第1题：缺少答案（ANSWER: 行）", 1},
        {"Aiken answer not a letter", Format::Aiken, utf8("Q1?\nA. a\nB. b\nANSWER: 甲\n"), true, 1, 1, "第1题：答案“甲”不是选项字母", 0},
        {"CSV unknown type", Format::Csv, utf8("题型,题干,选项A,选项B,答案\n单选,一,a,b,A\n连线,二,a,b,A\n"), true, 2, 3,
         "第2题：未知题型“连线”（应为单选、多选、不定项、判断、填空或简答等）", 1},
        {"CSV missing answer", Format::Csv, utf8("题型,题干,选项A,选项B,答案\n单选,一,a,b,\n"), true, 1, 2, "第1题：缺少答案", 0},
        {"CSV single with two answers", Format::Csv, utf8("题型,题干,选项A,选项B,答案\n单选,一,a,b,AB\n"), true, 1, 2,
         "第1题：单选题只能有一个答案（给出的是“AB”）", 0},
        {"CSV option gap", Format::Csv, utf8("题型,题干,选项A,选项B,选项C,答案\n多选,一,a,,c,AC\n"), true, 1, 2, "第1题：选项B为空", 0},
        {"CSV judgement", Format::Csv, utf8("题型,题干,答案\n判断,一,也许\n"), true, 1, 2, "第1题：判断题的答案应为“对”或“错”（给出的是“也许”）", 0},
        {"CSV missing column", Format::Csv, utf8("\n题型,题目,答案\n单选,一,A\n"), false, 0, 0,
         "第2行的表头缺少“题干”列（模板的列为：题型、题干、选项A、选项B、选项C、选项D、选项E、选项F、答案、解析、考点）", 0},
        {"CSV unclosed quote", Format::Csv, utf8("题型,题干,答案\n单选,\"一,A\n判断,二,对\n"), false, 0, 2, "第2行开始的引号没有闭合", 0},
        {"CSV wrong encoding", Format::Csv, QByteArray("\xCC\xE2\xD0\xCD,caf\xE9,\n"), false, 0, 0,
         "文件编码无法识别：请存为 UTF-8 或 GB18030 编码的文本", 0},
        {"GIFT UTF-16 without its mark", Format::Gift, QByteArray("1\0+\0" "1\0{\0T\0}\0", 12), false, 0, 0,
         "文件编码无法识别：请存为 UTF-8 或 GB18030 编码的文本", 0},
        {"empty CSV", Format::Csv, QByteArray(), false, 0, 0, "文件是空的", 0},
        {"blank GIFT", Format::Gift, utf8(" \r\n\r\n "), false, 0, 0, "文件是空的", 0},
        {"empty XLSX", Format::Xlsx, QByteArray(), false, 0, 0, "文件是空的", 0},
        {"XLSX that is no archive", Format::Xlsx, utf8("题型,题干\n"), false, 0, 0, "不是有效的 XLSX 工作簿，无法读取", 0},
        {"XML with another root", Format::MoodleXml, utf8("<?xml version=\"1.0\"?><html><body/></html>"), false, 0, 0,
         "不是 Moodle XML 试题文件：根元素应为 <quiz>", 0},
        {"XML cut short", Format::MoodleXml, utf8("<?xml version=\"1.0\"?>\n<quiz>\n<question type=\"truefalse\">\n<questiontext>"), false,
         0, 0, "XML 文件格式有误（第4行第14列），无法读取", 0},
        {"XML unknown entity", Format::MoodleXml, utf8("<quiz><question type=\"essay\"><questiontext><text>&secret;</text></questiontext></question></quiz>"),
         false, 0, 0, "XML 文件格式有误（第1行第57列），无法读取", 0},
        {"XML question without answer", Format::MoodleXml,
         utf8("<quiz>\n<question type=\"multichoice\"><questiontext><text>Q</text></questiontext>"
              "<answer fraction=\"0\"><text>a</text></answer><answer fraction=\"0\"><text>b</text></answer></question>\n</quiz>"),
         true, 1, 2, "第1题：缺少答案", 0},
        {"XML with no questions", Format::MoodleXml, utf8("<quiz></quiz>"), false, 0, 0, "文件中没有试题", 0},
        {"over 50 MB", Format::Gift, QByteArray(kMaxFileBytes + 1, 'a'), false, 0, 0, "文件大于 50 MB，无法导入", 0},
    };
    for (const Broken& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = readQuestions(c.format, c.bytes);
        EXPECT_EQ(r.fileOk, c.fileOk);
        ASSERT_EQ(r.problems.size(), 1u) << problems(r);
        EXPECT_EQ(r.problems[0].number, c.number);
        EXPECT_EQ(r.problems[0].line, c.line);
        EXPECT_EQ(r.problems[0].message, QString::fromUtf8(c.message));
        EXPECT_EQ(r.questions.size(), c.valid);
        // The preview's line names the file's fault, or counts what is still there.
        if (!c.fileOk) {
            EXPECT_EQ(r.summary(), r.problems[0].text());
        } else {
            EXPECT_EQ(r.summary(), QStringLiteral("可导入 %1 道试题；1 道有问题").arg(c.valid));
        }
    }
}

TEST(BrokenFiles, XmlEntitiesAreNeverFetchedOrExpanded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile secret(dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("TOP-SECRET-CONTENT");
    secret.close();
    const QByteArray external = "<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [<!ENTITY xxe SYSTEM \"file://" + secret.fileName().toUtf8()
                                + "\">]>\n<quiz><question type=\"essay\"><questiontext><text>&xxe;</text></questiontext></question></quiz>";
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'j'; ++c)
        laughs += QByteArray("<!ENTITY ") + c + " \"" + QByteArray(10, '&').replace("&", QByteArray("&") + char(c - 1) + ";") + "\">";
    laughs += "]>\n<quiz><question type=\"essay\"><questiontext><text>&j;</text></questiontext></question></quiz>";
    const QByteArray parameter = "<?xml version=\"1.0\"?>\n<!DOCTYPE quiz SYSTEM \"http://127.0.0.1:9/quiz.dtd\">\n<quiz/>";
    for (const QByteArray& bytes : {external, laughs, parameter}) {
        const ReadResult r = readQuestions(Format::MoodleXml, bytes);
        EXPECT_FALSE(r.fileOk);
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0].message, QStringLiteral("文件含有文档类型定义（DTD），为安全起见不予读取"));
        EXPECT_TRUE(r.questions.empty());
    }
    // The workbook's parts are read the same way.
    ZipWriter zip;
    zip.add("xl/worksheets/sheet1.xml", external);
    const ReadResult r = readQuestions(Format::Xlsx, zip.finish());
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].message, QStringLiteral("文件含有文档类型定义（DTD），为安全起见不予读取"));
    EXPECT_FALSE(problems(r).find("TOP-SECRET") != std::string::npos);
}

TEST(BrokenFiles, AFileOverTheLimitIsRefusedBeforeItIsRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.gift"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(kMaxFileBytes + 1)); // sparse: nothing to read, only its size
    f.close();
    const ReadResult r = readQuestionFile(path);
    EXPECT_FALSE(r.fileOk);
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].message, QStringLiteral("文件大于 50 MB，无法导入"));

    const ReadResult missing = readQuestionFile(dir.filePath(QStringLiteral("none.csv")));
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].message, QStringLiteral("无法打开文件“none.csv”"));
}

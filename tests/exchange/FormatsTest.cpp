// The formats' own published examples, and the spreadsheet template as office
// programs and hand-made CSV files hold it.
#include "ExchangeSupport.h"

#include "core/exchange/Aiken.h"
#include "core/exchange/Exchange.h"
#include "core/exchange/Gift.h"
#include "core/exchange/MoodleXml.h"
#include "core/exchange/Table.h"
#include "core/exchange/Zip.h"

#include <QStringEncoder>

using namespace exchange;
using exchange::test::describe;
using exchange::test::fixture;
using exchange::test::problems;

namespace {

struct Expected {
    Kind kind;
    const char* stem; // plain text
    QStringList options;
    const char* answer;
};

void expectQuestions(const std::vector<Question>& got, const std::vector<Expected>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(describe(got[i]));
        EXPECT_EQ(got[i].kind, want[i].kind) << i;
        EXPECT_EQ(htmlToPlain(got[i].stem), QString::fromUtf8(want[i].stem)) << i;
        EXPECT_EQ(got[i].options, want[i].options) << i;
        EXPECT_EQ(got[i].answer, QString::fromUtf8(want[i].answer)) << i;
    }
}

} // namespace

TEST(GiftFormat, PublishedExamplesReadAsTheBanksKinds)
{
    const ReadResult r = readGift(fixture("gift_docs.txt"));
    EXPECT_TRUE(r.fileOk);
    EXPECT_TRUE(r.problems.empty()) << problems(r);
    const QStringList none;
    expectQuestions(r.questions,
                    {
                        {Kind::TrueFalse, "1+1=2", none, "A"},
                        {Kind::Single, "What's between orange and green in the spectrum?", {"yellow", "red", "blue"}, "A"},
                        {Kind::Fill, "Two plus _____ equals four.", none, "two"},
                        {Kind::Subjective, "How are you?", none, ""},
                        {Kind::Single, "Who's buried in Grant's tomb?", {"Grant", "Jefferson", "no one"}, "C"},
                        {Kind::Single, "Grant is _____ in Grant's tomb.", {"buried", "entombed", "living"}, "B"},
                        {Kind::Single, "The American holiday of Thanksgiving is celebrated on the _____ Thursday of November.",
                         {"second", "third", "fourth"}, "C"},
                        {Kind::Single, "Japanese characters originally came from what country?", {"India", "China", "Korea", "Egypt"}, "B"},
                        {Kind::Fill, "Who's buried in Grant's tomb?", none, "no one"},
                        {Kind::Fill, "Two plus two equals _____ .", none, "four"},
                        {Kind::TrueFalse, "Grant was buried in a tomb in New York City.", none, "A"},
                        {Kind::TrueFalse, "The sun rises in the West.", none, "B"},
                        {Kind::Multiple, "What two people are entombed in Grant's tomb?", {"No one", "Grant", "Grant's wife", "Grant's father"}, "BC"},
                        {Kind::Single, "Jesus Christ was from _____ .", {"Jerusalem", "Bethlehem", "Galilee", "Nazareth"}, "D"},
                        {Kind::Single, "Which answer equals 5?", {"= 2 + 2", "= 2 + 3", "= 2 + 4"}, "B"},
                        {Kind::Single, "The largest desert on Earth is:", {"Antarctica", "Sahara Desert", "Australian Desert", "Arabian Desert"}, "A"},
                        {Kind::Subjective, "Write a short biography of Dag Hammarskjöld.", none, ""},
                    });
    ASSERT_EQ(r.questions.size(), 17u);
    EXPECT_EQ(r.questions[0].title, QStringLiteral("Q1"));
    EXPECT_EQ(r.questions[2].alsoAccepted, QStringList{QStringLiteral("2")});
    EXPECT_EQ(r.questions[8].alsoAccepted, QStringList{QStringLiteral("nobody")});
    // Each option's feedback is kept as the analysis.
    EXPECT_EQ(htmlToPlain(r.questions[1].analysis), QStringLiteral("A：right; good!\nB：wrong, it's yellow\nC：wrong, it's yellow"));
    EXPECT_TRUE(r.questions[13].category.isEmpty());
    EXPECT_EQ(r.questions[14].category, QStringLiteral("tom/dick/harry"));
    EXPECT_EQ(r.questions[16].category, QStringLiteral("tom/dick/harry"));
    // Matching and the three numerical questions have no kind in the bank.
    EXPECT_EQ(r.skippedTypes, (std::map<QString, int>{{QStringLiteral("matching"), 1}, {QStringLiteral("numerical"), 3}}));
    EXPECT_EQ(r.questions[4].line, 32);
    EXPECT_EQ(r.questions[4].number, 9); // the skipped ones count, as problems name them
    EXPECT_EQ(r.summary(), QStringLiteral("可导入 17 道试题；跳过 4 道本题库没有的题型（matching 1 道，numerical 3 道）"));
}

TEST(GiftFormat, ThePlatformsOwnTestFixture)
{
    // Formats named for single answers and feedbacks, partial credit on short answers,
    // text after the closing brace, and a general feedback on a true/false question.
    const ReadResult r = readGift(fixture("gift_platform_tests.txt"));
    EXPECT_TRUE(r.problems.empty()) << problems(r);
    const QStringList none;
    expectQuestions(r.questions,
                    {
                        {Kind::Subjective, "How are you?", none, ""},
                        {Kind::Single, "What's between orange and green in the spectrum?", {"yellow", "red", "blue"}, "A"},
                        {Kind::Multiple, "What's between orange and green in the spectrum?", {"yellow", "red", "off-beige", "blue"}, "AC"},
                        {Kind::Fill, "Which is the best animal?", none, "Frog"},
                        {Kind::TrueFalse, "42 is the Absolute Answer to everything. _____ \";", none, "B"},
                        {Kind::TrueFalse, "TSL is blablabla.", none, "A"},
                        {Kind::TrueFalse, "TSL is blablabla.", none, "A"},
                    });
    ASSERT_EQ(r.questions.size(), 7u);
    EXPECT_EQ(htmlToPlain(r.questions[1].analysis), QStringLiteral("A：right; good!\nB：wrong, it's yellow\nC：wrong, it's yellow"));
    EXPECT_TRUE(r.questions[3].alsoAccepted.isEmpty()); // 50% and 0% are not right answers
    EXPECT_EQ(htmlToPlain(r.questions[4].analysis), QStringLiteral("This is, of course, a Hitchiker's Guide to the Galaxy reference."));
    EXPECT_EQ(r.questions[6].title, QStringLiteral("2-08 TSL"));
    EXPECT_EQ(r.skippedTypes, (std::map<QString, int>{{QStringLiteral("matching"), 1}, {QStringLiteral("numerical"), 1}}));
}

TEST(GiftFormat, ChineseHtmlEscapesAndFeedbackInGb18030WithCrlf)
{
    const QString text = QStringLiteral(
        "// 第一部分\r\n"
        "$CATEGORY: $course$/top/02000101\r\n"
        "\r\n"
        "::进程::[html]<p>下列关于<b>进程</b>的说法\\: 正确的是（  ）</p>{\r\n"
        "  ~进程是程序#不对，进程是程序的一次执行\r\n"
        "  =进程是资源分配的单位\r\n"
        "  ~进程 \\{ 没有 \\} 状态\r\n"
        "  ####<p>进程是<i>资源分配</i>的基本单位。</p>\r\n"
        "}\r\n"
        "\r\n"
        "银行家算法用于{=避免死锁 =死锁避免}。\r\n");
    QStringEncoder gb("GB18030");
    const QByteArray bytes = gb.encode(text);
    ASSERT_FALSE(bytes == text.toUtf8());
    const ReadResult r = readGift(bytes);
    ASSERT_EQ(r.questions.size(), 2u) << problems(r);
    const Question& q = r.questions[0];
    EXPECT_EQ(q.kind, Kind::Single);
    EXPECT_EQ(q.title, QStringLiteral("进程"));
    EXPECT_EQ(q.stem, QStringLiteral("<p>下列关于<b>进程</b>的说法: 正确的是（  ）</p>"));
    EXPECT_EQ(q.options, (QStringList{QStringLiteral("进程是程序"), QStringLiteral("进程是资源分配的单位"), QStringLiteral("进程 { 没有 } 状态")}));
    EXPECT_EQ(q.answer, QStringLiteral("B"));
    EXPECT_TRUE(q.analysis.startsWith(QStringLiteral("<p>进程是<i>资源分配</i>的基本单位。</p>"))) << q.analysis.toStdString();
    EXPECT_TRUE(htmlToPlain(q.analysis).contains(QStringLiteral("A：不对，进程是程序的一次执行")));
    EXPECT_EQ(q.category, QStringLiteral("02000101"));
    EXPECT_EQ(q.line, 4);
    EXPECT_EQ(r.questions[1].kind, Kind::Fill);
    EXPECT_EQ(htmlToPlain(r.questions[1].stem), QStringLiteral("银行家算法用于 _____ 。"));
    EXPECT_EQ(r.questions[1].answer, QStringLiteral("避免死锁"));
    EXPECT_EQ(r.questions[1].line, 11);
}

TEST(GiftFormat, TheDefaultFormatKeepsHtmlTagsAndEscapesOtherText)
{
    const ReadResult r = readGift(QByteArray("Grant is <b>buried</b>\nin New York.{T}\n\n"
                                             "a < b and c > d {=<i>yes</i> ~no}\n\n"
                                             "[plain]<b>as written</b>{F}\n"));
    ASSERT_EQ(r.questions.size(), 3u) << problems(r);
    EXPECT_EQ(r.questions[0].stem, QStringLiteral("Grant is <b>buried</b><br />in New York."));
    EXPECT_EQ(r.questions[1].stem, QStringLiteral("a &lt; b and c &gt; d"));
    EXPECT_EQ(r.questions[1].options, (QStringList{QStringLiteral("yes"), QStringLiteral("no")}));
    EXPECT_EQ(r.questions[2].stem, QStringLiteral("&lt;b&gt;as written&lt;/b&gt;"));
}

TEST(AikenFormat, PublishedExamplesReadAsSingleChoice)
{
    const ReadResult r = readAiken(fixture("aiken_docs.txt"));
    EXPECT_TRUE(r.problems.empty()) << problems(r);
    expectQuestions(r.questions,
                    {
                        {Kind::Single, "What is the correct answer to this question?",
                         {"Is it this one?", "Maybe this answer?", "Possibly this one?", "Must be this one!"}, "D"},
                        {Kind::Single, "Which LMS has the most quiz import formats?",
                         {"Moodle", "ATutor", "Claroline", "Blackboard", "WebCT", "Ilias"}, "A"},
                    });
    EXPECT_EQ(r.questions[1].line, 7);
}

TEST(MoodleXmlFormat, PublishedExamplesKeepHtmlAndEmbedPictures)
{
    const ReadResult r = readMoodleXml(fixture("moodle_docs.xml"));
    EXPECT_TRUE(r.fileOk);
    EXPECT_TRUE(r.problems.empty()) << problems(r);
    const QStringList none;
    expectQuestions(r.questions,
                    {
                        {Kind::Single, "What is the answer to this question?", {"The correct answer", "A distractor", "Another distractor"}, "A"},
                        {Kind::Multiple, "Which of these are prime numbers?\npick two", {"2", "3", "4"}, "AB"},
                        {Kind::TrueFalse, "The sun rises in the east.", none, "A"},
                        {Kind::Fill, "Who is buried in Grant's tomb?", none, "The correct answer"},
                        {Kind::Subjective, "Write about your summer holiday.", none, ""},
                        {Kind::Single, "What colour is this dot?", {"White", "Black"}, "B"},
                    });
    ASSERT_EQ(r.questions.size(), 6u);
    EXPECT_EQ(r.questions[0].title, QStringLiteral("Name of question"));
    EXPECT_EQ(r.questions[0].category, QStringLiteral("Examples"));
    EXPECT_EQ(r.questions[1].stem, QStringLiteral("<p>Which of these are <b>prime</b> numbers?</p><ul><li>pick two</li></ul>"));
    EXPECT_EQ(r.questions[1].analysis, QStringLiteral("<p>2 and 3 have no divisors but 1 and themselves.</p>"));
    EXPECT_EQ(r.questions[1].points, QStringList{QStringLiteral("primes")});
    EXPECT_EQ(r.questions[3].alsoAccepted, QStringList{QStringLiteral("An alternative answer")});
    EXPECT_EQ(r.questions[5].stem,
              QStringLiteral("<p>What colour is this dot?</p><p><img src=\"data:image/png;base64,"
                             "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==\" alt=\"dot\" /></p>"));
    EXPECT_TRUE(r.questions[5].element.startsWith(QStringLiteral("第9个 question 元素（第"))) << r.questions[5].element.toStdString();
    EXPECT_EQ(r.skippedTypes, (std::map<QString, int>{{QStringLiteral("description"), 1},
                                                      {QStringLiteral("matching"), 1},
                                                      {QStringLiteral("numerical"), 1}}));
    EXPECT_EQ(r.skippedCount(), 3);
    EXPECT_EQ(r.questions[5].number, 9);
}

TEST(MoodleXmlFormat, ThePlatformsOwnTrueFalseFixture)
{
    // Pictures in the question text and the general feedback, <file> elements without
    // a path, and the answer texts in the platform's automatic format.
    const QByteArray bytes = fixture("moodle_platform_truefalse.xml");
    const ReadResult r = readMoodleXml(bytes);
    EXPECT_TRUE(r.problems.empty()) << problems(r);
    EXPECT_TRUE(r.notes.empty());
    ASSERT_EQ(r.questions.size(), 1u);
    const Question& q = r.questions[0];
    EXPECT_EQ(q.kind, Kind::TrueFalse);
    EXPECT_EQ(q.answer, QStringLiteral("B"));
    EXPECT_EQ(q.title, QStringLiteral("Moodle acronym (False)"));
    EXPECT_EQ(q.category, QStringLiteral("Default for testhead/TrueFalse"));
    EXPECT_EQ(htmlToPlain(q.stem), QStringLiteral("Moodle  is an acronym for Modular Object-Oriented Dynamic Learning Education."));
    EXPECT_TRUE(hasFormatting(q.stem));
    const auto embedded = [&bytes](const QString& html, const char* name) {
        const qsizetype at = bytes.indexOf(QByteArray("<file name=\"") + name + "\" encoding=\"base64\">");
        const qsizetype start = bytes.indexOf('>', at) + 1;
        const QByteArray base64 = bytes.mid(start, bytes.indexOf('<', start) - start);
        return html.contains(QStringLiteral("src=\"data:image/jpeg;base64,") + QString::fromLatin1(base64) + u'"');
    };
    EXPECT_TRUE(embedded(q.stem, "logo.jpg"));
    EXPECT_TRUE(embedded(q.analysis, "infos.jpg"));
    EXPECT_FALSE(q.stem.contains(QStringLiteral("@@PLUGINFILE@@")));
    EXPECT_EQ(htmlToPlain(q.analysis), QStringLiteral("For further information, see the documentation about Moodle."));
}

TEST(MoodleXmlFormat, FilesThatAreNotPicturesOrAreMissingAreNoted)
{
    const QByteArray bytes =
        "<quiz><question type=\"essay\"><questiontext format=\"html\"><text><![CDATA[<p><a href=\"@@PLUGINFILE@@/bonjour.mp3\">"
        "Listen</a> and look <img src=\"@@PLUGINFILE@@/gone%20away.png\" /></p>]]></text>"
        "<file name=\"bonjour.mp3\" encoding=\"base64\">SUQzAwAAAAAAEFRDT04=</file></questiontext></question></quiz>";
    const ReadResult r = readMoodleXml(bytes);
    ASSERT_EQ(r.questions.size(), 1u) << problems(r);
    EXPECT_TRUE(r.questions[0].stem.contains(QStringLiteral("@@PLUGINFILE@@/bonjour.mp3")));
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_EQ(r.notes[0].message, QStringLiteral("第1题：文件“bonjour.mp3”未能带入（文件中没有它，或它不是图片）"));
    EXPECT_EQ(r.notes[1].message, QStringLiteral("第1题：文件“gone away.png”未能带入（文件中没有它，或它不是图片）"));
    EXPECT_EQ(r.notes[1].element, QStringLiteral("第1个 question 元素（第1行）"));

    // A file's text that is not clean base64 cannot carry anything into the stem's markup.
    const QByteArray hostile =
        "<quiz><question type=\"essay\"><questiontext format=\"html\"><text><![CDATA[<img src=\"@@PLUGINFILE@@/a.png\" />]]></text>"
        "<file name=\"a.png\" encoding=\"base64\">iVBO&quot; onerror=&quot;alert(1)</file></questiontext></question></quiz>";
    const ReadResult h = readMoodleXml(hostile);
    ASSERT_EQ(h.questions.size(), 1u) << problems(h);
    EXPECT_FALSE(h.questions[0].stem.contains(QStringLiteral("onerror=")));
    EXPECT_FALSE(h.questions[0].stem.contains(QStringLiteral("alert(1)")));
    EXPECT_EQ(h.questions[0].stem.count(u'"'), 2);
    EXPECT_TRUE(h.questions[0].stem.startsWith(QStringLiteral("<img src=\"data:image/png;base64,"))) << h.questions[0].stem.toStdString();
}

TEST(TableFormat, CsvEncodingsBomsAndQuotedFields)
{
    const QString body = QStringLiteral(
        "题型,题干,选项A,选项B,选项C,选项D,答案,解析,考点\n"
        "单选题,\"操作系统的特征，是（  ）\",共享,\"并发\"\"和\"\"共享\",异步,虚拟,b,\"第一行\n第二行\",\"02000101，02000102\"\n"
        "\n"
        "判断,死锁可以避免,,,,,√,,\n"
        "多项选择,\"下列属于\n进程状态的是\",就绪,运行,阻塞,完成,\"A、B、C\",,\n"
        "填空,银行家算法用于____,,,,,避免死锁,,\n"
        "论述,论述进程与线程的区别,,,,,线程是调度的单位,,\n");
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QString crlf = body;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const Case cases[] = {
        {"UTF-8", body.toUtf8()},
        {"UTF-8 with BOM", QByteArray("\xEF\xBB\xBF") + body.toUtf8()},
        {"GB18030", QStringEncoder("GB18030").encode(body)},
        {"UTF-8 CRLF", crlf.toUtf8()},
        {"GB18030 CRLF", QStringEncoder("GB18030").encode(crlf)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = readCsv(c.bytes);
        ASSERT_TRUE(r.problems.empty()) << problems(r);
        ASSERT_EQ(r.questions.size(), 5u);
        const Question& q = r.questions[0];
        EXPECT_EQ(q.kind, Kind::Single);
        EXPECT_EQ(htmlToPlain(q.stem), QStringLiteral("操作系统的特征，是（  ）"));
        EXPECT_EQ(q.options, (QStringList{QStringLiteral("共享"), QStringLiteral("并发\"和\"共享"), QStringLiteral("异步"), QStringLiteral("虚拟")}));
        EXPECT_EQ(q.answer, QStringLiteral("B"));
        EXPECT_EQ(htmlToPlain(q.analysis), QStringLiteral("第一行\n第二行"));
        EXPECT_EQ(q.points, (QStringList{QStringLiteral("02000101"), QStringLiteral("02000102")}));
        EXPECT_EQ(r.questions[1].kind, Kind::TrueFalse);
        EXPECT_EQ(r.questions[1].answer, QStringLiteral("A"));
        EXPECT_EQ(r.questions[1].line, 5); // the quoted line break in row 2 counts
        EXPECT_EQ(r.questions[1].number, 2);
        EXPECT_EQ(r.questions[2].kind, Kind::Multiple);
        EXPECT_EQ(r.questions[2].answer, QStringLiteral("ABC"));
        EXPECT_EQ(r.questions[3].kind, Kind::Fill);
        EXPECT_EQ(r.questions[3].answer, QStringLiteral("避免死锁"));
        EXPECT_EQ(r.questions[4].kind, Kind::Subjective);
        EXPECT_EQ(r.questions[4].answer, QStringLiteral("线程是调度的单位"));
        EXPECT_EQ(r.questions[4].line, 9);
    }
}

TEST(TableFormat, XlsxWithSharedStringsAsOfficeProgramsWriteThem)
{
    // Shared strings (one of them in formatted runs with a phonetic guide), an inline
    // string, a number and a cell without its reference.
    const QByteArray shared =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"9\" uniqueCount=\"9\">"
        "<si><t>题型</t></si><si><t>题干</t></si><si><t>选项A</t></si><si><t>选项B</t></si><si><t>答案</t></si>"
        "<si><t>单选</t></si>"
        "<si><r><rPr><b/></rPr><t>进程</t></r><r><t xml:space=\"preserve\">是什么？ </t></r><rPh sb=\"0\" eb=\"1\"><t>しん</t></rPh></si>"
        "<si><t>程序</t></si><si><t>执行中的程序</t></si></sst>";
    const QByteArray sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
        "<c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>5</v></c><c r=\"B3\" t=\"s\"><v>6</v></c><c r=\"C3\" t=\"s\"><v>7</v></c>"
        "<c r=\"D3\" t=\"s\"><v>8</v></c><c r=\"E3\" t=\"inlineStr\"><is><t>B</t></is></c></row>"
        "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>判断</t></is></c><c r=\"B4\" t=\"inlineStr\"><is><t>1+1=2</t></is></c>"
        "<c r=\"E4\"><v>1</v></c></row>"
        "</sheetData></worksheet>";
    ZipWriter zip;
    zip.add("[Content_Types].xml", "<Types/>");
    zip.add("xl/workbook.xml", "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                               "<sheets><sheet name=\"题目\" sheetId=\"7\" r:id=\"rId3\"/></sheets></workbook>");
    zip.add("xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId3\" Target=\"worksheets/questions.xml\"/></Relationships>");
    zip.add("xl/sharedStrings.xml", shared);
    zip.add("xl/worksheets/questions.xml", sheet);
    const ReadResult r = readXlsx(zip.finish());
    ASSERT_TRUE(r.problems.empty()) << problems(r);
    ASSERT_EQ(r.questions.size(), 2u);
    EXPECT_EQ(htmlToPlain(r.questions[0].stem), QStringLiteral("进程是什么？"));
    EXPECT_EQ(r.questions[0].options, (QStringList{QStringLiteral("程序"), QStringLiteral("执行中的程序")}));
    EXPECT_EQ(r.questions[0].answer, QStringLiteral("B"));
    EXPECT_EQ(r.questions[0].line, 3);
    EXPECT_EQ(r.questions[1].kind, Kind::TrueFalse);
    EXPECT_EQ(r.questions[1].answer, QStringLiteral("A"));
}

TEST(TableFormat, TemplatesReadBackAsTheHeaderAlone)
{
    const QStringList header = {"题型", "题干", "选项A", "选项B", "选项C", "选项D", "选项E", "选项F", "答案", "解析", "考点"};
    EXPECT_EQ(templateColumns(), header);
    EXPECT_TRUE(csvTemplate().startsWith("\xEF\xBB\xBF" "题型,题干,选项A"));
    for (const QByteArray& bytes : {csvTemplate(), xlsxTemplate()}) {
        const ReadResult r = readQuestions(bytes.startsWith("PK") ? Format::Xlsx : Format::Csv, bytes);
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0].message, QStringLiteral("文件中没有试题"));
    }
}

TEST(FlashCards, FrontHoldsStemAndOptionsBackTheAnswerAndAnalysis)
{
    Question single;
    single.stem = QStringLiteral("<p>操作系统的特征<b>是</b></p>");
    single.options = {QStringLiteral("共享"), QStringLiteral("并发\t<和>")};
    single.answer = QStringLiteral("B");
    single.analysis = QStringLiteral("并发是<br />基础");
    Question judge;
    judge.kind = Kind::TrueFalse;
    judge.stem = QStringLiteral("死锁可以避免");
    judge.answer = QStringLiteral("B");
    const QList<QByteArray> lines = writeFlashCards({single, judge}).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "#separator:tab");
    EXPECT_EQ(lines[1], "#html:true");
    EXPECT_EQ(QString::fromUtf8(lines[2]),
              QStringLiteral("操作系统的特征是<br>A. 共享<br>B. 并发 &lt;和&gt;\t答案：B. 并发 &lt;和&gt;<br>解析：并发是<br>基础"));
    EXPECT_EQ(QString::fromUtf8(lines[3]), QStringLiteral("死锁可以避免\t答案：错"));
    EXPECT_TRUE(lines[4].isEmpty());
}

TEST(FileFormats, ChosenBySuffixAndTextFilesByContent)
{
    struct Case {
        const char* name;
        QByteArray head;
        bool known;
        Format format;
    };
    const Case cases[] = {
        {"题库.CSV", "", true, Format::Csv},        {"a.xlsx", "PK", true, Format::Xlsx},
        {"a.gift", "", true, Format::Gift},         {"quiz.xml", "<quiz>", true, Format::MoodleXml},
        {"a.txt", "Q?\nA. x\nB. y\nANSWER: A", true, Format::Aiken},
        {"a.txt", "Q? {=a ~b}", true, Format::Gift}, {"a.docx", "PK", false, Format::Csv},
    };
    for (const Case& c : cases) {
        Format f = Format::Csv;
        EXPECT_EQ(formatOfFile(QString::fromUtf8(c.name), c.head, &f), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(f, c.format) << c.name;
        }
    }
}

TEST(TableFormat, XlsxSavedByAnotherSpreadsheetProgram)
{
    // Shared strings, a number and a boolean cell, column widths and a bold header, as
    // a spreadsheet library writes them.
    const ReadResult r = readXlsx(fixture("sheet_from_spreadsheet_program.xlsx"));
    EXPECT_TRUE(r.fileOk);
    const QStringList none;
    expectQuestions(r.questions, {
                                     {Kind::Single, "进程是什么？", {"程序", "执行中的程序", "数据", "文件"}, "B"},
                                     {Kind::TrueFalse, "1+1=2", none, "A"},
                                     {Kind::Multiple, "选出两个\n（多行题干）", {"甲", "乙", "丙"}, "AC"},
                                     {Kind::Fill, "2 的 10 次方是____", none, "1024"},
                                     {Kind::Subjective, "简述进程与线程的区别。", none, "线程是调度的单位"},
                                 });
    ASSERT_EQ(r.questions.size(), 5u);
    EXPECT_EQ(r.questions[2].points, (QStringList{QStringLiteral("02000101"), QStringLiteral("02000102")}));
    EXPECT_EQ(htmlToPlain(r.questions[0].analysis), QStringLiteral("进程是执行中的程序。"));
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].line, 7);
    EXPECT_EQ(r.problems[0].message, QStringLiteral("第6题：未知题型“连线”（应为单选、多选、不定项、判断、填空或简答等）"));
}

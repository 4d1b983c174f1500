// Writing questions of every kind the bank has and reading them back, in each format;
// and how long the readers take over a file of 10,000 questions.
#include "ExchangeSupport.h"

#include "core/exchange/Exchange.h"

#include <QElapsedTimer>
#include <iostream>

using namespace exchange;
using exchange::test::describe;
using exchange::test::problems;

namespace {

const QString kDot = QStringLiteral(
    "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==");

Question make(Kind kind, const QString& stem, QStringList options, const QString& answer, const QString& analysis = {},
              QStringList points = {})
{
    Question q;
    q.kind = kind;
    q.stem = stem;
    q.options = std::move(options);
    q.answer = answer;
    q.analysis = analysis;
    q.points = std::move(points);
    return q;
}

// The bank's kinds, with what files find hard: formatting, a picture, a table, the
// formats' special characters in options, several lines, six options, several blanks.
std::vector<Question> bankQuestions()
{
    std::vector<Question> qs;
    qs.push_back(make(Kind::Single,
                      QStringLiteral("<p>下列关于<b>进程</b>的说法正确的是（  ）</p><p><img src=\"%1\" /></p>").arg(kDot),
                      {QStringLiteral("进程是程序"), QStringLiteral("a{b}~c=d#e:f\\g"), QStringLiteral("<x> & \"y\""), QStringLiteral("%50%不是权重")},
                      QStringLiteral("C"), QStringLiteral("<p>进程是<i>资源分配</i>的基本单位。</p>"),
                      {QStringLiteral("02000101"), QStringLiteral("02000102")}));
    qs.push_back(make(Kind::Multiple, QStringLiteral("下列属于<br />进程状态的是"),
                      {QStringLiteral("就绪"), QStringLiteral("运行"), QStringLiteral("完成"), QStringLiteral("阻塞"), QStringLiteral("挂起")},
                      QStringLiteral("ABD")));
    qs.push_back(make(Kind::Indefinite, QStringLiteral("不定项：下列正确的是"),
                      {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"), QStringLiteral("丁")}, QStringLiteral("B"),
                      QStringLiteral("只有乙正确。")));
    qs.push_back(make(Kind::TrueFalse, QStringLiteral("进程是程序的一次执行。"), {}, QStringLiteral("A")));
    qs.push_back(make(Kind::TrueFalse, QStringLiteral("死锁无法预防。"), {}, QStringLiteral("B"), QStringLiteral("破坏四个必要条件之一即可预防。"),
                      {QStringLiteral("02000201")}));
    Question fill = make(Kind::Fill, QStringLiteral("银行家算法用于____，系统处于____时不会死锁。"), {},
                         QStringLiteral("避免死锁,安全状态"));
    fill.alsoAccepted = {QStringLiteral("死锁避免,安全状态")};
    qs.push_back(fill);
    qs.push_back(make(Kind::Subjective, QStringLiteral("简述进程与线程的区别。"), {}, QStringLiteral("线程是调度的单位，进程是资源分配的单位。"),
                      QStringLiteral("从调度、资源、开销三方面回答。")));
    qs.push_back(make(Kind::Subjective, QStringLiteral("<p>论述分页与分段的区别。</p>"), {}, QString()));
    qs.push_back(make(Kind::Single, QStringLiteral("六个选项"),
                      {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"), QStringLiteral("四"), QStringLiteral("五"), QStringLiteral("六")},
                      QStringLiteral("F")));
    qs.push_back(make(Kind::Single, QStringLiteral("<table><tr><td>页号</td><td>块号</td></tr><tr><td>0</td><td>5</td></tr></table><p>页 0 在哪一块？</p>"),
                      {QStringLiteral("5"), QStringLiteral("0")}, QStringLiteral("A")));
    return qs;
}

struct FormatCase {
    Format format;
    bool keepsIndefinite;   // a column says the type
    bool keepsPoints;       // a field of their own (tags, the 考点 column)
    bool keepsReference;    // a subjective question's reference answer as its answer
    bool keepsAlternatives; // more than one accepted fill answer
};

QString body(const QString& html)
{
    return htmlBody(html).trimmed();
}

void expectRoundTrip(const FormatCase& f, const Question& in, const Question& out)
{
    SCOPED_TRACE(describe(in));
    Kind kind = in.kind;
    if (kind == Kind::Indefinite && !f.keepsIndefinite)
        kind = f.format == Format::Gift && in.answer.size() == 1 ? Kind::Single : Kind::Multiple;
    EXPECT_EQ(out.kind, kind);
    EXPECT_EQ(htmlToPlain(out.stem), htmlToPlain(in.stem));
    if (hasFormatting(in.stem)) {
        EXPECT_EQ(body(out.stem), body(in.stem));
    }
    EXPECT_EQ(out.options, in.options);
    QString analysis = htmlToPlain(in.analysis);
    QString answer = in.answer;
    if (in.kind == Kind::Subjective && !f.keepsReference && !in.answer.isEmpty()) {
        analysis += (analysis.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("参考答案：") + in.answer;
        answer.clear();
    }
    EXPECT_EQ(out.answer, answer);
    EXPECT_EQ(htmlToPlain(out.analysis), analysis);
    if (hasFormatting(in.analysis)) {
        EXPECT_EQ(body(out.analysis), body(in.analysis));
    }
    if (f.keepsPoints)
        EXPECT_EQ(out.points, in.points);
    else
        EXPECT_EQ(out.category, in.points.join(u','));
    EXPECT_EQ(out.alsoAccepted, f.keepsAlternatives ? in.alsoAccepted : QStringList());
}

} // namespace

TEST(RoundTrip, EveryKindComesBackFromEachFormat)
{
    const FormatCase cases[] = {
        {Format::Gift, false, false, false, true},
        {Format::MoodleXml, false, true, true, true},
        {Format::Csv, true, true, true, false},
        {Format::Xlsx, true, true, true, false},
    };
    const std::vector<Question> in = bankQuestions();
    for (const FormatCase& f : cases) {
        SCOPED_TRACE(formatName(f.format).toStdString());
        const WriteResult written = writeQuestions(f.format, in);
        EXPECT_TRUE(written.left.empty());
        EXPECT_TRUE(written.notes.empty());
        const ReadResult r = readQuestions(f.format, written.data);
        EXPECT_TRUE(r.fileOk);
        EXPECT_TRUE(r.problems.empty()) << problems(r);
        ASSERT_EQ(r.questions.size(), in.size());
        for (size_t i = 0; i < in.size(); ++i)
            expectRoundTrip(f, in[i], r.questions[i]);
    }
}

TEST(RoundTrip, AikenCarriesSingleChoiceOnOneLineAndListsTheRest)
{
    const std::vector<Question> in = bankQuestions();
    const WriteResult written = writeQuestions(Format::Aiken, in);
    std::vector<const Question*> singles;
    std::vector<int> left;
    for (size_t i = 0; i < in.size(); ++i)
        if (in[i].kind == Kind::Single)
            singles.push_back(&in[i]);
        else
            left.push_back(int(i) + 1);
    ASSERT_EQ(written.left.size(), left.size());
    for (size_t i = 0; i < left.size(); ++i)
        EXPECT_EQ(written.left[i].number, left[i]);
    EXPECT_EQ(written.left[0].message, QStringLiteral("第2题：多选题不能写成 Aiken 格式（只能写单选题）"));
    const ReadResult r = readQuestions(Format::Aiken, written.data);
    EXPECT_TRUE(r.problems.empty()) << problems(r);
    ASSERT_EQ(r.questions.size(), singles.size());
    for (size_t i = 0; i < singles.size(); ++i) {
        QString stem = htmlToPlain(singles[i]->stem);
        stem.replace(u'\n', u' ');
        EXPECT_EQ(htmlToPlain(r.questions[i].stem), stem.simplified());
        EXPECT_EQ(r.questions[i].options, singles[i]->options);
        EXPECT_EQ(r.questions[i].answer, singles[i]->answer);
    }
}

// The time is printed for a look; a bound on it would fail at random on a busy machine.
TEST(RoundTrip, TenThousandQuestionsOfEveryFormatReadWhole)
{
    const std::vector<Question> sample = bankQuestions();
    std::vector<Question> many;
    many.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        Question q = sample[size_t(i) % sample.size()];
        q.stem = QStringLiteral("第%1题 ").arg(i + 1) + q.stem;
        many.push_back(std::move(q));
    }
    for (Format f : {Format::Gift, Format::Aiken, Format::MoodleXml, Format::Csv, Format::Xlsx}) {
        const QByteArray data = writeQuestions(f, many).data;
        QElapsedTimer timer;
        timer.start();
        const ReadResult r = readQuestions(f, data);
        const qint64 ms = timer.elapsed();
        std::cout << formatName(f).toStdString() << ": " << r.questions.size() << " questions, " << data.size() / 1024
                  << " KiB read in " << ms << " ms\n";
        EXPECT_EQ(r.questions.size(), f == Format::Aiken ? 3000u : 10000u);
        EXPECT_TRUE(r.problems.empty()) << problems(r);
    }
}

TEST(RoundTrip, AFileJustUnderTheLimitIsReadWhole)
{
    // 10,000 questions with a picture each: pictures are what make a question file large.
    QByteArray picture(3100, '\0');
    for (qsizetype i = 0; i < picture.size(); ++i)
        picture[i] = char((i * 7919) % 251);
    const QString dot = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(picture.toBase64());
    std::vector<Question> many;
    for (int i = 0; i < 10000; ++i)
        many.push_back(make(Kind::Single, QStringLiteral("<p>第%1题</p><p><img src=\"%2\" /></p>").arg(i + 1).arg(dot),
                            {QStringLiteral("甲"), QStringLiteral("乙")}, QStringLiteral("B"), QStringLiteral("解析")));
    for (Format f : {Format::MoodleXml, Format::Gift}) {
        const WriteResult written = writeQuestions(f, many);
        const QByteArray& data = written.data;
        EXPECT_GT(data.size(), 40 * 1024 * 1024);
        ASSERT_LE(data.size(), kMaxFileBytes);
        QElapsedTimer timer;
        timer.start();
        const ReadResult r = readQuestions(f, data);
        const qint64 ms = timer.elapsed();
        std::cout << formatName(f).toStdString() << ": " << data.size() / (1024 * 1024) << " MiB, " << r.questions.size()
                  << " questions read in " << ms << " ms\n";
        ASSERT_EQ(r.questions.size(), many.size());
        EXPECT_EQ(r.questions.back().stem, many.back().stem);
    }
}

TEST(RoundTrip, AWorkbookNotesCellsLongerThanSpreadsheetProgramsKeep)
{
    std::vector<Question> qs = bankQuestions();
    qs[1].stem = QStringLiteral("<p><img src=\"data:image/png;base64,%1\" /></p>").arg(QString(40000, u'A'));
    const WriteResult written = writeQuestions(Format::Xlsx, qs);
    ASSERT_EQ(written.notes.size(), 1u);
    EXPECT_EQ(written.notes[0].message, QStringLiteral("第2题：有内容超过 32767 个字符（多为图片），电子表格程序中显示不全"));
    const ReadResult r = readQuestions(Format::Xlsx, written.data);
    ASSERT_EQ(r.questions.size(), qs.size());
    EXPECT_EQ(r.questions[1].stem, qs[1].stem);
}

// A question as question entry saves it (options inside the stem, the option count and
// answer each kind uses) and a stored stem split back into stem and options for export.
#include "ExchangeSupport.h"

using namespace exchange;

TEST(BankForm, EachKindAsQuestionEntrySavesIt)
{
    struct Case {
        const char* name;
        Question q;
        const char* stem;
        int options;
        const char* answer;
        const char* analysis;
    };
    Question single;
    single.stem = QStringLiteral("操作系统的特征<br />是");
    single.options = {QStringLiteral("共享"), QStringLiteral("<并发>")};
    single.answer = QStringLiteral("B");
    single.analysis = QStringLiteral("<html><body><p>并发</p></body></html>");
    Question judge;
    judge.kind = Kind::TrueFalse;
    judge.stem = QStringLiteral("<p>死锁可以避免</p>");
    judge.answer = QStringLiteral("A");
    Question fill;
    fill.kind = Kind::Fill;
    fill.stem = QStringLiteral("银行家算法用于____");
    fill.answer = QStringLiteral("避免死锁");
    fill.alsoAccepted = {QStringLiteral("死锁避免"), QStringLiteral("避免")};
    Question essay;
    essay.kind = Kind::Subjective;
    essay.stem = QStringLiteral("<table><tr><td>论述</td></tr></table>");
    essay.answer = QStringLiteral("线程是调度的单位");
    const Case cases[] = {
        {"single", single, "<p>操作系统的特征<br />是</p><p>A. 共享</p><p>B. &lt;并发&gt;</p>", 2, "B", "<p>并发</p>"},
        {"judgement", judge, "<p>死锁可以避免</p>", 2, "A", ""},
        {"fill", fill, "<p>银行家算法用于____</p>", 1, "避免死锁", "<p>也可答：死锁避免；避免</p>"},
        {"subjective", essay, "<table><tr><td>论述</td></tr></table>", 1, "1", "<p>参考答案：线程是调度的单位</p>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BankForm f = bankForm(c.q);
        EXPECT_EQ(f.stem, QString::fromUtf8(c.stem));
        EXPECT_EQ(f.options, c.options);
        EXPECT_EQ(f.answer, QString::fromUtf8(c.answer));
        EXPECT_EQ(f.analysis, QString::fromUtf8(c.analysis));
    }
}

TEST(BankForm, StoredStemsSplitIntoStemAndOptions)
{
    struct Case {
        const char* name;
        QString html;
        int count;
        QString stem;
        QStringList options;
    };
    // As the editor saves a document: a head with styles, paragraphs with their own.
    const QString editor = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\"><html><head><style type=\"text/css\">p, li { white-space: pre-wrap; }</style></head>"
        "<body style=\" font-size:9pt;\">\n<p style=\" margin-top:0px;\">下列<span style=\" font-weight:700;\">不能</span>在用户态执行的是（  ）</p>\n"
        "<p style=\" margin-top:0px;\">A. 陷入指令</p>\n<p style=\" margin-top:0px;\">B. 关中断指令</p></body></html>");
    const Case cases[] = {
        {"editor paragraphs", editor, 2,
         QStringLiteral("<p style=\" margin-top:0px;\">下列<span style=\" font-weight:700;\">不能</span>在用户态执行的是（  ）</p>"),
         {QStringLiteral("陷入指令"), QStringLiteral("关中断指令")}},
        {"lines broken by <br />", QStringLiteral("题干<br />A．甲<br />B、乙<br />C: 丙"), 3, QStringLiteral("题干"),
         {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")}},
        {"a table before the options", QStringLiteral("<table><tr><td><p>1</p></td></tr></table><p>A. 甲</p><p>B. 乙</p>"), 2,
         QStringLiteral("<table><tr><td><p>1</p></td></tr></table>"), {QStringLiteral("甲"), QStringLiteral("乙")}},
        {"fewer option lines than the count", QStringLiteral("<p>题干</p><p>A. 甲</p>"), 2, QStringLiteral("<p>题干</p><p>A. 甲</p>"), {}},
        {"letters out of order", QStringLiteral("<p>题干</p><p>B. 甲</p><p>A. 乙</p>"), 2, QStringLiteral("<p>题干</p><p>B. 甲</p><p>A. 乙</p>"), {}},
        {"no options", QStringLiteral("<p>论述</p>"), 0, QStringLiteral("<p>论述</p>"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString stem;
        QStringList options;
        splitOptions(c.html, c.count, &stem, &options);
        EXPECT_EQ(stem, c.stem);
        EXPECT_EQ(options, c.options);
    }
    // And back from what bankForm made.
    Question q;
    q.stem = QStringLiteral("<p>题<b>干</b></p>");
    q.options = {QStringLiteral("甲 & 乙"), QStringLiteral("丙")};
    q.answer = QStringLiteral("A");
    QString stem;
    QStringList options;
    splitOptions(bankForm(q).stem, 2, &stem, &options);
    EXPECT_EQ(stem, q.stem);
    EXPECT_EQ(options, q.options);
}

#include "SourceFixture.h"

#include "bank/BankCheck.h"
#include "core/store/RtfWriter.h"

#include <QDir>
#include <functional>

namespace {

const QString kBook = QStringLiteral("00-book.txt");
const QString kPart = QStringLiteral("01-数据结构.txt");

QVariant value(store::Connection& db, const QString& sql, const QString& key)
{
    return db.scalar(sql, {{QStringLiteral(":k"), key}});
}

} // namespace

TEST(BankBuild, WritesEveryTableOfAGoodSource)
{
    SourceFixture src;
    QTemporaryDir out;
    const QString bankPath = out.filePath(QStringLiteral("bank.db"));
    const auto problems = src.build(bankPath);
    ASSERT_TRUE(problems.isEmpty()) << describe(problems);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("bank.db")})
        << "no temporary files are left beside the bank";

    auto db = store::Connection::open(bankPath, store::bankKey());
    EXPECT_EQ(db->query(QStringLiteral("select sjbs, cpbs from tab_sj")).values,
              (std::vector<std::vector<QVariant>>{{QStringLiteral("TEST-BASE"), QStringLiteral("TEST-BOOK")}}));
    const store::Rows plan = db->query(QStringLiteral("select * from tab_plan"));
    ASSERT_EQ(plan.size(), 1);
    EXPECT_EQ(plan.at(0, QStringLiteral("ExamDate")).toString(), QDate(2027, 3, 1).addDays(120).toString(Qt::ISODate));
    EXPECT_EQ(plan.at(0, QStringLiteral("PlanAmount")).toInt(), 50);
    EXPECT_EQ(plan.at(0, QStringLiteral("ExamTime")).toInt(), 7200);

    // A type has a row only in the papers it names.
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from tab_tx1")).toInt(), 5);
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from tab_tx2")).toInt(), 1);
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from tab_tx3")).toInt(), 0);
    const store::Rows tx = db->query(QStringLiteral("select B1, B2, B3, time from tab_tx1 where A1 = 14"));
    EXPECT_EQ(tx.at(0, QStringLiteral("B1")).toString(), QStringLiteral("多选"));
    EXPECT_EQ(tx.at(0, QStringLiteral("B2")).toInt(), 1);
    EXPECT_DOUBLE_EQ(tx.at(0, QStringLiteral("B3")).toDouble(), 2.0);
    EXPECT_DOUBLE_EQ(tx.at(0, QStringLiteral("time")).toDouble(), 1.5);

    // Chapters in tree order with "xx" last; C3 counts the questions below.
    struct Chapter {
        const char* code;
        int bh;
        int c3;
        const char* c7;
        bool guidance;
    } chapters[] = {{"0", 1, 5, "1", false},      {"01", 2, 5, "0", false},     {"0101", 3, 5, "1", true},
                    {"010101", 4, 3, "1", false}, {"010102", 5, 2, "1", false}, {"xx", 6, 0, "1", false}};
    const store::Rows kmmc = db->query(QStringLiteral("select C1, bh, C3, C4, D1, D2, C6, C7, jx from tab_kmmc order by bh"));
    ASSERT_EQ(kmmc.size(), 6);
    for (int i = 0; i < 6; ++i) {
        const auto& c = chapters[i];
        SCOPED_TRACE(c.code);
        EXPECT_EQ(kmmc.at(i, QStringLiteral("C1")).toString(), QLatin1String(c.code));
        EXPECT_EQ(kmmc.at(i, QStringLiteral("bh")).toInt(), c.bh);
        EXPECT_EQ(kmmc.at(i, QStringLiteral("C3")).toInt(), c.c3);
        EXPECT_EQ(kmmc.at(i, QStringLiteral("C4")).toInt() + kmmc.at(i, QStringLiteral("D1")).toInt() + kmmc.at(i, QStringLiteral("D2")).toInt(), 0);
        EXPECT_EQ(kmmc.at(i, QStringLiteral("C6")).toString(), QStringLiteral("0"));
        EXPECT_EQ(kmmc.at(i, QStringLiteral("C7")).toString(), QLatin1String(c.c7));
        EXPECT_EQ(!kmmc.at(i, QStringLiteral("jx")).isNull(), c.guidance);
    }
    EXPECT_EQ(store::plainTextOfRtf(value(*db, QStringLiteral("select jx from tab_kmmc where C1 = :k"), QStringLiteral("0101")).toByteArray()),
              QStringLiteral("本章重点是栈与队列。"));

    // q counts questions, once per node even when two of its points share a section.
    struct Count {
        const char* sql;
        const char* key;
        int q;
    } counts[] = {{"select q from tab_rule where ftid = :k", "01000101", 3},
                  {"select q from tab_rule where ftid = :k", "01000102", 3},
                  {"select q from tab_rule where ftid = :k", "01000103", 0},
                  {"select q from tab_fgmc where id = :k", "010001", 5},
                  {"select q from tab_fgmc where id = :k", "01", 5}};
    for (const auto& c : counts)
        EXPECT_EQ(value(*db, QLatin1String(c.sql), QLatin1String(c.key)).toInt(), c.q) << c.key;
    EXPECT_EQ(value(*db, QStringLiteral("select id from tab_rule where ftid = :k"), QStringLiteral("01000103")).toString(), QStringLiteral("010001"));

    // A question row: answer key, points from K3 on, empty history ('' where the
    // statements compare with '', 0 where they add or compare with f1<>1).
    const store::Rows q = db->query(QStringLiteral("select * from tab_answ where A1 = '010101000001'"));
    ASSERT_EQ(q.size(), 1);
    EXPECT_EQ(q.at(0, QStringLiteral("A2")).toString(), QStringLiteral("B"));
    EXPECT_EQ(q.at(0, QStringLiteral("A2_1")).toInt(), 4);
    EXPECT_EQ(q.at(0, QStringLiteral("K3")).toString(), QStringLiteral("01000101"));
    EXPECT_EQ(q.at(0, QStringLiteral("K4")).toString(), QStringLiteral("01000102"));
    EXPECT_TRUE(q.at(0, QStringLiteral("K5")).isNull());
    EXPECT_EQ(q.at(0, QStringLiteral("A10")).toString(), QStringLiteral("010101"));
    EXPECT_EQ(q.at(0, QStringLiteral("A13")).toInt(), 11);
    EXPECT_TRUE(q.at(0, QStringLiteral("E1")).isNull());
    for (const char* empty : {"A14", "E2", "E2_1", "csbs"}) {
        EXPECT_FALSE(q.at(0, QLatin1String(empty)).isNull()) << empty;
        EXPECT_EQ(q.at(0, QLatin1String(empty)).toString(), QString()) << empty;
    }
    for (const char* zero : {"E3", "E4", "F1", "ecount"}) {
        EXPECT_FALSE(q.at(0, QLatin1String(zero)).isNull()) << zero;
        EXPECT_EQ(q.at(0, QLatin1String(zero)).toInt(), 0) << zero;
    }
    // Book order within a chapter follows the sources.
    EXPECT_EQ(db->query(QStringLiteral("select A1, xx from tab_answ where A10 = '010101' order by xx")).values,
              (std::vector<std::vector<QVariant>>{{QStringLiteral("010101000001"), 1},
                                                  {QStringLiteral("010101000002"), 2},
                                                  {QStringLiteral("010101G000000001-1"), 3}}));

    // Texts: stems as RTF, no analysis means NULL, the group's shared stem.
    EXPECT_EQ(store::plainTextOfRtf(value(*db, QStringLiteral("select A15 from tab_exer where A1 = :k"), QStringLiteral("010101000001")).toByteArray()),
              QStringLiteral("栈的特点是（  ）。\nA. 先进先出\nB. 后进先出\nC. 随机存取\nD. 按值存取"));
    EXPECT_TRUE(value(*db, QStringLiteral("select jx from tab_exer where A1 = :k"), QStringLiteral("010101000002")).isNull());
    EXPECT_TRUE(value(*db, QStringLiteral("select jx from tab_exer where A1 = :k"), QStringLiteral("010102000001")).toByteArray().startsWith("{\\rtf1"));
    EXPECT_EQ(store::plainTextOfRtf(value(*db, QStringLiteral("select A15 from tab_title where A1 = :k"), QStringLiteral("010101G000000001")).toByteArray()),
              QStringLiteral("某程序依次将1、2、3压入一个空栈。"));
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from tab_cj")).toInt() + db->scalar(QStringLiteral("select count(*) from tab_rz")).toInt(), 0);

    const bank::CheckReport report = bank::checkBank(*db);
    EXPECT_TRUE(report.clean()) << describe(report.problems) << describe(report.history);
}

TEST(BankBuild, RejectsBrokenSourcesNamingFileAndLine)
{
    struct Case {
        const char* name;
        std::function<void(SourceFixture&)> breakIt;
        QString file;
        const char* at; // text on the reported line
        const char* message;
        int nth = 1; // which line reading `at`
    };
    const Case cases[] = {
        {"single-choice letter beyond the options", [](SourceFixture& s) { s.replace(kPart, "answer: B", "answer: E"); },
         kPart, "answer: E", "letters A to D only"},
        {"multiple-choice letters out of order", [](SourceFixture& s) { s.replace(kPart, "answer: AC", "answer: CA"); },
         kPart, "answer: CA", "in order"},
        {"multiple choice with one letter", [](SourceFixture& s) { s.replace(kPart, "answer: AC", "answer: C"); },
         kPart, "answer: C", "at least 2 letters"},
        {"true/false answered in words", [](SourceFixture& s) { s.replace(kPart, "options: 2\nanswer: A", "options: 2\nanswer: 对"); },
         kPart, "answer: 对", "A (正确) or B (错误)"},
        {"self-assessed key other than 1", [](SourceFixture& s) { s.replace(kPart, "options: 1\nanswer: 1", "options: 1\nanswer: 0"); },
         kPart, "answer: 0", "self-assessed"},
        {"unknown exam point", [](SourceFixture& s) { s.replace(kPart, "points: 01000101, 01000102", "points: 01000101, 01000199"); },
         kPart, "points: 01000101, 01000199", "exam point 01000199 does not exist"},
        {"duplicate question id in another file",
         [](SourceFixture& s) {
             s.set(QStringLiteral("02-更多.txt"), QStringLiteral("== question 010102000001\ntype: 12\nchapter: 010102\n"
                                                                  "points: 01000102\noptions: 2\nanswer: B\nstem:\n  栈是线性表。（  ）\n"));
         },
         QStringLiteral("02-更多.txt"), "== question 010102000001", "is defined twice (first at"},
        {"question in a chapter that is not a section",
         [](SourceFixture& s) { s.replace(kPart, "chapter: 010102\npoints: 01000102\noptions: 2", "chapter: 0101\npoints: 01000102\noptions: 2"); },
         kPart, "chapter: 0101", "not a 6-character section"},
        {"question in no chapter", [](SourceFixture& s) { s.replace(kPart, "chapter: 010102\npoints: 01000102\noptions: 1", "chapter: 010109\npoints: 01000102\noptions: 1"); },
         kPart, "chapter: 010109", "not in the chapter tree"},
        {"grouped question without its group", [](SourceFixture& s) { s.replace(kPart, "== group 010101G000000001", "== group 010101G000000002"); },
         kPart, "== question 010101G000000001-1", "has no shared stem"},
        {"undefined type", [](SourceFixture& s) { s.replace(kPart, "type: 13", "type: 16"); }, kPart, "type: 16", "type 16 is not defined"},
        {"misspelt field", [](SourceFixture& s) { s.replace(kPart, "analysis:\n  栈只允许", "anlysis:\n  栈只允许"); },
         kPart, "anlysis:", "unknown field \"anlysis\""},
        {"question id of 11 characters", [](SourceFixture& s) { s.replace(kPart, "== question 010102000002", "== question 01010200002"); },
         kPart, "== question 01010200002", "a question id is 12"},
        {"book question id starting with U", [](SourceFixture& s) { s.replace(kPart, "== question 010102000002", "== question U10102000002"); },
         kPart, "== question U10102000002", "kept for the candidate's own"},
        {"chapter without its parent", [](SourceFixture& s) { s.append(kPart, QStringLiteral("\n== chapter 0201\nname: 第一章\nheading: 第一章\n")); },
         kPart, "== chapter 0201", "has no parent chapter 02"},
        {"exam point outside the outline", [](SourceFixture& s) { s.replace(kPart, "== point 01000103", "== point 01000903"); },
         kPart, "== point 01000903", "has no outline section 010009"},
        {"stray indented line", [](SourceFixture& s) { s.replace(kPart, "title: 双端队列\n", "title: 双端队列\n  两端\n"); },
         kPart, "  两端", "indented line outside a field body"},
        {"two types with one id", [](SourceFixture& s) { s.append(kBook, QStringLiteral("\n== type 12\nname: 判断\ntime: 0.5\n")); },
         kBook, "== type 12", "type 12 is defined twice", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFixture src;
        c.breakIt(src);
        QList<bank::Problem> problems;
        src.read(problems);
        ASSERT_FALSE(problems.isEmpty());
        const int line = src.lineOf(c.file, QString::fromUtf8(c.at), c.nth);
        bool found = false;
        for (const auto& p : problems)
            if (p.file == src.path(c.file) && p.line == line && p.message.contains(QString::fromUtf8(c.message)))
                found = true;
        EXPECT_TRUE(found) << "expected " << src.path(c.file).toStdString() << ":" << line << ": ..." << c.message << "\nfound:\n"
                           << describe(problems);
    }
}

TEST(BankBuild, ReportsEveryProblemNotJustTheFirst)
{
    SourceFixture src;
    src.replace(kPart, "answer: B", "answer: E");
    src.replace(kPart, "answer: AC", "answer: CA");
    src.replace(kPart, "points: 01000101, 01000102", "points: 01000101, 01000199");
    QList<bank::Problem> problems;
    src.read(problems);
    EXPECT_EQ(problems.size(), 3) << describe(problems);
}

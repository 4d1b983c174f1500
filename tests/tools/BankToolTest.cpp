#include "SourceFixture.h"
#include "ToolRun.h"
#include "support/TempBank.h"

#include "bank/CsvDump.h"

namespace {

const QString kPart = QStringLiteral("01-数据结构.txt");

} // namespace

TEST(BankTool, BuildRefusesBrokenSourcesAndWritesNothing)
{
    SourceFixture src;
    src.replace(kPart, "answer: B", "answer: G");
    src.write();
    TempDir out;
    const QString bank = out.file(QStringLiteral("bank.db"));

    const ToolRun r = tool({QStringLiteral("build"), src.dir(), bank});
    EXPECT_EQ(r.exitCode, 1);
    const QString where = QStringLiteral("%1:%2: question 010101000001").arg(src.path(kPart)).arg(src.lineOf(kPart, QStringLiteral("answer: G")));
    EXPECT_TRUE(r.err.contains(where)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("nothing written"))) << r.err.toStdString();
    EXPECT_TRUE(QDir(out.dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(BankTool, NeverReplacesABankWithoutForceNorWithABrokenSource)
{
    SourceFixture src;
    src.write();
    TempDir out;
    const QString bank = out.file(QStringLiteral("bank.db"));
    ASSERT_EQ(tool({QStringLiteral("build"), QStringLiteral("--quiet"), src.dir(), bank}).exitCode, 0);
    const QByteArray built = fileDigest(bank);

    const ToolRun again = tool({QStringLiteral("build"), src.dir(), bank});
    EXPECT_EQ(again.exitCode, 3);
    EXPECT_TRUE(again.err.contains(QStringLiteral("--force"))) << again.err.toStdString();
    EXPECT_EQ(fileDigest(bank), built);

    src.replace(kPart, "points: 01000101, 01000102", "points: 01000199");
    src.write();
    EXPECT_EQ(tool({QStringLiteral("build"), QStringLiteral("--force"), src.dir(), bank}).exitCode, 1);
    EXPECT_EQ(fileDigest(bank), built) << "a rejected build leaves the old bank";

    const ToolRun create = tool({QStringLiteral("create"), bank});
    EXPECT_EQ(create.exitCode, 3);
    EXPECT_EQ(fileDigest(bank), built);
    EXPECT_EQ(QDir(out.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("bank.db")});
}

TEST(BankTool, CreateMakesAnEmptyBankWithEveryTable)
{
    TempDir out;
    const QString bank = out.file(QStringLiteral("empty.db"));
    ASSERT_EQ(tool({QStringLiteral("create"), bank}).exitCode, 0);
    auto db = store::Connection::open(bank, store::bankKey());
    const QStringList tables = db->tables();
    for (const char* t : {"tab_answ", "tab_exer", "tab_title", "tab_kmmc", "tab_fgmc", "tab_rule", "tab_tx1", "tab_tx5",
                          "tab_cj", "tab_rz", "tab_plan", "tab_sj"}) {
        EXPECT_TRUE(tables.contains(QLatin1String(t))) << t;
        EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from ") + QLatin1String(t)).toInt(), 0) << t;
    }
    EXPECT_THROW(store::Connection::open(bank, QByteArray("another key")), store::DbError) << "encrypted with the bank key";
}

TEST(BankTool, CheckReportsAndRepairsThroughTheCommand)
{
    SourceFixture src;
    src.write();
    TempDir out;
    const QString bank = out.file(QStringLiteral("bank.db"));
    ASSERT_EQ(tool({QStringLiteral("build"), QStringLiteral("-q"), src.dir(), bank}).exitCode, 0);

    ToolRun r = tool({QStringLiteral("check"), bank});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("integrity: ok")));
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("result: clean\n"))) << r.out.toStdString();

    store::Connection::open(bank, store::bankKey())->exec(QStringLiteral("update tab_kmmc set C3 = 9 where C1 = '0101'"));
    const QByteArray tampered = fileDigest(bank);
    r = tool({QStringLiteral("check"), bank});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("  tab_kmmc C1=0101: C3 is 9, should be 5\n"))) << r.out.toStdString();
    EXPECT_EQ(fileDigest(bank), tampered);

    r = tool({QStringLiteral("check"), QStringLiteral("--repair"), bank});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("repaired: 1"))) << r.out.toStdString();
    EXPECT_EQ(store::Connection::open(bank, store::bankKey())->scalar(QStringLiteral("select C3 from tab_kmmc where C1 = '0101'")).toInt(), 5);
}

TEST(BankTool, ExplainsWhatItCannotOpenOrDo)
{
    TempDir out;
    const QString text = out.file(QStringLiteral("notes.db"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("these are notes, not a bank");
    f.close();
    const QByteArray before = fileDigest(text);

    struct Case {
        QStringList args;
        int exitCode;
        const char* message;
    } cases[] = {
        {{QStringLiteral("check"), out.file(QStringLiteral("missing.db"))}, 3, "no such file"},
        {{QStringLiteral("check"), text}, 3, "not a bank"},
        {{QStringLiteral("dump"), text, QStringLiteral("tab_answ")}, 3, "not a bank"},
        {{QStringLiteral("build"), out.file(QStringLiteral("nowhere")), out.file(QStringLiteral("x.db"))}, 1, "no such folder"},
        {{QStringLiteral("frobnicate")}, 2, "unknown command"},
        {{QStringLiteral("check")}, 2, "check takes one argument"},
        {{QStringLiteral("check"), QStringLiteral("--force"), text}, 2, "does not take"},
        {{}, 2, "no command given"},
    };
    for (const auto& c : cases) {
        const ToolRun r = tool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
    }
    EXPECT_EQ(fileDigest(text), before);

    const ToolRun help = tool({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"create OUT", "build SOURCE_DIR OUT", "check BANK", "dump BANK", "--force", "--repair", "Exit status"})
        EXPECT_TRUE(help.out.contains(QLatin1String(word))) << word;
}

TEST(CsvDump, QuotesWhatCsvNeedsAndKeepsNullApartFromEmpty)
{
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936 \\'d5\\'bb\\par\r\n}";
    struct Case {
        QVariant value;
        bool plainText;
        const char* field;
    } cases[] = {
        {QVariant(), false, ""},
        {QString(""), false, "\"\""},
        {QStringLiteral("第一章"), false, "第一章"},
        {QStringLiteral("a,b"), false, "\"a,b\""},
        {QStringLiteral("他说\"对\""), false, "\"他说\"\"对\"\"\""},
        {QStringLiteral("两\n行"), false, "\"两\n行\""},
        {QStringLiteral(" 前空格"), false, "\" 前空格\""},
        {42, false, "42"},
        {1.5, false, "1.5"},
        {rtf, false, "\"{\\rtf1\\ansi\\ansicpg936 \\'d5\\'bb\\par\r\n}\""},
        {rtf, true, "栈"},
        {QString::fromLatin1(rtf), true, "栈"},
        {QByteArray("\x89PNG\x00\x01", 6), false, "iVBORwAB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bank::csvField(c.value, c.plainText), QString::fromUtf8(c.field)) << c.field;
}

TEST(CsvDump, PrintsATableThroughTheCommand)
{
    SourceFixture src;
    src.write();
    TempDir out;
    const QString bank = out.file(QStringLiteral("bank.db"));
    ASSERT_EQ(tool({QStringLiteral("build"), QStringLiteral("-q"), src.dir(), bank}).exitCode, 0);
    store::Connection::open(bank, store::bankKey())
        ->exec(QStringLiteral("update tab_kmmc set C2 = '第二节 队列, \"先进先出\"' where C1 = '010102'"));

    ToolRun r = tool({QStringLiteral("dump"), bank, QStringLiteral("TAB_KMMC")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("C1,C1_1,C2,C3,C4,D1,D2,C6,C7,bh,jx"));
    EXPECT_TRUE(lines.contains(QStringLiteral("010102,第一部分 数据结构 > 第一章 线性表 > 第二节 队列,\"第二节 队列, \"\"先进先出\"\"\",2,0,0,0,0,1,5,")))
        << r.out.toStdString();

    r = tool({QStringLiteral("dump"), QStringLiteral("--text"), bank, QStringLiteral("tab_exer")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("010102000001,队列是先进先出的线性表。（  ）,队列在队尾插入、在队头删除。\n"))) << r.out.toStdString();

    r = tool({QStringLiteral("dump"), bank});
    EXPECT_TRUE(r.out.contains(QStringLiteral("tab_answ,5\n"))) << r.out.toStdString();

    r = tool({QStringLiteral("dump"), bank, QStringLiteral("tab_nothing")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("its tables: "))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("tab_answ, tab_cj, tab_exer"))) << r.err.toStdString();
}

TEST(BankTool, ScheduleReplaysAnswersThroughTheReviewModel)
{
    ToolRun r = tool({QStringLiteral("schedule"), QStringLiteral("--at"), QStringLiteral("2022-11-29T12:30:00Z"),
                      QStringLiteral("G"), QStringLiteral("G"), QStringLiteral("G"), QStringLiteral("G"), QStringLiteral("G"),
                      QStringLiteral("G"), QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("G"), QStringLiteral("G"),
                      QStringLiteral("G"), QStringLiteral("G"), QStringLiteral("G")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("G\t2.3065\t2.1181\t2022-11-29T12:40:00Z\t0"));
    EXPECT_EQ(lines[6], QStringLiteral("A\t6.8904\t7.3832\t2024-11-18T12:50:00Z\t0"));
    QStringList intervals;
    for (const QString& l : lines)
        intervals << l.section(QLatin1Char('\t'), 4);
    EXPECT_EQ(intervals.join(QLatin1Char(' ')), QStringLiteral("0 2 11 46 163 498 0 0 2 4 7 12 21"));

    // +N delays an answer past its due time; a lower retention waits longer; the
    // sequence may come as one argument; a time without a zone is UTC.
    r = tool({QStringLiteral("schedule"), QStringLiteral("--retention"), QStringLiteral("0.8"), QStringLiteral("--at"),
              QStringLiteral("2026-01-05T08:00:00"), QStringLiteral("G G A+3 e")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("G\t2.3065\t2.1112\t2026-01-13T08:10:00Z\t8"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("A\t"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("\t2026-01-16T08:20:00Z\t0"))) << "three days after the due time, then 10 minutes";
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("E\t"))) << lines[3].toStdString();
}

TEST(BankTool, ScheduleRefusesBadInputWithAMessage)
{
    struct Case {
        QStringList args;
        const char* message;
    };
    const QString at = QStringLiteral("--at");
    const QString when = QStringLiteral("2026-01-05T08:00:00Z");
    const std::vector<Case> cases{
        {{QStringLiteral("G")}, "needs --at"},
        {{at}, "--at needs a value"},
        {{at, QStringLiteral("next monday"), QStringLiteral("G")}, "is not an ISO 8601 time"},
        {{at, when}, "at least one review"},
        {{at, when, QStringLiteral("G"), QStringLiteral("X")}, "\"X\" is not a review"},
        {{at, when, QStringLiteral("G+")}, "\"G+\" is not a review"},
        {{at, when, QStringLiteral("G-2")}, "\"G-2\" is not a review"},
        {{at, when, QStringLiteral("G+99999999")}, "\"G+99999999\" is not a review"},
        {{QStringLiteral("--retention"), QStringLiteral("1"), at, when, QStringLiteral("G")}, "not a number between 0 and 1"},
        {{QStringLiteral("--retention"), QStringLiteral("abc"), at, when, QStringLiteral("G")}, "not a number between 0 and 1"},
        {{QStringLiteral("--retention=0"), at, when, QStringLiteral("G")}, "not a number between 0 and 1"},
    };
    for (const Case& c : cases) {
        const ToolRun r = tool(QStringList{QStringLiteral("schedule")} + c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "no half a replay: " << r.out.toStdString();
    }
    const ToolRun wrongCommand = tool({QStringLiteral("dump"), QStringLiteral("--retention"), QStringLiteral("0.8"), QStringLiteral("x.db")});
    EXPECT_EQ(wrongCommand.exitCode, 2);
}

// A chapter of the demo bank out as GIFT and into another chapter: --dry-run and refused
// files leave the bank's bytes as they were, and the counters stay as check recounts them.
TEST(BankTool, ImportAndExportQuestionFiles)
{
    TempDir dir;
    const QString bank = dir.file(QStringLiteral("bank.db"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), bank));
    const QString gift = dir.file(QStringLiteral("chapter.gift"));
    const ToolRun exported = tool({QStringLiteral("export"), bank, QStringLiteral("--format"), QStringLiteral("gift"),
                                   QStringLiteral("--chapter"), QStringLiteral("010302"), gift, QStringLiteral("-q")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const ToolRun toStdout = tool({QStringLiteral("export"), bank, QStringLiteral("--format=aiken"), QStringLiteral("--chapter=010302")});
    EXPECT_EQ(toStdout.exitCode, 0);
    EXPECT_TRUE(toStdout.out.contains(QStringLiteral("ANSWER: "))) << toStdout.out.toStdString();
    EXPECT_TRUE(toStdout.err.contains(QStringLiteral("left out"))) << toStdout.err.toStdString(); // Aiken: single choice only

    const QString broken = dir.file(QStringLiteral("broken.gift"));
    const QString oneBad = dir.file(QStringLiteral("onebad.gift"));
    for (const auto& [path, text] : {std::pair{broken, "题干{=甲 ~乙\n"}, std::pair{oneBad, "好的题{=甲 ~乙}\n\n坏的题{~甲 ~乙}\n"}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    const int checkedBefore = tool({QStringLiteral("check"), bank, QStringLiteral("-q")}).exitCode;
    const QByteArray before = fileDigest(bank);
    const QString chapter = QStringLiteral("--chapter=010401");
    struct Case {
        QStringList args;
        int exitCode;
        const char* out;
    } refused[] = {
        {{QStringLiteral("import"), bank, gift, chapter, QStringLiteral("--dry-run")}, 0, "would import 10 question(s)"},
        {{QStringLiteral("import"), bank, broken, chapter}, 1, "第1行 第1题：答案缺少结尾的“}”"},
        {{QStringLiteral("import"), bank, oneBad, chapter}, 1, "nothing written"},
        {{QStringLiteral("import"), bank, gift, QStringLiteral("--chapter=999999")}, 1, "没有章节 999999"},
        {{QStringLiteral("import"), bank, gift}, 2, ""},
        {{QStringLiteral("export"), bank, QStringLiteral("--format=doc"), chapter}, 2, ""},
        {{QStringLiteral("import"), bank, gift, chapter, QStringLiteral("--format=gift")}, 2, ""},
    };
    for (const auto& c : refused) {
        const ToolRun r = tool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(QLatin1Char(' ')).toStdString() << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.out))) << r.out.toStdString();
        EXPECT_EQ(fileDigest(bank), before) << c.args.join(QLatin1Char(' ')).toStdString();
    }

    const ToolRun imported = tool({QStringLiteral("import"), bank, gift, chapter, QStringLiteral("-q")});
    EXPECT_EQ(imported.exitCode, 0) << imported.out.toStdString() << imported.err.toStdString();
    EXPECT_TRUE(imported.out.contains(QStringLiteral("可导入 10 道试题"))) << imported.out.toStdString();
    EXPECT_TRUE(imported.out.contains(QStringLiteral("imported 10 question(s) into chapter 010401"))) << imported.out.toStdString();
    // Counted as entered questions: check finds no counter out of step that it did not find before.
    EXPECT_EQ(tool({QStringLiteral("check"), bank, QStringLiteral("-q")}).exitCode, checkedBefore);
    const ToolRun found = tool({QStringLiteral("search"), bank, QStringLiteral("平均访问时间")});
    EXPECT_TRUE(found.out.contains(QStringLiteral("US010401"))) << found.out.toStdString();
}

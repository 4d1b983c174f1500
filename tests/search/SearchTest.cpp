#include "core/search/Search.h"
#include "core/search/SearchIndex.h"
#include "core/search/SearchText.h"
#include "core/store/Migrations.h"
#include "core/store/RtfWriter.h"
#include "support/TempBank.h"
#include "tools/ToolRun.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QStringList ids(const QList<search::Hit>& hits)
{
    QStringList out;
    for (const auto& h : hits)
        out << h.id;
    return out;
}

// A copy of the demo bank, as the bank tool built it (index included).
struct DemoBank {
    TempDir t;
    QString path = t.file(QStringLiteral("demo.db"));
    std::unique_ptr<store::Connection> db;
    DemoBank()
    {
        EXPECT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        db = store::Connection::open(path, store::bankKey());
    }
};

} // namespace

TEST(SearchText, NormalisesWidthCaseAndBlanks)
{
    struct Case {
        const char* name;
        QString in;
        QString out;
    };
    const Case cases[] = {
        {"full-width Latin and digits", QStringLiteral("ＳＱＬ　ｓｅｌｅｃｔ１２"), QStringLiteral("sql select12")},
        {"upper case", QStringLiteral("TCP/IP Cache"), QStringLiteral("tcp/ip cache")},
        {"full-width punctuation", QStringLiteral("（进程）：Ａ，Ｂ"), QStringLiteral("(进程):a,b")},
        {"blank runs and ends", QStringLiteral("  进程\n\t同步  \r\n"), QStringLiteral("进程 同步")},
        {"Chinese unchanged", QStringLiteral("进程同步与互斥"), QStringLiteral("进程同步与互斥")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(search::normalise(c.in), c.out) << c.name;
}

TEST(SearchText, ReadsEveryStoredFormOfRichText)
{
    store::RtfWriter w;
    w.addText(QStringLiteral("栈是"));
    w.addText(QStringLiteral("后进先出"), {.bold = true});
    w.endParagraph();
    w.addText(QStringLiteral("A．线性表"));
    const QByteArray gbk = QByteArray("\xd5\xbb\xca\xc7\xba\xf3\xbd\xf8\xcf\xc8\xb3\xf6"); // 栈是后进先出 in GBK
    struct Case {
        const char* name;
        QVariant stored;
        QString plain;
    };
    const Case cases[] = {
        {"RTF as text", QString::fromLatin1(w.toRtf()), QStringLiteral("栈是后进先出\nA．线性表")},
        {"RTF as bytes", w.toRtf(), QStringLiteral("栈是后进先出\nA．线性表")},
        {"the editor's HTML", QStringLiteral("<html><body><p>栈是<b>后进先出</b></p><p>A&#65294;线性表 &amp; 队列</p></body></html>"),
         QStringLiteral("栈是后进先出\nA．线性表 & 队列")},
        {"GBK plain text", gbk, QStringLiteral("栈是后进先出")},
        {"UTF-8 plain text", QStringLiteral("栈是后进先出"), QStringLiteral("栈是后进先出")},
        {"none", QVariant(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(search::normalise(search::richPlain(c.stored)), search::normalise(c.plain)) << c.name;
}

TEST(SearchText, WordsCoverEveryWindowAndNoneAcrossParts)
{
    const QString body = search::questionText(QStringLiteral("ab"), QVariant(), QStringLiteral("c"), QStringLiteral("A")).body;
    EXPECT_EQ(body, QStringLiteral("ab\nc\na"));
    // a, ab, b, c, a: each once; no word for "b\n" or "bc".
    EXPECT_EQ(search::textWords(body), QStringLiteral("0061 0062 0063 00610062"));
    EXPECT_EQ(search::queryWords(QStringLiteral("a")), QStringList{"0061"});
    EXPECT_EQ(search::queryWords(QStringLiteral("abab")), (QStringList{"00610062", "00620061"}));
}

// The index answers exactly as reading every question would, on the demo bank.
TEST(Search, IndexEqualsAPlainScanOnTheDemoBank)
{
    DemoBank demo;
    store::Connection& db = *demo.db;
    ASSERT_TRUE(search::isBuilt(db)) << "the bank tool indexes the banks it builds";
    struct Case {
        const char* name;
        QString text;
        bool some; // the demo bank has matches
    };
    const Case cases[] = {
        {"one character", QStringLiteral("锁"), true},
        {"one common character", QStringLiteral("的"), true},
        {"two characters", QStringLiteral("进程"), true},
        {"a phrase", QStringLiteral("进程同步"), true},
        {"a longer phrase", QStringLiteral("带权周转时间"), true},
        {"Latin", QStringLiteral("sql"), true},
        {"mixed case", QStringLiteral("CaChE"), true},
        {"full-width", QStringLiteral("ＳＱＬ"), true},
        {"Chinese and Latin", QStringLiteral("TCP/IP协议"), false},
        {"an option letter", QStringLiteral("A"), true},
        {"blanks around", QStringLiteral("  死锁  "), true},
        {"none", QStringLiteral("量子纠缠态"), false},
        {"empty", QString(), false},
    };
    const search::Filter filters[] = {{}, {QStringLiteral("02"), {}, 0}, {QStringLiteral("02"), QStringLiteral("0202"), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const search::Filter& f : filters) {
            SCOPED_TRACE((f.part + QLatin1Char('/') + f.chapter).toStdString());
            const QList<search::Hit> scanned = search::scan(db, c.text, f, 0);
            const QList<search::Hit> found = search::find(db, c.text, f, 0);
            EXPECT_EQ(ids(found), ids(scanned));
            EXPECT_EQ(found, scanned) << "the same excerpts";
            EXPECT_EQ(search::count(db, c.text, f), scanned.size());
            EXPECT_EQ(ids(search::find(db, c.text, f, 5)), ids(scanned).mid(0, 5)) << "the first ones in id order";
            if (c.some && f.part.isEmpty())
                EXPECT_FALSE(scanned.isEmpty());
        }
    }
    // The part filter sees only its part.
    for (const auto& h : search::find(db, QStringLiteral("进程"), {QStringLiteral("02"), {}, 0}, 0))
        EXPECT_TRUE(h.id.startsWith(QLatin1String("02"))) << h.id.toStdString();
}

TEST(Search, AHitShowsItsLineAsWrittenWithTheMatchMarked)
{
    DemoBank demo;
    const QList<search::Hit> hits = search::find(*demo.db, QStringLiteral("ＳＱＬ"), {}, 3);
    ASSERT_FALSE(hits.isEmpty());
    for (const auto& h : hits) {
        // The book writes SQL in capitals: the excerpt shows it so, matched whatever the case.
        EXPECT_EQ(h.excerpt.mid(h.matchStart, h.matchLength), QStringLiteral("SQL")) << h.excerpt.toStdString();
        EXPECT_FALSE(h.excerpt.contains(QLatin1Char('\n')));
        EXPECT_LE(h.excerpt.size(), 20 + 3 + 40);
    }
}

// The match found in the folded text, marked on the text as written.
TEST(SearchText, AMatchIsMarkedOnTheTextAsWritten)
{
    struct Case {
        const char* name;
        QString shown;
        QString query;
        qsizetype start, length;
    } cases[] = {
        {"capitals", QStringLiteral("在UNIX中"), QStringLiteral("unix"), 1, 4},
        {"full width", QStringLiteral("选ＡＢＣ项"), QStringLiteral("abc"), 1, 3},
        {"a character outside the plane", QStringLiteral("𠀀x𠀀Yz"), QStringLiteral("𠀀yz"), 3, 4},
        {"inside a ligature that folds to two", QStringLiteral("ﬁne 进程"), QStringLiteral("ine"), 0, 3},
        {"at the end", QStringLiteral("死锁"), QStringLiteral("锁"), 1, 1},
        {"not there", QStringLiteral("死锁"), QStringLiteral("进程"), -1, 0},
    };
    for (const Case& c : cases) {
        const search::ShownMatch m = search::findShown(c.shown, c.query);
        EXPECT_EQ(m.start, c.start) << c.name;
        EXPECT_EQ(m.length, c.length) << c.name;
    }
}

// An index built before it kept the texts as written is built again at the next start.
TEST(Search, AnIndexWithoutTheTextsAsWrittenIsBuiltAgain)
{
    DemoBank demo;
    store::Connection& db = *demo.db;
    db.execScript(QStringLiteral("PRAGMA user_version = 8;"));
    store::migrateBank(db);
    EXPECT_FALSE(search::isBuilt(db));
    search::buildIndex(db);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from search_doc where shown is null or shown = ''")).toInt(), 0);
}

TEST(Search, ABankWithoutTheIndexStillSearchesAndBuildsItWithProgress)
{
    DemoBank demo;
    store::Connection& db = *demo.db;
    const QStringList before = ids(search::find(db, QStringLiteral("进程同步"), {}, 0));
    // As an older bank arrives: our tables' step not yet run.
    db.execScript(QStringLiteral("DROP TABLE search_doc; DROP TABLE search_fts; DROP TABLE search_built; PRAGMA user_version = 2;"));
    EXPECT_FALSE(search::isBuilt(db));
    EXPECT_EQ(ids(search::find(db, QStringLiteral("进程同步"), {}, 0)), before) << "read without the index";

    EXPECT_EQ(store::migrateBank(db), store::newestBankVersion() - 2);
    EXPECT_FALSE(search::isBuilt(db)) << "the step makes the tables, not the index";
    EXPECT_EQ(ids(search::find(db, QStringLiteral("进程同步"), {}, 0)), before);

    const int total = db.scalar(QStringLiteral("select count(*) from tab_answ")).toInt();
    std::vector<std::pair<int, int>> heard;
    search::buildIndex(db, [&](int done, int all) { heard.emplace_back(done, all); });
    EXPECT_TRUE(search::isBuilt(db));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), std::make_pair(total, total));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from search_doc")).toInt(), total);
    EXPECT_EQ(ids(search::find(db, QStringLiteral("进程同步"), {}, 0)), before);

    // Built again, it holds each question once.
    search::buildIndex(db);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from search_doc")).toInt(), total);
    EXPECT_EQ(ids(search::find(db, QStringLiteral("进程同步"), {}, 0)), before);
}

TEST(BankTool, SearchPrintsTheIdsTheProgramFinds)
{
    DemoBank demo;
    const QStringList want = ids(search::find(*demo.db, QStringLiteral("ｓｑｌ"), {}, 0));
    ASSERT_FALSE(want.isEmpty());
    demo.db.reset();

    const ToolRun r = tool({QStringLiteral("search"), demo.path, QStringLiteral("ｓｑｌ")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, want.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    const ToolRun none = tool({QStringLiteral("search"), demo.path, QStringLiteral("量子纠缠态")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.isEmpty());

    EXPECT_EQ(tool({QStringLiteral("search"), demo.path}).exitCode, 2);
    const ToolRun missing = tool({QStringLiteral("search"), demo.t.file(QStringLiteral("no.db")), QStringLiteral("sql")});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no such file"))) << missing.err.toStdString();
}

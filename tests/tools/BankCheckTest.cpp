#include "SourceFixture.h"
#include "support/TempBank.h"

#include "bank/BankCheck.h"
#include "bank/KeyDistribution.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"

namespace {

// A bank built from the tiny book, in a folder of its own.
struct BuiltBank {
    SourceFixture source;
    TempDir dir;
    QString path = dir.file(QStringLiteral("bank.db"));

    BuiltBank()
    {
        const auto problems = source.build(path);
        EXPECT_TRUE(problems.isEmpty()) << describe(problems);
    }
    std::unique_ptr<store::Connection> open() const { return store::Connection::open(path, store::bankKey()); }
};

QStringList texts(const QList<bank::Problem>& problems)
{
    QStringList out;
    for (const auto& p : problems)
        out << p.toString();
    return out;
}

// One answer as the practice screen records it: the question row, then the
// data module's bookkeeping, in one transaction.
void recordAnswer(TDM1& dm, const QString& id, const QString& answer)
{
    store::Connection& db = dm.db();
    const store::Rows r = db.query(QStringLiteral("select * from tab_answ where A1 = :a1"), {{QStringLiteral(":a1"), id}});
    ASSERT_EQ(r.size(), 1);
    const QString key = r.at(0, QStringLiteral("A2")).toString();
    const QString e2 = r.at(0, QStringLiteral("E2")).toString();
    int e4 = r.at(0, QStringLiteral("E4")).toInt();
    const bool right = answer == key;
    const int firstToday = r.at(0, QStringLiteral("E1")).toString() == store::Clock::today().toString(Qt::ISODate) ? 1 : 2;
    const int firstEver = e2.isEmpty() ? 2 : 1;
    if (e2.isEmpty())
        e4 = right ? 0 : -3;
    else if (!right)
        --e4;
    else if (e4 < 0)
        ++e4;
    QStringList points;
    for (int k = 3; k <= 12; ++k)
        points << r.at(0, QStringLiteral("K%1").arg(k)).toString();

    store::Transaction t(db);
    dm.LogDailyAnswer(firstToday, right ? 1 : 2, e2 == key ? 1 : 2);
    dm.CountChapterAnswer(r.at(0, QStringLiteral("A10")).toString(), firstEver, right ? 1 : 2);
    dm.CountPointAnswer(points, firstEver, right ? 1 : 2);
    db.exec(QStringLiteral("update tab_answ set E2 = :a, E2_1 = :a, E1 = :d, E3 = E3 + 1, E4 = :e4 where A1 = :a1"),
            {{QStringLiteral(":a"), answer}, {QStringLiteral(":d"), store::Clock::today()}, {QStringLiteral(":e4"), e4}, {QStringLiteral(":a1"), id}});
    t.commit();
}

} // namespace

TEST(BankCheck, FindsTamperedCountersAndRepairsOnlyWhenAsked)
{
    BuiltBank bank;
    {
        auto db = bank.open();
        db->exec(QStringLiteral("update tab_kmmc set C3 = 9 where C1 = '0101'"));
        db->exec(QStringLiteral("update tab_rule set q = 4 where ftid = '01000103'"));
        db->exec(QStringLiteral("update tab_fgmc set q = 0 where id = '01'"));
        db->exec(QStringLiteral("update tab_kmmc set C6 = '50.00' where C1 = '01'"));
        db->exec(QStringLiteral("update tab_answ set F1 = NULL where A1 = '010101000002'"));
    }
    const QByteArray tampered = fileDigest(bank.path);

    auto db = store::Connection::open(bank.path, store::bankKey(), store::Connection::Mode::ReadOnly);
    const bank::CheckReport report = bank::checkBank(*db);
    db.reset();
    EXPECT_EQ(fileDigest(bank.path), tampered) << "checking changes nothing";
    EXPECT_TRUE(report.integrity.isEmpty());
    EXPECT_TRUE(report.problems.isEmpty()) << describe(report.problems);
    EXPECT_TRUE(report.history.isEmpty()) << describe(report.history);

    QStringList found;
    for (const auto& d : report.repairable)
        found << d.toString();
    found.sort();
    EXPECT_EQ(found, (QStringList{QStringLiteral("tab_answ A1=010101000002: F1 is NULL, should be 0"),
                                  QStringLiteral("tab_fgmc id=01: q is 0, should be 5"),
                                  QStringLiteral("tab_kmmc C1=0101: C3 is 9, should be 5"),
                                  QStringLiteral("tab_kmmc C1=01: C6 is 50.00, should be 0"),
                                  QStringLiteral("tab_rule ftid=01000103: q is 4, should be 0")}));

    db = bank.open();
    bank::repairBank(*db, report);
    const bank::CheckReport after = bank::checkBank(*db);
    EXPECT_TRUE(after.clean()) << found.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(db->scalar(QStringLiteral("select C3 from tab_kmmc where C1 = '0101'")).toInt(), 5);
    EXPECT_EQ(db->scalar(QStringLiteral("select F1 from tab_answ where A1 = '010101000002'")).toInt(), 0);
}

TEST(BankCheck, AgreesWithTheBookkeepingAndReportsHistoryItCannotRepair)
{
    store::Clock::setFixed(QDateTime(QDate(2027, 3, 2), QTime(9, 0)));
    BuiltBank bank;
    {
        TDM1 dm;
        ASSERT_TRUE(dm.openBank(bank.path));
        recordAnswer(dm, QStringLiteral("010101000001"), QStringLiteral("A")); // wrong
        recordAnswer(dm, QStringLiteral("010101000001"), QStringLiteral("B")); // right
        recordAnswer(dm, QStringLiteral("010102000002"), QStringLiteral("队头"));
        dm.AddStudyTime(QStringLiteral("0:12:30"));

        const bank::CheckReport used = bank::checkBank(dm.db());
        EXPECT_TRUE(used.clean()) << describe(used.problems) << describe(used.history) << texts(used.problems).join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(dm.db().scalar(QStringLiteral("select D1 from tab_kmmc where C1 = '0'")).toInt(), 3);
        dm.closeBank();
    }
    store::Clock::reset();

    auto db = bank.open();
    db->exec(QStringLiteral("update tab_kmmc set D1 = 7, C6 = '85.71' where C1 = '010101'"));
    const bank::CheckReport report = bank::checkBank(*db);
    const QStringList history = texts(report.history);
    EXPECT_TRUE(history.contains(QStringLiteral("tab_kmmc: chapter 010101: D1 is 7, its questions' recorded answers (E3) add up to 2")))
        << history.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(history.contains(QStringLiteral("tab_kmmc: chapter 0101: C4/D1/D2 are 2/3/1, its sub-chapters add up to 2/8/1")))
        << history.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(report.repairable.isEmpty()) << "C6 agrees with the stored D1/D2";

    bank::repairBank(*db, report);
    EXPECT_EQ(db->scalar(QStringLiteral("select D1 from tab_kmmc where C1 = '010101'")).toInt(), 7)
        << "what the history cannot tell exactly is left as it is";
}

TEST(BankCheck, ReportsBrokenRowsAndMissingTables)
{
    BuiltBank bank;
    auto db = bank.open();
    db->exec(QStringLiteral("update tab_answ set K3 = '', K4 = '01000102' where A1 = '010102000001'"));
    db->exec(QStringLiteral("update tab_answ set A2 = 'DB' where A1 = '010101000002'"));
    db->exec(QStringLiteral("update tab_answ set A10 = '0101' where A1 = '010102000002'"));
    db->exec(QStringLiteral("delete from tab_title"));
    db->exec(QStringLiteral("delete from tab_exer where A1 = '010101000001'"));
    db->exec(QStringLiteral("insert into tab_cj (A1, A3, A3_1) values ('tab_exam3', '2027年03月01日', 1)"));
    db->exec(QStringLiteral("CREATE TABLE tab_exam4 (A1 TEXT)"));

    const QStringList problems = texts(bank::checkBank(*db).problems);
    const QStringList expected = {
        QStringLiteral("tab_answ: question 010102000001: exam point 01000102 follows an empty column and is never counted"),
        QStringLiteral("tab_answ: question 010101000002 (type 14 多选): answer \"DB\": letters in order A … F, each once"),
        QStringLiteral("tab_answ: question 010102000002: chapter 0101 is not a 6-character section"),
        QStringLiteral("tab_answ: question 010101G000000001-1: its group 010101G000000001 has no shared stem in tab_title"),
        QStringLiteral("tab_answ: question 010101000001 has no text row in tab_exer, so practice shows nothing and papers skip it"),
        QStringLiteral("tab_cj: stored paper \"tab_exam3\" has no paper table; opening it from the score list fails"),
        QStringLiteral("tab_exam4: a paper table without its score row in tab_cj (left over)"),
    };
    for (const QString& e : expected)
        EXPECT_TRUE(problems.contains(e)) << e.toStdString() << "\nfound:\n" << problems.join(QLatin1Char('\n')).toStdString();

    db->exec(QStringLiteral("drop table tab_title"));
    const bank::CheckReport missing = bank::checkBank(*db);
    EXPECT_TRUE(texts(missing.problems).contains(QStringLiteral("tab_title: the table is missing"))) << describe(missing.problems);
}

namespace {

// `count` questions of one type in section 010102, whose keys come from keyOf(i).
QString keyedQuestions(int type, int count, int options, const std::function<QString(int)>& keyOf)
{
    QString out;
    for (int i = 0; i < count; ++i) {
        QString stem = QStringLiteral("第%1题（  ）。").arg(i + 1);
        for (int o = 0; o < options; ++o)
            stem += QStringLiteral(" \\\n  %1. 选项%2").arg(QChar(u'A' + o)).arg(o + 1);
        out += QStringLiteral("== question 0101029%1\ntype: %2\nchapter: 010102\npoints: 01000102\noptions: %3\nanswer: %4\nstem:\n  %5\nanalysis:\n  解析。\n")
                   .arg(i, 5, 10, QLatin1Char('0'))
                   .arg(type)
                   .arg(options)
                   .arg(keyOf(i), stem);
    }
    return out;
}

} // namespace

TEST(BankCheck, FindsKeysThatFollowAPattern)
{
    const QStringList pairs = {"AB", "AC", "AD", "BC", "BD", "CD"};
    const QStringList triples = {"ABC", "ABD", "ACD", "BCD"};
    struct Case {
        const char* name;
        int type;
        int count;
        int options;
        std::function<QString(int)> keyOf;
        QStringList findings; // empty: the spread is within the limits
    };
    // The tiny book adds one key of each type: B (单选), AC of four (多选), 正确.
    const Case cases[] = {
        {"single choice, every letter in turn", 11, 24, 4, [](int i) { return QString(QChar(u'A' + i % 4)); }, {}},
        {"single choice, mostly A", 11, 24, 4, [](int i) { return QString(QChar(i % 3 ? u'A' : u'B' + i % 3)); },
         {"type 11 单选: A in 64% of the keys, a random order gives 25%",
          "type 11 单选: C in 0% of the keys, a random order gives 25%",
          "type 11 单选: D in 0% of the keys, a random order gives 25%"}},
        {"multiple choice, every pair and triple in turn", 14, 30, 4,
         [&](int i) { return i % 2 ? pairs[i / 2 % 6] : triples[i / 2 % 4]; }, {}},
        {"multiple choice, every option but the last", 14, 24, 4, [](int i) { return i % 4 ? QStringLiteral("ABC") : QStringLiteral("BD"); },
         {"type 14 多选: B in 96% of the keys, a random order gives 68%",
          "type 14 多选: D in 24% of the keys, a random order gives 68%",
          "type 14 多选: \"the first options\" in 72% of the keys, a random order gives 23%",
          "type 14 多选: \"all but the last\" in 72% of the keys, a random order gives 18%"}},
        // E is never right, and A and C (with the tiny book's AC) always are.
        {"multiple choice, all but the last of five", 14, 20, 5, [](int) { return QStringLiteral("ABCD"); },
         {"type 14 多选: A in 100% of the keys, a random order gives 79%",
          "type 14 多选: C in 100% of the keys, a random order gives 79%",
          "type 14 多选: E in 0% of the keys, a random order gives 76%",
          "type 14 多选: \"the first options\" in 95% of the keys, a random order gives 20%",
          "type 14 多选: \"all but the last\" in 95% of the keys, a random order gives 19%"}},
        {"true/false, half and half", 12, 24, 2, [](int i) { return i % 2 ? QStringLiteral("A") : QStringLiteral("B"); }, {}},
        {"true/false, two in three 正确", 12, 30, 2, [](int i) { return i % 3 ? QStringLiteral("A") : QStringLiteral("B"); },
         {"type 12 判断: 正确 in 68% of the keys, keep it between 35% and 65%"}},
        {"too few keys to judge", 11, bank::kMinKeys - 2, 4, [](int) { return QStringLiteral("A"); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuiltBank bank;
        bank.source.append(QStringLiteral("01-数据结构.txt"), keyedQuestions(c.type, c.count, c.options, c.keyOf));
        TempDir dir;
        const QString path = dir.file(QStringLiteral("keys.db"));
        const auto problems = bank.source.build(path);
        ASSERT_TRUE(problems.isEmpty()) << describe(problems);
        auto db = store::Connection::open(path, store::bankKey(), store::Connection::Mode::ReadOnly);
        const bank::CheckReport report = bank::checkBank(*db);
        QStringList found;
        for (const auto& p : report.skew)
            found << p.message;
        EXPECT_EQ(found.join(QLatin1Char('\n')).toStdString(), c.findings.join(QLatin1Char('\n')).toStdString())
            << report.keys.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(report.clean(), c.findings.isEmpty());
        EXPECT_TRUE(report.problems.isEmpty()) << describe(report.problems);
    }
}

TEST(BankCheck, ReportsBookQuestionsWithoutAnalysis)
{
    BuiltBank bank;
    auto db = bank.open();
    const QString line = QStringLiteral("book questions without analysis: 1 (010101000002)");
    EXPECT_TRUE(bank::checkBank(*db).keys.contains(line));
    // The candidate's own questions are theirs to explain or not.
    db->exec(QStringLiteral("update tab_answ set F1 = 2, A1 = 'U00000000001' where A1 = '010101000002'"));
    db->exec(QStringLiteral("update tab_exer set A1 = 'U00000000001' where A1 = '010101000002'"));
    EXPECT_TRUE(bank::checkBank(*db).keys.contains(QStringLiteral("book questions without analysis: 0")));
}

#include "core/app/AppState.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>

using store::Connection;
using store::DbError;

namespace {

const QDate kToday(2024, 5, 6);

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::resetAppState();
        store::Clock::setFixed(QDateTime(kToday, QTime(9, 30)));
        path = dir.file("bank.db");
        store::createBankSchema(*Connection::create(path, store::bankKey()));
        ASSERT_TRUE(dm.openBank(path));
    }
    void TearDown() override
    {
        store::Clock::reset();
        app::resetAppState();
    }

    Connection& db() { return dm.db(); }

    // The first row of a select, each column read as an integer.
    std::vector<qint64> ints(const QString& sql, const store::Params& params = {})
    {
        const store::Rows r = db().query(sql, params);
        std::vector<qint64> out;
        if (!r.empty())
            for (const QVariant& v : r.values[0])
                out.push_back(v.toLongLong());
        return out;
    }

    // Every row of every table, for "nothing changed" checks.
    QString snapshot()
    {
        QString out;
        for (const QString& table : db().tables()) {
            const store::Rows r = db().query(QStringLiteral("select * from %1 order by rowid").arg(table));
            out += table + QLatin1Char('\n');
            for (const auto& row : r.values) {
                for (const QVariant& v : row)
                    out += (v.isNull() ? QStringLiteral("<null>") : v.toString()) + QLatin1Char('|');
                out += QLatin1Char('\n');
            }
        }
        return out;
    }

    void addChapters(const QStringList& codes)
    {
        int bh = 0;
        for (const QString& code : codes)
            db().exec("insert into tab_kmmc (C1,C1_1,C2,bh) values (:c1,:h,:c2,:bh)",
                      {{":c1", code}, {":h", "heading " + code}, {":c2", "chapter " + code}, {":bh", ++bh}});
    }

    void addOutline()
    {
        for (const char* id : {"01", "010101", "010202", "02", "020101"})
            db().exec("insert into tab_fgmc (id,n) values (:id,'node')", {{":id", QString::fromLatin1(id)}});
        for (const char* ftid : {"010101001", "010101002", "010202001", "020101001"})
            db().exec("insert into tab_rule (ftid,id,sn) values (:f,:id,'p')",
                      {{":f", QString::fromLatin1(ftid)}, {":id", QString::fromLatin1(ftid).left(6)}});
    }

    // q, q1, q2, q4 of an outline node or point.
    std::vector<qint64> nodeCounters(const char* id)
    {
        const QString key = QString::fromLatin1(id);
        return key.size() > 6 ? ints("select q,q1,q2,q4 from tab_rule where ftid=:k", {{":k", key}})
                              : ints("select q,q1,q2,q4 from tab_fgmc where id=:k", {{":k", key}});
    }

    TempDir dir;
    QString path;
    TDM1 dm;
};

// Counts the update statements run on a connection while it lives.
class UpdateCounter {
public:
    explicit UpdateCounter(Connection& c)
        : m_handle(c.handle())
    {
        sqlite3_trace_v2(m_handle, SQLITE_TRACE_STMT, &UpdateCounter::onStatement, this);
    }
    ~UpdateCounter() { sqlite3_trace_v2(m_handle, 0, nullptr, nullptr); }
    int count = 0;

private:
    static int onStatement(unsigned, void* self, void*, void* sql)
    {
        if (QByteArray(static_cast<const char*>(sql)).trimmed().toLower().startsWith("update"))
            ++static_cast<UpdateCounter*>(self)->count;
        return 0;
    }
    sqlite3* m_handle;
};

} // namespace

TEST(DataModule, OpenFailuresLeaveConnectOkFalseAndTheFileUnchanged)
{
    TempDir t;
    const QString bank = t.file("bank.db");
    store::createBankSchema(*Connection::create(bank, "another key"));
    const QString junk = t.file("junk.db");
    const QString empty = t.file("empty.db");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'z'));
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    }
    TDM1 dm;
    for (const QString& path : {bank, junk, empty, t.file("missing.db")}) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray before = fileDigest(path);
        EXPECT_FALSE(dm.openBank(path));
        EXPECT_FALSE(dm.ConnectOk);
        EXPECT_THROW(dm.db(), DbError);
        EXPECT_EQ(fileDigest(path), before);
        EXPECT_FALSE(QFile::exists(path + "-wal"));
    }
    EXPECT_FALSE(QFile::exists(t.file("missing.db")));
}

TEST(DataModule, DataModuleCreateOpensTheBankBesideTheProgram)
{
    TDM1 dm;
    const QString bank = QCoreApplication::applicationDirPath() + "/data/ZT468913.db";
    const bool present = QFile::exists(bank);
    EXPECT_EQ(dm.DataModuleCreate(), present);
    EXPECT_EQ(dm.AppDir, QCoreApplication::applicationDirPath() + "/");
    EXPECT_EQ(dm.ConnectOk, present);
    EXPECT_EQ(QFile::exists(bank), present) << "a missing bank must not be created";
}

TEST_F(DataModuleTest, SharedTablesOpenOnTheBankInTheirOrder)
{
    addChapters({"1", "12", "1201"});
    db().exec("update tab_kmmc set bh = 10 - bh");
    dm.openIfClosed(dm.Cn1Table_kmmc);
    dm.openIfClosed(dm.Cn1Table_kmmc); // already open: stays on its row
    ASSERT_EQ(dm.Cn1Table_kmmc->recordCount(), 3);
    EXPECT_EQ(dm.Cn1Table_kmmc->text("C1"), "1201");
    for (store::Dataset* ds : {dm.Cn1Table_rz, dm.Cn1Table_cj, dm.Cn1Table_fgmc, dm.Cn1Table_plan, dm.Cn1Table_tx}) {
        dm.openIfClosed(ds);
        EXPECT_TRUE(ds->isOpen());
    }
    dm.closeBank();
    EXPECT_FALSE(dm.Cn1Table_kmmc->isOpen());
    EXPECT_FALSE(dm.ConnectOk);
}

TEST_F(DataModuleTest, LogDailyAnswerCountsAnswersAndQuestionsOfTheDay)
{
    struct Answer {
        int firstToday, result, previous;
    };
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        std::vector<qint64> a2a3b1b2;
    } cases[] = {
        {"first of the day, wrong", {{2, 2, 2}}, {1, 1, 1, 1}},
        {"first of the day, right", {{2, 1, 2}}, {1, 0, 1, 0}},
        {"wrong, then put right the same day", {{2, 2, 2}, {1, 1, 2}}, {2, 1, 1, 0}},
        {"right, then wrong the same day", {{2, 1, 1}, {1, 2, 1}}, {2, 1, 1, 1}},
        {"wrong twice", {{2, 2, 2}, {1, 2, 2}}, {2, 2, 1, 1}},
        {"right twice", {{2, 1, 1}, {1, 1, 1}}, {2, 0, 1, 0}},
        {"two questions, one wrong", {{2, 2, 1}, {2, 1, 1}}, {2, 1, 2, 1}},
        {"answered before today: yesterday's flags do not matter", {{2, 1, 2}, {2, 2, 1}, {1, 1, 2}}, {3, 1, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db().exec("delete from tab_rz");
        for (const Answer& a : c.answers)
            dm.LogDailyAnswer(a.firstToday, a.result, a.previous);
        EXPECT_EQ(ints("select count(*) from tab_rz").front(), 1);
        EXPECT_EQ(ints("select A2,A3,B1,B2 from tab_rz where A1=:d", {{":d", kToday}}), c.a2a3b1b2);
    }
}

TEST_F(DataModuleTest, LogDailyAnswerKeepsOneRowPerDayAndOtherDaysAlone)
{
    db().exec("insert into tab_rz (A1,A2,A3,B1,B2,D1,A4) values ('2024-05-05',9,4,6,3,'01:00:00','55.56')");
    dm.LogDailyAnswer(2, 2, 2);
    store::Clock::setFixed(QDateTime(kToday.addDays(1), QTime(0, 0, 1)));
    dm.LogDailyAnswer(2, 1, 2);
    dm.LogDailyAnswer(2, 1, 2);
    const store::Rows r = db().query("select A1,A2,A3,B1,B2,D1,A4 from tab_rz order by A1");
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r.at(0, "A1").toString(), "2024-05-05");
    EXPECT_EQ(r.at(0, "A2").toInt(), 9);
    EXPECT_EQ(r.at(0, "D1").toString(), "01:00:00");
    EXPECT_EQ(r.at(1, "A1").toString(), "2024-05-06");
    EXPECT_EQ(r.at(1, "A3").toInt(), 1);
    EXPECT_EQ(r.at(2, "A1").toString(), "2024-05-07");
    EXPECT_EQ(r.at(2, "A2").toInt(), 2);
    EXPECT_EQ(r.at(2, "B1").toInt(), 2);
    EXPECT_EQ(r.at(2, "A3").toInt(), 0);
}

TEST_F(DataModuleTest, BookkeepingRejectsFlagsOtherThanOneAndTwo)
{
    addChapters({"1", "12"});
    addOutline();
    const QString before = snapshot();
    const std::function<void()> calls[] = {
        [&] { dm.LogDailyAnswer(0, 1, 1); },
        [&] { dm.LogDailyAnswer(2, 3, 1); },
        [&] { dm.LogDailyAnswer(2, 1, -1); },
        [&] { dm.CountChapterAnswer("12", 0, 1); },
        [&] { dm.CountChapterAnswer("12", 2, 0); },
        [&] { dm.CountPointAnswer({"010101001"}, 1, 5); },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "accepted";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Kind::Usage);
        }
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(DataModuleTest, CountChapterAnswerCountsTheChapterAndEveryAncestor)
{
    addChapters({"1", "12", "1201", "120101", "120102", "13", "2", "xx", "12'1", "12'101"});
    struct Case {
        const char* name;
        QString code;
        int firstEver, result;
        QStringList counted;
        std::vector<qint64> c4d1d2;
    } cases[] = {
        {"right, never answered, section", "120101", 2, 1, {"120101", "1201", "12", "1"}, {1, 1, 0}},
        {"wrong, answered before", "120101", 1, 2, {"120101", "1201", "12", "1"}, {0, 1, 1}},
        {"wrong, never answered", "120102", 2, 2, {"120102", "1201", "12", "1"}, {1, 1, 1}},
        {"a four-character chapter", "1201", 2, 1, {"1201", "12", "1"}, {1, 1, 0}},
        {"a code with a quote", "12'101", 2, 2, {"12'101", "12'1", "12", "1"}, {1, 1, 1}},
        {"no such chapter: only the ancestors that exist", "130505", 2, 1, {"13", "1"}, {1, 1, 0}},
        {"no row at all", "9", 2, 2, {}, {}},
        {"empty code", "", 2, 2, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db().exec("update tab_kmmc set C4=5, D1=7, D2=2");
        dm.CountChapterAnswer(c.code, c.firstEver, c.result);
        const store::Rows r = db().query("select C1,C4-5,D1-7,D2-2 from tab_kmmc order by C1");
        for (int i = 0; i < r.size(); ++i) {
            const QString code = r.values[size_t(i)][0].toString();
            SCOPED_TRACE(code.toStdString());
            const std::vector<qint64> delta = {r.values[size_t(i)][1].toLongLong(), r.values[size_t(i)][2].toLongLong(),
                                               r.values[size_t(i)][3].toLongLong()};
            const std::vector<qint64> none = {0, 0, 0};
            EXPECT_EQ(delta, c.counted.contains(code) ? c.c4d1d2 : none);
        }
    }
}

TEST_F(DataModuleTest, CountPointAnswerRunsOneStatementPerCounterAndLevel)
{
    addOutline();
    db().exec("insert into tab_rule (ftid,id) values ('01''0101x','01''010')");
    db().exec("insert into tab_fgmc (id) values ('01''010')");
    struct Case {
        const char* name;
        QStringList points;
        int firstEver, result;
        int statements;
        std::map<std::string, std::vector<qint64>> q_q1_q2_q4; // every other node stays 0
    } cases[] = {
        {"two points of one section, first answer, wrong", {"010101001", "010101002"}, 2, 2, 9,
         {{"010101001", {0, 1, 1, 1}}, {"010101002", {0, 1, 1, 1}}, {"010101", {0, 1, 1, 1}}, {"01", {0, 1, 1, 1}}}},
        {"points in two top nodes, answered before, right", {"010202001", "020101001"}, 1, 1, 3,
         {{"010202001", {0, 0, 1, 0}}, {"020101001", {0, 0, 1, 0}}, {"010202", {0, 0, 1, 0}}, {"020101", {0, 0, 1, 0}},
          {"01", {0, 0, 1, 0}}, {"02", {0, 0, 1, 0}}}},
        {"first answer, right", {"010202001"}, 2, 1, 6,
         {{"010202001", {0, 1, 1, 0}}, {"010202", {0, 1, 1, 0}}, {"01", {0, 1, 1, 0}}}},
        {"answered before, wrong", {"010202001"}, 1, 2, 6,
         {{"010202001", {0, 0, 1, 1}}, {"010202", {0, 0, 1, 1}}, {"01", {0, 0, 1, 1}}}},
        {"the same point twice counts once", {"010202001", "010202001"}, 1, 1, 3,
         {{"010202001", {0, 0, 1, 0}}, {"010202", {0, 0, 1, 0}}, {"01", {0, 0, 1, 0}}}},
        {"the list ends at its first empty id", {"010202001", "", "020101001"}, 1, 1, 3,
         {{"010202001", {0, 0, 1, 0}}, {"010202", {0, 0, 1, 0}}, {"01", {0, 0, 1, 0}}}},
        {"an empty first id: no exam point", {"", "020101001"}, 2, 2, 0, {}},
        {"no ids", {}, 2, 2, 0, {}},
        {"an id with a quote", {"01'0101x"}, 1, 1, 3, {{"01'0101x", {0, 0, 1, 0}}, {"01'010", {0, 0, 1, 0}}, {"01", {0, 0, 1, 0}}}},
        {"an unknown id changes nothing", {"999999999"}, 2, 2, 9, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db().exec("update tab_rule set q=0,q1=0,q2=0,q4=0");
        db().exec("update tab_fgmc set q=0,q1=0,q2=0,q4=0");
        {
            UpdateCounter counter(db());
            dm.CountPointAnswer(c.points, c.firstEver, c.result);
            EXPECT_EQ(counter.count, c.statements);
        }
        const store::Rows r = db().query("select ftid,q,q1,q2,q4 from tab_rule union all select id,q,q1,q2,q4 from tab_fgmc");
        for (const auto& row : r.values) {
            const std::string id = row[0].toString().toStdString();
            SCOPED_TRACE(id);
            const std::vector<qint64> got = {row[1].toLongLong(), row[2].toLongLong(), row[3].toLongLong(), row[4].toLongLong()};
            const auto want = c.q_q1_q2_q4.find(id);
            const std::vector<qint64> none = {0, 0, 0, 0};
            EXPECT_EQ(got, want == c.q_q1_q2_q4.end() ? none : want->second);
        }
    }
}

TEST_F(DataModuleTest, AddStudyTimeAddsToTodayAndRefreshesTheScores)
{
    struct Case {
        const char* name;
        QVariant d1;
        int a2, a3;
        QString elapsed;
        QString newD1, newA4;
    } cases[] = {
        {"minutes carry into hours", "01:20:40", 3, 1, "0:45:30", "02:06:10", "66.67"},
        {"past a day the hours go on", "23:59:59", 4, 0, "0:00:02", "24:00:01", "100.00"},
        {"no time yet", QVariant(), 7, 1, "0:12:05", "00:12:05", "85.71"},
        {"every answer wrong", "00:00:10", 2, 2, "1:00:00", "01:00:10", "0.00"},
        {"no answers", "00:00:00", 0, 0, "0:00:01", "00:00:01", "0"},
        {"an elapsed text without seconds", "00:00:00", 1, 0, "2:30", "02:00:00", "100.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db().exec("delete from tab_rz");
        db().exec("insert into tab_rz (A1,A2,A3,B1,B2,D1,A4) values (:d,:a2,:a3,1,1,:d1,'stale')",
                  {{":d", kToday}, {":a2", c.a2}, {":a3", c.a3}, {":d1", c.d1}});
        db().exec("insert into tab_rz (A1,A2,A3,D1,A4) values ('2024-05-05',1,1,'00:00:09','x')");
        dm.AddStudyTime(c.elapsed);
        const store::Rows r = db().query("select A1,D1,A4,A2,A3,B1,B2 from tab_rz order by A1");
        ASSERT_EQ(r.size(), 2);
        EXPECT_EQ(r.at(1, "D1").toString(), c.newD1);
        EXPECT_EQ(r.at(1, "A4").toString(), c.newA4);
        EXPECT_EQ(r.at(1, "A2").toInt(), c.a2);
        EXPECT_EQ(r.at(1, "A3").toInt(), c.a3);
        EXPECT_EQ(r.at(0, "D1").toString(), "00:00:09") << "another day's row changed";
        EXPECT_EQ(r.at(0, "A4").toString(), "x");
    }
}

TEST_F(DataModuleTest, AddStudyTimeScoresEveryChapterEvenWithoutALogRow)
{
    addChapters({"1", "12", "1201", "120101", "2"});
    struct Row {
        const char* c1;
        int d1, d2;
        const char* c6;
    } rows[] = {{"1", 7, 1, "85.71"}, {"12", 3, 1, "66.67"}, {"1201", 0, 0, "0"}, {"120101", 2, 2, "0.00"}, {"2", 1, 0, "100.00"}};
    for (const Row& r : rows)
        db().exec("update tab_kmmc set D1=:d1, D2=:d2, C6='stale' where C1=:c1", {{":d1", r.d1}, {":d2", r.d2}, {":c1", r.c1}});
    // The chooser's table sits on its last row: rows before it are scored as well.
    dm.openIfClosed(dm.Cn1Table_kmmc);
    dm.Cn1Table_kmmc->last();

    dm.AddStudyTime("0:10:00");

    EXPECT_EQ(ints("select count(*) from tab_rz").front(), 0) << "no log row is made for the time alone";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.c1);
        EXPECT_EQ(db().scalar("select C6 from tab_kmmc where C1=:c1", {{":c1", r.c1}}).toString(), r.c6);
        ASSERT_TRUE(dm.Cn1Table_kmmc->locate("C1", r.c1));
        EXPECT_EQ(dm.Cn1Table_kmmc->text("C6"), r.c6) << "the open table shows the new score";
    }
}

TEST_F(DataModuleTest, OpenSharedTablesShowNewCountersAndKeepTheirRow)
{
    addChapters({"1", "12", "1201", "120101"});
    dm.openIfClosed(dm.Cn1Table_kmmc);
    ASSERT_TRUE(dm.Cn1Table_kmmc->locate("C1", "12"));
    dm.openIfClosed(dm.Cn1Table_rz);

    dm.CountChapterAnswer("120101", 2, 2);
    dm.LogDailyAnswer(2, 2, 2);
    dm.LogDailyAnswer(1, 1, 2);

    EXPECT_EQ(dm.Cn1Table_kmmc->text("C1"), "12");
    EXPECT_EQ(dm.Cn1Table_kmmc->integer("D1"), 1);
    EXPECT_EQ(dm.Cn1Table_kmmc->integer("D2"), 1);
    ASSERT_EQ(dm.Cn1Table_rz->recordCount(), 1);
    EXPECT_EQ(dm.Cn1Table_rz->integer("A2"), 2);
    EXPECT_EQ(dm.Cn1Table_rz->integer("B2"), 0);
}

// One recorded answer is all-or-nothing when the caller wraps it in a transaction.
TEST_F(DataModuleTest, AFailureHalfWayThroughTheBookkeepingChangesNoCounter)
{
    addChapters({"1", "12", "1201", "120101"});
    addOutline();
    db().exec("insert into tab_answ (A1,A2,A10,K3,K4) values ('q1','A','120101','010101001','010202001')");
    db().exec("insert into tab_rz (A1,A2,A3,B1,B2) values (:d,4,1,3,1)", {{":d", kToday}});
    // The wrong-answer counters of the outline fail, after the answer counters went in.
    db().exec("CREATE TRIGGER fail_q4 BEFORE UPDATE OF q4 ON tab_fgmc BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    dm.openIfClosed(dm.Cn1Table_rz);
    const QString before = snapshot();

    const auto recordWrongAnswer = [&] {
        store::Transaction t(db());
        db().exec("update tab_answ set E2='B', E2_1='B', E1=:d, E3=E3+1, E4=-3 where A1='q1'", {{":d", kToday}});
        dm.LogDailyAnswer(2, 2, 2);
        dm.CountChapterAnswer("120101", 2, 2);
        dm.CountPointAnswer({"010101001", "010202001"}, 2, 2);
        t.commit();
    };
    EXPECT_THROW(recordWrongAnswer(), DbError);
    dm.refreshSharedTables();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(dm.Cn1Table_rz->integer("A2"), 4);

    // Without the caller's transaction each operation is still whole by itself.
    EXPECT_THROW(dm.CountPointAnswer({"010101001"}, 2, 2), DbError);
    EXPECT_EQ(snapshot(), before);

    db().exec("DROP TRIGGER fail_q4");
    recordWrongAnswer();
    EXPECT_EQ(ints("select A2,A3,B1,B2 from tab_rz"), (std::vector<qint64>{5, 2, 4, 2}));
    EXPECT_EQ(ints("select C4,D1,D2 from tab_kmmc where C1='1'"), (std::vector<qint64>{1, 1, 1}));
    EXPECT_EQ(nodeCounters("01"), (std::vector<qint64>{0, 1, 1, 1}));
}

TEST_F(DataModuleTest, DropPaperTableDropsOnlyExistingPaperTables)
{
    store::createPaperTable(db(), "tab_exam2");
    store::createPaperTable(db(), "tab_exam3");
    for (const char* a1 : {"tab_exam2", "tab_exam3", "tab_exam9", "tab_answ"})
        db().exec("insert into tab_cj (A1,A3) values (:a1,'paper')", {{":a1", QString::fromLatin1(a1)}});

    struct Case {
        const char* name;
        QString table;
        QStringList tablesGone;
        QStringList rowsGone;
    } cases[] = {
        {"a paper table and its score row", "tab_exam2", {"tab_exam2"}, {"tab_exam2"}},
        {"a paper that has no table keeps its score row", "tab_exam9", {}, {}},
        {"not a paper table", "tab_answ", {}, {}},
        {"a name with a statement in it", "tab_exam3; drop table tab_answ", {}, {}},
        {"dropped twice", "tab_exam2", {}, {}},
        {"empty", "", {}, {}},
    };
    QStringList tables = db().tables();
    QStringList rows = {"tab_answ", "tab_exam2", "tab_exam3", "tab_exam9"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dm.DropPaperTable(c.table);
        for (const QString& t : c.tablesGone)
            tables.removeAll(t);
        for (const QString& r : c.rowsGone)
            rows.removeAll(r);
        EXPECT_EQ(db().tables(), tables);
        QStringList haveRows;
        for (const auto& row : db().query("select A1 from tab_cj order by A1").values)
            haveRows << row[0].toString();
        EXPECT_EQ(haveRows, rows);
    }
    dm.closeBank();
    EXPECT_THROW(dm.DropPaperTable("tab_exam3"), store::DbError) << "a failure is the caller's to report";
}

TEST_F(DataModuleTest, AllowZeroLengthColumnsNeedsAPaperTableWithTheTextColumns)
{
    store::createPaperTable(db(), "tab_exam1");
    EXPECT_NO_THROW(dm.AllowZeroLengthColumns("tab_exam1"));
    db().exec("update tab_exam1 set E2_1=''");
    db().exec("insert into tab_exam1 (A1,A2,A14,E2,E2_1,csbs) values ('q','','','','','')");
    EXPECT_EQ(db().scalar("select count(*) from tab_exam1 where A2='' and A14='' and E2='' and E2_1='' and csbs=''").toInt(), 1);

    db().exec("create table tab_exam5 (A1 TEXT, A2 TEXT)");
    EXPECT_THROW(dm.AllowZeroLengthColumns("tab_exam5"), DbError);
    EXPECT_THROW(dm.AllowZeroLengthColumns("tab_exam6"), DbError);
}

TEST_F(DataModuleTest, TypeTablesGiveTheTotalScore)
{
    db().exec("insert into tab_tx1 (A1,B1,B2,B3) values (11,'单选题',40,1),(14,'多选题',10,2),(31,'判断题',20,0.5)");
    db().exec("insert into tab_tx2 (A1,B1,B2,B3) values (11,'单选题',100,1),(12,'配伍题',5,2)");
    EXPECT_EQ(dm.PaperTotalScore("tab_tx1"), 70);
    EXPECT_EQ(dm.PaperTotalScore("tab_tx2"), 110);
    EXPECT_EQ(dm.PaperTotalScore("tab_tx3"), 0);
}

TEST_F(DataModuleTest, TheCurrentChapterRowGivesTheHeading)
{
    addChapters({"1", "12", "1201"});
    dm.openIfClosed(dm.Cn1Table_kmmc);
    EXPECT_EQ(dm.CurrentChapterHeading, "heading 1");
    for (const char* code : {"12", "1201", "1"}) {
        ASSERT_TRUE(dm.Cn1Table_kmmc->locate("C1", code));
        EXPECT_EQ(dm.CurrentChapterHeading, "heading " + QString::fromLatin1(code));
    }
    dm.Cn1Table_kmmc->close();
    EXPECT_EQ(dm.CurrentChapterHeading, "heading 1") << "closing the table keeps the heading";
}

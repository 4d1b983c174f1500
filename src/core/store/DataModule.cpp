#include "core/store/DataModule.h"

#include "core/store/Clock.h"
#include "core/store/Migrations.h"
#include "core/store/Schema.h"
#include "core/store/Statistics.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <optional>
#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcBank, "tesvora.store.bank", QtWarningMsg)

TDM1* DM1 = nullptr;

using store::Connection;
using store::Dataset;
using store::DbError;
using store::Params;
using store::Transaction;

namespace {

// 2 means yes (first time, wrong), 1 means no.
bool yes(int flag, const char* name)
{
    if (flag != 1 && flag != 2)
        throw DbError(DbError::Kind::Usage, QStringLiteral("%1 must be 1 or 2, not %2").arg(QLatin1String(name)).arg(flag));
    return flag == 2;
}

// "(:p0,:p1,…)" for n values, with the values bound alongside.
QString inList(const QStringList& values, Params& params)
{
    QString list = QStringLiteral("(");
    for (int i = 0; i < values.size(); ++i) {
        const QString name = QStringLiteral(":p%1").arg(i);
        if (i)
            list += QLatin1Char(',');
        list += name;
        params.emplace_back(name, values[i]);
    }
    return list + QLatin1Char(')');
}

// Writable for its owner and for this process: a file or folder whose write bits
// are off counts as read-only even for a user the system would let write.
bool writable(const QFileInfo& fi)
{
    return fi.isWritable() && (fi.permissions() & QFileDevice::WriteOwner);
}

} // namespace

TDM1::TDM1(QObject* parent)
    : QObject(parent)
{
    Cn1Query1 = makeDataset();
    Cn1Query2 = makeDataset();
    Cn1Query_tm = makeDataset();
    cn1query_nr = makeDataset();
    Cn1Query_exam = makeDataset();
    Cn1Table_kmmc = makeDataset();
    Cn1Table_tx = makeDataset();
    Cn1Table_rz = makeDataset();
    Cn1Table_cj = makeDataset();
    Cn1Table_fgmc = makeDataset();
    Cn1Table_plan = makeDataset();

    Cn1Table_kmmc->setTable(QStringLiteral("tab_kmmc"), QStringLiteral("bh"));
    Cn1Table_tx->setTable(QStringLiteral("tab_tx1"));
    Cn1Table_rz->setTable(QStringLiteral("tab_rz"));
    Cn1Table_cj->setTable(QStringLiteral("tab_cj"));
    Cn1Table_fgmc->setTable(QStringLiteral("tab_fgmc"));
    Cn1Table_plan->setTable(QStringLiteral("tab_plan"));

    connect(Cn1Table_kmmc, &Dataset::currentChanged, this, &TDM1::Cn1DS_kmmcDataChange);
    connect(Cn1Table_kmmc, &Dataset::valuesChanged, this, &TDM1::Cn1DS_kmmcDataChange);
}

TDM1::~TDM1()
{
    closeBank();
    if (DM1 == this)
        DM1 = nullptr;
}

Dataset* TDM1::makeDataset()
{
    auto* ds = new Dataset(nullptr, this);
    m_datasets << ds;
    return ds;
}

bool TDM1::DataModuleCreate()
{
    AppDir = QCoreApplication::applicationDirPath();
    if (!AppDir.endsWith(QLatin1Char('/')))
        AppDir += QLatin1Char('/');
    return openBank(AppDir + QStringLiteral("data/ZT468913.db"));
}

bool TDM1::openBank(const QString& path)
{
    closeBank();
    OpenFailure.reset();
    try {
        const QFileInfo file(path);
        // Answers go into the file, its journal beside it: nothing is written to
        // a bank that could not take them.
        if (file.isFile() && (!writable(file) || !writable(QFileInfo(file.absolutePath()))))
            throw DbError(DbError::Kind::ReadOnly, QStringLiteral("%1: the file or its folder is read-only").arg(path));
        m_db = Connection::open(path, store::bankKey());
        if (sqlite3_db_readonly(m_db->handle(), "main") == 1)
            throw DbError(DbError::Kind::ReadOnly, QStringLiteral("%1: opened read-only").arg(path));
        // Tables of our own are brought up to date before any screen reads them.
        store::migrateBank(*m_db);
    } catch (const DbError& e) {
        qCWarning(lcBank).noquote() << "cannot open the bank --" << e.message();
        m_db.reset();
        OpenFailure = e.kind();
        return false;
    }
    for (Dataset* ds : std::as_const(m_datasets))
        ds->setConnection(m_db.get());
    ConnectOk = true;
    return true;
}

void TDM1::closeBank()
{
    for (Dataset* ds : std::as_const(m_datasets)) {
        ds->close();
        ds->setConnection(nullptr);
    }
    m_db.reset();
    ConnectOk = false;
}

Connection& TDM1::db()
{
    if (!m_db)
        throw DbError(DbError::Kind::Usage, QStringLiteral("the bank is not open"));
    return *m_db;
}

void TDM1::openIfClosed(Dataset* ds)
{
    if (!ds->isOpen())
        ds->open();
}

void TDM1::refreshIfOpen(Dataset* ds)
{
    if (ds->isOpen())
        ds->refresh();
}

void TDM1::refreshRowsIfOpen(Dataset* ds, const QString& column, const QVariantList& values)
{
    if (ds->isOpen())
        ds->refreshRows(column, values);
}

void TDM1::refreshSharedTables()
{
    refreshIfOpen(Cn1Table_rz);
    refreshIfOpen(Cn1Table_kmmc);
}

void TDM1::LogDailyAnswer(int firstToday, int result, int previous)
{
    const bool newToday = yes(firstToday, "firstToday");
    const bool wrong = yes(result, "result");
    const bool wasWrong = yes(previous, "previous");
    // Questions answered wrongly today, net of those put right the same day.
    int wrongQuestions = 0;
    if (newToday)
        wrongQuestions = wrong ? 1 : 0;
    else if (!wasWrong && wrong)
        wrongQuestions = 1;
    else if (wasWrong && !wrong)
        wrongQuestions = -1;

    Connection& c = db();
    const QDate today = store::Clock::today();
    // Joins the caller's transaction, whose rollback then undoes every counter with the
    // question row (a savepoint would encrypt every touched page twice); alone, it is its own.
    Transaction t(c, Transaction::Nesting::Join);
    // B2 stays within the day's questions: a question re-dated by checking an
    // unchanged answer after midnight was never counted in today's B1 and B2.
    const int changed = c.exec(QStringLiteral("update tab_rz set A2=A2+1, A3=A3+:a3, B1=B1+:b1, "
                                              "B2=max(0, min(B1+:b1, B2+:b2)) where A1=:day"),
                               {{QStringLiteral(":a3"), wrong ? 1 : 0},
                                {QStringLiteral(":b1"), newToday ? 1 : 0},
                                {QStringLiteral(":b2"), wrongQuestions},
                                {QStringLiteral(":day"), today}});
    if (changed == 0) {
        // The day's first answer is the day's first question, whatever the flags say.
        c.exec(QStringLiteral("insert into tab_rz (A1,A2,A3,B1,B2) values (:day,1,:w,1,:w)"),
               {{QStringLiteral(":day"), today}, {QStringLiteral(":w"), wrong ? 1 : 0}});
    }
    t.commit();
    refreshRowsIfOpen(Cn1Table_rz, QStringLiteral("A1"), {today});
}

void TDM1::CountChapterAnswer(const QString& chapterCode, int firstEver, int result)
{
    const bool first = yes(firstEver, "firstEver");
    const bool wrong = yes(result, "result");
    if (chapterCode.isEmpty())
        return;
    // The chapter and every ancestor: the rows whose code is a prefix of it.
    QStringList codes;
    for (qsizetype n = chapterCode.size(); n >= 1; --n)
        codes << chapterCode.left(n);
    QVariantList keys;
    for (const QString& code : std::as_const(codes))
        keys << code;
    Params params = {{QStringLiteral(":c4"), first ? 1 : 0}, {QStringLiteral(":d2"), wrong ? 1 : 0}};
    const QString sql = QStringLiteral("update tab_kmmc set C4=C4+:c4, D1=D1+1, D2=D2+:d2 where C1 in ") + inList(codes, params);
    Connection& c = db();
    Transaction t(c, Transaction::Nesting::Join);
    c.exec(sql, params);
    t.commit();
    refreshRowsIfOpen(Cn1Table_kmmc, QStringLiteral("C1"), keys);
}

void TDM1::CountPointAnswer(const QStringList& pointIds, int firstEver, int result)
{
    const bool first = yes(firstEver, "firstEver");
    const bool wrong = yes(result, "result");
    QStringList points, sections, tops;
    for (const QString& id : pointIds) {
        if (id.isEmpty())
            break;
        points << id;
        sections << id.left(6);
        tops << id.left(2);
    }
    if (points.isEmpty())
        return;
    Params pointParams, sectionParams, topParams;
    const QString pointList = inList(points, pointParams);
    const QString sectionList = inList(sections, sectionParams);
    const QString topList = inList(tops, topParams);

    Connection& c = db();
    Transaction t(c, Transaction::Nesting::Join);
    const auto countOn = [&](const QString& counter) {
        const QString set = QStringLiteral(" set %1=%1+1 where ").arg(counter);
        c.exec(QStringLiteral("update tab_rule") + set + QStringLiteral("ftid in ") + pointList, pointParams);
        c.exec(QStringLiteral("update tab_fgmc") + set + QStringLiteral("id in ") + sectionList, sectionParams);
        c.exec(QStringLiteral("update tab_fgmc") + set + QStringLiteral("id in ") + topList, topParams);
    };
    countOn(QStringLiteral("q2"));
    if (first)
        countOn(QStringLiteral("q1"));
    if (wrong)
        countOn(QStringLiteral("q4"));
    t.commit();
}

void TDM1::AddStudyTime(const QString& clockText)
{
    Connection& c = db();
    const QDate today = store::Clock::today();
    Transaction t(c, Transaction::Nesting::Join);
    const store::Rows day = c.query(QStringLiteral("select A2, A3, D1 from tab_rz where A1=:day"), {{QStringLiteral(":day"), today}});
    if (!day.empty()) {
        const qint64 answers = day.at(0, QStringLiteral("A2")).toLongLong();
        const qint64 wrong = day.at(0, QStringLiteral("A3")).toLongLong();
        const qint64 total = store::ClockTextToSeconds(day.at(0, QStringLiteral("D1")).toString()) + store::ClockTextToSeconds(clockText);
        c.exec(QStringLiteral("update tab_rz set D1=:d1, A4=:a4 where A1=:day"),
               {{QStringLiteral(":d1"), store::secondsToClockText(total)},
                {QStringLiteral(":a4"), store::answerScoreText(answers, wrong)},
                {QStringLiteral(":day"), today}});
    }
    // Every chapter row, not only those after the current one: each score follows its counters.
    const store::Rows chapters = c.query(QStringLiteral("select C1, D1, D2, C6 from tab_kmmc"));
    QVariantList rescored;
    for (int i = 0; i < chapters.size(); ++i) {
        const QString score = store::answerScoreText(chapters.at(i, QStringLiteral("D1")).toLongLong(),
                                                     chapters.at(i, QStringLiteral("D2")).toLongLong());
        const QVariant old = chapters.at(i, QStringLiteral("C6"));
        if (old.isNull() || old.toString() != score) {
            c.exec(QStringLiteral("update tab_kmmc set C6=:c6 where C1=:c1"),
                   {{QStringLiteral(":c6"), score}, {QStringLiteral(":c1"), chapters.at(i, QStringLiteral("C1"))}});
            rescored << chapters.at(i, QStringLiteral("C1"));
        }
    }
    t.commit();
    refreshRowsIfOpen(Cn1Table_rz, QStringLiteral("A1"), {today});
    refreshRowsIfOpen(Cn1Table_kmmc, QStringLiteral("C1"), rescored);
}

int TDM1::PaperTotalScore(const QString& typeTable)
{
    return store::PaperTotalScore(db(), typeTable);
}

void TDM1::AllowZeroLengthColumns(const QString& tableName)
{
    Connection& c = db();
    if (!c.hasTable(tableName))
        throw DbError(DbError::Kind::Sql, QStringLiteral("no such table: %1").arg(tableName));
    QStringList have = c.columnsOf(tableName);
    for (QString& col : have)
        col = col.toLower();
    for (const char* col : {"a2", "a14", "e2", "e2_1", "csbs"})
        if (!have.contains(QLatin1String(col)))
            throw DbError(DbError::Kind::Sql, QStringLiteral("%1 has no column %2").arg(tableName, QLatin1String(col)));
}

void TDM1::DropPaperTable(const QString& tableName)
{
    if (!store::isPaperTableName(tableName))
        return;
    Connection& c = db();
    if (!c.hasTable(tableName))
        return;
    Transaction t(c);
    c.exec(QStringLiteral("drop table ") + tableName);
    c.exec(QStringLiteral("delete from tab_cj where A1=:a1"), {{QStringLiteral(":a1"), tableName}});
    t.commit();
}

void TDM1::Cn1DS_kmmcDataChange()
{
    Dataset* ds = Cn1Table_kmmc;
    const bool hasRow = ds->isOpen() && ds->recNo() > 0;
    if (hasRow)
        CurrentChapterHeading = ds->text(QStringLiteral("C1_1"));
}

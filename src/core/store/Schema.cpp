#include "core/store/Schema.h"

#include "core/store/Migrations.h"

#include <QRegularExpression>

namespace store {

namespace {

// Counters the bookkeeping adds to: never NULL (NULL + 1 stays NULL). A NULL that
// arrives from an upgrade file becomes 0 instead of failing the whole merge.
#define COUNTER " INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0"

// Column notes: MEMO is spelled TEXT and IMAGE BLOB, because SQLite would give
// MEMO numeric affinity and turn a note "007" into 7. DATETIME values are ISO
// date texts ('yyyy-MM-dd'); the spelling is kept, its numeric affinity leaves
// such texts alone. The column order of the question tables matters: upgrades
// copy rows with "select *".
const char* const kBankSchema[] = {
    // Questions: answer key, chapter, exam points and the candidate's history.
    "CREATE TABLE tab_answ (A1 TEXT(20) NOT NULL PRIMARY KEY,A2 TEXT(100),A2_1 SMALLINT,"
    "K3 TEXT(12),K4 TEXT(12),K5 TEXT(12),K6 TEXT(12),K7 TEXT(12),K8 TEXT(12),K9 TEXT(12),"
    "K10 TEXT(12),K11 TEXT(12),K12 TEXT(12),"
    "A10 TEXT(6),A13 SMALLINT,A14 TEXT,E1 DATETIME,E2 TEXT(100),E2_1 TEXT(100) DEFAULT '',"
    "E3 SMALLINT DEFAULT 0,E4 SMALLINT DEFAULT 0,csbs TEXT(2),F1 SMALLINT DEFAULT 0,"
    "xx INTEGER,ecount INTEGER DEFAULT 0)",
    "CREATE TABLE tab_exer (A1 TEXT(20) NOT NULL PRIMARY KEY,A15 TEXT,jx BLOB)",
    "CREATE TABLE tab_title (A1 TEXT(16) NOT NULL PRIMARY KEY,A15 TEXT)",
    "CREATE TABLE tab_kmmc (C1 TEXT(6) NOT NULL PRIMARY KEY,C1_1 TEXT,C2 TEXT,"
    "C3" COUNTER ",C4" COUNTER ",D1" COUNTER ",D2" COUNTER ","
    "C6 TEXT DEFAULT '0',C7 TEXT,bh INTEGER,jx BLOB)",
    "CREATE TABLE tab_fgmc (id TEXT(6) NOT NULL PRIMARY KEY,n TEXT,bh INTEGER,"
    "q" COUNTER ",q1" COUNTER ",q2" COUNTER ",q4" COUNTER ")",
    "CREATE TABLE tab_rule (ftid TEXT(12) NOT NULL PRIMARY KEY,id TEXT(6),sn TEXT,n TEXT,"
    "q" COUNTER ",q1" COUNTER ",q2" COUNTER ",q4" COUNTER ")",
    "CREATE TABLE tab_cj (A1 TEXT(20) NOT NULL PRIMARY KEY,A3 TEXT,A3_1 INTEGER,A6 REAL,"
    "D1 DATETIME,D2 TEXT)",
    "CREATE TABLE tab_rz (A1 DATETIME NOT NULL PRIMARY KEY,"
    "B1" COUNTER ",B2" COUNTER ",A2" COUNTER ",A3" COUNTER ",D1 TEXT,A4 TEXT)",
    "CREATE TABLE tab_plan (PlanMark INTEGER DEFAULT 0,PlanAmount INTEGER DEFAULT 0,"
    "PlanTime INTEGER DEFAULT 0,ExamDate DATETIME,LeastMark REAL DEFAULT 0,ExamTime INTEGER DEFAULT 0)",
    "CREATE TABLE tab_sj (sjbs TEXT,cpbs TEXT)",

    // Chapter practice selects by chapter code prefix; the outline and the point
    // practice look questions up by any of their point columns.
    "CREATE INDEX ix_answ_a10 ON tab_answ(A10)",
    // Most questions fill only the first point columns: K4 … K12 index the filled
    // ones alone (a third of the size on a large bank), which "Kn = :ftid" still uses.
    "CREATE INDEX ix_answ_k3 ON tab_answ(K3)",
    "CREATE INDEX ix_answ_k4 ON tab_answ(K4) WHERE K4 IS NOT NULL",
    "CREATE INDEX ix_answ_k5 ON tab_answ(K5) WHERE K5 IS NOT NULL",
    "CREATE INDEX ix_answ_k6 ON tab_answ(K6) WHERE K6 IS NOT NULL",
    "CREATE INDEX ix_answ_k7 ON tab_answ(K7) WHERE K7 IS NOT NULL",
    "CREATE INDEX ix_answ_k8 ON tab_answ(K8) WHERE K8 IS NOT NULL",
    "CREATE INDEX ix_answ_k9 ON tab_answ(K9) WHERE K9 IS NOT NULL",
    "CREATE INDEX ix_answ_k10 ON tab_answ(K10) WHERE K10 IS NOT NULL",
    "CREATE INDEX ix_answ_k11 ON tab_answ(K11) WHERE K11 IS NOT NULL",
    "CREATE INDEX ix_answ_k12 ON tab_answ(K12) WHERE K12 IS NOT NULL",
    // Only the rows that still carry an answer of the open practice: resetting
    // E2_1 touches these alone instead of the whole bank.
    "CREATE INDEX ix_answ_e2_1 ON tab_answ(E2_1) WHERE E2_1 <> '' OR E2_1 IS NULL",
    "CREATE INDEX ix_rule_id ON tab_rule(id)",
    "CREATE INDEX ix_rule_sn ON tab_rule(sn)",
    "CREATE INDEX ix_kmmc_bh ON tab_kmmc(bh)",
    "CREATE INDEX ix_fgmc_bh ON tab_fgmc(bh)",
    "CREATE INDEX ix_cj_a3_1 ON tab_cj(A3_1)",
};

#undef COUNTER

} // namespace

void createBankSchema(Connection& db)
{
    Transaction t(db);
    for (const char* sql : kBankSchema)
        db.exec(QString::fromLatin1(sql));
    for (int i = 1; i <= 5; ++i)
        db.exec(QStringLiteral("CREATE TABLE tab_tx%1 (A1 INTEGER NOT NULL PRIMARY KEY,B1 TEXT,"
                               "B2 INTEGER DEFAULT 0,B3 REAL DEFAULT 0,time REAL DEFAULT 1)")
                    .arg(i));
    db.execScript(QStringLiteral("PRAGMA user_version = %1").arg(kBankSchemaVersion));
    t.commit();
    migrateBank(db);
}

bool isPaperTableName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^tab_exam[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

QString paperTableSql(const QString& name)
{
    if (!isPaperTableName(name))
        throw DbError(DbError::Kind::Usage, QStringLiteral("not a paper table name: %1").arg(name));
    return QStringLiteral("CREATE TABLE ") + name
        + QStringLiteral(" (A1 TEXT(20) NOT NULL PRIMARY KEY,A2 TEXT(100),A2_1 SMALLINT,"
                         "K3 TEXT(12),K4 TEXT(12),K5 TEXT(12),K6 TEXT(12),K7 TEXT(12),K8 TEXT(12),K9 TEXT(12),K10 TEXT(12),K11 TEXT(12),K12 TEXT(12)"
                         ",A10 TEXT(6),A13 SMALLINT,A14 TEXT,E1 DATETIME,E2 TEXT(100),"
                         "E2_1 TEXT(100),E3 SMALLINT,E4 SMALLINT,jx BLOB,csbs TEXT(2),"
                         "F1 SMALLINT)");
}

void createPaperTable(Connection& db, const QString& name)
{
    db.exec(paperTableSql(name));
}

namespace {
// The smallest text above every text that starts with code (binary order), or ''
// when there is none to give: then only the lower bound is used.
QString chapterEnd(const QString& code)
{
    if (code.isEmpty())
        return {};
    const QChar last = code.back();
    if (last.isSurrogate() || last.unicode() == 0xffff)
        return {};
    return code.left(code.size() - 1) + QChar(char16_t(last.unicode() + 1));
}
} // namespace

QString chapterCondition(const QString& code)
{
    const QString n = QString::number(code.size());
    if (chapterEnd(code).isEmpty())
        return QStringLiteral("(left(A10,%1) = :code and A10 >= :code)").arg(n);
    return QStringLiteral("(left(A10,%1) = :code and A10 >= :code and A10 < :codeEnd)").arg(n);
}

QString pointCondition()
{
    return QStringLiteral("(k3=:ftid or k4=:ftid or k5=:ftid or k6=:ftid or k7=:ftid or k8=:ftid or k9=:ftid"
                          " or k10=:ftid or k11=:ftid or k12=:ftid)");
}

Params chapterParams(const QString& code)
{
    Params p = {{QStringLiteral(":code"), code}};
    const QString end = chapterEnd(code);
    if (!end.isEmpty())
        p.emplace_back(QStringLiteral(":codeEnd"), end);
    return p;
}

} // namespace store

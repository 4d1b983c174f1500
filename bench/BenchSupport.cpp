#include "BenchSupport.h"

#include "BankGenerator.h"
#include "core/store/JetFunctions.h"
#include "core/store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>
#include <string_view>

namespace bench {

std::map<std::string, std::vector<double>>& samples()
{
    static std::map<std::string, std::vector<double>> ms;
    return ms;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Result::target() const
{
    std::string t;
    char buffer[64];
    if (maxMs > 0) {
        std::snprintf(buffer, sizeof buffer, "<= %g ms", maxMs);
        t += buffer;
    }
    if (maxRatio > 0) {
        std::snprintf(buffer, sizeof buffer, "%s<= %gx raw", t.empty() ? "" : ", ", maxRatio);
        t += buffer;
    }
    return t;
}

Result result(const std::string& name, const std::string& raw, double maxMs, double maxRatio)
{
    Result r{name, -1, 0, maxMs, maxRatio};
    const auto& all = samples();
    if (const auto it = all.find(name); it != all.end() && !it->second.empty())
        r.ms = median(it->second);
    if (const auto it = all.find(raw); !raw.empty() && it != all.end() && !it->second.empty())
        r.rawMs = median(it->second);
    return r;
}

bool report(const std::vector<Result>& results)
{
    const QString tablePath = qEnvironmentVariable("TESVORA_BENCH_TABLE");
    QFile table(tablePath);
    if (!tablePath.isEmpty() && !table.open(QIODevice::Append | QIODevice::Text))
        std::fprintf(stderr, "cannot add to %s\n", qPrintable(tablePath));
    bool ok = true;
    std::printf("\n%-40s %10s %10s %7s  %-24s %s\n", "case (median of each run)", "ms", "raw ms", "ratio", "target", "met");
    for (const Result& r : results) {
        if (r.ms < 0)
            continue;
        const std::string target = r.target();
        const char* met = target.empty() ? "" : r.met() ? "met" : "MISSED";
        ok = ok && r.met();
        std::printf("%-40s %10.3f %10s %7s  %-24s %s\n", r.name.c_str(), r.ms,
                    r.rawMs > 0 ? qPrintable(QString::number(r.rawMs, 'f', 3)) : "",
                    r.rawMs > 0 ? qPrintable(QString::number(r.ratio(), 'f', 2)) : "", target.c_str(), met);
        if (table.isOpen())
            table.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                            .arg(QString::fromStdString(r.name), QString::number(r.ms, 'f', 3),
                                 r.rawMs > 0 ? QString::number(r.rawMs, 'f', 3) : QString(),
                                 QString::fromStdString(target), QLatin1String(met))
                            .toUtf8());
    }
    return ok;
}

void renumberPartsForMocks(store::Connection& c)
{
    const std::pair<const char*, const char*> parts[] = {{"12", "01"}, {"13", "02"}, {"30", "03"}, {"14", "04"}, {"15", "05"},
                                                         {"16", "06"}, {"17", "07"}, {"18", "08"}, {"19", "09"}};
    for (const auto& [from, to] : parts) {
        const store::Params p = {{QStringLiteral(":from"), QString::fromLatin1(from)}, {QStringLiteral(":to"), QString::fromLatin1(to)}};
        c.exec(QStringLiteral("update tab_answ set A10 = :to || substr(A10, 3) where substr(A10, 1, 2) = :from"), p);
        c.exec(QStringLiteral("update tab_kmmc set C1 = :to || substr(C1, 3) where substr(C1, 1, 2) = :from"), p);
    }
}

void fillAnswerLog(store::Connection& db, const QDateTime& now)
{
    store::Transaction t(db);
    db.exec(QStringLiteral(
        "insert into answer_log (A1, at, right, answer, seconds, source, recall) "
        "select A1, printf('2025-%02d-%02dT08:00:00.000Z', 1 + n % 12, 1 + (n * 7) % 28), n % 3 <> 0, 'A', 10 + n * 3, 1 + n % 5,"
        " case when n = 0 then null else ((rowid * 31 + n * 17) % 1000) / 1000.0 end "
        "from (select rowid, A1 from tab_answ where rowid % 10 <> 0),"
        " (with recursive c(n) as (select 0 union all select n + 1 from c where n < 10) select n from c)"));
    db.exec(QStringLiteral(
        "insert or replace into memory_state (A1, stability, difficulty, phase, step, last_review, due) "
        "select A1, s, 5.0, 2, 0, strftime('%Y-%m-%dT%H:%M:%fZ', due - s), strftime('%Y-%m-%dT%H:%M:%fZ', due) from "
        "(select A1, s, julianday(:now) + s * ((h % 1000) / 1000.0 * 1.05 - 0.05) as due from "
        " (select A1, 1 + (rowid * 7919) % 120 as s, (rowid * 104729) % 1000003 as h from tab_answ where rowid % 10 <> 0))"),
        {{QStringLiteral(":now"), now.toUTC().toString(Qt::ISODateWithMs)}});
    db.exec(QStringLiteral("update tab_answ set E2 = case when rowid % 10 <> 0 then A2 else '' end, E3 = case when rowid % 10 <> 0 then 11 else 0 end"));
    t.commit();
}

QString defaultBank(const char* argv0)
{
    return QFileInfo(QString::fromLocal8Bit(argv0)).absoluteDir().absoluteFilePath(QStringLiteral("../bench-data/bank-100000.db"));
}

void makeBankOnce(const QString& bank)
{
    if (QFile::exists(bank))
        return;
    std::printf("making the benchmark bank once: %s\n", qPrintable(bank));
    QDir().mkpath(QFileInfo(bank).absolutePath());
    // Each program its own part file, so two making the bank at once do not share one.
    const QString part = bank + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    QFile::remove(part);
    bankgen::generateBank(part, {}, [](const QString& line) { std::printf("  %s\n", qPrintable(line)); });
    for (const char* suffix : {"-wal", "-shm"})
        QFile::remove(part + QLatin1String(suffix));
    if (!QFile::rename(part, bank) && !QFile::exists(bank))
        throw std::runtime_error("cannot move the new bank into place");
    QFile::remove(part);
}

void removeBank(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

QString start(int argc, char** argv, std::initializer_list<std::pair<const char*, bool*>> flags)
{
    QString bank = qEnvironmentVariable("TESVORA_BENCH_BANK");
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string_view a(argv[i]);
        const auto flag = std::find_if(flags.begin(), flags.end(), [a](const auto& f) { return a == f.first; });
        if (a.starts_with("--bank="))
            bank = QString::fromLocal8Bit(argv[i] + 7);
        else if (i > 0 && flag != flags.end())
            *flag->second = true;
        else
            rest.push_back(argv[i]);
    }
    int n = int(rest.size());
    benchmark::Initialize(&n, rest.data());
    return bank.isEmpty() ? defaultBank(argv[0]) : bank;
}

void freshCopy(const QString& from, const QString& to)
{
    removeBank(to);
    if (!QFile::copy(from, to))
        throw std::runtime_error("cannot copy the bank to " + to.toStdString());
}

namespace {

void check(sqlite3* db, int rc, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

} // namespace

Raw::Raw(const QString& path)
{
    check(m_db, sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr), "open");
    const QByteArray key = store::bankKey();
    check(m_db, sqlite3_key(m_db, key.constData(), int(key.size())), "key");
    exec("PRAGMA cipher_page_size = 4096; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
         " PRAGMA cell_size_check = ON; PRAGMA foreign_keys = OFF;");
    store::registerJetFunctions(m_db);
}

Raw::~Raw()
{
    for (auto& [sql, stmt] : m_cache)
        sqlite3_finalize(stmt);
    sqlite3_close_v2(m_db);
}

void Raw::exec(const char* sql) { check(m_db, sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), sql); }

sqlite3_stmt* Raw::stmt(const std::string& sql)
{
    auto it = m_cache.find(sql);
    if (it != m_cache.end()) {
        sqlite3_reset(it->second);
        return it->second;
    }
    sqlite3_stmt* s = nullptr;
    check(m_db, sqlite3_prepare_v2(m_db, sql.c_str(), int(sql.size()), &s, nullptr), sql.c_str());
    m_cache.emplace(sql, s);
    return s;
}

void Raw::text(sqlite3_stmt* s, int i, const std::string& v) { sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT); }

void Raw::bind(sqlite3_stmt* s, const store::Params& params)
{
    for (const auto& [name, value] : params)
        text(s, sqlite3_bind_parameter_index(s, name.toUtf8().constData()), value.toString().toStdString());
}

void Raw::run(sqlite3_stmt* s)
{
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    }
    check(m_db, rc, sqlite3_sql(s));
    sqlite3_reset(s);
}

int Raw::readAll(sqlite3_stmt* s)
{
    int rows = 0;
    size_t bytes = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        ++rows;
        for (int i = 0, n = sqlite3_column_count(s); i < n; ++i) {
            sqlite3_column_blob(s, i);
            bytes += size_t(sqlite3_column_bytes(s, i));
        }
    }
    check(m_db, rc, sqlite3_sql(s));
    benchmark::DoNotOptimize(bytes);
    sqlite3_reset(s);
    return rows;
}

int Raw::changes() const { return sqlite3_changes(m_db); }

} // namespace bench

// What the benchmarks share: the per-run samples and their medians, the timing loop,
// the large bank made once, and a bare SQLCipher handle to compare our layer against.
#pragma once

#include "core/store/Connection.h"

#include <QDateTime>
#include <QString>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace bench {

// Per-iteration milliseconds of the last run of each case, by case name.
std::map<std::string, std::vector<double>>& samples();

double median(std::vector<double> v);

// Times op alone; setup runs before it and after behind it, both untimed.
template <class Setup, class Op, class After>
void timed(benchmark::State& state, const std::string& name, Setup setup, Op op, After after)
{
    using Steady = std::chrono::steady_clock;
    std::vector<double>& ms = samples()[name];
    ms.clear();
    for (auto _ : state) {
        setup();
        const auto t0 = Steady::now();
        op();
        const double s = std::chrono::duration<double>(Steady::now() - t0).count();
        state.SetIterationTime(s);
        ms.push_back(s * 1000.0);
        after();
    }
}

template <class Setup, class Op>
void timed(benchmark::State& state, const std::string& name, Setup setup, Op op)
{
    timed(state, name, setup, op, [] {});
}

// Runs ours and the bare handle's version in turn, so both see the same load on the
// machine; each setup runs untimed before its own. Google Benchmark reports ours.
template <class SetupO, class OpO, class SetupR, class OpR>
void paired(benchmark::State& state, const std::string& name, SetupO setupOurs, OpO ours, SetupR setupRaw, OpR raw)
{
    using Steady = std::chrono::steady_clock;
    std::vector<double>& mo = samples()[name + ": ours"];
    std::vector<double>& mr = samples()[name + ": raw"];
    mo.clear();
    mr.clear();
    const auto time = [](auto& op) {
        const auto t0 = Steady::now();
        op();
        return std::chrono::duration<double>(Steady::now() - t0).count();
    };
    for (auto _ : state) {
        setupOurs();
        const double o = time(ours);
        setupRaw();
        const double r = time(raw);
        state.SetIterationTime(o);
        mo.push_back(o * 1000.0);
        mr.push_back(r * 1000.0);
    }
}

template <class Ours, class RawOp>
void paired(benchmark::State& state, const std::string& name, Ours ours, RawOp raw)
{
    paired(state, name, [] {}, ours, [] {}, raw);
}

// One case of a benchmark's summary: the median of its runs, the bare SQL's median
// (0: none) and its targets (0: none). ms < 0: the case did not run.
struct Result {
    std::string name;
    double ms = -1;
    double rawMs = 0;
    double maxMs = 0;
    double maxRatio = 0;

    double ratio() const { return rawMs > 0 ? ms / rawMs : 0; }
    bool met() const { return (maxMs <= 0 || ms <= maxMs) && (maxRatio <= 0 || rawMs <= 0 || ratio() <= maxRatio); }
    std::string target() const; // "<= 50 ms, <= 1.3x raw"; "" when there is none
};

// The medians of the case `name` and of its bare counterpart `raw` (empty: none) from samples().
Result result(const std::string& name, const std::string& raw = {}, double maxMs = 0, double maxRatio = 0);

// Prints the cases that ran as one table (case, median, raw, ratio, target, met) and,
// when $TESVORA_BENCH_TABLE names a file, adds them to it as tab-separated lines for
// bench/run.sh's table of every benchmark. True when every target is met.
bool report(const std::vector<Result>& results);

// The generated bank's parts are numbered 10-49; mocks 1-3 draw from parts 01-11, 21,
// 31-33 and 41 as well. Renames parts 12-19 and 30 to 01-09 (in the chapter tree and the
// questions) so a mock paper gets its full size. Call inside a transaction.
void renumberPartsForMocks(store::Connection& c);

// A year of answers on the bank: nine questions in ten answered (one in ten never met),
// ten log rows each (about a million on the 100k bank), the first of each without a
// predicted recall as a first answer has none; a memory state for every answered
// question, stability 1 … 120 days, due anywhere from 5 % of it in the past to the whole
// of it ahead (about one in twelve due at `now`), its counters in tab_answ to match.
void fillAnswerLog(store::Connection& db, const QDateTime& now);

// <build>/bench/<program> → <build>/bench-data/bank-100000.db
QString defaultBank(const char* argv0);

// Generates the large bank at `bank` unless it is there; a half-made one never takes its name.
void makeBankOnce(const QString& bank);

// Replaces `to` (and its WAL files) with a copy of `from`; throws when it cannot.
void freshCopy(const QString& from, const QString& to);

// Removes a bank and its WAL files.
void removeBank(const QString& path);

// Hands the program's arguments to Google Benchmark, less `--bank=<path>` and the
// words in `flags` (each found one set true). The bank: the one named there, else
// $TESVORA_BENCH_BANK, else defaultBank().
QString start(int argc, char** argv, std::initializer_list<std::pair<const char*, bool*>> flags = {});

// A bare SQLCipher handle with the settings of our connection, so only the layer differs.
class Raw {
public:
    explicit Raw(const QString& path);
    ~Raw();
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    void exec(const char* sql);
    // Prepared once, reset on every later call.
    sqlite3_stmt* stmt(const std::string& sql);
    void text(sqlite3_stmt* s, int i, const std::string& v);
    void bind(sqlite3_stmt* s, const store::Params& params);
    // Steps to the end and resets.
    void run(sqlite3_stmt* s);
    // Steps every row, reading every column as the dataset does; the row count.
    int readAll(sqlite3_stmt* s);
    int changes() const;
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    std::map<std::string, sqlite3_stmt*> m_cache;
};

} // namespace bench

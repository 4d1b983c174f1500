#include "core/exam/PaperDraw.h"

#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
#include "core/store/Schema.h"

#include <algorithm>
#include <numeric>

namespace exam {

namespace {

struct MockDraws {
    const char16_t* title;
    std::vector<const char*> prefixes; // the candidate clause
    std::vector<DrawEntry> entries;    // the draw table, in order
};

std::vector<DrawEntry> spread(int type, std::initializer_list<std::pair<const char*, int>> parts)
{
    std::vector<DrawEntry> out;
    for (const auto& [prefix, count] : parts)
        out.push_back({type, count, QString::fromLatin1(prefix)});
    return out;
}

std::vector<DrawEntry> join(std::vector<DrawEntry> a, const std::vector<DrawEntry>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Mocks 1-3 are shaped like the real paper: every part of the book, in proportion
// to its exam points in the outline, and no entry takes more than two thirds of
// its part's questions of the type, so each paper is a fresh random choice. Mocks
// 4 and 5 are papers of one type (综合, 案例分析) and draw from the parts that hold it.
const std::vector<MockDraws>& mocks()
{
    static const std::vector<const char*> kEveryPart = {"0", "1", "2", "3", "4"};
    static const std::vector<MockDraws> all = {
        {u"模拟考试（一）", kEveryPart,
         join(spread(11, {{"01", 7}, {"02", 9}, {"03", 10}, {"04", 5}, {"05", 5}, {"06", 4}, {"07", 4}, {"08", 4}, {"09", 3}, {"10", 4}, {"11", 4}, {"21", 2}, {"31", 5}, {"32", 5}, {"33", 5}, {"41", 4}}),
              spread(14, {{"01", 4}, {"02", 4}, {"03", 5}, {"04", 3}, {"05", 3}, {"06", 2}, {"07", 2}, {"08", 2}, {"10", 2}, {"11", 2}, {"21", 1}, {"31", 3}, {"32", 3}, {"33", 2}, {"41", 2}}))},
        {u"模拟考试（二）", kEveryPart,
         join(spread(11, {{"01", 4}, {"02", 5}, {"03", 6}, {"04", 4}, {"05", 3}, {"06", 2}, {"07", 2}, {"08", 3}, {"09", 2}, {"10", 3}, {"11", 3}, {"21", 1}, {"31", 3}, {"32", 3}, {"33", 3}, {"41", 3}}),
              spread(14, {{"01", 3}, {"02", 3}, {"03", 4}, {"04", 2}, {"05", 2}, {"06", 1}, {"07", 1}, {"08", 1}, {"10", 2}, {"11", 2}, {"21", 1}, {"31", 2}, {"32", 2}, {"33", 2}, {"41", 2}}))},
        {u"模拟考试（三）", kEveryPart,
         join(spread(11, {{"01", 5}, {"02", 7}, {"03", 7}, {"04", 4}, {"05", 4}, {"06", 3}, {"07", 3}, {"08", 3}, {"09", 2}, {"10", 3}, {"11", 3}, {"21", 1}, {"31", 4}, {"32", 4}, {"33", 4}, {"41", 3}}),
              spread(14, {{"01", 3}, {"02", 4}, {"03", 4}, {"04", 3}, {"05", 2}, {"06", 2}, {"07", 2}, {"08", 2}, {"10", 2}, {"11", 2}, {"21", 1}, {"31", 2}, {"32", 2}, {"33", 2}, {"41", 2}}))},
        {u"模拟考试（四）", {"10", "11", "05", "08", "07", "04"},
         spread(70, {{"10", 2}, {"11", 2}, {"05", 2}, {"08", 1}, {"07", 2}, {"04", 1}})},
        {u"模拟考试（五）", {"41", "05", "1"}, spread(64, {{"41", 3}, {"05", 2}, {"1", 1}})},
    };
    return all;
}

const MockDraws* mockOf(int mock)
{
    return mock >= 1 && mock <= 5 ? &mocks()[size_t(mock - 1)] : nullptr;
}

const QString kPaperPrefix = QStringLiteral("tab_exam");

// "begins with prefix" as a range on A10, so the chapter index finds the rows:
// the same rows as Left(A10, len) = prefix.
QString prefixRange(const QString& lo, const QString& hi)
{
    return QStringLiteral("(A10 >= %1 and A10 < %2)").arg(lo, hi);
}

QString prefixEnd(const QString& prefix)
{
    return prefix.left(prefix.size() - 1) + QChar(char16_t(prefix.back().unicode() + 1));
}

// The candidate clause of a mock with its values.
QString candidateClause(int mock, store::Params& params)
{
    QStringList ranges;
    const QStringList prefixes = candidatePrefixes(mock);
    for (int i = 0; i < prefixes.size(); ++i) {
        const QString lo = QStringLiteral(":lo%1").arg(i);
        const QString hi = QStringLiteral(":hi%1").arg(i);
        params.emplace_back(lo, prefixes[i]);
        params.emplace_back(hi, prefixEnd(prefixes[i]));
        ranges << prefixRange(lo, hi);
    }
    return ranges.isEmpty() ? QStringLiteral("0") : QLatin1Char('(') + ranges.join(QStringLiteral(" or ")) + QLatin1Char(')');
}

QString typeTableOf(int mock)
{
    return QStringLiteral("tab_tx%1").arg(mock);
}

} // namespace

QString mockTitle(int mock)
{
    const MockDraws* m = mockOf(mock);
    return m ? QString::fromUtf16(m->title) : QString();
}

QString paperTitle(const QDate& day, int mock, int sequence)
{
    return day.toString(QStringLiteral("yyyy年MM月dd日")) + mockTitle(mock) + QLatin1Char('[') + QString::number(sequence) + QLatin1Char(']');
}

std::vector<DrawEntry> drawsOf(int mock, int type)
{
    std::vector<DrawEntry> out;
    if (const MockDraws* m = mockOf(mock))
        for (const DrawEntry& e : m->entries)
            if (e.type == type)
                out.push_back(e);
    return out;
}

QStringList candidatePrefixes(int mock)
{
    QStringList out;
    if (const MockDraws* m = mockOf(mock))
        for (const char* p : m->prefixes)
            out << QString::fromLatin1(p);
    return out;
}

PaperName nextPaperName(store::Connection& db)
{
    const store::Rows newest = db.query(QStringLiteral("select A1, A3_1 from tab_cj order by A3_1 desc limit 1"));
    PaperName name;
    if (newest.empty()) {
        name.table = kPaperPrefix + QLatin1Char('1');
        return name;
    }
    name.sequence = newest.at(0, QStringLiteral("A3_1")).toInt() + 1;
    const QString last = newest.at(0, QStringLiteral("A1")).toString().trimmed();
    bool ok = false;
    const qlonglong number = last.mid(kPaperPrefix.size()).toLongLong(&ok);
    // A newest row whose name carries no number: start from 1 and take the first free name.
    name.table = kPaperPrefix + QString::number(ok && number >= 0 ? number + 1 : 1);
    return name;
}

NewPaper createPaper(TDM1& dm, int mock, const QDate& day)
{
    store::Connection& db = dm.db();
    const PaperName name = nextPaperName(db);
    NewPaper paper{name.table, paperTitle(day, mock, name.sequence), name.sequence};
    try {
        // A stored paper keeps its name: the new one takes the next free number.
        qlonglong number = paper.table.mid(kPaperPrefix.size()).toLongLong();
        while (!db.scalar(QStringLiteral("select 1 from tab_cj where A1=:a1"), {{QStringLiteral(":a1"), paper.table}}).isNull())
            paper.table = kPaperPrefix + QString::number(++number);
        store::Transaction t(db);
        if (db.hasTable(paper.table))
            db.exec(QStringLiteral("drop table ") + paper.table); // left over without a score row
        db.exec(QStringLiteral("insert into tab_cj (A1,A3,A3_1,D1) values (:a1,:a3,:a3_1,:d1)"),
                {{QStringLiteral(":a1"), paper.table}, {QStringLiteral(":a3"), paper.title},
                 {QStringLiteral(":a3_1"), paper.sequence}, {QStringLiteral(":d1"), day}});
        store::createPaperTable(db, paper.table);
        dm.AllowZeroLengthColumns(paper.table);
        t.commit();
    } catch (const store::DbError& e) {
        throw PaperError(PaperError::Stage::CreateTable, e.message());
    }
    return paper;
}

std::vector<int> drawPositions(int n, int count, std::mt19937& rng)
{
    n = std::max(n, 0);
    count = std::clamp(count, 0, n);
    // The first `count` steps of a Fisher–Yates shuffle: every set of positions
    // (and every order) equally likely, no repeats, and it always ends.
    std::vector<int> pool(static_cast<size_t>(n));
    std::iota(pool.begin(), pool.end(), 0);
    for (int i = 0; i < count; ++i) {
        const int j = std::uniform_int_distribution<int>(i, n - 1)(rng);
        std::swap(pool[size_t(i)], pool[size_t(j)]);
    }
    pool.resize(size_t(count));
    return pool;
}

QStringList DrawRandomIds(store::Connection& db, int type, int count, const QString& prefix, std::mt19937& rng)
{
    if (prefix.isEmpty() || count <= 0)
        return {};
    // The candidates of the entry in the draw index's order: read from the index
    // alone, with no sort. The order does not change the odds, it only fixes what a
    // position means.
    const store::Rows rows = db.query(
        QStringLiteral("select A1 from tab_answ where A13 = :type and A10 >= :lo and A10 < :hi and F1 <> 1 order by A10, F1, A1"),
        {{QStringLiteral(":type"), type}, {QStringLiteral(":lo"), prefix}, {QStringLiteral(":hi"), prefixEnd(prefix)}});
    QStringList ids;
    for (int pos : drawPositions(rows.size(), count, rng))
        ids << rows.values[size_t(pos)][0].toString();
    return ids;
}

int InsertDrawnQuestions(store::Connection& db, const QString& paperTable, const QStringList& ids)
{
    if (ids.isEmpty())
        return 0;
    if (!store::isPaperTableName(paperTable))
        throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a paper table name: %1").arg(paperTable));
    store::Params params;
    QStringList marks;
    for (int i = 0; i < ids.size(); ++i) {
        const QString mark = QStringLiteral(":id%1").arg(i);
        marks << mark;
        params.emplace_back(mark, ids[i]);
    }
    return db.exec(QStringLiteral("insert into ") + paperTable
                       + QStringLiteral("(a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,E3,E4,JX,CSBS,F1)"
                                        " select a.a1,a.a2,a.a2_1,a.k3,a.k4,a.k5,a.k6,a.k7,a.k8,a.k9,a.k10,a.k11,a.k12,"
                                        "a.a10,a.a13,a.a14,a.e1,a.e2,a.e2_1,a.e3,a.e4,b.jx,a.csbs,a.f1"
                                        " from tab_answ a, tab_exer b where a.a1 = b.a1 and a.a1 in (")
                       + marks.join(QLatin1Char(',')) + QStringLiteral(")"),
                   params);
}

int DrawTypeQuestions(store::Connection& db, int mock, const QString& paperTable, int type, std::mt19937& rng)
{
    // One insert for the whole type: the entries only choose the ids.
    QStringList ids;
    for (const DrawEntry& e : drawsOf(mock, type))
        ids << DrawRandomIds(db, type, e.count, e.prefix, rng);
    return InsertDrawnQuestions(db, paperTable, ids);
}

bool hasCandidates(store::Connection& db, int mock)
{
    store::Params params;
    const QString clause = candidateClause(mock, params);
    return !db.scalar(QStringLiteral("select 1 from tab_answ where ") + clause + QStringLiteral(" and F1 <> 1 limit 1"), params).isNull();
}

int drawPaper(store::Connection& db, int mock, const QString& paperTable, std::mt19937& rng)
{
    try {
        if (!hasCandidates(db, mock))
            throw PaperError(PaperError::Stage::NoCandidates, QStringLiteral("no candidate for mock %1").arg(mock));
    } catch (const store::DbError& e) {
        throw PaperError(PaperError::Stage::Draw, e.message());
    }
    try {
        store::Transaction t(db);
        int inserted = 0;
        const store::Rows types = db.query(QStringLiteral("select A1, B2 from ") + typeTableOf(mock) + QStringLiteral(" order by rowid"));
        for (const auto& row : types.values)
            if (row[1].toInt() > 0)
                inserted += DrawTypeQuestions(db, mock, paperTable, row[0].toInt(), rng);
        t.commit();
        return inserted;
    } catch (const store::DbError& e) {
        throw PaperError(PaperError::Stage::Draw, e.message());
    }
}

void openPaper(store::Connection& db, store::Dataset& paper, const QString& paperTable, bool fresh)
{
    try {
        if (!store::isPaperTableName(paperTable))
            throw store::DbError(store::DbError::Kind::Usage, QStringLiteral("not a paper table name: %1").arg(paperTable));
        if (fresh)
            db.exec(QStringLiteral("update ") + paperTable + QStringLiteral(" set E2_1 = '' where E2_1 <> '' or E2_1 is null"));
        paper.close();
        paper.setFiltered(false);
        paper.setSql(QStringLiteral("select * from ") + paperTable + QStringLiteral(" order by A13, A1"));
        paper.open();
    } catch (const store::DbError& e) {
        throw PaperError(PaperError::Stage::Open, e.message());
    }
    if (paper.isEmpty())
        throw PaperError(PaperError::Stage::Open, QStringLiteral("%1 has no row").arg(paperTable));
}

} // namespace exam

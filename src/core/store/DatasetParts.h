#pragma once

// Inside the dataset: its value comparisons, filter language and sort keys
// (DatasetFilter.cpp) and its select parsing and reading (DatasetSelect.cpp),
// shared by the files of Dataset and nothing else.

#include "core/store/Connection.h"
#include "core/store/Dataset.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <vector>

namespace store::detail {

// The injected rowid column of a select keyed by rowid.
inline const QString kRowidAlias = QStringLiteral("tesvora_rowid");

[[noreturn]] inline void usage(const QString& message)
{
    throw DbError(DbError::Kind::Usage, message);
}

inline QString quoted(const QString& identifier)
{
    return quoteIdentifier(identifier);
}

bool isIdentifier(QStringView s);

// ---- values ---------------------------------------------------------------

bool isNumber(const QVariant& v);
bool isInteger(const QVariant& v);
const QString* textOf(const QVariant& v);
// The form a value is kept in: texts, integers, reals, blobs; dates as ISO text.
QVariant normalized(const QVariant& v);
int compareForSort(const QVariant& a, const QVariant& b);
// Locate: texts as texts (exactly), numbers as numbers, a date as its ISO text.
bool sameValue(const QVariant& cellValue, const QVariant& wanted);

// A sort key read out of its QVariant once.
struct SortCell {
    int rank = 0; // as rankOf
    bool isInt = false;
    qint64 i = 0;
    double d = 0;
    const QVariant* v = nullptr;
};

enum class Op { Eq, Ne, Lt, Le, Gt, Ge, Like };

struct Term {
    QString column;
    int col = -1;
    Op op = Op::Eq;
    bool numeric = false;   // the operand was written as a number
    QVariant number;        // qint64 or double
    QString text;           // the operand as text (case-folded pattern for like)
    bool textIsNumber = false;
    QVariant textNumber;    // a quoted operand that reads as a number
    bool prefixOnly = false; // like 'abc*'
    QString prefix;
};

struct SortKey {
    QString column;
    int col = -1;
    bool desc = false;
};

SortCell sortCellOf(const QVariant& v);
int compareSortCells(const SortCell& a, const SortCell& b);

// ---- filter and sort --------------------------------------------------------

bool matches(const QVariant& v, const Term& t);
// The terms of a filter text; throws DbError(Usage) for one it cannot read.
std::vector<Term> parseFilter(const QString& text);
std::vector<SortKey> parseSort(const QString& text);

// ---- the select -------------------------------------------------------------

QString withColon(const QString& name);
// Runs the select and reads every row into `cells`; works out the table and key.
void readSelect(Connection* conn, const QString& sql, const Params& params, QString& table,
                QStringList& cols, int& ncols, bool& rowidKey, std::vector<int>& keyCols, QStringList& tableCols,
                QList<QVariant>& cells, int& rows);

} // namespace store::detail

namespace store {

using namespace detail;

// The rows of an open dataset and what the last open found out about its select.
struct Dataset::Impl {
    Params params;

    // What the last open found out about the select.
    QStringList cols;        // visible columns
    int ncols = 0;           // stored columns (visible + an injected rowid)
    bool rowidKey = false;   // key is the injected rowid (last stored column)
    std::vector<int> keyCols;
    QStringList tableCols;   // columns of the base table

    // Row-major, ncols per row. A QList: it grows by realloc (QVariant is relocatable)
    // and a clone shares it until one side writes.
    QList<QVariant> cells;
    int rows = 0;
    std::vector<int> visible;    // storage rows passing the filter, in sort order
    int cur = -1;                // position in visible; -1 before the first, size() past the last

    std::vector<Term> terms;     // parsed filter (columns resolved when applied)
    std::vector<SortKey> keys;

    std::vector<QVariant> buf;   // pending values of the row in edit / insert
    std::vector<char> dirty;
    int curBeforeInsert = -1;

    const QVariant& at(int storageRow, int col) const { return cells[qsizetype(storageRow) * ncols + col]; }
    bool hasCurrent() const { return cur >= 0 && cur < int(visible.size()); }
    int currentRow() const { return hasCurrent() ? visible[size_t(cur)] : -1; }

    int find(const QString& column) const
    {
        for (int i = 0; i < cols.size(); ++i)
            if (cols[i].compare(column, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    std::vector<QVariant> keyOf(int storageRow) const
    {
        std::vector<QVariant> k;
        for (int c : keyCols)
            k.push_back(at(storageRow, c));
        return k;
    }

    int rowWithKey(const std::vector<QVariant>& key) const
    {
        for (size_t pos = 0; pos < visible.size(); ++pos) {
            bool same = true;
            for (size_t j = 0; j < keyCols.size() && same; ++j)
                same = key[j].isValid() && sameValue(at(visible[pos], keyCols[j]), key[j]);
            if (same)
                return int(pos);
        }
        return -1;
    }

    void resolve(std::vector<Term>& ts) const
    {
        for (Term& t : ts) {
            t.col = find(t.column);
            if (t.col < 0)
                usage(QStringLiteral("filter: no column %1 in the rows").arg(t.column));
        }
    }

    void resolve(std::vector<SortKey>& ks) const
    {
        for (SortKey& k : ks) {
            k.col = find(k.column);
            if (k.col < 0)
                usage(QStringLiteral("sort: no column %1 in the rows").arg(k.column));
        }
    }

    // Rows passing the filter, in the select's order, then stably sorted.
    void rebuild(bool filterOn)
    {
        visible.clear();
        visible.reserve(size_t(rows));
        const bool all = !filterOn || terms.empty();
        for (int r = 0; r < rows; ++r) {
            bool ok = true;
            if (!all)
                for (const Term& t : terms)
                    if (!matches(at(r, t.col), t)) {
                        ok = false;
                        break;
                    }
            if (ok)
                visible.push_back(r);
        }
        sortVisible();
    }

    void sortVisible()
    {
        if (keys.empty() || visible.size() < 2)
            return;
        // The keys are read once into one compact array, so comparisons stay in cache.
        const size_t n = visible.size(), nk = keys.size();
        std::vector<SortCell> ext(n * nk);
        for (size_t p = 0; p < n; ++p)
            for (size_t k = 0; k < nk; ++k)
                ext[p * nk + k] = sortCellOf(at(visible[p], keys[k].col));
        std::vector<int> perm(n);
        for (size_t p = 0; p < n; ++p)
            perm[p] = int(p);
        std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
            for (size_t k = 0; k < nk; ++k) {
                const int c = compareSortCells(ext[size_t(a) * nk + k], ext[size_t(b) * nk + k]);
                if (c != 0)
                    return keys[k].desc ? c > 0 : c < 0;
            }
            return false;
        });
        std::vector<int> sorted(n);
        for (size_t p = 0; p < n; ++p)
            sorted[p] = visible[size_t(perm[p])];
        visible = std::move(sorted);
    }
};

} // namespace store

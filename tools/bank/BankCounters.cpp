#include "bank/BankCounters.h"

#include <QHash>
#include <QSet>
#include <map>

namespace bank {

namespace {

const char* const kPointColumns = "K3,K4,K5,K6,K7,K8,K9,K10,K11,K12";

// Compares counted values with a table's stored counter; rows with no counted
// value count 0.
void compare(store::Connection& db, const QString& table, const QString& keyColumn, const QString& column,
             const QHash<QString, qint64>& counted, QList<CounterDifference>& out)
{
    // Table and column names are this program's own constants, never outside values.
    const store::Rows rows = db.query(QStringLiteral("select %1, %2 from %3 order by %1").arg(keyColumn, column, table));
    for (int i = 0; i < rows.size(); ++i) {
        const QString key = rows.values[size_t(i)][0].toString();
        const QVariant stored = rows.values[size_t(i)][1];
        const qint64 value = counted.value(key, 0);
        if (stored.isNull() || stored.toLongLong() != value)
            out.append({table, keyColumn, key, column, stored, value});
    }
}

} // namespace

QString CounterDifference::toString() const
{
    const QString storedText = stored.isNull() ? QStringLiteral("NULL") : stored.toString();
    return QStringLiteral("%1 %2=%3: %4 is %5, should be %6").arg(table, keyColumn, key, column, storedText, counted.toString());
}

QList<CounterDifference> questionCounterDifferences(store::Connection& db)
{
    QSet<QString> chapters;
    for (const auto& row : db.query(QStringLiteral("select C1 from tab_kmmc")).values)
        chapters.insert(row[0].toString());

    QHash<QString, qint64> c3, pointQ, nodeQ;
    const store::Rows questions = db.query(QStringLiteral("select A10, %1 from tab_answ").arg(QLatin1String(kPointColumns)));
    for (const auto& row : questions.values) {
        const QString chapter = row[0].toString();
        for (qsizetype n = 1; n <= chapter.size(); ++n)
            if (chapters.contains(chapter.left(n)))
                ++c3[chapter.left(n)];
        QSet<QString> points, nodes;
        for (size_t k = 1; k < row.size(); ++k) {
            const QString p = row[k].toString().trimmed();
            if (p.isEmpty())
                continue;
            points.insert(p);
            nodes.insert(p.left(6));
            nodes.insert(p.left(2));
        }
        for (const QString& p : points)
            ++pointQ[p];
        for (const QString& n : nodes)
            ++nodeQ[n];
    }

    QList<CounterDifference> out;
    compare(db, QStringLiteral("tab_kmmc"), QStringLiteral("C1"), QStringLiteral("C3"), c3, out);
    compare(db, QStringLiteral("tab_rule"), QStringLiteral("ftid"), QStringLiteral("q"), pointQ, out);
    compare(db, QStringLiteral("tab_fgmc"), QStringLiteral("id"), QStringLiteral("q"), nodeQ, out);
    return out;
}

void applyCounters(store::Connection& db, const QList<CounterDifference>& differences)
{
    for (const auto& d : differences)
        db.exec(QStringLiteral("update %1 set %2 = :v where %3 = :k").arg(d.table, d.column, d.keyColumn),
                {{QStringLiteral(":v"), d.counted}, {QStringLiteral(":k"), d.key}});
}

} // namespace bank

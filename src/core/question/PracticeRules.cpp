#include "core/question/PracticeRules.h"

#include "core/store/Connection.h"
#include "core/store/Dataset.h"
#include "core/store/Statistics.h"

#include <algorithm>

namespace practice {

void openQuestionSet(store::Connection& db, store::Dataset& set, const PracticeStatement& statement)
{
    set.close();
    set.setFiltered(false);
    set.setFilter(QString());
    store::clearOpenAnswers(db);
    set.setSql(statement.sql);
    for (const auto& [name, value] : statement.params)
        set.setParam(name, value);
    set.open();
}

namespace {

// Re-opens `ds` on one row of `sql` keyed by `:A1`.
void openKeyed(store::Dataset& ds, const QString& sql, const QString& key)
{
    if (ds.sql() != sql)
        ds.setSql(sql);
    ds.close();
    ds.setParam(QStringLiteral(":A1"), key);
    ds.open();
}

} // namespace

void openQuestionText(store::Dataset& text, const QString& questionId)
{
    openKeyed(text, QStringLiteral("select * from tab_exer where a1 =:A1"), questionId);
}

QByteArray sharedStem(store::Dataset& title, const QString& questionId)
{
    openKeyed(title, QStringLiteral("select * from tab_title where A1=:A1"), questionId.left(16));
    return title.recNo() > 0 ? title.bytes(QStringLiteral("A15")) : QByteArray();
}

QVector<QuestionType> readQuestionTypes(store::Dataset& types, const QString& typeTable)
{
    if (types.tableName().compare(typeTable, Qt::CaseInsensitive) != 0 || !types.isOpen()) {
        types.setTable(typeTable);
        types.setSort(QStringLiteral("A1 ASC"));
        types.open();
    }
    QVector<QuestionType> out;
    for (types.first(); !types.eof(); types.next())
        out.push_back({int(types.integer(QStringLiteral("A1"))), types.text(QStringLiteral("B1"))});
    return out;
}

QSet<int> typesInSet(const store::Dataset& set)
{
    QSet<int> present;
    const int column = set.columnIndex(QStringLiteral("a13"));
    for (int r = 0, n = set.recordCount(); r < n; ++r)
        present.insert(set.valueAt(r, column).toInt());
    return present;
}

GroupPage firstGroup(int count)
{
    count = std::max(count, 0);
    const int groups = (count + kGroupSize - 1) / kGroupSize;
    return {groups > 0 ? 1 : 0, groups, 1, std::min(count, kGroupSize)};
}

GroupPage previousGroup(const GroupPage& page, int count)
{
    if (!page.hasPrevious())
        return page;
    GroupPage p = page;
    p.group = page.group - 1;
    p.first = (p.group - 1) * kGroupSize + 1;
    p.size = std::min(kGroupSize, std::max(count - p.first + 1, 0));
    return p;
}

GroupPage nextGroup(const GroupPage& page, int count)
{
    if (!page.hasNext())
        return page;
    GroupPage p = page;
    p.group = page.group + 1;
    p.first = page.group * kGroupSize + 1;
    p.size = std::min(kGroupSize, std::max(count - p.first + 1, 0));
    return p;
}

} // namespace practice

#include "core/outline/OutlineRules.h"

#include "core/store/Dataset.h"
#include "core/store/Schema.h"

#include <QHash>
#include <algorithm>
#include <limits>

namespace outline {

namespace {

qint64 integerAt(const std::vector<QVariant>& row, int column)
{
    return column >= 0 ? row[size_t(column)].toLongLong() : 0;
}

int percentOf(double share)
{
    int p = qRound(share * 100.0);
    if (share > 0 && p == 0)
        p = 1;
    if (share < 1 && p == 100)
        p = 99;
    return p;
}

} // namespace

std::vector<OutlineRow> readOutline(store::Connection& db)
{
    const store::Rows rows = db.query(QStringLiteral("select id,n,q,q1,q2,q4 from tab_fgmc order by bh"));
    const int id = rows.column(QStringLiteral("id")), n = rows.column(QStringLiteral("n"));
    const int q = rows.column(QStringLiteral("q")), q1 = rows.column(QStringLiteral("q1"));
    const int q2 = rows.column(QStringLiteral("q2")), q4 = rows.column(QStringLiteral("q4"));
    std::vector<OutlineRow> out;
    out.reserve(rows.values.size());
    for (const auto& r : rows.values)
        out.push_back({r[size_t(id)].toString().trimmed(), r[size_t(n)].toString(),
                       {integerAt(r, q), integerAt(r, q1), integerAt(r, q2), integerAt(r, q4)}});
    return out;
}

QString counterText(qint64 value)
{
    return QString::number(value).rightJustified(9, QLatin1Char(' '));
}

bool isChapterLevelId(const QString& nodeId)
{
    const qsizetype n = nodeId.trimmed().size();
    return n == 1 || n == 2;
}

std::vector<SearchHit> searchOutline(store::Connection& db, const std::vector<OutlineRow>& rows, const QString& text)
{
    std::vector<SearchHit> hits;
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return hits;
    // instr compares characters exactly, as the node search does.
    const store::Rows points = db.query(
        QStringLiteral("select trim(id) as id, ftid, sn from tab_rule where instr(sn, :t) > 0 order by ftid"),
        {{QStringLiteral(":t"), wanted}});
    QHash<QString, std::vector<SearchHit>> byNode;
    for (int r = 0; r < points.size(); ++r)
        byNode[points.at(r, QStringLiteral("id")).toString()].push_back(
            {-1, points.at(r, QStringLiteral("ftid")).toString(), points.at(r, QStringLiteral("sn")).toString().trimmed()});
    for (int i = 0; i < int(rows.size()); ++i) {
        const OutlineRow& row = rows[size_t(i)];
        if (row.name.contains(wanted, Qt::CaseSensitive))
            hits.push_back({i, {}, {}});
        for (SearchHit hit : byNode.value(row.id)) {
            hit.row = i;
            hits.push_back(hit);
        }
    }
    return hits;
}

int nextHit(int current, int hits)
{
    if (hits <= 0)
        return -1;
    return current < 0 || current + 1 >= hits ? 0 : current + 1;
}

QString notFoundText(const QString& text)
{
    return QStringLiteral("未找到与“%1”有关的考点！").arg(text.trimmed());
}

int keyThreshold(qint64 nodeQuestions, qint64 pointCount)
{
    if (pointCount <= 0)
        return 1;
    const qint64 t = nodeQuestions / pointCount;
    return t <= 0 ? 1 : int(std::min<qint64>(t, std::numeric_limits<int>::max()));
}

qint64 pointCount(store::Connection& db, const QString& nodeId)
{
    return db.scalar(QStringLiteral("select count(*) as icou1 from tab_rule where (id = :id)"), {{QStringLiteral(":id"), nodeId}})
        .toLongLong();
}

QString keyFilter(int threshold)
{
    return QStringLiteral("q >=") + QString::number(threshold);
}

void openNodePoints(store::Dataset& points, const QString& nodeId)
{
    points.close();
    points.setFiltered(false);
    points.setFilter(QString());
    points.setSql(QStringLiteral("select * from tab_rule where id=:id order by ftid"));
    points.setParam(QStringLiteral(":id"), nodeId);
    points.open();
}

QString pointEntry(const QString& title, qint64 questions)
{
    QString t = title;
    while (!t.isEmpty() && t.back().isSpace())
        t.chop(1);
    return questions <= 0 ? t : t + QLatin1Char('(') + QString::number(questions) + QLatin1Char(')');
}

PointNote pointNote(const Counters& c)
{
    if (c.q <= 0)
        return {QStringLiteral("虽然针对该内容的习题没有，您仍要仔细阅读！"), false};
    return {QStringLiteral("相关题数：%1题  已做题数：%2题  已做道次：%3次  做错道次：%4次").arg(c.q).arg(c.q1).arg(c.q2).arg(c.q4),
            true};
}

Counters countersOf(const store::Dataset& row)
{
    if (!row.isOpen() || row.recNo() < 1)
        return {};
    return {row.integer(QStringLiteral("q")), row.integer(QStringLiteral("q1")), row.integer(QStringLiteral("q2")),
            row.integer(QStringLiteral("q4"))};
}

practice::PracticeStatement pointPracticeStatement(const QString& ftid)
{
    return {QStringLiteral("select a1,a2,a2_1,k3,k4,k5,k6,k7,k8,k9,k10,k11,k12,a10,a13,a14,e1,e2,e2_1,e3,e4,f1, csbs "
                           "from tab_answ where ")
                + store::pointCondition(),
            {{QStringLiteral(":ftid"), ftid}}};
}

Mastery mastery(const Counters& c)
{
    Mastery m;
    if (c.q > 0)
        m.coverage = std::clamp(double(c.q1) / double(c.q), 0.0, 1.0);
    m.coveragePercent = percentOf(m.coverage);
    m.practised = c.q2 > 0;
    if (!m.practised) {
        m.spoken = c.q > 0 ? QStringLiteral("尚未练习") : QStringLiteral("暂无习题");
        return m;
    }
    m.accuracy = std::clamp(double(c.q2 - c.q4) / double(c.q2), 0.0, 1.0);
    m.accuracyPercent = percentOf(m.accuracy);
    m.band = m.accuracy >= 0.8 ? AccuracyBand::High : m.accuracy >= 0.6 ? AccuracyBand::Middle : AccuracyBand::Low;
    m.spoken = QStringLiteral("已覆盖 %1%，正确率 %2%").arg(m.coveragePercent).arg(m.accuracyPercent);
    return m;
}

} // namespace outline

#include "reliability/ImportKill.h"

#include "core/authoring/QuestionImport.h"
#include "core/exchange/Exchange.h"
#include "core/exchange/Table.h"
#include "core/search/SearchIndex.h"
#include "core/store/DataModule.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

namespace reliability {

namespace {

void say(const QString& text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

QString pointColumns()
{
    QStringList cols;
    for (int k = 3; k <= 12; ++k)
        cols << QStringLiteral("K%1").arg(k);
    return cols.join(QLatin1Char(','));
}

void addOffsets(store::Connection& db, const QString& prefix, const QString& sql, QHash<QString, qint64>& out)
{
    const store::Rows rows = db.query(sql);
    for (int r = 0; r < rows.size(); ++r)
        out.insert(prefix + rows.at(r, QStringLiteral("k")).toString(), rows.at(r, QStringLiteral("d")).toLongLong());
}

} // namespace

QByteArray importFile(int count, const QString& point)
{
    std::vector<exchange::Question> qs;
    for (int i = 1; i <= count; ++i) {
        exchange::Question q;
        q.number = i;
        q.points = {point};
        q.analysis = QStringLiteral("第%1题的解析").arg(i);
        switch (i % 5) {
        case 0:
            q.kind = exchange::Kind::Single;
            q.stem = QStringLiteral("第%1题：后进先出的结构是").arg(i);
            q.options = {QStringLiteral("栈"), QStringLiteral("队列"), QStringLiteral("数组"), QStringLiteral("链表")};
            q.answer = QStringLiteral("A");
            break;
        case 1:
            q.kind = exchange::Kind::Multiple;
            q.stem = QStringLiteral("第%1题：线性结构有").arg(i);
            q.options = {QStringLiteral("栈"), QStringLiteral("树"), QStringLiteral("队列"), QStringLiteral("图")};
            q.answer = QStringLiteral("AC");
            break;
        case 2:
            q.kind = exchange::Kind::TrueFalse;
            q.stem = QStringLiteral("第%1题：死锁可以避免").arg(i);
            q.answer = QStringLiteral("A");
            break;
        case 3:
            q.kind = exchange::Kind::Fill;
            q.stem = QStringLiteral("第%1题：进程是资源分配的____").arg(i);
            q.answer = QStringLiteral("单位");
            break;
        default:
            q.kind = exchange::Kind::Subjective;
            q.stem = QStringLiteral("第%1题：论述进程与线程的区别").arg(i);
            break;
        }
        qs.push_back(q);
    }
    return exchange::writeCsv(qs);
}

qint64 ownQuestions(store::Connection& db)
{
    return db.scalar(QStringLiteral("select count(*) from tab_answ where A1 like 'U%'")).toLongLong();
}

QHash<QString, qint64> questionCountOffsets(store::Connection& db)
{
    QHash<QString, qint64> out;
    // A chapter row counts the questions whose chapter code starts with its own.
    addOffsets(db, QStringLiteral("chapter "),
               QStringLiteral("select k.C1 as k, coalesce(k.C3,0) - (select count(*) from tab_answ a"
                              " where substr(a.A10,1,length(k.C1))=k.C1) as d from tab_kmmc k"),
               out);
    addOffsets(db, QStringLiteral("point "),
               QStringLiteral("select r.ftid as k, coalesce(r.q,0) - (select count(*) from tab_answ a where r.ftid in (")
                   + pointColumns() + QStringLiteral(")) as d from tab_rule r"),
               out);
    // Sections (6 characters) and top nodes (2) count each question once for its points under them.
    QStringList under;
    for (int k = 3; k <= 12; ++k)
        under << QStringLiteral("substr(a.K%1,1,length(n.id))=n.id").arg(k);
    addOffsets(db, QStringLiteral("node "),
               QStringLiteral("select n.id as k, coalesce(n.q,0) - (select count(*) from tab_answ a where ") + under.join(QStringLiteral(" or "))
                   + QStringLiteral(") as d from tab_fgmc n where length(n.id) in (2,6)"),
               out);
    // A bank whose index was never built has no rows to keep current.
    if (search::isBuilt(db))
        out.insert(QStringLiteral("own questions not in the search index"),
                   db.scalar(QStringLiteral("select count(*) from tab_answ a where a.A1 like 'U%' and not exists"
                                            " (select 1 from search_doc s where s.A1=a.A1)"))
                       .toLongLong());
    return out;
}

QStringList offsetFaults(store::Connection& db, const QHash<QString, qint64>& atStart)
{
    QStringList out;
    const QHash<QString, qint64> now = questionCountOffsets(db);
    for (auto it = atStart.begin(); it != atStart.end(); ++it)
        if (now.value(it.key(), it.value()) != it.value())
            out << QStringLiteral("%1: off by %2 from the questions, %3 at the start")
                       .arg(it.key()).arg(now.value(it.key())).arg(it.value());
    return out;
}

int importThenWait(const QString& bank, const QString& file, const QString& chapter)
{
    TDM1 dm;
    if (!dm.openBank(bank)) {
        say(QStringLiteral("error cannot open %1").arg(bank));
        return 3;
    }
    try {
        say(QStringLiteral("own %1").arg(ownQuestions(dm.db())));
        QElapsedTimer took;
        took.start();
        authoring::ImportRequest request;
        request.chapter = chapter;
        const exchange::ReadResult read = exchange::readQuestionFile(file);
        const authoring::ImportResult r = authoring::importQuestions(dm.db(), read, request);
        say(r.refused ? QStringLiteral("full %1").arg(r.error) : QStringLiteral("imported %1 %2").arg(ownQuestions(dm.db())).arg(took.elapsed()));
        for (;;)
            QThread::sleep(60); // left for the parent to kill
    } catch (const store::DbError& e) {
        say(QStringLiteral("error %1").arg(e.message()));
        return 3;
    }
}

} // namespace reliability

#include "bank/BankWriter.h"

#include "bank/BankCounters.h"
#include "core/store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace bank {

namespace {

QVariant blobOrNull(const QByteArray& rtf)
{
    return rtf.isEmpty() ? QVariant() : QVariant(rtf);
}

// RTF is plain ASCII, so text columns keep it as text.
QString rtfText(const QByteArray& rtf)
{
    return QString::fromLatin1(rtf);
}

void removeDatabaseFiles(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

void writeContent(store::Connection& db, const BankSource& src, const std::function<void(const QString&)>& say);

} // namespace

void writeBank(store::Connection& db, const BankSource& src, const Progress& progress)
{
    auto say = [&](const QString& s) {
        if (progress)
            progress(s);
    };
    store::Transaction t(db);

    say(QStringLiteral("writing the book, plan and question types"));
    db.exec(QStringLiteral("insert into tab_sj (sjbs, cpbs) values (:sjbs, :cpbs)"),
            {{QStringLiteral(":sjbs"), src.book.upgradeId}, {QStringLiteral(":cpbs"), src.book.productId}});
    db.exec(QStringLiteral("insert into tab_plan (PlanMark, PlanAmount, PlanTime, ExamDate, LeastMark, ExamTime) "
                           "values (:m, :a, :t, :d, :l, :e)"),
            {{QStringLiteral(":m"), src.plan.mark},
             {QStringLiteral(":a"), src.plan.amount},
             {QStringLiteral(":t"), src.plan.minutes},
             {QStringLiteral(":d"), src.plan.examDate},
             {QStringLiteral(":l"), src.plan.leastMark},
             {QStringLiteral(":e"), src.plan.examSeconds}});
    for (int paper = 1; paper <= 5; ++paper) {
        // The table name is one of tab_tx1 … tab_tx5, made here.
        const QString sql = QStringLiteral("insert into tab_tx%1 (A1, B1, B2, B3, time) values (:a1, :b1, :b2, :b3, :time)").arg(paper);
        for (const auto& type : src.types) {
            const auto& share = type.papers[size_t(paper - 1)];
            if (!share.present)
                continue;
            db.exec(sql, {{QStringLiteral(":a1"), type.id},
                          {QStringLiteral(":b1"), type.name},
                          {QStringLiteral(":b2"), share.count},
                          {QStringLiteral(":b3"), share.score},
                          {QStringLiteral(":time"), type.minutes}});
        }
    }
    writeContent(db, src, say);
    t.commit();
}

void writeUpgrade(store::Connection& db, const BankSource& src, const Progress& progress)
{
    auto say = [&](const QString& s) {
        if (progress)
            progress(s);
    };
    store::Transaction t(db);
    db.exec(QStringLiteral("insert into tab_sj (sjbs, cpbs) values (:sjbs, :cpbs)"),
            {{QStringLiteral(":sjbs"), src.book.upgradeId}, {QStringLiteral(":cpbs"), src.book.productId}});
    writeContent(db, src, say);
    t.commit();
}

namespace {

// Chapters, outline, points, shared stems and questions with their counters.
void writeContent(store::Connection& db, const BankSource& src, const std::function<void(const QString&)>& say)
{

    say(QStringLiteral("writing %1 chapters, %2 outline nodes, %3 exam points")
            .arg(src.chapters.size())
            .arg(src.nodes.size())
            .arg(src.points.size()));
    for (const auto& c : src.chapters)
        db.exec(QStringLiteral("insert into tab_kmmc (C1, C1_1, C2, C3, C4, D1, D2, C6, C7, bh, jx) "
                               "values (:c1, :c1_1, :c2, 0, 0, 0, 0, '0', :c7, :bh, :jx)"),
                {{QStringLiteral(":c1"), c.code},
                 {QStringLiteral(":c1_1"), c.heading},
                 {QStringLiteral(":c2"), c.name},
                 {QStringLiteral(":c7"), c.chart ? QStringLiteral("0") : QStringLiteral("1")},
                 {QStringLiteral(":bh"), c.order},
                 {QStringLiteral(":jx"), blobOrNull(c.guidance)}});
    for (const auto& n : src.nodes)
        db.exec(QStringLiteral("insert into tab_fgmc (id, n, bh, q, q1, q2, q4) values (:id, :n, :bh, 0, 0, 0, 0)"),
                {{QStringLiteral(":id"), n.id}, {QStringLiteral(":n"), n.name}, {QStringLiteral(":bh"), n.order}});
    for (const auto& p : src.points)
        db.exec(QStringLiteral("insert into tab_rule (ftid, id, sn, n, q, q1, q2, q4) values (:ftid, :id, :sn, :n, 0, 0, 0, 0)"),
                {{QStringLiteral(":ftid"), p.ftid},
                 {QStringLiteral(":id"), p.ftid.left(6)},
                 {QStringLiteral(":sn"), p.title},
                 {QStringLiteral(":n"), rtfText(p.text)}});
    for (const auto& g : src.groups)
        db.exec(QStringLiteral("insert into tab_title (A1, A15) values (:a1, :a15)"),
                {{QStringLiteral(":a1"), g.id}, {QStringLiteral(":a15"), rtfText(g.stem)}});

    const QString answ = QStringLiteral(
        "insert into tab_answ (A1, A2, A2_1, K3, K4, K5, K6, K7, K8, K9, K10, K11, K12, A10, A13, A14, "
        "E1, E2, E2_1, E3, E4, csbs, F1, xx, ecount) values (:a1, :a2, :a2_1, :k3, :k4, :k5, :k6, :k7, :k8, :k9, "
        ":k10, :k11, :k12, :a10, :a13, '', NULL, '', '', 0, 0, '', 0, :xx, 0)");
    const QString exer = QStringLiteral("insert into tab_exer (A1, A15, jx) values (:a1, :a15, :jx)");
    for (qsizetype i = 0; i < src.questions.size(); ++i) {
        const auto& q = src.questions[i];
        if (i % 100 == 0)
            say(QStringLiteral("writing questions %1/%2").arg(i + 1).arg(src.questions.size()));
        store::Params params = {{QStringLiteral(":a1"), q.id},
                                {QStringLiteral(":a2"), q.answer},
                                {QStringLiteral(":a2_1"), q.options},
                                {QStringLiteral(":a10"), q.chapter},
                                {QStringLiteral(":a13"), q.type},
                                {QStringLiteral(":xx"), q.order}};
        for (int k = 0; k < 10; ++k)
            params.emplace_back(QStringLiteral(":k%1").arg(k + 3), k < q.points.size() ? QVariant(q.points[k]) : QVariant());
        db.exec(answ, params);
        db.exec(exer, {{QStringLiteral(":a1"), q.id}, {QStringLiteral(":a15"), rtfText(q.stem)}, {QStringLiteral(":jx"), blobOrNull(q.analysis)}});
    }

    say(QStringLiteral("counting questions per chapter, node and exam point"));
    applyCounters(db, questionCounterDifferences(db));
}

} // namespace

void createBankFile(const QString& out, bool overwrite, const std::function<void(store::Connection&)>& fill,
                    const QByteArray& key)
{
    const QFileInfo target(out);
    if (target.exists() && !overwrite)
        throw std::runtime_error(QStringLiteral("%1 exists; give --force to replace it").arg(out).toStdString());
    if (target.exists() && !target.isFile())
        throw std::runtime_error(QStringLiteral("%1 is not a file").arg(out).toStdString());
    if (!target.absoluteDir().exists())
        throw std::runtime_error(QStringLiteral("folder %1 does not exist").arg(target.absolutePath()).toStdString());

    const QString temp = target.absoluteDir().filePath(
        QStringLiteral(".%1.%2.part").arg(target.fileName()).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    removeDatabaseFiles(temp);
    try {
        {
            auto db = store::Connection::create(temp, key);
            // A plain file is handed to others: one file, no journal beside it.
            if (key.isEmpty())
                db->execScript(QStringLiteral("PRAGMA journal_mode = DELETE;"));
            store::createBankSchema(*db);
            if (fill)
                fill(*db);
            db->close();
        }
        if (QFileInfo::exists(out) && !overwrite)
            throw std::runtime_error(QStringLiteral("%1 appeared while the bank was built; nothing replaced").arg(out).toStdString());
        // rename() replaces the old file in one step: readers see the old bank or the new one.
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(out).constData()) != 0)
            throw std::runtime_error(QStringLiteral("cannot rename %1 to %2: %3").arg(temp, out, QString::fromLocal8Bit(std::strerror(errno))).toStdString());
        // A journal the replaced bank left behind would be replayed into the new one.
        QFile::remove(out + QStringLiteral("-wal"));
        QFile::remove(out + QStringLiteral("-shm"));
        QFile::remove(out + QStringLiteral("-journal"));
    } catch (...) {
        removeDatabaseFiles(temp);
        throw;
    }
    removeDatabaseFiles(temp); // WAL side files of the temporary name, if the engine left any
}

} // namespace bank

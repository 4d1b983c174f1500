#pragma once

#include "core/store/Connection.h"
#include "core/store/Schema.h"
#include "support/TempBank.h"

#include <QDir>
#include <QFile>
#include <memory>

// Small banks and upgrade files built in code: just the rows a case needs.
namespace fixture {

inline const QString kProduct = QStringLiteral("TSV-TEST");

inline void addChapter(store::Connection& db, const QString& code, const QString& name, int c3 = 0, int d1 = 0)
{
    db.exec(QStringLiteral("insert into tab_kmmc (C1, C1_1, C2, C3, C4, D1, D2, C6, C7, bh) values (:c, :n, :n, :c3, 0, :d1, 0, '0', '1', :bh)"),
            {{":c", code}, {":n", name}, {":c3", c3}, {":d1", d1}, {":bh", code.size() * 100 + code.right(1).toInt()}});
}

inline void addQuestion(store::Connection& db, const QString& id, const QString& chapter, const QString& answer,
                        const QString& point = QStringLiteral("01000101"))
{
    db.exec(QStringLiteral("insert into tab_answ (A1, A2, A2_1, K3, A10, A13, A14, E2, E2_1, E3, E4, csbs, F1, xx, ecount) "
                           "values (:a1, :a2, 4, :k3, :a10, 11, '', '', '', 0, 0, '', 0, 1, 0)"),
            {{":a1", id}, {":a2", answer}, {":k3", point}, {":a10", chapter}});
    db.exec(QStringLiteral("insert into tab_exer (A1, A15, jx) values (:a1, :a15, NULL)"),
            {{":a1", id}, {":a15", QStringLiteral("题干 ") + id}});
}

inline void addPoint(store::Connection& db, const QString& ftid)
{
    db.exec(QStringLiteral("insert into tab_fgmc (id, n, bh) values (:id, '节', 1)"), {{":id", ftid.left(6)}});
    db.exec(QStringLiteral("insert into tab_rule (ftid, id, sn, n) values (:f, :id, '点', '说明')"), {{":f", ftid}, {":id", ftid.left(6)}});
}

inline void addStem(store::Connection& db, const QString& group, const QString& stem)
{
    db.exec(QStringLiteral("insert into tab_title (A1, A15) values (:a1, :a15)"), {{":a1", group}, {":a15", stem}});
}

// The bank: its own product row, one part with one question.
inline void makeBank(const QString& path)
{
    auto db = store::Connection::create(path, store::bankKey());
    store::createBankSchema(*db);
    db->exec(QStringLiteral("insert into tab_sj (sjbs, cpbs) values ('BASE', :p)"), {{":p", kProduct}});
    addChapter(*db, QStringLiteral("0"), QStringLiteral("基础"), 1);
    addChapter(*db, QStringLiteral("01"), QStringLiteral("第一部分"), 1, 5);
    addChapter(*db, QStringLiteral("0101"), QStringLiteral("第一章"), 1, 5);
    addChapter(*db, QStringLiteral("010101"), QStringLiteral("第一节"), 1, 5);
    addPoint(*db, QStringLiteral("01000101"));
    addQuestion(*db, QStringLiteral("010101000001"), QStringLiteral("010101"), QStringLiteral("A"));
    db->exec(QStringLiteral("update tab_answ set E2='B', E3=2, E4=-3"));
}

// A fresh folder holding that bank where the program keeps it.
struct BankDir {
    TempDir t;
    QString bank = t.file(QStringLiteral("data/ZT468913.db"));
    BankDir()
    {
        QDir().mkpath(t.file(QStringLiteral("data")));
        makeBank(bank);
    }
};

// An upgrade file as the bank tool writes one: plain (no key), every bank table,
// its identity in tab_sj, no journal beside it. Add rows, then close.
inline std::unique_ptr<store::Connection> makeUpgrade(const QString& path, const QString& sjbs = QStringLiteral("UP-1"),
                                                      const QString& cpbs = kProduct)
{
    auto db = store::Connection::create(path, QByteArray());
    db->execScript(QStringLiteral("PRAGMA journal_mode = DELETE;"));
    store::createBankSchema(*db);
    db->exec(QStringLiteral("insert into tab_sj (sjbs, cpbs) values (:s, :c)"), {{":s", sjbs}, {":c", cpbs}});
    return db;
}

// A new part "02" with two questions (the usual content of a small upgrade).
inline void addNewPart(store::Connection& db)
{
    addChapter(db, QStringLiteral("02"), QStringLiteral("新部分"), 2);
    addChapter(db, QStringLiteral("0201"), QStringLiteral("新章"), 2);
    addChapter(db, QStringLiteral("020101"), QStringLiteral("新节"), 2);
    addPoint(db, QStringLiteral("02000101"));
    addQuestion(db, QStringLiteral("020101000001"), QStringLiteral("020101"), QStringLiteral("B"), QStringLiteral("02000101"));
    addQuestion(db, QStringLiteral("020101000002"), QStringLiteral("020101"), QStringLiteral("C"), QStringLiteral("02000101"));
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace fixture

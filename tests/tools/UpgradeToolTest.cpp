#include "SourceFixture.h"
#include "ToolRun.h"
#include "support/TempBank.h"

#include "core/store/Backup.h"
#include "core/update/BankUpgrade.h"

namespace {

const QString kUpgradeBook = QStringLiteral("== book TEST-BOOK\ntitle: 升级一\nupgrade: TEST-UP1\n");

// A new part under the fixture's subject 0, a case group, and one more question
// in a chapter of the bank that uses a point of the bank.
const QString kUpgradePart = QStringLiteral(R"(== chapter 02
name: 第二部分 新内容
heading: 第二部分 新内容

== chapter 0201
name: 第一章 新章
heading: 第二部分 新内容 > 第一章 新章

== chapter 020101
name: 第一节 新节
heading: 第二部分 新内容 > 第一章 新章 > 第一节 新节

== node 02
name: 新内容

== node 020001
name: 新节点

== point 02000101
title: 新考点
text:
  新考点的说明。

== group 020101G000000001
stem:
  案例共用的题干。

== question 020101000001
type: 11
chapter: 020101
points: 02000101
options: 4
answer: C
stem:
  新题（  ）。 \
  A. 甲 \
  B. 乙 \
  C. 丙 \
  D. 丁

== question 020101G000000001-1
type: 72
chapter: 020101
points: 02000101, 01000103
options: 1
answer: 1
stem:
  结合案例回答。

== question 010101000009
type: 12
chapter: 010101
points: 01000103
options: 2
answer: A
stem:
  双端队列两端都可以插入和删除。（  ）
)");

struct UpgradeSources {
    QTemporaryDir dir;
    QMap<QString, QString> files{{QStringLiteral("00-upgrade.txt"), kUpgradeBook}, {QStringLiteral("02-新内容.txt"), kUpgradePart}};
    QString write() const
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            QFile f(QDir(dir.path()).filePath(it.key()));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(it.value().toUtf8());
        }
        return dir.path();
    }
};

QStringList column(store::Connection& db, const QString& sql)
{
    QStringList out;
    for (const auto& row : db.query(sql).values)
        out << row[0].toString();
    return out;
}

} // namespace

TEST(UpgradeTool, BuildsAPlainFileWithTheUpgradeAloneThatTheBankTakes)
{
    SourceFixture base;
    base.write();
    UpgradeSources up;
    TempDir out;
    const QString bank = out.file(QStringLiteral("ZT468913.db"));
    const QString file = out.file(QStringLiteral("up 1.db"));
    ASSERT_EQ(tool({QStringLiteral("build"), QStringLiteral("--quiet"), base.dir(), bank}).exitCode, 0);
    const ToolRun r = tool({QStringLiteral("build"), QStringLiteral("--upgrade"), QStringLiteral("--quiet"), base.dir(), up.write(), file});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    {
        // Plain: it opens without the key, with no journal beside it.
        auto db = store::Connection::open(file, {}, store::Connection::Mode::ReadOnly);
        EXPECT_EQ(db->scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
        EXPECT_EQ(column(*db, QStringLiteral("select sjbs || '/' || cpbs from tab_sj")), QStringList{QStringLiteral("TEST-UP1/TEST-BOOK")});
        EXPECT_EQ(column(*db, QStringLiteral("select C1 from tab_kmmc order by bh")),
                  (QStringList{QStringLiteral("02"), QStringLiteral("0201"), QStringLiteral("020101")}));
        EXPECT_EQ(column(*db, QStringLiteral("select A1 from tab_answ order by A1")),
                  (QStringList{QStringLiteral("010101000009"), QStringLiteral("020101000001"), QStringLiteral("020101G000000001-1")}));
        EXPECT_EQ(column(*db, QStringLiteral("select A1 from tab_title")), QStringList{QStringLiteral("020101G000000001")});
        EXPECT_EQ(column(*db, QStringLiteral("select ftid from tab_rule")), QStringList{QStringLiteral("02000101")});
        EXPECT_EQ(column(*db, QStringLiteral("select C3 from tab_kmmc where C1 = '02'")), QStringList{QStringLiteral("2")});
        // The candidate's plan and the question types stay the bank's.
        EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from tab_plan")).toInt(), 0);
        EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from tab_tx1")).toInt(), 0);
        // The question added to a chapter of the bank follows the bank's questions there.
        EXPECT_EQ(db->scalar(QStringLiteral("select xx from tab_answ where A1 = '010101000009'")).toInt(), 4);
    }

    auto db = store::Connection::open(bank, store::bankKey());
    std::unique_ptr<update::UpgradeFile> held;
    const update::UpgradeRun run = update::runUpgrade(*db, file, held, QDateTime(QDate(2027, 3, 1), QTime(8, 0)));
    ASSERT_EQ(run.outcome, update::Outcome::Merged) << run.failure.toStdString();
    EXPECT_EQ(run.merge.questionsAdded(), 3);
    EXPECT_EQ(run.merge.rowsSkipped(), 0);
    // The new part is listed after everything the bank had.
    const QStringList order = column(*db, QStringLiteral("select C1 from tab_kmmc order by bh"));
    EXPECT_EQ(order.mid(order.size() - 3), (QStringList{QStringLiteral("02"), QStringLiteral("0201"), QStringLiteral("020101")}));
}

TEST(UpgradeTool, RefusesUpgradeSourcesThatDoNotFitTheBank)
{
    struct Case {
        const char* name;
        QString file;
        QString from; // empty: the file's text is `to`
        QString to;
        QString problem;
    };
    const QString part = QStringLiteral("02-新内容.txt");
    const QString book = QStringLiteral("00-upgrade.txt");
    const std::vector<Case> cases = {
        {"redefines a chapter of the bank", part, QStringLiteral("== chapter 02\n"),
         QStringLiteral("== chapter 01\nname: x\nheading: x\n\n== chapter 02\n"), QStringLiteral("chapter 01 is defined twice")},
        {"unknown exam point", part, QStringLiteral("points: 02000101\n"), QStringLiteral("points: 02000199\n"),
         QStringLiteral("exam point 02000199 does not exist")},
        {"another product", book, QStringLiteral("TEST-BOOK"), QStringLiteral("OTHER-BOOK"), QStringLiteral("the upgrade is for product OTHER-BOOK")},
        {"the bank's own upgrade id", book, QStringLiteral("TEST-UP1"), QStringLiteral("TEST-BASE"), QStringLiteral("is the bank's own")},
        {"a plan", book, {}, kUpgradeBook + QStringLiteral("\n== plan 1\nmark: 0\n"), QStringLiteral("no plan")},
        {"a type", book, {}, kUpgradeBook + QStringLiteral("\n== type 99\nname: 单选\ntime: 1\n"), QStringLiteral("no question types")},
        {"a chapter order", part, QStringLiteral("heading: 第二部分 新内容\n"), QStringLiteral("heading: 第二部分 新内容\norder: 1\n"),
         QStringLiteral("no \"order\"")},
        {"no book record", book, {}, QStringLiteral("# nothing\n"), QStringLiteral("no book record")},
    };
    SourceFixture base;
    base.write();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpgradeSources up;
        QString& text = up.files[c.file];
        if (c.from.isEmpty())
            text = c.to;
        else {
            ASSERT_TRUE(text.contains(c.from));
            text.replace(text.indexOf(c.from), c.from.size(), c.to);
        }
        TempDir out;
        const QString file = out.file(QStringLiteral("up.db"));
        const ToolRun r = tool({QStringLiteral("build"), QStringLiteral("--upgrade"), base.dir(), up.write(), file});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.problem)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file));
    }
}

TEST(UpgradeTool, RestoreListsBackupsAndPutsOneBackOnlyWhileTheProgramIsClosed)
{
    SourceFixture base;
    base.write();
    TempDir out;
    QDir().mkpath(out.file(QStringLiteral("data")));
    const QString bank = out.file(QStringLiteral("data/ZT468913.db"));
    ASSERT_EQ(tool({QStringLiteral("build"), QStringLiteral("--quiet"), base.dir(), bank}).exitCode, 0);
    auto answered = [&] {
        return store::Connection::open(bank, store::bankKey())->scalar(QStringLiteral("select E2 from tab_answ where A1='010101000001'")).toString();
    };
    {
        auto db = store::Connection::open(bank, store::bankKey());
        store::backupBank(*db, QDateTime(QDate(2027, 3, 1), QTime(8, 0)));
        db->exec(QStringLiteral("update tab_answ set E2='A' where A1='010101000001'"));
    }

    const ToolRun list = tool({QStringLiteral("restore"), bank});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.startsWith(QStringLiteral("1  2027-03-01 08:00:00  ZT468913-20270301-080000.db"))) << list.out.toStdString();

    {
        // Read before the bank is opened: closing any descriptor of the file would
        // drop the engine's locks in this process.
        const QByteArray before = fileDigest(bank);
        auto running = store::Connection::open(bank, store::bankKey());
        const ToolRun refused = tool({QStringLiteral("restore"), bank, QStringLiteral("1")});
        EXPECT_EQ(refused.exitCode, 3);
        EXPECT_TRUE(refused.err.contains(QStringLiteral("close the program first"))) << refused.err.toStdString();
        EXPECT_EQ(fileDigest(bank), before);
    }
    EXPECT_EQ(tool({QStringLiteral("restore"), bank, QStringLiteral("9")}).exitCode, 2);

    const ToolRun restored = tool({QStringLiteral("restore"), bank, QStringLiteral("ZT468913-20270301-080000.db")});
    EXPECT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    EXPECT_EQ(answered(), QString());
    // The bank as it was before the restore is now the newest backup.
    EXPECT_EQ(store::listBackups(bank).size(), 2);
}

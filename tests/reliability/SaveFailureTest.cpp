// A bank that cannot take an answer (full, or locked by another process) and a
// bank left with a -wal file by a killed process, through the real practice
// screen and the real answer path.

#include "question/AnswerPages.h"
#include "core/practice/ChooserRules.h"
#include "practice/PracticeFixture.h"
#include "practice/TFrmLxxt.h"
#include "reliability/CounterCheck.h"

#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "ui/PictureButton.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace practicetest;

namespace {

const QString kStatement = QStringLiteral("select %1 from tab_answ order by a1").arg(QLatin1String(practice::kQuestionColumns));

qint64 loggedAnswers(store::Connection& db)
{
    return db.scalar(QStringLiteral("select coalesce(sum(A2), 0) from tab_rz")).toLongLong();
}

// Starts the harness child and waits for its first line.
std::unique_ptr<QProcess> startHarness(const QStringList& args, const QByteArray& expected, QByteArray* firstLine = nullptr)
{
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral(RELIABILITY_HARNESS), args);
    QByteArray out;
    while (!out.contains(expected) && p->state() != QProcess::NotRunning && p->waitForReadyRead(30000))
        out += p->readAllStandardOutput();
    EXPECT_TRUE(out.contains(expected)) << out.constData() << p->readAllStandardError().constData();
    if (firstLine)
        *firstLine = out;
    return p;
}

struct BlockedBank {
    const char* name;
    const char* reason; // the line the failure kind adds to the screen's message
    // Makes the bank refuse the next answer; returns what lifts the block.
    std::function<std::function<void()>(FixtureBank&)> block;
};

TEST(SaveFailure, AnAnswerTheBankCannotTakeStaysOnTheScreenAndChangesNothing)
{
    const BlockedBank cases[] = {
        {"full disk", "磁盘空间不足，无法保存。",
         [](FixtureBank& bank) -> std::function<void()> {
             bank.fillToTheCap();
             return [&bank] { bank.liftTheCap(); };
         }},
        {"write lock held by another process past the busy timeout", "题库正被其他程序使用，请稍后再试。",
         [](FixtureBank& bank) -> std::function<void()> {
             std::shared_ptr<QProcess> holder = startHarness({QStringLiteral("hold-lock"), bank.path}, "locked");
             return [holder] {
                 holder->closeWriteChannel();
                 EXPECT_TRUE(holder->waitForFinished(10000));
             };
         }},
    };
    for (const BlockedBank& c : cases) {
        SCOPED_TRACE(c.name);
        ClockScope clock;
        FixtureBank bank;
        DM1 = &bank.dm;
        prompt::Script prompts{{}, 3};
        bank.add({.id = "q1", .key = "A", .points = {"010101001", "020202001"}});
        auto screen = std::make_unique<TFrmLxxt>();
        ASSERT_EQ(screen->LoadQuestionSet({kStatement, {}}), TFrmLxxt::Loaded::Questions);
        screen->show();
        screen->Timer1->stop();
        screen->KZTimeCounter1->stop();
        auto* optionA = screen->Notebook1->option(practice::SinglePage, 0);
        auto* check = screen->findChild<QAbstractButton*>(QStringLiteral("epEfTrBtn3"));
        ASSERT_NE(check, nullptr);

        QTest::mouseClick(optionA, Qt::LeftButton);
        const std::function<void()> release = c.block(bank);
        const QString before = bank.snapshot();
        QTest::mouseClick(check, Qt::LeftButton);

        EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("答案未能保存，请重新作答！\n") + QString::fromUtf8(c.reason)});
        EXPECT_EQ(bank.snapshot(), before);
        EXPECT_TRUE(optionA->isChecked()) << "the answer left the screen";
        EXPECT_EQ(screen->gridMark(0), practice::AnswerMark::Open);
        EXPECT_TRUE(bank.dm.Cn1Query_tm->text(QStringLiteral("E2")).isEmpty());

        // Once the bank takes writes again the same click records the answer once.
        release();
        prompts.clear();
        QTest::mouseClick(check, Qt::LeftButton);
        EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(bank.value(QStringLiteral("select E2 from tab_answ where A1='q1'")).toString(), "A");
        EXPECT_EQ(bank.number(QStringLiteral("select A2 from tab_rz where A1=:d"), {{":d", kDay1}}), 1);
        EXPECT_EQ(bank.number(QStringLiteral("select q2 from tab_fgmc where id='02'")), 1);
        EXPECT_EQ(screen->gridMark(0), practice::AnswerMark::Right);
        screen.reset();
        DM1 = nullptr;
    }
}

// A killed process leaves its committed answers in the -wal file only; opening
// the bank reads them back with every counter.
TEST(WalRecovery, AnswersCommittedBeforeAKillAreReadFromTheWal)
{
    FixtureBank bank;
    for (int i = 1; i <= 4; ++i)
        bank.add({.id = QStringLiteral("q%1").arg(i), .key = "B", .chapter = i % 2 ? "010101" : "010102",
                  .points = {i % 2 ? "010101002" : "020202001"}});
    bank.dm.closeBank();

    QByteArray out;
    auto child = startHarness({QStringLiteral("answer"), bank.path, QStringLiteral("5"), QStringLiteral("--count"), QStringLiteral("40")}, "done", &out);
    const qint64 reported = out.mid(out.indexOf("done ") + 5).trimmed().toLongLong();
    ASSERT_EQ(reported, 40);
    ASSERT_GT(QFileInfo(bank.path + QStringLiteral("-wal")).size(), 0);
    // The main file alone, as the kill leaves it: the answers are not in it.
    const QString mainOnly = bank.dir.file(QStringLiteral("main-only.db"));
    ASSERT_TRUE(QFile::copy(bank.path, mainOnly));
    child->kill();
    ASSERT_TRUE(child->waitForFinished(10000));

    EXPECT_EQ(loggedAnswers(*store::Connection::open(mainOnly, store::bankKey())), 0);
    ASSERT_TRUE(bank.dm.openBank(bank.path));
    EXPECT_EQ(loggedAnswers(bank.db()), 40);
    EXPECT_EQ(bank.number(QStringLiteral("select sum(E3) from tab_answ")), 40);
    EXPECT_EQ(reliability::counterFaults(bank.db()).join(QLatin1Char('\n')).toStdString(), "");
}

} // namespace

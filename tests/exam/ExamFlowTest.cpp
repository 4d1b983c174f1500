// The ways into a mock exam from the menu, the score list, and an exam that
// survives its process being killed.
#include "exam/ExamFixture.h"
#include "core/exam/ExamResume.h"
#include "exam/ExamStart.h"
#include "core/exam/PaperDraw.h"
#include "exam/TFrmCheck.h"
#include "exam/TFrmExam.h"

#include "question/AnswerPages.h"
#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "core/store/Random.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"

#include <QApplication>
#include <QFile>
#include <QLCDNumber>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace examtest;

namespace {

const QDateTime kStart(practicetest::kDay1, QTime(9, 0));

template <class W>
W* topLevel()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w); found && found->isVisible())
            return found;
    return nullptr;
}

// Runs `look` once the modal screen W is on view (the code that opened it waits).
template <class W>
void whenShown(std::function<void(W&)> look)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, look] {
        if (W* w = topLevel<W>()) {
            timer->stop();
            timer->deleteLater();
            look(*w);
        }
    });
    timer->start();
}

class ExamFlow : public ::testing::Test {
public:
    ExamFlow()
    {
        DM1 = &bank.dm;
        app::setEndProgramHandler([this](int code) { ended = code; });
        store::Clock::setFixed(kStart);
        bank.type(1, 11, 80, 1, QStringLiteral("单选"));
        bank.type(1, 14, 40, 2, QStringLiteral("多选"));
    }
    ~ExamFlow() override
    {
        app::setEndProgramHandler({});
        DM1 = nullptr;
    }
    void singles(int n)
    {
        store::Transaction t(bank.db());
        for (int i = 1; i <= n; ++i)
            bank.add({.id = QStringLiteral("s%1").arg(i, 3, 10, QLatin1Char('0')), .key = "A", .type = 11, .chapter = "030101"});
        t.commit();
    }

    ClockScope clock;
    ExamBank bank;
    int ended = -1;
};

// ---- the score list ---------------------------------------------------------------------------

TEST_F(ExamFlow, ScoreListCountersAndRows)
{
    singles(2);
    bank.scoreRow(QStringLiteral("tab_exam1"), 1, 95.5, QStringLiteral("第一卷"));
    bank.scoreRow(QStringLiteral("tab_exam2"), 2, 96.0, QStringLiteral("第二卷"));
    bank.scoreRow(QStringLiteral("tab_exam3"), 3, QVariant(), QStringLiteral("第三卷")); // the program ended during it
    TFrmCheck list;
    list.show();
    EXPECT_EQ(list.LED_count->intValue(), 3);
    EXPECT_EQ(list.LED_passed->intValue(), 1) << "pass line 96 of 160: 95.5 is not passed";
    EXPECT_EQ(list.LED_average->intValue(), 96);
    EXPECT_EQ(list.Label_hint->text(), QStringLiteral("[提示]：成绩少于 60 分的试卷，不被保留。"));
    QAbstractItemModel* m = list.DBGrid1->model();
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("试卷名称"));
    EXPECT_EQ(m->index(0, 0).data().toString(), QStringLiteral("第三卷")) << "newest first";
    EXPECT_EQ(m->index(0, 1).data().toString(), QString());
    EXPECT_EQ(m->index(0, 2).data().toString(), QString());
    EXPECT_EQ(m->index(2, 1).data().toString(), QStringLiteral("95.5"));
    EXPECT_EQ(list.DBGrid1->columnWidth(0), 388);
    EXPECT_TRUE(list.epEfTrBtn1->isEnabled());
    EXPECT_TRUE(list.epEfTrBtn8->isEnabled()); // 设置
}

TEST_F(ExamFlow, EmptyScoreListHasNothingToOpen)
{
    TFrmCheck list;
    list.show();
    EXPECT_FALSE(list.epEfTrBtn1->isEnabled());
    for (QLCDNumber* lcd : {list.LED_count, list.LED_passed, list.LED_average})
        EXPECT_EQ(lcd->intValue(), 0);
}

TEST_F(ExamFlow, DeleteAsksAndRemovesTableAndRow)
{
    singles(1);
    bank.scoreRow(QStringLiteral("tab_exam1"), 1, 70.0);
    bank.paperOf(QStringLiteral("tab_exam1"), {"s001"});
    TFrmCheck list;
    list.show();
    {
        prompt::Script prompts({prompt::Cancel});
        list.SpeedButton4->click();
        EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("即将删除试卷，要继续么？")});
        EXPECT_TRUE(bank.db().hasTable(QStringLiteral("tab_exam1")));
    }
    prompt::Script prompts({prompt::Ok});
    list.SpeedButton4->click();
    EXPECT_FALSE(bank.db().hasTable(QStringLiteral("tab_exam1")));
    EXPECT_EQ(bank.number("select count(*) from tab_cj"), 0);
    EXPECT_EQ(list.DBGrid1->model()->rowCount(), 0);
    EXPECT_FALSE(list.epEfTrBtn1->isEnabled());
}

TEST_F(ExamFlow, ReviewFromTheListNeverDeletes)
{
    singles(2);
    bank.db().exec(QStringLiteral("update tab_plan set LeastMark = 100"));
    bank.scoreRow(QStringLiteral("tab_exam1"), 1, 10.0, QStringLiteral("低分卷"));
    bank.paperOf(QStringLiteral("tab_exam1"), {"s001", "s002"});
    TFrmCheck list;
    list.show();
    bool reviewed = false;
    whenShown<TFrmExam>([&](TFrmExam& f) {
        reviewed = true;
        EXPECT_EQ(f.mode(), exam::Mode::Review);
        EXPECT_EQ(f.epLabel2->text(), QStringLiteral("低分卷"));
        EXPECT_FALSE(list.isVisible()) << "the list steps aside";
        f.epEfTrBtn7->click();
    });
    list.epEfTrBtn1->click();
    EXPECT_TRUE(reviewed);
    EXPECT_TRUE(list.isVisible());
    EXPECT_TRUE(bank.db().hasTable(QStringLiteral("tab_exam1")));
    EXPECT_EQ(list.DBGrid1->model()->rowCount(), 1);
}

// ---- from the menu, on the demo bank ----------------------------------------------------------

TEST(ExamMenu, MnksDrawsAFullPaperFromTheDemoBankAndDropsItUnanswered)
{
    ClockScope clock;
    TempDir dir;
    const QString path = dir.file(QStringLiteral("bank.db"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TDM1 dm;
    ASSERT_TRUE(dm.openBank(path));
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    DM1 = &dm;
    shell::Dispatcher d;
    shell::installMenuScreens(d);
    dm.db().exec(QStringLiteral("update tab_answ set E2_1 = 'B'"));

    int count = 0;
    QString title;
    QStringList prefixes;
    bool carried = false;
    whenShown<TFrmExam>([&](TFrmExam& f) {
        count = f.questionCount();
        title = f.epLabel2->text();
        store::Dataset* p = dm.Cn1Query_exam;
        for (p->first(); !p->eof(); p->next()) {
            prefixes << p->text(QStringLiteral("A10")).left(2);
            carried = carried || !p->text(QStringLiteral("E2_1")).isEmpty();
        }
        prompt::Script none({}, 1);
        f.epEfTrBtn3->click(); // 120 unanswered: dropped, no question
        EXPECT_TRUE(none.asked().empty());
    });
    EXPECT_TRUE(d.dispatch(QStringLiteral("mnks")));
    EXPECT_EQ(app::CurrentPaperNo, 1);
    EXPECT_EQ(count, 120);
    EXPECT_TRUE(title.endsWith(exam::mockTitle(1) + QStringLiteral("[1]"))) << title.toStdString();
    prefixes.removeDuplicates();
    prefixes.sort();
    const QStringList everyPart = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "21", "31", "32", "33", "41"};
    EXPECT_EQ(prefixes, everyPart) << "a mock paper covers the whole book";
    EXPECT_FALSE(carried) << "answers left in the bank never show in a new paper";
    EXPECT_EQ(dm.db().scalar(QStringLiteral("select count(*) from tab_cj")).toInt(), 0);
    EXPECT_FALSE(dm.db().hasTable(QStringLiteral("tab_exam1")));
    DM1 = nullptr;
}

// ---- surviving a killed process -----------------------------------------------------------------

// The child: starts an exam on the bank named in the environment, answers
// questions 1 and 2, lets 40 seconds pass on the exam clock, says READY and waits
// to be killed.
TEST(ExamCrash, Child)
{
    const QString path = qEnvironmentVariable("TESVORA_EXAM_CHILD_BANK");
    if (path.isEmpty())
        GTEST_SKIP() << "runs as the child of KilledExamResumes";
    TDM1 dm;
    ASSERT_TRUE(dm.openBank(path));
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    DM1 = &dm;
    store::Clock::setFixed(kStart);
    app::CurrentPaperNo = 1;
    const exam::NewPaper p = exam::createPaper(dm, 1, practicetest::kDay1);
    TFrmExam f;
    ASSERT_TRUE(f.InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
    ASSERT_TRUE(f.OpenPaper());
    f.show();
    f.KZTimeCounter1->stop();
    f.Notebook1->option(practice::SinglePage, 1)->click();
    f.epEfTrBtn2->click();
    f.Notebook1->option(practice::SinglePage, 0)->click();
    f.epEfTrBtn2->click();
    store::Clock::setFixed(kStart.addSecs(40));
    f.KZTimeCounter1Timer();
    std::fputs("READY\n", stdout);
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

TEST_F(ExamFlow, KilledExamResumesWhereItStopped)
{
    singles(5);
    bank.dm.closeBank(); // the child is the only writer
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TESVORA_EXAM_CHILD_BANK"), bank.path);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ExamCrash.Child")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray out;
    while (!out.contains("READY") && child.waitForReadyRead(20000))
        out += child.readAllStandardOutput();
    ASSERT_TRUE(out.contains("READY")) << out.toStdString();
    child.kill(); // SIGKILL: no clean-up of any kind
    ASSERT_TRUE(child.waitForFinished());
    ASSERT_TRUE(bank.dm.openBank(bank.path));
    bank.db().exec(QStringLiteral("update tab_plan set LeastMark = 0")); // the paper is kept after its review

    // Every answer given is there, in the paper and in the bank.
    EXPECT_EQ(bank.column("select A1 || '=' || E2_1 from tab_exam1 where E2_1 <> '' order by A1"), (QStringList{"s001=B", "s002=A"}));
    EXPECT_EQ(bank.column("select E3 from tab_answ where A1 in ('s001','s002') order by A1"), (QStringList{"1", "1"}));
    EXPECT_TRUE(bank.value("select A6 from tab_cj where A1='tab_exam1'").isNull());

    const std::optional<exam::RunningPaper> run = exam::unfinishedPaper(bank.db());
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->question, 3);
    EXPECT_EQ(run->seconds, 40);

    // 是 goes on at question 3 with the clock at 0:00:40, answers on their pages.
    prompt::Script prompts({prompt::Ok, 1});
    bool resumed = false;
    whenShown<TFrmExam>([&](TFrmExam& f) {
        if (f.mode() != exam::Mode::Answering)
            return;
        resumed = true;
        EXPECT_EQ(f.currentQuestion(), 3);
        EXPECT_EQ(f.clock().text(), "0:00:40");
        EXPECT_EQ(f.gridMark(1), practice::AnswerMark::Answered);
        EXPECT_EQ(f.gridMark(2), practice::AnswerMark::Answered);
        EXPECT_EQ(f.gridMark(4), practice::AnswerMark::Open);
        f.pressGridButton(1);
        EXPECT_TRUE(f.Notebook1->option(practice::SinglePage, 1)->isChecked());
        f.epEfTrBtn3->click(); // 确定: graded, then the review closes
        EXPECT_EQ(f.mode(), exam::Mode::Review);
        EXPECT_EQ(f.score(), 1.0);
        f.epEfTrBtn7->click();
    });
    EXPECT_TRUE(exam::offerResume(nullptr));
    EXPECT_TRUE(resumed);
    EXPECT_TRUE(prompts.texts().first().startsWith(QStringLiteral("上次的模拟考试尚未交卷：\n"))) << prompts.texts().first().toStdString();
    EXPECT_EQ(bank.value("select A6 from tab_cj where A1='tab_exam1'").toDouble(), 1.0);
    EXPECT_FALSE(exam::unfinishedPaper(bank.db()).has_value());
}

TEST_F(ExamFlow, DecliningToResumeLeavesNoUnscoredPaper)
{
    // No: graded as it stands with its saved time, or dropped when nothing was answered
    // or it falls below the pass mark; the prompt names the paper and says which.
    struct Case {
        const char* name;
        int answered;  // of 3, answered right (key A)
        int leastMark;
        QString tail;
        bool kept;
    };
    const Case cases[] = {
        {"graded", 3, 0, QStringLiteral("（选“否”则按已做的题目判卷）"), true},
        {"below the pass mark", 1, 2, QStringLiteral("（选“否”则按已做的题目判卷）"), false},
        {"nothing answered", 0, 0, QStringLiteral("（选“否”则删除这份试卷）"), false},
    };
    singles(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bank.db().exec(QStringLiteral("delete from tab_cj"));
        if (bank.db().hasTable(QStringLiteral("tab_exam1")))
            bank.db().exec(QStringLiteral("drop table tab_exam1"));
        bank.db().exec(QStringLiteral("update tab_plan set LeastMark = :m"), {{":m", c.leastMark}});
        const QString title = QStringLiteral("2026年12月10日模拟考试（一）[1]");
        bank.scoreRow(QStringLiteral("tab_exam1"), 1, {}, title);
        bank.paperOf(QStringLiteral("tab_exam1"), {"s001", "s002", "s003"});
        bank.db().exec(QStringLiteral("update tab_exam1 set E2_1 = 'A' where A1 in (select A1 from tab_exam1 order by A1 limit :n)"), {{":n", c.answered}});
        exam::saveProgress(bank.db(), {QStringLiteral("tab_exam1"), title, 1, 1830, 1});
        prompt::Script prompts({prompt::Cancel});
        EXPECT_FALSE(exam::offerResume(nullptr));
        ASSERT_EQ(prompts.asked().size(), 1u);
        EXPECT_EQ(prompts.asked()[0].mode, int(prompt::Buttons::YesNo));
        EXPECT_EQ(prompts.asked()[0].text, QStringLiteral("上次的模拟考试尚未交卷：\n%1，已做 %2 题\n要继续吗？").arg(title).arg(c.answered) + c.tail);
        EXPECT_EQ(bank.db().hasTable(QStringLiteral("tab_exam1")), c.kept);
        if (c.kept)
            EXPECT_EQ(bank.value("select A6 || '/' || D2 from tab_cj where A1='tab_exam1'").toString(), "3.0/0:30:30");
        else
            EXPECT_EQ(bank.number("select count(*) from tab_cj"), 0);
        EXPECT_FALSE(exam::offerResume(nullptr));
        EXPECT_EQ(prompts.asked().size(), 1u) << "asked once";
    }
}

} // namespace

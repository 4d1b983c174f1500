#include "progress/ProgressFixture.h"
#include "exam/TFrmCheck.h"
#include "progress/TFrmConfig.h"
#include "progress/TFrmEset.h"
#include "progress/TFrmRz.h"
#include "progress/TFrmplan.h"
#include "progress/Tfrmchart.h"
#include "practice/TFrmkmmc.h"

#include "common/Music.h"
#include "core/app/Preferences.h"
#include "common/Prompt.h"
#include "core/app/ShellRules.h"
#include "ui/CommandButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace progresstest;

namespace {

QString typeTableDump(store::Connection& db, int paper)
{
    const store::Rows r = db.query(QStringLiteral("select A1, time from tab_tx%1 order by rowid").arg(paper));
    QString out;
    for (int i = 0; i < r.size(); ++i)
        out += r.at(i, QStringLiteral("A1")).toString() + QLatin1Char('=') + r.at(i, QStringLiteral("time")).toString() + QLatin1Char(';');
    return out;
}

// Replaces the text of a number field as a person does: select all, type.
void retype(QWidget* field, const QString& text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest()
        : scope(bank)
    {
        // The music choice goes to a file of the test's own, never the user's configuration.
        prefsBefore = prefs::setFile(prefsDir.filePath(QStringLiteral("tesvora.ini")));
        bank.type(1, 11, QStringLiteral("单选"), 50, 1, 1);
        bank.type(1, 12, QStringLiteral("判断"), 25, 2, 0.5);
        bank.type(2, 11, QStringLiteral("单选"), 10, 1, 2);
        bank.type(2, 13, QStringLiteral("填空"), 10, 1, 3);
    }
    ~SettingsTest() override
    {
        music::stop();
        music::setAudioDrivers(music::defaultAudioDrivers());
        prefs::setFile(prefsBefore);
    }

    QTemporaryDir prefsDir;
    QString prefsBefore;
    Bank bank;
    Scope scope;
    prompt::Script answers;
};

} // namespace

TEST_F(SettingsTest, AnswerTimesOfTheCurrentPaperAreListedStoredAndTimedAtOnce)
{
    struct Case { int paper; const char* firstType; int firstId; const char* typed; double stored; int tenths; };
    const Case cases[] = {
        {1, "单选", 11, "2.5", 2.5, 1500},
        {2, "单选", 11, "0.3", 0.3, 180},
    };
    for (const Case& c : cases) {
        app::CurrentPaperNo = c.paper;
        shell::loadTypeAnswerTimes(bank.db());
        const QString otherBefore = typeTableDump(bank.db(), c.paper == 1 ? 2 : 1);
        TFrmConfig f;
        app::ConfigTimesOnly = true;
        f.arrangeForTimes();
        f.show();
        ASSERT_EQ(f.timeEditors().size(), 2) << c.paper;
        auto* first = f.findChild<QLineEdit*>(QStringLiteral("Currencyedit1"));
        ASSERT_TRUE(first);
        EXPECT_EQ(first->property("typeId").toInt(), c.firstId);
        const auto* name = first->parentWidget()->findChildren<QLabel*>().value(0);
        EXPECT_EQ(name->text(), QString::fromUtf8(c.firstType));
        retype(first, QString::fromLatin1(c.typed));
        f.epFocusButton3->click();

        EXPECT_FALSE(f.isVisible());
        EXPECT_DOUBLE_EQ(bank.db().scalar(QStringLiteral("select time from tab_tx%1 where A1=:a").arg(c.paper),
                                          {{":a", c.firstId}}).toDouble(),
                         c.stored);
        // The practice timers read these for the next question, without a restart.
        EXPECT_EQ(app::answerTimeOfType(c.firstId), c.tenths) << c.paper;
        EXPECT_EQ(typeTableDump(bank.db(), c.paper == 1 ? 2 : 1), otherBefore);
        EXPECT_TRUE(answers.asked().empty());
    }
}

TEST_F(SettingsTest, TheTwoModesArrangeTheWindow)
{
    TFrmConfig times;
    app::ConfigTimesOnly = true;
    times.arrangeForTimes();
    times.show();
    EXPECT_EQ(times.height(), 170);
    EXPECT_FALSE(times.RxSwitch1->isVisible());
    EXPECT_FALSE(times.FlatComboBox1->isVisible());
    EXPECT_EQ(times.ScrollBox1->geometry().top(), 22);
    EXPECT_EQ(times.ScrollBox1->height(), 110);
    EXPECT_EQ(times.epFocusButton3->pos(), QPoint(280, 137));
    // Every line can be reached and read out.
    for (QLineEdit* e : times.timeEditors()) {
        EXPECT_TRUE(e->isVisible());
        EXPECT_FALSE(e->accessibleName().isEmpty());
    }

    app::ConfigTimesOnly = false;
    TFrmConfig musicMode;
    musicMode.show();
    EXPECT_EQ(musicMode.height(), 100);
    EXPECT_TRUE(musicMode.RxSwitch1->isVisible());
    EXPECT_TRUE(musicMode.RxSwitch1->isChecked());
    EXPECT_EQ(musicMode.FlatComboBox1->currentIndex(), -1);
    QStringList tunes;
    for (int i = 0; i < musicMode.FlatComboBox1->count(); ++i)
        tunes << musicMode.FlatComboBox1->itemText(i);
    EXPECT_EQ(tunes, (QStringList{"乐曲01", "乐曲02", "乐曲03", "乐曲04", "乐曲05", "乐曲06"}));
    EXPECT_FALSE(musicMode.FlatComboBox1->isEditable());
    EXPECT_TRUE(musicMode.timeEditors().isEmpty());
}

TEST_F(SettingsTest, MusicModeLeavesTheTypeTableAlone)
{
    const QString before = typeTableDump(bank.db(), 1);
    music::setAudioDrivers({QStringLiteral("none")});
    TFrmConfig f;
    app::ConfigTimesOnly = false;
    f.show();
    f.FlatComboBox1->setCurrentIndex(2);
    f.epFocusButton3->click();
    EXPECT_EQ(typeTableDump(bank.db(), 1), before);
    EXPECT_TRUE(app::TypeAnswerTimes.isEmpty());
}

TEST_F(SettingsTest, SwitchingOnWithoutATunePlaysTheFirstOne)
{
    QTemporaryDir dir;
    struct Case { QStringList drivers; bool plays; QStringList prompts; };
    const Case cases[] = {
        {{QStringLiteral("none")}, false, {QStringLiteral("没发现声卡！")}}, // switching off asks for no card
        {{QStringLiteral("file")}, true, {}},
    };
    for (const Case& c : cases) {
        music::setAudioDrivers(c.drivers, dir.filePath(QStringLiteral("out.wav")));
        answers.clear();
        TFrmConfig f;
        app::ConfigTimesOnly = false;
        f.show();
        f.RxSwitch1->click(); // off
        EXPECT_FALSE(app::MusicOn);
        f.RxSwitch1->click(); // on, no tune chosen
        EXPECT_TRUE(app::MusicOn);
        EXPECT_EQ(app::MusicFile, bank.dm.AppDir + QStringLiteral("sound/乐曲01.mid"));
        EXPECT_EQ(music::isPlaying(), c.plays) << c.drivers.join(',').toStdString();
        EXPECT_EQ(answers.texts(), c.prompts);
        music::stop();
    }
}

TEST_F(SettingsTest, ATuneChosenWhileSwitchedOffOnlyStopsThePlayer)
{
    QTemporaryDir dir;
    music::setAudioDrivers({QStringLiteral("file")}, dir.filePath(QStringLiteral("out.wav")));
    TFrmConfig f;
    app::ConfigTimesOnly = false;
    f.show();
    f.FlatComboBox1->setCurrentIndex(3);
    EXPECT_EQ(app::MusicFile, bank.dm.AppDir + QStringLiteral("sound/乐曲04.mid"));
    EXPECT_TRUE(music::isPlaying());
    f.RxSwitch1->click();
    EXPECT_FALSE(music::isPlaying());
    f.FlatComboBox1->setCurrentIndex(4);
    EXPECT_EQ(app::MusicFile, bank.dm.AppDir + QStringLiteral("sound/乐曲05.mid"));
    EXPECT_FALSE(music::isPlaying());
}

TEST_F(SettingsTest, TheMusicChoiceOutlivesTheWindowAndTheProgram)
{
    // No sound card: choosing and switching off still say nothing.
    music::setAudioDrivers({QStringLiteral("none")});
    {
        TFrmConfig f;
        app::ConfigTimesOnly = false;
        f.show();
        f.RxSwitch1->click(); // off
        f.FlatComboBox1->setCurrentIndex(2);
        f.epFocusButton3->click();
    }
    EXPECT_TRUE(answers.asked().empty());
    struct Case { const char* when; };
    for (const Case& c : {Case{"another window"}, Case{"a restart"}}) {
        if (QLatin1String(c.when) == QLatin1String("a restart")) {
            app::MusicOn = true;
            app::MusicFile.clear();
        }
        TFrmConfig f;
        f.show();
        EXPECT_FALSE(f.RxSwitch1->isChecked()) << c.when;
        EXPECT_EQ(f.RxSwitch1->text(), QStringLiteral("关")) << c.when;
        EXPECT_EQ(f.FlatComboBox1->currentText(), QStringLiteral("乐曲03")) << c.when;
        EXPECT_FALSE(app::MusicOn) << c.when;
        EXPECT_EQ(app::MusicFile, bank.dm.AppDir + QStringLiteral("sound/乐曲03.mid")) << c.when;
        f.epFocusButton3->click();
    }
    EXPECT_TRUE(answers.asked().empty());
    const music::Preferences kept = music::loadPreferences();
    EXPECT_FALSE(kept.on);
    EXPECT_EQ(kept.tune, QStringLiteral("乐曲03"));
}

TEST_F(SettingsTest, AFailedSaveOfAnswerTimesSaysSoAndKeepsEveryTime)
{
    app::CurrentPaperNo = 1;
    shell::loadTypeAnswerTimes(bank.db());
    bank.db().exec(QStringLiteral("create trigger no_judge before update on tab_tx1 when new.A1=12 "
                                  "begin select raise(abort, 'locked'); end"));
    TFrmConfig f;
    app::ConfigTimesOnly = true;
    f.arrangeForTimes();
    f.show();
    retype(f.timeEditors()[0], QStringLiteral("4"));
    retype(f.timeEditors()[1], QStringLiteral("4"));
    f.epFocusButton3->click();
    EXPECT_FALSE(f.isVisible()); // the window closes all the same
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].caption, QStringLiteral("错误"));
    EXPECT_TRUE(answers.asked()[0].text.startsWith(QStringLiteral("保存设置失败！")));
    EXPECT_EQ(typeTableDump(bank.db(), 1), QStringLiteral("11=1;12=0.5;"));
    EXPECT_EQ(app::answerTimeOfType(11), 600);
}

TEST_F(SettingsTest, AnAnswerTimeOutOfRangeIsRefusedByNameAndEveryLineKeepsItsText)
{
    app::CurrentPaperNo = 1;
    shell::loadTypeAnswerTimes(bank.db());
    struct Case { const char* first; const char* second; const char* named; };
    const Case cases[] = {
        {"abc", "4", "单选"},
        {"2", "-5", "判断"},
        {"99999", "4", "单选"},
        {"2", "0", "判断"},
        {"30.5", "", "单选"},
    };
    for (const Case& c : cases) {
        answers.clear();
        TFrmConfig f;
        app::ConfigTimesOnly = true;
        f.arrangeForTimes();
        f.show();
        retype(f.timeEditors()[0], QString::fromLatin1(c.first));
        retype(f.timeEditors()[1], QString::fromLatin1(c.second));
        if (!*c.second)
            QTest::keyClick(f.timeEditors()[1], Qt::Key_Delete);
        f.epFocusButton3->click();
        EXPECT_TRUE(f.isVisible()) << c.first;
        ASSERT_EQ(answers.asked().size(), 1u) << c.first;
        EXPECT_EQ(answers.asked()[0].text, QString::fromUtf8(c.named) + QStringLiteral("的答题时间须为0.1～30分钟！"));
        EXPECT_EQ(f.timeEditors()[0]->text(), QString::fromLatin1(c.first));
        EXPECT_EQ(f.timeEditors()[1]->text(), QString::fromLatin1(c.second));
        EXPECT_EQ(typeTableDump(bank.db(), 1), QStringLiteral("11=1;12=0.5;"));
        // Mended, the window closes and saves both.
        retype(f.timeEditors()[0], QStringLiteral("0.1"));
        retype(f.timeEditors()[1], QStringLiteral("30"));
        f.epFocusButton3->click();
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(typeTableDump(bank.db(), 1), QStringLiteral("11=0.1;12=30;"));
        bank.db().exec(QStringLiteral("update tab_tx1 set time = case A1 when 11 then 1 else 0.5 end"));
    }
}

TEST_F(SettingsTest, TheAnswerTimeWindowShowsEveryLine)
{
    for (int id = 13; id < 22; ++id)
        bank.type(1, id, QStringLiteral("题型%1").arg(id), 1, 1, 2);
    app::CurrentPaperNo = 1;
    TFrmConfig f;
    app::ConfigTimesOnly = true;
    f.arrangeForTimes();
    f.show();
    ASSERT_EQ(f.timeEditors().size(), 11);
    const QRect view = f.ScrollBox1->viewport()->rect();
    for (QLineEdit* e : f.timeEditors())
        EXPECT_TRUE(view.contains(QRect(e->mapTo(f.ScrollBox1->viewport(), QPoint(0, 0)), e->size()))) << e->objectName().toStdString();
    EXPECT_TRUE(f.rect().contains(f.epFocusButton3->geometry()));
    EXPECT_GE(f.epFocusButton3->geometry().top(), f.ScrollBox1->geometry().bottom());
}

// ---- Exam settings ------------------------------------------------------------------

TEST_F(SettingsTest, ExamSettingsShowStoredMinutesAndProposeDefaults)
{
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime=5430, LeastMark=60"));
    app::CurrentPaperNo = 1; // 50 × 1 + 25 × 2 = 100 points
    struct Case { bool first; bool second; const char* least; const char* minutes; qint64 storedSeconds; };
    const Case cases[] = {
        {true, false, "50", "90", 5400},
        {false, true, "60", "120", 7200},
        {true, true, "50", "120", 7200},
    };
    for (const Case& c : cases) {
        bank.db().exec(QStringLiteral("update tab_plan set ExamTime=5430, LeastMark=60"));
        TFrmEset f;
        f.show();
        EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("60"));
        EXPECT_EQ(f.suiNumberEdit2->text(), QStringLiteral("90"));
        EXPECT_FALSE(f.suiButton1->isEnabled());
        if (c.first)
            f.suiCheckBox1->click();
        if (c.second)
            f.suiCheckBox2->click();
        EXPECT_TRUE(f.suiButton1->isEnabled());
        f.suiButton1->click();
        EXPECT_EQ(f.suiNumberEdit1->text(), QString::fromLatin1(c.least));
        EXPECT_EQ(f.suiNumberEdit2->text(), QString::fromLatin1(c.minutes));
        f.suiButton2->click();
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toLongLong(), c.storedSeconds);
        EXPECT_EQ(bank.db().scalar(QStringLiteral("select LeastMark from tab_plan")).toDouble(), QString::fromLatin1(c.least).toDouble());
    }
    // Unticking both boxes disables 默认 again.
    TFrmEset f;
    f.show();
    f.suiCheckBox1->click();
    f.suiCheckBox1->click();
    EXPECT_FALSE(f.suiButton1->isEnabled());
    EXPECT_TRUE(answers.asked().empty());
}

TEST_F(SettingsTest, ALowestScoreOverThePaperTotalIsResetWithAMessage)
{
    app::CurrentPaperNo = 1;
    TFrmEset f;
    f.show();
    retype(f.suiNumberEdit1, QStringLiteral("150"));
    EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("100"));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, prompt::Asked::Kind::MessageBox);
    EXPECT_EQ(answers.asked()[0].text, QStringLiteral("最低分数不能超过总分数！"));
    EXPECT_EQ(answers.asked()[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(f.focusWidget(), f.suiNumberEdit1);

    answers.clear();
    retype(f.suiNumberEdit1, QStringLiteral("100"));
    f.suiNumberEdit1->clear();
    EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("0"));
    EXPECT_TRUE(answers.asked().empty());
    // Letters do not get in.
    retype(f.suiNumberEdit2, QStringLiteral("9x9"));
    EXPECT_EQ(f.suiNumberEdit2->text(), QStringLiteral("99"));
}

TEST_F(SettingsTest, AFailedExamSettingsSaveChangesNothingAndCloses)
{
    bank.db().exec(QStringLiteral("create trigger no_time before update of ExamTime on tab_plan "
                                  "begin select raise(abort, 'locked'); end"));
    TFrmEset f;
    f.show();
    retype(f.suiNumberEdit1, QStringLiteral("20"));
    retype(f.suiNumberEdit2, QStringLiteral("45"));
    f.suiButton2->click();
    EXPECT_FALSE(f.isVisible());
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_TRUE(answers.asked()[0].text.startsWith(QStringLiteral("保存设置失败！")));
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select LeastMark from tab_plan")).toDouble(), 60.0);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toInt(), 9000);
}

TEST_F(SettingsTest, AnExamLengthOfNothingOrZeroIsRefusedAndDefaultRestoresIt)
{
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime=5400, LeastMark=60"));
    for (const char* typed : {"", "0", "000"}) {
        answers.clear();
        TFrmEset f;
        f.show();
        f.suiCheckBox2->click();
        retype(f.suiNumberEdit2, QString::fromLatin1(typed));
        if (f.suiNumberEdit2->text() != QString::fromLatin1(typed))
            f.suiNumberEdit2->setText(QString::fromLatin1(typed));
        f.suiButton2->click();
        EXPECT_TRUE(f.isVisible()) << typed;
        ASSERT_EQ(answers.asked().size(), 1u) << typed;
        EXPECT_TRUE(answers.asked()[0].text.startsWith(QStringLiteral("保存设置失败！"))) << typed;
        EXPECT_EQ(f.focusWidget(), f.suiNumberEdit2);
        EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toInt(), 5400) << typed;
        // 默认 brings the field back to a length that saves.
        f.suiButton1->click();
        EXPECT_EQ(f.suiNumberEdit2->text(), QStringLiteral("120"));
        f.suiButton2->click();
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamTime from tab_plan")).toInt(), 7200);
        bank.db().exec(QStringLiteral("update tab_plan set ExamTime=5400"));
    }
    // A bank that holds 0 shows the length an exam will take.
    bank.db().exec(QStringLiteral("update tab_plan set ExamTime=0"));
    TFrmEset f;
    f.show();
    EXPECT_EQ(f.suiNumberEdit2->text(), QStringLiteral("120"));
}

// ---- Study plan -------------------------------------------------------------------------

TEST_F(SettingsTest, CountdownCasesAndColours)
{
    struct Case { int offset; const char* caption; const char* number; bool shown; QColor colour; };
    const Case cases[] = {
        {1200, "距离考试还有", "999", true, QColor(100, 203, 37)},
        {8, "距离考试还有", "8", true, QColor(100, 203, 37)},
        {7, "距离考试还有", "7", true, QColor(255, 0, 0)},
        {0, "祝考试成功！", "0", false, {}},
        {-1, "考试已结束！", "-1", false, {}},
    };
    for (const Case& c : cases) {
        bank.db().exec(QStringLiteral("update tab_plan set ExamDate=:d"), {{":d", kToday.addDays(c.offset)}});
        TFrmplan f;
        f.show();
        EXPECT_EQ(f.epLabel1->text(), QString::fromUtf8(c.caption)) << c.offset;
        EXPECT_EQ(f.Label1->isVisible(), c.shown) << c.offset;
        EXPECT_EQ(f.epLabel2->isVisible(), c.shown) << c.offset;
        if (c.shown) {
            EXPECT_EQ(f.Label1->text(), QString::fromLatin1(c.number));
            EXPECT_EQ(f.Label1->accessibleName(), QStringLiteral("距离考试天数 ") + QString::fromLatin1(c.number));
            EXPECT_EQ(f.Label1->palette().color(QPalette::WindowText), c.colour) << c.offset;
        }
    }
}

TEST_F(SettingsTest, PlanByMinutesIsSavedAndUsedByTheQuitCheck)
{
    TFrmplan f;
    f.show();
    EXPECT_EQ(f.SpeedButton1->text(), QStringLiteral("设定"));
    EXPECT_FALSE(f.DateEdit1->isEnabled());
    EXPECT_FALSE(f.SeSkinRadioGroup1->isEnabled());
    EXPECT_TRUE(f.planByAnswers->isChecked());
    EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("30"));
    EXPECT_EQ(f.suiNumberEdit2->text(), QStringLiteral("60"));
    EXPECT_EQ(f.DateEdit1->date(), QDate(2024, 6, 1));

    f.SpeedButton1->click();
    EXPECT_EQ(f.SpeedButton1->text(), QStringLiteral("保存"));
    EXPECT_TRUE(f.DateEdit1->isEnabled());
    EXPECT_TRUE(f.SeSkinRadioGroup1->isEnabled());
    EXPECT_TRUE(f.suiNumberEdit1->isEnabled());
    f.planByMinutes->click();
    EXPECT_FALSE(f.suiNumberEdit1->isEnabled());
    EXPECT_TRUE(f.suiNumberEdit2->isEnabled());
    EXPECT_EQ(f.focusWidget(), f.suiNumberEdit2);
    retype(f.suiNumberEdit2, QStringLiteral("45"));
    f.DateEdit1->setDate(kToday.addDays(5));
    f.SpeedButton1->click();

    EXPECT_EQ(f.SpeedButton1->text(), QStringLiteral("设定"));
    EXPECT_FALSE(f.DateEdit1->isEnabled());
    EXPECT_TRUE(f.suiNumberEdit2->isEnabled());
    EXPECT_EQ(f.Label1->text(), QStringLiteral("5"));
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanMark from tab_plan")).toInt(), 1);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanTime from tab_plan")).toInt(), 45);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamDate from tab_plan")).toString(), kToday.addDays(5).toString(Qt::ISODate));

    // 40 answers but 44 minutes today: below a plan of 45 minutes.
    bank.day(kToday, 40, 0, QStringLiteral("00:44:59"));
    EXPECT_EQ(shell::comparePlan(shell::readStudyPlan(bank.db()), shell::todaysWork(bank.db())), shell::PlanStatus::Below);
    EXPECT_TRUE(answers.asked().empty());
}

TEST_F(SettingsTest, ClosingInEditModeDiscardsTheEntries)
{
    TFrmplan f;
    f.show();
    f.SpeedButton1->click();
    retype(f.suiNumberEdit1, QStringLiteral("99"));
    f.DateEdit1->setDate(kToday.addDays(3));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("3")); // the countdown follows the date being chosen
    f.SpeedButton2->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanAmount from tab_plan")).toInt(), 30);
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select ExamDate from tab_plan")).toString(), QStringLiteral("2024-06-01"));
}

TEST_F(SettingsTest, PlanShowsTheAnswersADayTheBacklogNeeds)
{
    for (int i = 0; i < 50; ++i)
        bank.question(QStringLiteral("n%1").arg(i), QVariant());
    bank.question(QStringLiteral("w1"), QStringLiteral("B"), -3);
    bank.question(QStringLiteral("w2"), QStringLiteral("B"), -1);
    TFrmplan f;
    f.show();
    // 52 questions, 26 days to 2024-06-01: 2 a day.
    EXPECT_EQ(f.lblQuota->text(), QStringLiteral("未做题 50 道，错题 2 道；考前每天做 2 道可全部完成"));

    f.SpeedButton1->click();
    f.DateEdit1->setDate(kToday.addDays(4));
    f.SpeedButton1->click();
    EXPECT_EQ(f.lblQuota->text(), QStringLiteral("未做题 50 道，错题 2 道；考前每天做 13 道可全部完成"));
    f.SpeedButton1->click();
    f.DateEdit1->setDate(kToday);
    f.SpeedButton1->click();
    EXPECT_EQ(f.lblQuota->text(), QStringLiteral("未做题 50 道，错题 2 道"));
}

TEST_F(SettingsTest, TheQuotaLineFollowsTheDateBeingChosen)
{
    for (int i = 0; i < 50; ++i)
        bank.question(QStringLiteral("n%1").arg(i), QVariant());
    const QString backlog = QStringLiteral("未做题 50 道，错题 0 道");
    struct Case { int offset; const char* quota; };
    const Case cases[] = {{-3, ""}, {0, ""}, {5, "；考前每天做 10 道可全部完成"}, {-1, ""}};
    // A stored past date: the exam is over, so no quota.
    bank.db().exec(QStringLiteral("update tab_plan set ExamDate=:d"), {{":d", kToday.addDays(-3)}});
    TFrmplan f;
    f.show();
    EXPECT_EQ(f.epLabel1->text(), QStringLiteral("考试已结束！"));
    EXPECT_EQ(f.lblQuota->text(), backlog);
    f.SpeedButton1->click();
    for (const Case& c : cases) {
        f.DateEdit1->setDate(kToday.addDays(c.offset));
        EXPECT_EQ(f.lblQuota->text(), backlog + QString::fromUtf8(c.quota)) << c.offset;
    }
}

TEST_F(SettingsTest, ADailyAmountBelowOneIsRefusedAndTheEntriesStay)
{
    struct Case { bool byMinutes; const char* typed; const char* why; };
    const Case cases[] = {
        {false, "0", "每天作题数量至少为1道。"},
        {false, "", "每天作题数量至少为1道。"},
        {true, "0", "每天作题时间至少为1分钟。"},
    };
    for (const Case& c : cases) {
        answers.clear();
        TFrmplan f;
        f.show();
        f.SpeedButton1->click();
        if (c.byMinutes)
            f.planByMinutes->click();
        QLineEdit* field = c.byMinutes ? f.suiNumberEdit2 : f.suiNumberEdit1;
        field->setText(QString::fromLatin1(c.typed));
        f.SpeedButton1->click();
        ASSERT_EQ(answers.asked().size(), 1u) << c.typed;
        EXPECT_EQ(answers.asked()[0].text, QStringLiteral("保存学习计划失败！\n") + QString::fromUtf8(c.why));
        EXPECT_EQ(f.SpeedButton1->text(), QStringLiteral("保存"));
        EXPECT_EQ(f.focusWidget(), field);
        EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanMark||'/'||PlanAmount||'/'||PlanTime from tab_plan")).toString(),
                  QStringLiteral("0/30/60"));
    }
}

TEST_F(SettingsTest, TheDailyAmountsTakeTypingOnlyWhileTheyAreBeingSet)
{
    TFrmplan f;
    f.show();
    for (QLineEdit* field : {f.suiNumberEdit1, f.suiNumberEdit2}) {
        retype(field, QStringLiteral("77"));
        EXPECT_NE(field->text(), QStringLiteral("77")) << field->objectName().toStdString();
    }
    f.SpeedButton1->click();
    retype(f.suiNumberEdit1, QStringLiteral("40"));
    EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("40"));
    f.SpeedButton1->click();
    // Saved: the box shows the plan but takes no more typing.
    retype(f.suiNumberEdit1, QStringLiteral("55"));
    EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("40"));
    EXPECT_TRUE(f.suiNumberEdit1->isReadOnly());
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanAmount from tab_plan")).toInt(), 40);
}

TEST_F(SettingsTest, AFailedPlanSaveKeepsEditModeAndTheBank)
{
    bank.db().exec(QStringLiteral("create trigger no_plan before update on tab_plan begin select raise(abort, 'locked'); end"));
    TFrmplan f;
    f.show();
    f.SpeedButton1->click();
    retype(f.suiNumberEdit1, QStringLiteral("70"));
    f.SpeedButton1->click();
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_TRUE(answers.asked()[0].text.startsWith(QStringLiteral("保存学习计划失败！")));
    EXPECT_EQ(f.SpeedButton1->text(), QStringLiteral("保存"));
    EXPECT_EQ(f.suiNumberEdit1->text(), QStringLiteral("70"));
    EXPECT_EQ(bank.db().scalar(QStringLiteral("select PlanAmount from tab_plan")).toInt(), 30);
}

TEST_F(SettingsTest, SettingsButtonsOpenMusicMode)
{
    music::setAudioDrivers({QStringLiteral("none")});
    app::ConfigTimesOnly = true; // left over from an earlier opening
    TFrmkmmc chooser;
    TFrmRz log;
    Tfrmchart chart;
    TFrmCheck scores;
    const std::pair<QWidget*, const char*> openers[] = {
        {&chooser, "btnConfig"}, {&log, "SpeedButton1"}, {&chart, "epEfTrBtn1"}, {&scores, "epEfTrBtn8"}};
    for (const auto& [screen, name] : openers) {
        auto* button = screen->findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        EXPECT_TRUE(button->isEnabled()) << name;
        QString opened;
        int height = 0;
        QTimer::singleShot(0, [&] {
            if (auto* f = qobject_cast<TFrmConfig*>(QApplication::activeModalWidget())) {
                opened = f->windowTitle();
                height = f->height();
                EXPECT_FALSE(app::ConfigTimesOnly);
                f->epFocusButton3->click();
            }
        });
        button->click();
        EXPECT_EQ(opened, QStringLiteral("系统设置")) << name;
        EXPECT_EQ(height, 100) << name;
    }
}

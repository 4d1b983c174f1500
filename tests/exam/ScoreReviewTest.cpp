// The score list's figures and hint, and a stored paper reviewed and exported
// with its own mock's types whatever mock was started last.
#include "exam/ExamFixture.h"
#include "core/exam/PaperDraw.h"
#include "core/exam/PaperExport.h"
#include "core/exam/ScoreRules.h"
#include "exam/TFrmCheck.h"
#include "exam/TFrmExam.h"
#include "progress/TFrmEset.h"
#include "core/app/AppState.h"
#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "support/BookmarkToggle.h"

#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

using namespace examtest;

namespace {

class ScoreReview : public ::testing::Test {
public:
    ScoreReview()
    {
        DM1 = &bank.dm;
        app::CurrentPaperNo = 1;
    }
    ~ScoreReview() override
    {
        app::CurrentPaperNo = 1;
        DM1 = nullptr;
    }

    ClockScope clock;
    ExamBank bank;
};

TEST_F(ScoreReview, FiguresFollowEveryDeleteAndAnEmptyListCannotDelete)
{
    bank.scoreRow(QStringLiteral("tab_exam1"), 1, 0.0, QStringLiteral("零分卷"));
    bank.scoreRow(QStringLiteral("tab_exam2"), 2, 20.0, QStringLiteral("二十分卷"));
    bank.scoreRow(QStringLiteral("tab_exam3"), 3, 40.0, QStringLiteral("四十分卷"));
    TFrmCheck list;
    list.show();
    EXPECT_EQ(list.LED_count->intValue(), 3);
    EXPECT_EQ(list.LED_average->intValue(), 20);

    const auto deleteRow = [&](const QString& table) {
        ASSERT_TRUE(DM1->Cn1Table_cj->locate(QStringLiteral("A1"), table));
        prompt::Script prompts({prompt::Ok});
        list.SpeedButton4->click();
    };
    deleteRow(QStringLiteral("tab_exam2"));
    EXPECT_EQ(list.LED_count->intValue(), 2);
    EXPECT_EQ(list.LED_average->intValue(), 20);
    deleteRow(QStringLiteral("tab_exam1"));
    EXPECT_EQ(list.DBGrid1->model()->rowCount(), 1);
    EXPECT_EQ(list.LED_count->intValue(), 1);
    EXPECT_EQ(list.LED_average->intValue(), 40);
    EXPECT_TRUE(list.SpeedButton4->isEnabled());
    deleteRow(QStringLiteral("tab_exam3"));
    EXPECT_EQ(list.LED_count->intValue(), 0);
    EXPECT_EQ(list.LED_average->intValue(), 0);
    EXPECT_FALSE(list.SpeedButton4->isEnabled());
    EXPECT_FALSE(list.epEfTrBtn1->isEnabled());

    TFrmCheck empty;
    empty.show();
    EXPECT_FALSE(empty.SpeedButton4->isEnabled());
}

TEST_F(ScoreReview, APassMarkStoredAsARealReadsAsAWholeNumber)
{
    // Stored as a real and as text with a decimal point; a true fraction keeps it.
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {{"60.0", "60"}, {"'60.0'", "60"}, {"72.5", "72.5"}};
    for (const auto& c : cases) {
        bank.db().exec(QStringLiteral("update tab_plan set LeastMark = %1").arg(QString::fromLatin1(c.stored)));
        const QString shown = QString::fromLatin1(c.shown);
        EXPECT_EQ(exam::scoreHint(bank.db()), QStringLiteral("[提示]：成绩少于 ") + shown + QStringLiteral(" 分的试卷，不被保留。")) << c.stored;
        TFrmCheck list;
        list.show();
        EXPECT_EQ(list.Label_hint->text(), exam::scoreHint(bank.db())) << c.stored;
        if (shown.contains(QLatin1Char('.')))
            continue; // the settings field takes whole numbers only
        TFrmEset settings;
        settings.show();
        EXPECT_EQ(settings.suiNumberEdit1->text(), shown) << c.stored;
    }
}

// A mock 5 paper of six case questions, and a mock 1 paper of three singles.
class PastPaper : public ScoreReview {
public:
    PastPaper()
    {
        bank.type(1, 11, 80, 1, QStringLiteral("单选"));
        bank.type(2, 11, 50, 1, QStringLiteral("单选"));
        bank.type(2, 64, 0, 20, QStringLiteral("案例分析"));
        bank.type(5, 64, 6, 20, QStringLiteral("案例分析"));
        QStringList cases, singles;
        for (int i = 1; i <= 6; ++i) {
            const QString id = QStringLiteral("G050101000000001-%1").arg(i);
            bank.add({.id = id, .key = "", .type = 64, .chapter = "050101"});
            cases << id;
        }
        for (int i = 1; i <= 3; ++i) {
            const QString id = QStringLiteral("03010100000%1").arg(i);
            bank.add({.id = id, .key = "A", .type = 11, .chapter = "030101"});
            singles << id;
        }
        bank.scoreRow(QStringLiteral("tab_exam1"), 1, 100.0, QStringLiteral("2026年12月01日模拟考试（五）[1]"));
        bank.paperOf(QStringLiteral("tab_exam1"), cases);
        bank.scoreRow(QStringLiteral("tab_exam2"), 2, 3.0, QStringLiteral("2026年12月02日模拟考试（一）[2]"));
        bank.paperOf(QStringLiteral("tab_exam2"), singles);
        app::CurrentPaperNo = 2; // mock 2 was started last
    }

    QString reviewHeading(const QString& table)
    {
        TFrmExam f;
        f.InitPaper(table, QStringLiteral("卷"), exam::Mode::Review, 0, QStringLiteral("0:10:00"));
        if (!f.OpenPaper())
            return QStringLiteral("<not opened>");
        f.show();
        return f.Label7->text();
    }
};

TEST_F(PastPaper, ReviewAndExportUseThePapersOwnMockAndRows)
{
    EXPECT_EQ(exam::paperMock(bank.db(), QStringLiteral("tab_exam1")), 5);
    EXPECT_EQ(exam::paperMock(bank.db(), QStringLiteral("tab_exam2")), 1);
    EXPECT_EQ(reviewHeading(QStringLiteral("tab_exam1")), QStringLiteral("案例分析 每题20分 共120分"));
    EXPECT_EQ(reviewHeading(QStringLiteral("tab_exam2")), QStringLiteral("单选 每题1分 共3分"));

    const QString typeTable = exam::paperTypeTable(bank.db(), QStringLiteral("tab_exam1"), app::currentTypeTable());
    const exam::PaperContent c = exam::readPaperContent(bank.db(), QStringLiteral("tab_exam1"), typeTable, QStringLiteral("卷"));
    QStringList headings;
    for (const exam::PaperPiece& p : c.pieces)
        if (p.text.contains(QStringLiteral("[共")))
            headings << p.text;
    EXPECT_EQ(headings, QStringList{QStringLiteral("一、案例分析[共6题，每题20分，总计120分]")});
}

TEST_F(PastPaper, ATitleNamingNoMockFallsBackToTheCurrentTypes)
{
    bank.db().exec(QStringLiteral("update tab_cj set A3 = '旧卷' where A1 = 'tab_exam2'"));
    EXPECT_EQ(exam::paperMock(bank.db(), QStringLiteral("tab_exam2")), 0);
    EXPECT_EQ(exam::paperTypeTable(bank.db(), QStringLiteral("tab_exam2"), QStringLiteral("tab_tx2")), QStringLiteral("tab_tx2"));
    EXPECT_EQ(reviewHeading(QStringLiteral("tab_exam2")), QStringLiteral("单选 每题1分 共3分"));
}

TEST_F(PastPaper, ReviewTellsUnansweredFromWrong)
{
    bank.db().exec(QStringLiteral("update tab_exam2 set E2_1 = 'A' where A1 = '030101000001'"));
    bank.db().exec(QStringLiteral("update tab_exam2 set E2_1 = 'B' where A1 = '030101000002'"));
    TFrmExam f;
    f.InitPaper(QStringLiteral("tab_exam2"), QStringLiteral("卷"), exam::Mode::Review, 1, QStringLiteral("0:10:00"));
    ASSERT_TRUE(f.OpenPaper());
    f.show();
    const struct {
        int number;
        practice::AnswerMark mark;
        const char* spoken;
    } cases[] = {{1, practice::AnswerMark::Right, "第1题 做对"}, {2, practice::AnswerMark::Wrong, "第2题 做错"}, {3, practice::AnswerMark::Open, "第3题 未做"}};
    for (const auto& c : cases) {
        EXPECT_EQ(f.gridMark(c.number), c.mark) << c.number;
        EXPECT_EQ(f.thButtons[size_t(c.number - 1)]->accessibleName(), QString::fromUtf8(c.spoken)) << c.number;
    }
}

TEST_F(ScoreReview, ClosingAReviewBelowThePassMarkSaysThePaperGoes)
{
    bank.type(1, 11, 80, 1, QStringLiteral("单选"));
    bank.db().exec(QStringLiteral("update tab_plan set LeastMark = 60.0"));
    for (int i = 1; i <= 3; ++i)
        bank.add({.id = QStringLiteral("03010100000%1").arg(i), .key = "A", .type = 11, .chapter = "030101"});
    const exam::NewPaper p = exam::createPaper(bank.dm, 1, practicetest::kDay1);
    TFrmExam f;
    ASSERT_TRUE(f.InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
    ASSERT_TRUE(f.OpenPaper());
    f.show();
    f.KZTimeCounter1->stop();
    {
        prompt::Script prompts({1}, prompt::Ok);
        f.epEfTrBtn3->click(); // 交卷 with nothing answered: 0 points
    }
    ASSERT_TRUE(f.belowPass());
    prompt::Script prompts({prompt::Ok});
    f.epEfTrBtn7->click();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("成绩低于 60 分，关闭后本试卷不被保留。")});
    EXPECT_FALSE(bank.db().hasTable(p.table));
}

TEST_F(PastPaper, TheReviewOfAStoredPaperBookmarksTheQuestionShown)
{
    TFrmExam f;
    f.InitPaper(QStringLiteral("tab_exam2"), QStringLiteral("卷"), exam::Mode::Review, 3, QStringLiteral("0:10:00"));
    ASSERT_TRUE(f.OpenPaper());
    f.show();
    const auto shown = [] { return DM1->Cn1Query_exam->text(QStringLiteral("A1")); };
    bookmarktest::driveToggle(f, bank.db(),
                              {shown, [&] { f.epEfTrBtn2->click(); }, [&] { f.epEfTrBtn1->click(); },
                               [this] { return bank.snapshot(); }});
}

TEST_F(ScoreReview, AGradedPaperOffersTheBookmarkToggleInItsReview)
{
    bank.type(1, 11, 80, 1, QStringLiteral("单选"));
    for (int i = 1; i <= 3; ++i)
        bank.add({.id = QStringLiteral("03010100000%1").arg(i), .key = "A", .type = 11, .chapter = "030101"});
    const exam::NewPaper p = exam::createPaper(bank.dm, 1, practicetest::kDay1);
    TFrmExam f;
    ASSERT_TRUE(f.InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")));
    ASSERT_TRUE(f.OpenPaper());
    f.show();
    f.KZTimeCounter1->stop();
    EXPECT_FALSE(f.btnBookmark->isVisible());
    {
        prompt::Script prompts({1}, prompt::Ok);
        f.epEfTrBtn3->click(); // 交卷
    }
    ASSERT_EQ(f.mode(), exam::Mode::Review);
    EXPECT_TRUE(f.btnBookmark->isVisible());
    EXPECT_TRUE(f.btnBookmark->isEnabled());
    f.btnBookmark->click();
    EXPECT_TRUE(bookmarktest::rowExists(bank.db(), DM1->Cn1Query_exam->text(QStringLiteral("A1"))));
}

} // namespace

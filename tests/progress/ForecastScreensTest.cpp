// The score forecast on the plan window and the forecast and calibration pages
// of the chart screen: real widgets offscreen on a fixture bank.

#include "progress/ProgressFixture.h"
#include "progress/TFrmplan.h"
#include "progress/Tfrmchart.h"

#include "core/app/AppState.h"
#include "core/progress/PlanForecast.h"
#include "ui/CommandButton.h"
#include "ui/Style.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <gtest/gtest.h>

using namespace progresstest;

namespace {

class ForecastScreensTest : public ::testing::Test {
protected:
    ForecastScreensTest()
        : scope(bank)
    {
        // Mock 1 draws its single-choice questions of part 01 (seven at most): three here,
        // never answered, in a chapter answered right 4 times of 5 → 0.8 each, 1 point each.
        bank.type(1, 11, QStringLiteral("单选"), 80, 1.0);
        bank.chapter(QStringLiteral("0101"), QStringLiteral("计算机"), 3, 0, 5, 1);
        for (const char* id : {"q1", "q2", "q3"})
            bank.question(QString::fromLatin1(id), QVariant());
    }
    ~ForecastScreensTest() override { app::ScreenSizeTag = QStringLiteral("1024"); }

    QString cell(QTableWidget* grid, int row, int column, int role = Qt::DisplayRole)
    {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->data(role).toString() : QString();
    }
    void logAnswers(int count, const QVariant& recall, int right)
    {
        store::Transaction t(bank.db());
        for (int i = 0; i < count; ++i)
            bank.db().exec(QStringLiteral("insert into answer_log (A1, at, right, answer, seconds, source, recall) "
                                          "values ('q9', '2024-05-01T08:00:00.000Z', :r, 'A', 10, 1, :p)"),
                           {{":r", right}, {":p", recall}});
        t.commit();
    }

    Bank bank;
    Scope scope;
};

} // namespace

TEST_F(ForecastScreensTest, ThePlanShowsEachMockTodayAndOnExamDayWithItsRangeAndPassLine)
{
    TFrmplan f;
    f.show();
    QTableWidget* grid = f.gridForecast;
    ASSERT_EQ(grid->rowCount(), progress::kMockCount);
    EXPECT_EQ(grid->accessibleName(), QStringLiteral("成绩预测"));
    EXPECT_EQ(cell(grid, 0, 0), QStringLiteral("模拟考试（一）"));
    // 0.8 on each of three one-point positions: 2.4 expected, 1 to 3 from the 10th to the 90th percentile.
    EXPECT_EQ(cell(grid, 0, 1), QStringLiteral("2.4（1–3）"));
    EXPECT_EQ(cell(grid, 0, 2), QStringLiteral("2.4（1–3）")) << "nothing learnt to forget by exam day";
    EXPECT_EQ(cell(grid, 0, 3), QStringLiteral("1.8/3"));
    EXPECT_EQ(grid->item(0, 1)->foreground().color(), ui::kMasteryHigh) << "above the pass line";
    EXPECT_EQ(cell(grid, 0, 0, Qt::AccessibleTextRole),
              QStringLiteral("模拟考试（一）：今天预计 2.4 分，十次中八次在 1 至 3 分之间；"
                             "考试日预计 2.4 分，十次中八次在 1 至 3 分之间；及格线 1.8 分，满分 3 分"));
    for (int row = 1; row < progress::kMockCount; ++row) {
        EXPECT_EQ(cell(grid, row, 1), QStringLiteral("无题可抽")) << "no type in its table";
        EXPECT_EQ(cell(grid, row, 2), QStringLiteral("—"));
    }
    EXPECT_TRUE(f.lblForecastNote->text().contains(QStringLiteral("考试日按今后不再复习估算")));

    // A wrong first answer in the chapter and the date moved into the past while editing.
    bank.db().exec(QStringLiteral("insert into answer_log (A1, at, right, answer, seconds, source) "
                                  "values ('q1', '2024-05-05T08:00:00.000Z', 0, 'B', 10, 1)"));
    f.SpeedButton1->click();
    f.DateEdit1->setDate(kToday.addDays(-1));
    EXPECT_EQ(cell(grid, 0, 2), QStringLiteral("—"));
    EXPECT_TRUE(f.lblForecastNote->text().contains(QStringLiteral("设定考试日后")));
    EXPECT_EQ(cell(grid, 0, 1), QStringLiteral("2.4（1–3）")) << "the bank is read once per showing";
}

TEST_F(ForecastScreensTest, OpeningThePlanKeepsTodaysForecastForTheChart)
{
    {
        TFrmplan f;
        f.show();
    }
    const auto history = progress::forecastHistory(bank.db());
    ASSERT_EQ(history.size(), 1u) << "only the mock that has questions";
    EXPECT_EQ(history[0].day, kToday);
    EXPECT_EQ(history[0].mock, 1);
    EXPECT_NEAR(history[0].expected, 2.4, 1e-9);
    EXPECT_DOUBLE_EQ(history[0].full, 3);
}

TEST_F(ForecastScreensTest, ThePlanFitsBothLayouts)
{
    for (const char* tag : {"800", "1024"}) {
        app::ScreenSizeTag = QString::fromLatin1(tag);
        TFrmplan f;
        f.show();
        const QRect window = f.rect();
        const QRect grid = f.gridForecast->geometry();
        EXPECT_TRUE(window.contains(grid)) << tag;
        EXPECT_LE(f.lblQuota->geometry().bottom(), f.lblForecast->geometry().top()) << tag;
        EXPECT_LE(grid.bottom(), f.lblForecastNote->geometry().top()) << tag;
        EXPECT_LE(f.lblForecastNote->geometry().bottom(), f.SpeedButton1->geometry().top()) << tag;
        EXPECT_TRUE(window.contains(f.SpeedButton2->geometry())) << tag;
        // Every row shows whole, with no scroll bar.
        EXPECT_GE(f.gridForecast->viewport()->height(), f.gridForecast->rowHeight(0) * progress::kMockCount) << tag;
        EXPECT_LE(f.height(), 600 - 40) << tag;
    }
}

TEST_F(ForecastScreensTest, TheChartDrawsTheForecastOverTheDaysKept)
{
    progress::MockForecast earlier;
    earlier.mock = 1;
    earlier.today = review::ScoreForecast{1.5, 1, 2, 3, 1.8};
    progress::keepForecasts(bank.db(), kToday.addDays(-2), {earlier});

    Tfrmchart f;
    f.show();
    f.typeButton(Tfrmchart::Forecast)->click();
    EXPECT_EQ(f.shownPage(), progress::ForecastPage);
    QChart* chart = f.chart(progress::ForecastPage);
    EXPECT_EQ(chart->title(), QStringLiteral("成绩预测图"));
    const auto series = chart->series();
    ASSERT_EQ(series.size(), 2) << "mock 1 and the pass line";
    auto* mock1 = qobject_cast<QLineSeries*>(series[0]);
    ASSERT_TRUE(mock1);
    EXPECT_EQ(mock1->name(), QStringLiteral("模拟考试（一）"));
    ASSERT_EQ(mock1->count(), 2) << "the day kept and today's, added on opening";
    EXPECT_DOUBLE_EQ(mock1->at(0).y(), 50);
    EXPECT_DOUBLE_EQ(mock1->at(1).y(), 80);
    auto* pass = qobject_cast<QLineSeries*>(series[1]);
    ASSERT_TRUE(pass);
    EXPECT_DOUBLE_EQ(pass->at(0).y(), 60);
    const auto legend = f.legends[progress::ForecastPage]->entries();
    ASSERT_EQ(legend.size(), 2u);
    EXPECT_EQ(legend[1].text, QStringLiteral("及格线 60%"));
    const QString spoken = f.views[progress::ForecastPage]->accessibleDescription();
    EXPECT_EQ(spoken, QStringLiteral("模拟考试（一）5月6日预计 2.4 分，满分 3 分，5月4日为 1.5 分。"));
    EXPECT_EQ(f.views[progress::ForecastPage]->focusPolicy(), Qt::StrongFocus) << "reachable to be read";
    EXPECT_EQ(f.typeButton(Tfrmchart::Forecast)->accessibleDescription(), spoken) << "said with the chart type";

    f.CheckBox3->setChecked(false);
    EXPECT_FALSE(mock1->pointLabelsVisible());
    f.CheckBox3->setChecked(true);
    EXPECT_TRUE(mock1->pointLabelsVisible());
}

TEST_F(ForecastScreensTest, ABankThatTakesNoWriteStillShowsTodaysForecast)
{
    // The history's table gone: neither kept nor read, and today's point is there all the same.
    bank.db().exec(QStringLiteral("drop table forecast_day"));
    Tfrmchart f;
    f.show();
    f.typeButton(Tfrmchart::Forecast)->click();
    const auto series = f.chart(progress::ForecastPage)->series();
    ASSERT_EQ(series.size(), 2);
    auto* mock1 = qobject_cast<QLineSeries*>(series[0]);
    ASSERT_TRUE(mock1);
    ASSERT_EQ(mock1->count(), 1);
    EXPECT_DOUBLE_EQ(mock1->at(0).y(), 80);
}

TEST_F(ForecastScreensTest, CalibrationWaitsFor200AnswersThenBinsPredictionAgainstOutcome)
{
    logAnswers(150, 0.95, 1);
    logAnswers(49, QVariant(), 0);
    {
        Tfrmchart f;
        f.show();
        f.typeButton(Tfrmchart::Calibration)->click();
        EXPECT_EQ(f.shownPage(), progress::CalibrationPage);
        EXPECT_TRUE(f.chart(progress::CalibrationPage)->series().isEmpty());
        EXPECT_TRUE(f.lblCalibration->isVisible());
        EXPECT_EQ(f.lblCalibration->text(), QStringLiteral("答题记录满 200 道后显示预测校准，现有 199 道。"));
        EXPECT_EQ(f.views[progress::CalibrationPage]->accessibleDescription(), f.lblCalibration->text());
    }
    logAnswers(10, 0.95, 0);
    logAnswers(40, 0.35, 1);
    Tfrmchart f;
    f.show();
    f.typeButton(Tfrmchart::Calibration)->click();
    EXPECT_FALSE(f.lblCalibration->isVisible());
    const auto series = f.chart(progress::CalibrationPage)->series();
    ASSERT_EQ(series.size(), 1);
    auto* bars = qobject_cast<QBarSeries*>(series[0]);
    ASSERT_TRUE(bars);
    ASSERT_EQ(bars->barSets().size(), 2);
    QBarSet* predicted = bars->barSets()[0];
    QBarSet* actual = bars->barSets()[1];
    ASSERT_EQ(actual->count(), 2) << "two bins hold answers";
    EXPECT_DOUBLE_EQ(predicted->at(0), 35);
    EXPECT_DOUBLE_EQ(actual->at(0), 100);
    EXPECT_DOUBLE_EQ(predicted->at(1), 95);
    EXPECT_DOUBLE_EQ(actual->at(1), 93.8) << "150 of 160 right";
    EXPECT_EQ(f.views[progress::CalibrationPage]->accessibleDescription(),
              QStringLiteral("预测 30% 至 40% 的 40 道题，预测平均 35%，实际答对 100%；"
                             "预测 90% 至 100% 的 160 道题，预测平均 95%，实际答对 94%。"));
}

TEST_F(ForecastScreensTest, TheChartScreenFitsBothLayoutsWithItsFiveChartTypes)
{
    for (const char* tag : {"800", "1024"}) {
        app::ScreenSizeTag = QString::fromLatin1(tag);
        Tfrmchart f;
        f.show();
        EXPECT_LE(f.height(), std::string(tag) == "800" ? 560 : 728) << tag;
        for (int item = Tfrmchart::Distribution; item <= Tfrmchart::Calibration; ++item) {
            QRadioButton* b = f.typeButton(item);
            ASSERT_TRUE(b) << item;
            EXPECT_TRUE(f.RadioGroup1->rect().contains(b->geometry())) << tag << " item " << item;
        }
        EXPECT_LE(f.RadioGroup1->geometry().bottom(), f.RadioGroup2->geometry().top()) << tag;
        EXPECT_TRUE(f.rect().contains(f.epFocusButton2->geometry())) << tag;
    }
}

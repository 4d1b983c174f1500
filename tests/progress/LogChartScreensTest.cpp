#include "progress/ProgressFixture.h"
#include "core/app/Preferences.h"
#include "progress/TFrmRz.h"
#include "progress/Tfrmchart.h"

#include "common/Prompt.h"
#include "core/store/Dataset.h"
#include "ui/CommandButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QSettings>
#include <QFileInfo>
#include <QComboBox>
#include <QLineEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QPrinter>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtCharts/QBarSet>
#include <QtCharts/QChartView>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QBarCategoryAxis>
#include <gtest/gtest.h>

using namespace progresstest;
using progress::ChartPage;

namespace {

class LogChartTest : public ::testing::Test {
protected:
    LogChartTest()
        : scope(bank)
    {
    }
    ~LogChartTest() override
    {
        Tfrmchart::chooseSaveFile = {};
        Tfrmchart::printerInstalled = {};
    }

    Bank bank;
    Scope scope;
    prompt::Script answers;
};

} // namespace

// ---- Daily log ----------------------------------------------------------------------

TEST_F(LogChartTest, LogTotalsScoreAndNewestDayFirst)
{
    struct Case { std::vector<std::pair<int, int>> days; const char* answers; const char* wrong; const char* score; };
    const Case cases[] = {
        {{}, "0", "0", "0"},
        {{{40, 10}}, "40", "10", "75.00"},
        {{{40, 10}, {20, 20}}, "60", "30", "50.00"},
    };
    for (const Case& c : cases) {
        bank.db().exec(QStringLiteral("delete from tab_rz"));
        for (size_t i = 0; i < c.days.size(); ++i)
            bank.day(kToday.addDays(-2 + int(i)), c.days[i].first, c.days[i].second);
        TFrmRz f;
        f.show();
        EXPECT_EQ(f.lblAnswers->text(), QString::fromLatin1(c.answers));
        EXPECT_EQ(f.lblWrong->text(), QString::fromLatin1(c.wrong));
        EXPECT_EQ(f.lblScore->text(), QString::fromLatin1(c.score));
        const auto* model = f.DBGrid1->model();
        ASSERT_EQ(model->rowCount(), int(c.days.size()));
        if (c.days.size() == 2) {
            EXPECT_EQ(model->index(0, 0).data().toString(), kToday.addDays(-1).toString(Qt::ISODate));
            EXPECT_EQ(model->index(0, 3).data().toString(), QStringLiteral("20"));
        }
        f.SpeedButton3->click();
        EXPECT_FALSE(bank.dm.Cn1Table_rz->isOpen());
    }
    EXPECT_TRUE(answers.asked().empty());
}

TEST_F(LogChartTest, LogColumnsOfBothLayouts)
{
    struct Case { const char* tag; QSize window; std::vector<int> widths; };
    const Case cases[] = {
        {"800", {761, 480}, {128, 60, 60, 60, 60, 80, 71, 70}},
        {"1024", {934, 611}, {172, 80, 80, 80, 80, 80, 80, 80}},
    };
    for (const Case& c : cases) {
        app::ScreenSizeTag = QString::fromLatin1(c.tag);
        TFrmRz f;
        f.show();
        EXPECT_EQ(f.size(), c.window) << c.tag;
        QStringList titles;
        for (int col = 0; col < 8; ++col) {
            EXPECT_EQ(f.DBGrid1->columnWidth(col), c.widths[size_t(col)]) << c.tag << " column " << col;
            titles << f.DBGrid1->model()->headerData(col, Qt::Horizontal).toString();
        }
        EXPECT_EQ(titles, (QStringList{"日期", "做过题数", "做错题数", "做过道次", "做错道次", "总用时", "平均成绩", "完成计划"}));
        // Every column is visible without scrolling sideways.
        EXPECT_FALSE(f.DBGrid1->horizontalScrollBar()->isVisible()) << c.tag;
        EXPECT_TRUE(f.rect().contains(f.lblScore->geometry())) << c.tag;
    }
}

TEST_F(LogChartTest, EachDaySaysWhetherThePlanWasMet)
{
    struct Case { int mark; std::vector<const char*> shown; };
    // Days (newest first): 30 answers in 20 minutes, 29 in 60, 31 in 59:59.
    const Case cases[] = {
        {0, {"完成", "未完成", "完成"}},  // 30 answers a day
        {1, {"未完成", "完成", "未完成"}}, // 60 minutes a day
        {7, {"", "", ""}},                // no kind of plan
    };
    bank.day(kToday.addDays(-2), 31, 0, QStringLiteral("00:59:59"));
    bank.day(kToday.addDays(-1), 29, 0, QStringLiteral("01:00:00"));
    bank.day(kToday, 30, 0, QStringLiteral("00:20:00"));
    for (const Case& c : cases) {
        bank.db().exec(QStringLiteral("update tab_plan set PlanMark=:m"), {{":m", c.mark}});
        TFrmRz f;
        f.show();
        const auto* model = f.DBGrid1->model();
        ASSERT_EQ(model->rowCount(), 3);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(model->index(row, 7).data().toString(), QString::fromUtf8(c.shown[size_t(row)])) << c.mark << " row " << row;
        f.SpeedButton3->click();
    }
}

// ---- Chart ------------------------------------------------------------------------------

TEST_F(LogChartTest, ChartSeriesFollowTheMarkedChapters)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("系统"), 30, 20, 50, 12);
    bank.chapter(QStringLiteral("0101"), QStringLiteral("不画"), 9, 9, 9, 9, false);
    bank.chapter(QStringLiteral("02"), QStringLiteral("空章"), 0, 0, 4, 1);
    bank.chapter(QStringLiteral("03"), QStringLiteral("网络"), 8, 2, 2, 0);
    Tfrmchart f;
    f.show();
    EXPECT_EQ(f.shownPage(), progress::FrequencyPage);
    EXPECT_TRUE(f.typeButton(Tfrmchart::Frequency)->isChecked());

    QChart* frequency = f.chart(progress::FrequencyPage);
    EXPECT_EQ(frequency->title(), QStringLiteral("频 度 统 计 图"));
    QBarSet* wrong = progress::frequencySet(frequency, 0);
    QBarSet* rest = progress::frequencySet(frequency, 1);
    ASSERT_TRUE(wrong && rest);
    ASSERT_EQ(wrong->count(), 3);
    // The wrong answers stand in front of the answers: the two parts add up to D1.
    const double d1[] = {50, 4, 2};
    const double d2[] = {12, 1, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(wrong->at(i), d2[i]);
        EXPECT_EQ(wrong->at(i) + rest->at(i), d1[i]);
    }
    EXPECT_EQ(progress::frequencyLabels(frequency)->texts(), (QStringList{"50/12", "4/1", "2/0"}));
    std::vector<QString> legend;
    for (const auto& e : f.legends[progress::FrequencyPage]->entries())
        legend.push_back(e.text);
    EXPECT_EQ(legend, (std::vector<QString>{"已做题次", "做错题次", "1 系统", "2 空章", "3 网络"}));
    // Each bar carries its part's number, which the legend spells out.
    for (QChart* bars : {frequency, f.chart(progress::ProgressPage)}) {
        auto* x = bars->findChild<QBarCategoryAxis*>(QStringLiteral("chapterAxis"));
        ASSERT_TRUE(x);
        EXPECT_TRUE(x->isVisible());
        EXPECT_TRUE(x->labelsVisible());
    }
    EXPECT_EQ(frequency->findChild<QBarCategoryAxis*>(QStringLiteral("chapterAxis"))->categories(), (QStringList{"1", "2", "3"}));
    // No progress bar for 2 空章: the numbers stay those of the parts.
    EXPECT_EQ(f.chart(progress::ProgressPage)->findChild<QBarCategoryAxis*>(QStringLiteral("chapterAxis"))->categories(),
              (QStringList{"1", "3"}));

    QPieSeries* pie = progress::pieSeries(f.chart(progress::DistributionPage));
    ASSERT_TRUE(pie);
    EXPECT_EQ(pie->name(), QStringLiteral("习题分布"));
    ASSERT_EQ(pie->count(), 3); // the chapter without questions keeps its (empty) slice
    EXPECT_EQ(pie->slices()[0]->value(), 30);
    EXPECT_EQ(pie->slices()[1]->value(), 0);
    EXPECT_TRUE(pie->slices()[0]->isLabelVisible());
    EXPECT_FALSE(pie->slices()[1]->isLabelVisible()) << "an empty slice's label would lie on its neighbour's";
    EXPECT_EQ(pie->slices()[0]->property("baseColour").value<QColor>(), QColor(255, 0, 0));

    // The chapter without questions gets no progress bar.
    QStackedBarSeries* progressBars = progress::progressSeries(f.chart(progress::ProgressPage));
    ASSERT_TRUE(progressBars);
    EXPECT_EQ(progressBars->name(), QStringLiteral("进度"));
    ASSERT_EQ(progressBars->count(), 2);
    EXPECT_EQ(progressBars->barSets()[0]->at(0), 66);
    EXPECT_EQ(progressBars->barSets()[1]->at(1), 25);
    EXPECT_EQ(progressBars->barSets()[1]->property("baseColour").value<QColor>(),
              progress::toColor(progress::sliceColour(2))); // the slice colour of its chapter
    EXPECT_EQ(f.chart(progress::ProgressPage)->title(), QStringLiteral("进度统计图"));
}

TEST_F(LogChartTest, FortyChaptersKeepTheLargestAndGatherTheRestUnderOther)
{
    // Chapter i holds i + 1 questions: the 19 largest are the last 19.
    for (int i = 0; i < 40; ++i)
        bank.chapter(QStringLiteral("%1").arg(i + 10), QStringLiteral("章%1").arg(i), i + 1, 1, 1, 0);
    Tfrmchart f;
    f.show();
    QPieSeries* pie = progress::pieSeries(f.chart(progress::DistributionPage));
    ASSERT_EQ(pie->count(), 20);
    EXPECT_EQ(pie->slices()[0]->label(), QStringLiteral("章21  22"));
    EXPECT_EQ(pie->slices()[19]->label(), QStringLiteral("其他  231")); // 1 + … + 21
    double sum = 0;
    for (QPieSlice* slice : pie->slices())
        sum += slice->value();
    EXPECT_EQ(sum, 820); // every question is in the pie
    // Neighbouring thin slices hold their labels at two distances.
    for (int i = 1; i < pie->count(); ++i) {
        const QPieSlice* a = pie->slices()[i - 1];
        const QPieSlice* b = pie->slices()[i];
        if (a->percentage() < 0.04 && b->percentage() < 0.04)
            EXPECT_NE(a->labelArmLengthFactor(), b->labelArmLengthFactor()) << i;
    }
    EXPECT_EQ(pie->slices()[0]->property("baseColour").value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(pie->slices()[19]->property("baseColour").value<QColor>(), progress::toColor(progress::sliceColour(19)));
    EXPECT_EQ(progress::frequencySet(f.chart(progress::FrequencyPage), 0)->count(), 20);
}

TEST_F(LogChartTest, APartThatNoMarkedRowCoversIsChartedAllTheSame)
{
    bank.chapter(QStringLiteral("0"), QStringLiteral("基础知识"), 0, 0, 0, 0, false);
    bank.chapter(QStringLiteral("01"), QStringLiteral("第一部分"), 30, 0, 0, 0);
    bank.chapter(QStringLiteral("0101"), QStringLiteral("一章"), 30, 0, 0, 0, false);
    bank.chapter(QStringLiteral("09"), QStringLiteral("第九部分"), 80, 0, 0, 0, false); // unmarked, as the demo had it
    bank.chapter(QStringLiteral("0901"), QStringLiteral("九一章"), 80, 0, 0, 0, false);
    bank.chapter(QStringLiteral("03"), QStringLiteral("第三部分"), 9, 0, 0, 0, false);
    bank.chapter(QStringLiteral("0301"), QStringLiteral("三一章"), 9, 0, 0, 0); // marked below the part
    bank.chapter(QStringLiteral("4"), QStringLiteral("案例"), 5, 0, 0, 0); // marked above the part
    bank.chapter(QStringLiteral("41"), QStringLiteral("案例一"), 5, 0, 0, 0, false);
    Tfrmchart f;
    f.show();
    QStringList labels;
    for (QPieSlice* slice : progress::pieSeries(f.chart(progress::DistributionPage))->slices())
        labels << slice->label();
    EXPECT_EQ(labels, (QStringList{"第一部分  30", "第九部分  80", "三一章  9", "案例  5"}));
}

TEST_F(LogChartTest, DistributionTotalAndItsMoveOverABottomLegend)
{
    // The total is the bank's questions, whatever the counters of the charted rows say.
    struct Case { bool rows; const char* total; };
    for (const Case& c : {Case{false, "习题总数:0"}, Case{true, "习题总数:3"}}) {
        if (c.rows) {
            bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 0, 0, 0);
            bank.chapter(QStringLiteral("0103"), QStringLiteral("不画"), 100, 0, 0, 0, false);
            for (const char* id : {"q1", "q2", "q3"})
                bank.question(QString::fromLatin1(id), QVariant());
        }
        Tfrmchart f;
        f.show();
        f.typeButton(Tfrmchart::Distribution)->click();
        EXPECT_EQ(f.shownPage(), progress::DistributionPage);
        EXPECT_EQ(f.lblTotal->text(), QString::fromUtf8(c.total));
        EXPECT_TRUE(f.lblTotal->isVisible());
        const int atRest = f.lblTotal->y();
        f.legendButton(Tfrmchart::Bottom)->click();
        EXPECT_EQ(f.legends[progress::DistributionPage]->side(), Qt::AlignBottom);
        EXPECT_EQ(atRest - f.lblTotal->y(), 30);
        f.legendButton(Tfrmchart::Left)->click();
        EXPECT_EQ(f.lblTotal->y(), atRest);
    }
}

TEST_F(LogChartTest, StyleBoxesActOnTheShownPageAndAChartTypeResetsThem)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    Tfrmchart f;
    f.show();
    for (QCheckBox* box : {f.CheckBox1, f.CheckBox2, f.CheckBox3})
        EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(f.legendButton(Tfrmchart::Top)->isChecked());

    f.CheckBox2->click(); // 显示图例 off
    EXPECT_FALSE(f.legends[progress::FrequencyPage]->isVisible());
    EXPECT_FALSE(f.RadioGroup2->isEnabled());
    f.CheckBox3->click(); // 显示标签 off
    EXPECT_FALSE(progress::frequencyLabels(f.chart(progress::FrequencyPage))->isVisible());
    f.CheckBox1->click(); // 立体显示 off
    EXPECT_FALSE(f.chart(progress::FrequencyPage)->isDropShadowEnabled());
    EXPECT_EQ(progress::frequencySet(f.chart(progress::FrequencyPage), 0)->brush().style(), Qt::SolidPattern);
    // The other pages keep their style.
    EXPECT_TRUE(f.chart(progress::DistributionPage)->isDropShadowEnabled());
    EXPECT_TRUE(progress::pieSeries(f.chart(progress::DistributionPage))->slices()[0]->isExploded());

    // Choosing a type ticks every box again, on the page shown before the change.
    f.typeButton(Tfrmchart::Progress)->click();
    EXPECT_EQ(f.shownPage(), progress::ProgressPage);
    for (QCheckBox* box : {f.CheckBox1, f.CheckBox2, f.CheckBox3})
        EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(f.RadioGroup2->isEnabled());
    EXPECT_FALSE(f.legends[progress::FrequencyPage]->isHidden());
    EXPECT_TRUE(f.chart(progress::FrequencyPage)->isDropShadowEnabled());
    EXPECT_EQ(progress::frequencySet(f.chart(progress::FrequencyPage), 0)->brush().style(), Qt::LinearGradientPattern);
    EXPECT_TRUE(progress::frequencyLabels(f.chart(progress::FrequencyPage))->isVisible());

    f.legendButton(Tfrmchart::Right)->click();
    EXPECT_EQ(f.legends[progress::ProgressPage]->side(), Qt::AlignRight);
    f.typeButton(Tfrmchart::Frequency)->click();
    EXPECT_TRUE(f.legendButton(Tfrmchart::Top)->isChecked());
    EXPECT_EQ(f.legends[progress::ProgressPage]->side(), Qt::AlignTop);
    // Labels off on the pie hides the slice labels.
    f.typeButton(Tfrmchart::Distribution)->click();
    f.CheckBox3->click();
    EXPECT_FALSE(progress::pieSeries(f.chart(progress::DistributionPage))->slices()[0]->isLabelVisible());
}

TEST_F(LogChartTest, SavedPicturesOpenAgainWithTheChartsSize)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    QTemporaryDir dir;
    for (const char* tag : {"800", "1024"}) {
        app::ScreenSizeTag = QString::fromLatin1(tag);
        Tfrmchart f;
        f.show();
        const QSize size = f.PageControl1->currentWidget()->size();
        for (const char* name : {"chart.png", "chart.bmp"}) {
            const QString path = dir.filePath(QString::fromLatin1(tag) + QString::fromLatin1(name));
            Tfrmchart::chooseSaveFile = [path] { return path; };
            f.epFocusButton3->click();
            const QImage back(path);
            EXPECT_EQ(back.size(), size) << tag << name;
            // White where nothing is drawn: the top left corner of the page.
            EXPECT_EQ(back.pixelColor(1, 1), QColor(Qt::white)) << tag << name;
        }
        const QString svg = dir.filePath(QString::fromLatin1(tag) + QStringLiteral("chart.svg"));
        EXPECT_TRUE(f.saveChart(svg));
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("<svg"));
    }
    EXPECT_TRUE(answers.asked().empty());

    Tfrmchart f;
    f.show();
    Tfrmchart::chooseSaveFile = [&] { return dir.filePath(QStringLiteral("no/such/folder/chart.bmp")); };
    f.epFocusButton3->click();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("无法保存文件！")});
}

TEST_F(LogChartTest, TheTypeSavedLastIsKeptForTheNextStart)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("tesvora.ini"));
    const QString before = prefs::setFile(ini);
    // The type a new chart window's save dialog opens on.
    const auto startType = [] {
        Tfrmchart f;
        f.show();
        QString seen;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                seen = dialog->selectedNameFilter();
                dialog->reject();
            }
        });
        f.epFocusButton3->click();
        return seen;
    };
    EXPECT_EQ(startType(), QStringLiteral("BMP 位图 (*.bmp)")) << "a new user";
    struct Case { const char* file; const char* stored; const char* start; };
    const Case cases[] = {
        {"c.svg", "svg", "SVG 矢量图 (*.svg)"},
        {"c.PNG", "png", "PNG 图片 (*.png)"},
        {"no/such/folder/c.bmp", "png", "PNG 图片 (*.png)"}, // not saved: the type stays
    };
    for (const Case& c : cases) {
        {
            Tfrmchart f;
            f.show();
            Tfrmchart::chooseSaveFile = [&] { return dir.filePath(QString::fromUtf8(c.file)); };
            f.epFocusButton3->click();
            Tfrmchart::chooseSaveFile = {};
        }
        // What the next start reads: the file on disk.
        QSettings stored(ini, QSettings::IniFormat);
        QStringList values;
        for (const QString& key : stored.allKeys())
            values << stored.value(key).toString();
        EXPECT_TRUE(values.contains(QString::fromUtf8(c.stored))) << c.file << " " << values.join(u',').toStdString();
        EXPECT_EQ(startType(), QString::fromUtf8(c.start)) << c.file;
    }
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("无法保存文件！")});
    prefs::setFile(before);
}

TEST_F(LogChartTest, TheSaveDialogKeepsANameWithQuotesAndTheTypeChosenLastTime)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    QTemporaryDir dir;
    Tfrmchart f;
    f.show();
    QString png;
    struct Case { const char* typed; const char* saved; };
    // The second round opens on the type the first chose.
    const Case cases[] = {{"my\"chart", "my\"chart.png"}, {"plain", "plain.png"}};
    for (size_t round = 0; round < std::size(cases); ++round) {
        const Case& c = cases[round];
        QString startFilter;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            startFilter = dialog->selectedNameFilter();
            dialog->setDirectory(dir.path());
            if (round == 0) {
                auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                ASSERT_TRUE(types);
                types->setCurrentIndex(types->findText(QStringLiteral("PNG"), Qt::MatchStartsWith));
                png = types->currentText();
            }
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(name);
            name->setFocus();
            QTest::keyClicks(name, QString::fromUtf8(c.typed));
            QTest::keyClick(name, Qt::Key_Return);
            if (dialog->isVisible())
                dialog->reject(); // never left hanging
        });
        f.epFocusButton3->click();
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString::fromUtf8(c.saved)))) << c.typed;
        if (round > 0)
            EXPECT_EQ(startFilter, png);
    }
    EXPECT_TRUE(answers.asked().empty());

    // The dialog's answers as files.
    struct Path { const char* selected; const char* typed; const char* filter; const char* path; };
    const Path paths[] = {
        {"/d/a.bmp", "a.bmp", "BMP 位图 (*.bmp)", "/d/a.bmp"},
        {"/d/a", "a", "SVG 矢量图 (*.svg)", "/d/a.svg"},
        {"/d/a", "a\"b", "PNG 图片 (*.png)", "/d/a\"b.png"},
        {"", "", "PNG 图片 (*.png)", ""},
    };
    for (const Path& p : paths)
        EXPECT_EQ(Tfrmchart::savePath(QStringLiteral("/d"), QString::fromUtf8(p.selected), QString::fromUtf8(p.typed),
                                      QString::fromUtf8(p.filter)),
                  QString::fromUtf8(p.path))
            << p.typed;
}

TEST_F(LogChartTest, PrintingWithoutPrinterAndOnAPage)
{
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    Tfrmchart f;
    f.show();
    Tfrmchart::printerInstalled = [] { return false; };
    f.epFocusButton1->click();
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(answers.asked()[0].text, QStringLiteral("没有发现打印机！"));

    // The shown chart goes onto a landscape page.
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("chart.pdf")));
    printer.setPageOrientation(QPageLayout::Landscape);
    f.printChart(printer);
    EXPECT_GT(QFile(dir.filePath(QStringLiteral("chart.pdf"))).size(), 1000);
    EXPECT_EQ(answers.asked().size(), 1u);

    // The preview lays the chart on a landscape page too.
    // It opens over most of the screen with the page across its width.
    QString previewTitle;
    bool landscape = false;
    QSize previewSize;
    QPrintPreviewWidget::ZoomMode zoom = QPrintPreviewWidget::CustomZoom;
    QTimer::singleShot(0, [&] {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            previewTitle = preview->windowTitle();
            landscape = preview->printer()->pageLayout().orientation() == QPageLayout::Landscape;
            previewSize = preview->size();
            if (auto* pages = preview->findChild<QPrintPreviewWidget*>())
                zoom = pages->zoomMode();
            preview->close();
        }
    });
    f.btnPreview->click();
    EXPECT_EQ(previewTitle, QStringLiteral("打印预览"));
    EXPECT_TRUE(landscape);
    const QSize room = f.screen()->availableGeometry().size();
    EXPECT_GE(previewSize.width(), room.width() * 8 / 10);
    EXPECT_GE(previewSize.height(), room.height() * 8 / 10);
    EXPECT_LE(previewSize.width(), room.width());
    EXPECT_EQ(zoom, QPrintPreviewWidget::FitToWidth);
    EXPECT_EQ(answers.asked().size(), 1u);
}

#pragma once

#include "progress/ChartPages.h"

#include <QDialog>
#include <array>
#include <functional>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPrinter;
class QRadioButton;
class QStackedWidget;
class QChartView;

namespace ui {
class CommandButton;
}

// The statistics chart ("成绩统计图"): answers and wrong answers per chapter, the
// bank's questions over the chapters, the progress per chapter, the score
// forecast over the days and how well the memory model's predictions came true;
// printed or saved as a picture.
class Tfrmchart : public QDialog {
    Q_OBJECT
public:
    explicit Tfrmchart(QWidget* parent = nullptr);

    QStackedWidget* PageControl1;
    std::array<QChartView*, progress::ChartPageCount> views{};
    std::array<progress::ChartLegend*, progress::ChartPageCount> legends{};
    QLabel* lblTotal; // 习题总数: and the total, at the lower left of the pie page
    QLabel* lblCalibration; // on the calibration page while the log is too short for it

    ui::CommandButton* epEfTrBtn1; // 设置
    QGroupBox* RadioGroup1;        // 统计图类型
    QGroupBox* RadioGroup2;        // 图例位置
    QGroupBox* GroupBox1;          // 显示风格
    QCheckBox* CheckBox1;          // 立体显示
    QCheckBox* CheckBox3;          // 显示标签
    QCheckBox* CheckBox2;          // 显示图例
    ui::CommandButton* epFocusButton3; // 存为...
    ui::CommandButton* epFocusButton1; // 打印
    ui::CommandButton* btnPreview;     // 打印预览
    ui::CommandButton* epFocusButton2; // 关闭

    // Chart type items in RadioGroup1's order: 习题分布, 频度统计, 进度统计, 成绩预测, 预测校准.
    enum TypeItem { Distribution = 0, Frequency = 1, Progress = 2, Forecast = 3, Calibration = 4 };
    // Legend items in RadioGroup2's order: 上方, 下方, 左侧, 右侧.
    enum LegendItem { Top = 0, Bottom = 1, Left = 2, Right = 3 };

    QRadioButton* typeButton(int item) const;
    QRadioButton* legendButton(int item) const;
    QChart* chart(progress::ChartPage page) const;
    progress::ChartPage shownPage() const;

    void FormShow();
    void RadioGroup1Click(int item);
    void RadioGroup2Click(int item);
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void epFocusButton1Click(); // 打印
    void btnPreviewClick();
    void epFocusButton3Click(); // 存为...

    // The shown chart as a picture file: BMP or PNG on white, or SVG, by the
    // name's suffix. False when it could not be written.
    bool saveChart(const QString& path);
    // Draws the shown chart over a printer's page in landscape.
    void printChart(QPrinter& printer);

    // Test seams: the save dialog's answer, and whether a printer is installed.
    static std::function<QString()> chooseSaveFile;
    // The file the save dialog's answer names: the typed name as it stands when Qt's
    // dialog read quotes in it as a list of names; the chosen type's extension when none.
    static QString savePath(const QString& folder, const QString& selected, const QString& typed, const QString& filter);
    static std::function<bool()> printerInstalled;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange(bool compact);
    void placeTotal();
    void placeLegend(progress::ChartPage page, int item);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void buildCharts(const std::vector<progress::ChapterSeries>& chapters);
    void buildForecastCharts();

    QButtonGroup* m_types;
    QButtonGroup* m_legends;
    QRect m_chartArea;
    std::array<QBoxLayout*, progress::ChartPageCount> m_pageBoxes{};
    std::array<int, progress::ChartPageCount> m_legendItems{};
    bool m_shown = false;
};

#pragma once

#include "core/progress/PlanForecast.h"
#include "core/progress/ProgressRules.h"

#include <QColor>
#include <QLabel>
#include <QtCharts/QChart>
#include <QStringList>
#include <utility>
#include <vector>

class QAbstractBarSeries;
class QGraphicsSimpleTextItem;
class QBarSet;
class QPieSeries;
class QStackedBarSeries;

namespace progress {

// The charts of the statistics window: three built from the chapter series, the
// score forecast over the days, and the memory model's calibration.
enum ChartPage { FrequencyPage = 0, DistributionPage = 1, ProgressPage = 2, ForecastPage = 3, CalibrationPage = 4,
                 ChartPageCount = 5 };

QColor toColor(const Rgb& rgb);

// 频度统计: two bar series at the same place per chapter, the wrong answers in
// front of all answers.
QChart* makeFrequencyChart(const std::vector<ChapterSeries>& chapters);
// 习题分布: one slice per chapter in the slice colours.
QChart* makePieChart(const std::vector<ChapterSeries>& chapters);
// 进度统计: one bar per chapter with questions, in its slice colour.
QChart* makeProgressChart(const std::vector<ChapterSeries>& chapters);

// 成绩预测: each mock's expected score over the days kept, as a share of its full
// score so the five papers share one scale, with the pass line at 60 %.
QChart* makeForecastChart(const std::vector<ForecastPoint>& history);
// The chart in words for a screen reader: each mock's latest forecast and its change.
QString forecastSummary(const std::vector<ForecastPoint>& history);
// 预测校准: predicted recall against the share answered right, per bin of prediction.
// Before the log holds enough answers the chart is empty and calibrationNotice says why.
QChart* makeCalibrationChart(const Calibration& calibration);
QString calibrationNotice(const Calibration& calibration); // empty once there is enough
QString calibrationSummary(const Calibration& calibration);

// The value labels of the frequency chart: all answers over each bar, the wrong
// answers inside its front part.
class FrequencyLabels : public QObject {
    Q_OBJECT
public:
    FrequencyLabels(QChart* chart, QAbstractBarSeries* series, std::vector<std::pair<qint64, qint64>> values);
    void setVisible(bool on);
    bool isVisible() const { return m_visible; }
    QStringList texts() const; // "answers/wrong" per chapter

private:
    void place();

    QChart* m_chart;
    QAbstractBarSeries* m_series;
    std::vector<std::pair<qint64, qint64>> m_values;
    std::vector<std::pair<QGraphicsSimpleTextItem*, QGraphicsSimpleTextItem*>> m_items;
    bool m_visible = true;
};

// The series of a page, for the style boxes and for tests. Frequency sets:
// 0 the wrong answers (front), 1 the rest of the answers (stacked on them).
QBarSet* frequencySet(QChart* frequency, int index);
FrequencyLabels* frequencyLabels(QChart* frequency);
QPieSeries* pieSeries(QChart* distribution);
QStackedBarSeries* progressSeries(QChart* progress);

// A chart's legend entries: colour and text, the value at the right.
struct LegendEntry {
    QColor colour;
    QString text;
};
std::vector<LegendEntry> legendEntries(QChart* chart);

// The legend of a chart page, drawn by us: Qt's own legend keeps one row at the top
// and cuts every name short once a bank has more than a handful of chapters. Above
// or below the chart it wraps into rows; beside it, it is one column.
class ChartLegend : public QLabel {
    Q_OBJECT
public:
    explicit ChartLegend(QWidget* parent = nullptr);
    void setEntries(std::vector<LegendEntry> entries);
    const std::vector<LegendEntry>& entries() const { return m_entries; }
    // Top, bottom, left or right of the chart; rows fill `width` above or below.
    void setSide(Qt::Alignment side, int width);
    Qt::Alignment side() const { return m_side; }

private:
    void render();

    std::vector<LegendEntry> m_entries;
    Qt::Alignment m_side = Qt::AlignTop;
    int m_width = 600;
};

// The style boxes on one chart.
void setDepth(QChart* chart, bool on);  // our stand-in for a 3-D view: shaded, shadowed, exploded
void setValueLabels(QChart* chart, bool on);

} // namespace progress

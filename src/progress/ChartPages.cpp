#include "progress/ChartPages.h"

#include "core/exam/PaperDraw.h"
#include "ui/AccessibleText.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLegend>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <algorithm>

namespace progress {

namespace {

const char* const kBaseColour = "baseColour";
const char* const kKeyTexts = "partKeyTexts";
const char* const kKeyColours = "partKeyColours";

QChart* newChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(ui::songFont(16, true));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide(); // the page draws its own (ChartLegend)
    chart->setMargins(QMargins(6, 6, 6, 6));
    return chart;
}

// Each bar is labelled with its part's number, which the legend spells out: numbers
// stay readable under many narrow bars and keep two parts of the same name apart
// (a category axis merges equal names).
QBarCategoryAxis* chapterAxis(QChart* chart, const QStringList& numbers, const QString& title)
{
    auto* x = new QBarCategoryAxis;
    x->setObjectName(QStringLiteral("chapterAxis"));
    x->append(numbers);
    x->setTitleText(title);
    x->setTitleFont(ui::songFont(12));
    x->setLabelsFont(ui::songFont(11));
    chart->addAxis(x, Qt::AlignBottom);
    return x;
}

QString keyText(const ChapterSeries& c)
{
    return c.number + QLatin1Char(' ') + c.label;
}

QValueAxis* valueAxis(QChart* chart, const QString& title, double top)
{
    auto* y = new QValueAxis;
    y->setObjectName(QStringLiteral("valueAxis"));
    y->setTitleText(title);
    y->setTitleFont(ui::songFont(12));
    y->setLabelFormat(QStringLiteral("%d"));
    // Counts are whole numbers: at least 0…5, so no two ticks print the same label.
    y->setRange(0, std::max(5.0, top));
    y->applyNiceNumbers();
    chart->addAxis(y, Qt::AlignLeft);
    return y;
}

QBarSet* barSet(const QString& label, const QColor& colour)
{
    auto* set = new QBarSet(label);
    set->setColor(colour);
    set->setBorderColor(colour.darker(140));
    set->setProperty(kBaseColour, colour);
    set->setLabelColor(ui::kChartLabel);
    set->setLabelFont(ui::songFont(11));
    return set;
}

QBrush shaded(const QColor& base, bool across)
{
    QLinearGradient g(0, 0, across ? 1 : 0, across ? 0 : 1);
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    g.setColorAt(0, base.lighter(160));
    g.setColorAt(0.45, base);
    g.setColorAt(1, base.darker(170));
    return QBrush(g);
}

} // namespace

FrequencyLabels::FrequencyLabels(QChart* chart, QAbstractBarSeries* series, std::vector<std::pair<qint64, qint64>> values)
    : QObject(chart)
    , m_chart(chart)
    , m_series(series)
    , m_values(std::move(values))
{
    for (const auto& [answers, wrong] : m_values) {
        auto* top = new QGraphicsSimpleTextItem(QString::number(answers), chart);
        auto* inner = new QGraphicsSimpleTextItem(QString::number(wrong), chart);
        for (auto* item : {top, inner}) {
            item->setFont(ui::songFont(11));
            item->setZValue(20);
        }
        inner->setBrush(ui::kTitleText);
        m_items.emplace_back(top, inner);
    }
    connect(chart, &QChart::plotAreaChanged, this, &FrequencyLabels::place);
    place();
}

void FrequencyLabels::setVisible(bool on)
{
    m_visible = on;
    place();
}

QStringList FrequencyLabels::texts() const
{
    QStringList l;
    for (const auto& [top, inner] : m_items)
        l << top->text() + QLatin1Char('/') + inner->text();
    return l;
}

void FrequencyLabels::place()
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        auto [top, inner] = m_items[i];
        const auto [answers, wrong] = m_values[i];
        const QPointF head = m_chart->mapToPosition(QPointF(double(i), double(answers)), m_series);
        const QPointF foot = m_chart->mapToPosition(QPointF(double(i), double(wrong)), m_series);
        const QPointF base = m_chart->mapToPosition(QPointF(double(i), 0), m_series);
        const QRectF t = top->boundingRect();
        const QRectF n = inner->boundingRect();
        top->setPos(head.x() - t.width() / 2, head.y() - t.height() - 1);
        inner->setPos(foot.x() - n.width() / 2, foot.y() + 1);
        top->setVisible(m_visible && answers > 0);
        // Inside the wrong bar only when it is tall enough to hold the number.
        inner->setVisible(m_visible && wrong > 0 && base.y() - foot.y() >= n.height() + 2);
    }
}

QColor toColor(const Rgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QChart* makeFrequencyChart(const std::vector<ChapterSeries>& chapters)
{
    QChart* chart = newChart(QStringLiteral("频 度 统 计 图"));
    // Qt Charts lays every bar series of a chart side by side. One stack of the
    // wrong answers and the rest of the answers looks exactly like the wrong
    // answers drawn in front of all answers, and its labels give the two counts.
    QBarSet* wrong = barSet(QStringLiteral("做错题次"), ui::kChartWrong);
    QBarSet* rest = barSet(QStringLiteral("已做题次"), ui::kChartAnswered);
    wrong->setObjectName(QStringLiteral("做错题次"));
    rest->setObjectName(QStringLiteral("已做题次"));
    std::vector<std::pair<qint64, qint64>> values;
    qint64 top = 0;
    QStringList numbers;
    QStringList keys;
    QVariantList keyColours;
    for (const ChapterSeries& c : chapters) {
        numbers << c.number;
        keys << keyText(c);
        keyColours << toColor(c.colour);
        wrong->append(double(c.wrong));
        rest->append(double(std::max<qint64>(0, c.answers - c.wrong)));
        values.emplace_back(c.answers, c.wrong);
        top = std::max({top, c.answers, c.wrong});
    }
    auto* series = new QStackedBarSeries;
    series->setName(QStringLiteral("频度统计"));
    series->setBarWidth(0.6);
    series->append(wrong);
    series->append(rest);
    chart->addSeries(series);
    QBarCategoryAxis* x = chapterAxis(chart, numbers, QStringLiteral("章    节"));
    QValueAxis* y = valueAxis(chart, QStringLiteral("题  次"), double(top) * 1.1);
    chart->setProperty(kKeyTexts, keys);
    chart->setProperty(kKeyColours, keyColours);
    series->attachAxis(x);
    series->attachAxis(y);
    new FrequencyLabels(chart, series, std::move(values));
    return chart;
}

QChart* makePieChart(const std::vector<ChapterSeries>& chapters)
{
    QChart* chart = newChart(QStringLiteral("习题分布统计图"));
    auto* pie = new QPieSeries;
    pie->setName(QStringLiteral("习题分布"));
    // On the small screen the labels need more of the room around a smaller pie.
    const bool compact = ui::compactLayout();
    pie->setPieSize(compact ? 0.62 : 0.72);
    qint64 total = 0;
    for (const ChapterSeries& c : chapters)
        total += c.questions;
    bool lastWasThin = false;
    bool longArm = false;
    for (const ChapterSeries& c : chapters) {
        // The legend shows each chapter with its value at the right.
        auto* slice = pie->append(c.label + QStringLiteral("  ") + QString::number(c.questions), double(c.questions));
        // Neighbouring thin slices put their labels at two distances so they do not overlap.
        const bool thin = total > 0 && double(c.questions) / double(total) < 0.04;
        longArm = thin && lastWasThin && !longArm;
        slice->setLabelArmLengthFactor(longArm ? 0.32 : 0.12);
        lastWasThin = thin;
        const QColor colour = toColor(c.colour);
        slice->setColor(colour);
        slice->setBorderColor(colour.darker(140));
        slice->setProperty(kBaseColour, colour);
        slice->setLabelFont(ui::songFont(compact ? 10 : 11));
    }
    chart->addSeries(pie);
    return chart;
}

QChart* makeProgressChart(const std::vector<ChapterSeries>& chapters)
{
    QChart* chart = newChart(QStringLiteral("进度统计图"));
    auto* series = new QStackedBarSeries;
    series->setName(QStringLiteral("进度"));
    series->setBarWidth(0.6);
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    std::vector<const ChapterSeries*> shown;
    for (const ChapterSeries& c : chapters)
        if (c.progress)
            shown.push_back(&c);
    // One set per chapter, non-zero only at its own place: each bar keeps the
    // colour of its chapter's slice, and the legend names every chapter.
    for (size_t i = 0; i < shown.size(); ++i) {
        QBarSet* set = barSet(keyText(*shown[i]) + QStringLiteral("  ") + QString::number(*shown[i]->progress) + QLatin1Char('%'),
                              toColor(shown[i]->colour));
        for (size_t j = 0; j < shown.size(); ++j)
            set->append(j == i ? double(*shown[i]->progress) : 0.0);
        series->append(set);
    }
    chart->addSeries(series);
    QStringList numbers;
    for (const ChapterSeries* c : shown)
        numbers << c->number;
    QBarCategoryAxis* x = chapterAxis(chart, numbers, QStringLiteral("章   节"));
    QValueAxis* y = valueAxis(chart, QStringLiteral("进度(%)"), 100);
    series->attachAxis(x);
    series->attachAxis(y);
    return chart;
}

namespace {

const char* const kLineBase = "lineBase"; // a line series' colour, for the legend
constexpr int kLabelledDays = 12;
const QColor kPassLine{90, 90, 90};

QLineSeries* line(const QString& name, const QColor& colour, Qt::PenStyle style = Qt::SolidLine)
{
    auto* series = new QLineSeries;
    series->setName(name);
    series->setPen(QPen(colour, 2, style));
    series->setProperty(kLineBase, colour);
    series->setPointLabelsFont(ui::songFont(11));
    series->setPointLabelsColor(ui::kChartLabel);
    series->setPointLabelsFormat(QStringLiteral("@yPoint%"));
    return series;
}

QString percent(double share)
{
    return QString::number(share * 100, 'f', 0) + QLatin1Char('%');
}

} // namespace

QChart* makeForecastChart(const std::vector<ForecastPoint>& history)
{
    QChart* chart = newChart(QStringLiteral("成绩预测图"));
    QDate first, last;
    for (const ForecastPoint& p : history) {
        if (!first.isValid() || p.day < first)
            first = p.day;
        if (!last.isValid() || p.day > last)
            last = p.day;
    }
    if (!first.isValid())
        first = last = QDate::currentDate();
    // One day alone still spans an axis: a day either side.
    const QDateTime from(first.addDays(-1), QTime(12, 0));
    const QDateTime to(last.addDays(1), QTime(12, 0));

    auto* x = new QDateTimeAxis;
    x->setObjectName(QStringLiteral("dayAxis"));
    x->setFormat(QStringLiteral("MM-dd"));
    x->setTitleText(QStringLiteral("日    期"));
    x->setTitleFont(ui::songFont(12));
    x->setLabelsFont(ui::songFont(11));
    x->setRange(from, to);
    x->setTickCount(std::clamp(int(first.daysTo(last)) + 3, 3, 8));
    chart->addAxis(x, Qt::AlignBottom);
    QValueAxis* y = valueAxis(chart, QStringLiteral("预计得分率(%)"), 100);
    y->setRange(0, 100);

    for (int mock = 1; mock <= kMockCount; ++mock) {
        QLineSeries* s = line(exam::mockTitle(mock), toColor(sliceColour(mock - 1)));
        for (const ForecastPoint& p : history)
            if (p.mock == mock && p.full > 0)
                s->append(double(QDateTime(p.day, QTime(12, 0)).toMSecsSinceEpoch()), std::round(p.expected / p.full * 1000) / 10);
        if (s->count() == 0) {
            delete s;
            continue;
        }
        // A few days are points on the line, each with its value; past that they would cover each other.
        s->setPointsVisible(s->count() <= kLabelledDays);
        if (s->count() > kLabelledDays)
            s->setPointLabelsFormat(QString());
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    QLineSeries* pass = line(QStringLiteral("及格线 60%"), kPassLine, Qt::DashLine);
    pass->setPointLabelsFormat(QString());
    pass->append(double(from.toMSecsSinceEpoch()), 60);
    pass->append(double(to.toMSecsSinceEpoch()), 60);
    chart->addSeries(pass);
    pass->attachAxis(x);
    pass->attachAxis(y);
    return chart;
}

QString forecastSummary(const std::vector<ForecastPoint>& history)
{
    QStringList parts;
    for (int mock = 1; mock <= kMockCount; ++mock) {
        const ForecastPoint* firstPoint = nullptr;
        const ForecastPoint* lastPoint = nullptr;
        for (const ForecastPoint& p : history)
            if (p.mock == mock) {
                if (!firstPoint)
                    firstPoint = &p;
                lastPoint = &p;
            }
        if (!lastPoint)
            continue;
        QString text = exam::mockTitle(mock) + lastPoint->day.toString(QStringLiteral("M月d日")) + QStringLiteral("预计 ")
            + QString::number(lastPoint->expected, 'f', 1) + QStringLiteral(" 分，满分 ") + QString::number(lastPoint->full, 'g', 6)
            + QStringLiteral(" 分");
        if (firstPoint != lastPoint)
            text += QStringLiteral("，") + firstPoint->day.toString(QStringLiteral("M月d日")) + QStringLiteral("为 ")
                + QString::number(firstPoint->expected, 'f', 1) + QStringLiteral(" 分");
        parts << text;
    }
    return parts.isEmpty() ? QStringLiteral("还没有成绩预测。") : parts.join(QStringLiteral("；")) + QStringLiteral("。");
}

QChart* makeCalibrationChart(const Calibration& calibration)
{
    QChart* chart = newChart(QStringLiteral("预测校准图"));
    if (!calibration.enough())
        return chart;
    QBarSet* predicted = barSet(QStringLiteral("预测回忆率"), ui::kTitleStripLight);
    QBarSet* actual = barSet(QStringLiteral("实际答对率"), ui::kChartAnswered);
    QStringList bins;
    for (const CalibrationBin& b : calibration.bins) {
        // Axis labels are rich text: the count goes on a second line.
        bins << QStringLiteral("%1–%2%<br>%3道").arg(int(std::lround(b.from * 100))).arg(int(std::lround(b.to * 100))).arg(b.answers);
        predicted->append(std::round(b.predicted * 1000) / 10);
        actual->append(std::round(b.actual * 1000) / 10);
    }
    auto* series = new QBarSeries;
    series->setName(QStringLiteral("预测校准"));
    series->setBarWidth(0.7);
    series->append(predicted);
    series->append(actual);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat(QStringLiteral("@value%"));
    chart->addSeries(series);
    QBarCategoryAxis* x = chapterAxis(chart, bins, QStringLiteral("预测回忆率分段（答题数）"));
    x->setObjectName(QStringLiteral("binAxis"));
    QValueAxis* y = valueAxis(chart, QStringLiteral("百分比(%)"), 100);
    y->setRange(0, 110);
    y->setTickCount(12);
    series->attachAxis(x);
    series->attachAxis(y);
    return chart;
}

QString calibrationNotice(const Calibration& calibration)
{
    if (calibration.enough())
        return {};
    return QStringLiteral("答题记录满 %1 道后显示预测校准，现有 %2 道。").arg(kCalibrationMinimum).arg(calibration.logged);
}

QString calibrationSummary(const Calibration& calibration)
{
    if (!calibration.enough())
        return calibrationNotice(calibration);
    QStringList parts;
    for (const CalibrationBin& b : calibration.bins)
        parts << QStringLiteral("预测 %1 至 %2 的 %3 道题，预测平均 %4，实际答对 %5")
                     .arg(percent(b.from), percent(b.to))
                     .arg(b.answers)
                     .arg(percent(b.predicted), percent(b.actual));
    return parts.isEmpty() ? QStringLiteral("答题记录中还没有带预测的答题。") : parts.join(QStringLiteral("；")) + QStringLiteral("。");
}

QBarSet* frequencySet(QChart* frequency, int index)
{
    const auto s = frequency->series();
    return s.size() == 1 ? static_cast<QAbstractBarSeries*>(s[0])->barSets().value(index) : nullptr;
}

FrequencyLabels* frequencyLabels(QChart* frequency)
{
    return frequency->findChild<FrequencyLabels*>();
}

QPieSeries* pieSeries(QChart* distribution)
{
    return distribution->series().isEmpty() ? nullptr : qobject_cast<QPieSeries*>(distribution->series().first());
}

QStackedBarSeries* progressSeries(QChart* progress)
{
    return progress->series().isEmpty() ? nullptr : qobject_cast<QStackedBarSeries*>(progress->series().first());
}

std::vector<LegendEntry> legendEntries(QChart* chart)
{
    std::vector<LegendEntry> out;
    for (QAbstractSeries* s : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(s)) {
            auto sets = bars->barSets();
            if (frequencyLabels(chart))
                std::reverse(sets.begin(), sets.end()); // the answers, then the wrong ones
            for (QBarSet* set : sets)
                out.push_back({set->property(kBaseColour).value<QColor>(), set->label()});
            // The frequency bars share two colours: the key names the part behind each number.
            const QStringList keys = chart->property(kKeyTexts).toStringList();
            const QVariantList colours = chart->property(kKeyColours).toList();
            for (qsizetype i = 0; i < keys.size(); ++i)
                out.push_back({colours.value(i).value<QColor>(), keys[i]});
        } else if (auto* pie = qobject_cast<QPieSeries*>(s)) {
            for (QPieSlice* slice : pie->slices())
                out.push_back({slice->property(kBaseColour).value<QColor>(), slice->label()});
        } else if (auto* line = qobject_cast<QLineSeries*>(s)) {
            out.push_back({line->property(kLineBase).value<QColor>(), line->name()});
        }
    }
    return out;
}

ChartLegend::ChartLegend(QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("ChartLegend"));
    setAccessibleName(QStringLiteral("图例"));
    setTextFormat(Qt::RichText);
    setFont(ui::songFont(12));
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ui::kPaper);
    setPalette(pal);
}

void ChartLegend::setEntries(std::vector<LegendEntry> entries)
{
    m_entries = std::move(entries);
    render();
}

void ChartLegend::setSide(Qt::Alignment side, int width)
{
    m_side = side;
    m_width = width;
    render();
}

void ChartLegend::render()
{
    const QFontMetrics fm(font());
    int widest = 0;
    for (const LegendEntry& e : m_entries)
        widest = std::max(widest, fm.horizontalAdvance(e.text));
    const bool row = m_side == Qt::AlignTop || m_side == Qt::AlignBottom;
    const int entryWidth = widest + fm.horizontalAdvance(QStringLiteral("■    ")) + 6;
    const int columns = row ? std::clamp(m_width / std::max(entryWidth, 1), 1, std::max<int>(1, int(m_entries.size()))) : 1;
    QString html = QStringLiteral("<table align=\"center\" cellspacing=\"0\" cellpadding=\"1\">");
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (i % size_t(columns) == 0)
            html += QStringLiteral("<tr>");
        html += QStringLiteral("<td><span style=\"color:%1\">&#9632;</span>&nbsp;%2&nbsp;&nbsp;&nbsp;</td>")
                    .arg(m_entries[i].colour.name(), m_entries[i].text.toHtmlEscaped());
        if (i % size_t(columns) == size_t(columns) - 1 || i + 1 == m_entries.size())
            html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    setText(html);
    QStringList names;
    for (const LegendEntry& e : m_entries)
        names << e.text;
    ui::setDescription(this, names.join(QStringLiteral("，")));
}

void setDepth(QChart* chart, bool on)
{
    chart->setDropShadowEnabled(on);
    for (QAbstractSeries* s : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(s)) {
            for (QBarSet* set : bars->barSets()) {
                const QColor base = set->property(kBaseColour).value<QColor>();
                set->setBrush(on ? shaded(base, true) : QBrush(base));
                set->setPen(QPen(base.darker(on ? 190 : 140), on ? 1.5 : 1));
            }
        } else if (auto* pie = qobject_cast<QPieSeries*>(s)) {
            for (QPieSlice* slice : pie->slices()) {
                const QColor base = slice->property(kBaseColour).value<QColor>();
                slice->setBrush(on ? shaded(base, false) : QBrush(base));
                slice->setPen(QPen(on ? base.darker(190) : base.darker(140), on ? 1.5 : 1));
                slice->setExploded(on);
                slice->setExplodeDistanceFactor(0.06);
            }
        } else if (auto* line = qobject_cast<QLineSeries*>(s)) {
            QPen pen = line->pen();
            pen.setWidthF(on ? 3 : 2);
            line->setPen(pen);
        }
    }
}

void setValueLabels(QChart* chart, bool on)
{
    if (FrequencyLabels* labels = frequencyLabels(chart)) {
        labels->setVisible(on);
        return;
    }
    for (QAbstractSeries* s : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(s))
            bars->setLabelsVisible(on);
        else if (auto* pie = qobject_cast<QPieSeries*>(s))
            for (QPieSlice* slice : pie->slices())
                // An empty part keeps its legend entry; its label would lie on a neighbour's.
                slice->setLabelVisible(on && slice->value() > 0);
        else if (auto* line = qobject_cast<QLineSeries*>(s))
            line->setPointLabelsVisible(on && !line->pointLabelsFormat().isEmpty());
    }
}

} // namespace progress

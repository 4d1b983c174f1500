#include "progress/Tfrmchart.h"

#include "progress/TFrmConfig.h"
#include "common/Guard.h"
#include "core/app/Preferences.h"
#include "common/Prompt.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/DbError.h"
#include "ui/AccessibleText.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <algorithm>

#include <QBoxLayout>
#include <QButtonGroup>
#include <QEvent>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QRadioButton>
#include <QStackedWidget>
#include <QSvgGenerator>
#include <QtCharts/QChartView>

using progress::ChartPage;

Q_LOGGING_CATEGORY(lcChart, "tesvora.chart")

std::function<QString()> Tfrmchart::chooseSaveFile;
std::function<bool()> Tfrmchart::printerInstalled;

namespace {

constexpr int kTotalRaise = 30; // the total moves up this far over a legend at the bottom

const QString kSaveFilter = QStringLiteral("BMP 位图 (*.bmp);;PNG 图片 (*.png);;SVG 矢量图 (*.svg)");

// The save dialog's type for a file ending ("png"); empty for an ending it does not offer.
QString filterOfType(const QString& suffix)
{
    if (suffix.isEmpty())
        return {};
    for (const QString& filter : kSaveFilter.split(QStringLiteral(";;")))
        if (filter.endsWith(QStringLiteral("(*.") + suffix.toLower() + QLatin1Char(')')))
            return filter;
    return {};
}

QGroupBox* radioGroup(QWidget* parent, const char* name, const QString& title, const QStringList& items,
                      QButtonGroup* group)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        b->setObjectName(QStringLiteral("%1Item%2").arg(QString::fromLatin1(name)).arg(i));
        group->addButton(b, i);
    }
    return box;
}

ui::CommandButton* command(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new ui::CommandButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFramed(true);
    b->setAutoDefault(false);
    return b;
}

// Qt's dialog reads quotes in a typed name as a list of names and then neither
// saves nor says why; a name with quotes is a plain name here (legal on this system).
class SaveDialog : public QFileDialog {
public:
    SaveDialog(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
        : QFileDialog(parent, caption, folder, filter)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = findChild<QDialogButtonBox*>();
        if (!name || !buttons)
            return;
        // After Qt's own check, which turns 保存 off for such a name.
        connect(name, &QLineEdit::textChanged, this, [buttons](const QString& text) {
            if (text.contains(QLatin1Char('"')))
                for (QAbstractButton* b : buttons->buttons())
                    if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole)
                        b->setEnabled(true);
        });
    }
    void accept() override
    {
        const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name && name->text().contains(QLatin1Char('"'))) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

Tfrmchart::Tfrmchart(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Tfrmchart"));
    setWindowTitle(QStringLiteral("成绩统计图"));
    setAccessibleName(QStringLiteral("成绩统计图"));
    setModal(true);
    ui::usePanelBackground(this);

    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    const char* const pageNames[] = {"频度统计图", "习题分布统计图", "进度统计图", "成绩预测图", "预测校准图"};
    for (int i = 0; i < progress::ChartPageCount; ++i) {
        // A page: the chart and our legend beside it, on white, saved and printed together.
        auto* page = new QWidget(PageControl1);
        page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        page->setAutoFillBackground(true);
        QPalette white = page->palette();
        white.setColor(QPalette::Window, ui::kPaper);
        page->setPalette(white);
        auto* box = new QBoxLayout(QBoxLayout::TopToBottom, page);
        box->setContentsMargins(2, 2, 2, 2);
        box->setSpacing(0);
        auto* legend = new progress::ChartLegend(page);
        auto* view = new QChartView(page);
        view->setObjectName(QStringLiteral("ChartPage%1").arg(i));
        view->setAccessibleName(QString::fromUtf8(pageNames[i]));
        view->setRenderHint(QPainter::Antialiasing);
        view->setFrameShape(QFrame::NoFrame);
        view->installEventFilter(this);
        box->addWidget(legend);
        box->addWidget(view, 1);
        views[size_t(i)] = view;
        legends[size_t(i)] = legend;
        m_pageBoxes[size_t(i)] = box;
        PageControl1->addWidget(page);
    }
    lblTotal = new QLabel(QStringLiteral("习题总数:0"), views[progress::DistributionPage]);
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    lblTotal->setFont(ui::songFont(14, true));
    lblTotal->setAttribute(Qt::WA_TranslucentBackground);
    lblCalibration = new QLabel(views[progress::CalibrationPage]);
    lblCalibration->setObjectName(QStringLiteral("lblCalibration"));
    lblCalibration->setFont(ui::songFont(14, true));
    lblCalibration->setAlignment(Qt::AlignCenter);
    lblCalibration->setWordWrap(true);
    lblCalibration->setTextFormat(Qt::PlainText);
    lblCalibration->setAttribute(Qt::WA_TranslucentBackground);
    // The new pages are read out: a chart's picture says nothing to a screen reader.
    for (ChartPage page : {progress::ForecastPage, progress::CalibrationPage})
        views[size_t(page)]->setFocusPolicy(Qt::StrongFocus);

    epEfTrBtn1 = command(this, "epEfTrBtn1", QStringLiteral("设置"));
    m_types = new QButtonGroup(this);
    RadioGroup1 = radioGroup(this, "RadioGroup1", QStringLiteral("统计图类型"),
                             {QStringLiteral("习题分布"), QStringLiteral("频度统计"), QStringLiteral("进度统计"),
                              QStringLiteral("成绩预测"), QStringLiteral("预测校准")},
                             m_types);
    m_legends = new QButtonGroup(this);
    RadioGroup2 = radioGroup(this, "RadioGroup2", QStringLiteral("图例位置"),
                             {QStringLiteral("上方"), QStringLiteral("下方"), QStringLiteral("左侧"), QStringLiteral("右侧")},
                             m_legends);
    GroupBox1 = new QGroupBox(QStringLiteral("显示风格"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    CheckBox1 = new QCheckBox(QStringLiteral("立体显示"), GroupBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox3 = new QCheckBox(QStringLiteral("显示标签"), GroupBox1);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox2 = new QCheckBox(QStringLiteral("显示图例"), GroupBox1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    for (QCheckBox* box : {CheckBox1, CheckBox3, CheckBox2})
        box->setChecked(true);
    typeButton(Frequency)->setChecked(true);
    legendButton(Top)->setChecked(true);

    epFocusButton3 = command(this, "epFocusButton3", QStringLiteral("存为..."));
    epFocusButton1 = command(this, "epFocusButton1", QStringLiteral("打印"));
    btnPreview = command(this, "btnPreview", QStringLiteral("打印预览"));
    epFocusButton2 = command(this, "epFocusButton2", QStringLiteral("关闭"));

    connect(epEfTrBtn1, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    // The state, not the click: assistive tools and switch access toggle without clicking.
    connect(m_types, &QButtonGroup::idToggled, this, [this](int id, bool on) { if (on) RadioGroup1Click(id); });
    connect(m_legends, &QButtonGroup::idToggled, this, [this](int id, bool on) { if (on) RadioGroup2Click(id); });
    connect(CheckBox1, &QAbstractButton::toggled, this, &Tfrmchart::CheckBox1Click);
    connect(CheckBox2, &QAbstractButton::toggled, this, &Tfrmchart::CheckBox2Click);
    connect(CheckBox3, &QAbstractButton::toggled, this, &Tfrmchart::CheckBox3Click);
    connect(epFocusButton3, &QAbstractButton::clicked, this, &Tfrmchart::epFocusButton3Click);
    connect(epFocusButton1, &QAbstractButton::clicked, this, &Tfrmchart::epFocusButton1Click);
    connect(btnPreview, &QAbstractButton::clicked, this, &Tfrmchart::btnPreviewClick);
    connect(epFocusButton2, &QAbstractButton::clicked, this, &QDialog::accept);

    setTabOrder(epEfTrBtn1, typeButton(Frequency));
    setTabOrder(typeButton(Frequency), legendButton(Top));
    setTabOrder(legendButton(Top), CheckBox1);
    setTabOrder(CheckBox1, CheckBox3);
    setTabOrder(CheckBox3, CheckBox2);
    setTabOrder(CheckBox2, epFocusButton3);
    setTabOrder(epFocusButton3, epFocusButton1);
    setTabOrder(epFocusButton1, btnPreview);
    setTabOrder(btnPreview, epFocusButton2);

    arrange(ui::compactLayout());
}

QRadioButton* Tfrmchart::typeButton(int item) const
{
    return qobject_cast<QRadioButton*>(m_types->button(item));
}

QRadioButton* Tfrmchart::legendButton(int item) const
{
    return qobject_cast<QRadioButton*>(m_legends->button(item));
}

QChart* Tfrmchart::chart(ChartPage page) const
{
    return views[size_t(page)]->chart();
}

ChartPage Tfrmchart::shownPage() const
{
    return ChartPage(PageControl1->currentIndex());
}

void Tfrmchart::arrange(bool compact)
{
    setFont(ui::songFont(compact ? 12 : 13));
    const int band = compact ? 26 : 30;
    if (compact) {
        setFixedSize(790, 500);
        m_chartArea = QRect(6, band + 4, 650, 464);
    } else {
        setFixedSize(934, 600);
        m_chartArea = QRect(8, band + 4, 783, 559);
    }
    PageControl1->setGeometry(m_chartArea);
    for (progress::ChartLegend* legend : legends)
        legend->setFont(ui::songFont(compact ? 11 : 12));

    const int x = m_chartArea.right() + 10;
    const int w = width() - x - 8;
    const int row = compact ? 19 : 24;
    const int buttonH = compact ? 22 : 28;
    int y = m_chartArea.top();
    epEfTrBtn1->setGeometry(x, y, w, buttonH);
    y += buttonH + 8;
    auto placeGroup = [&](QGroupBox* box, const QList<QAbstractButton*>& items) {
        const int h = 20 + row * int(items.size()) + 6;
        box->setGeometry(x, y, w, h);
        for (int i = 0; i < items.size(); ++i)
            items[i]->setGeometry(10, 20 + row * i, w - 16, row);
        y += h + 6;
    };
    placeGroup(RadioGroup1, m_types->buttons());
    placeGroup(RadioGroup2, m_legends->buttons());
    placeGroup(GroupBox1, {CheckBox1, CheckBox3, CheckBox2});
    y += 2;
    for (ui::CommandButton* b : {epFocusButton3, epFocusButton1, btnPreview, epFocusButton2}) {
        b->setGeometry(x, y, w, buttonH);
        y += buttonH + (compact ? 5 : 6);
    }
    placeTotal();
}

void Tfrmchart::placeTotal()
{
    const QWidget* view = views[progress::DistributionPage];
    const bool raised = m_legendItems[progress::DistributionPage] == Bottom;
    lblTotal->setGeometry(16, view->height() - 40 - (raised ? kTotalRaise : 0), 260, 26);
}

void Tfrmchart::placeLegend(ChartPage page, int item)
{
    static const QBoxLayout::Direction directions[] = {QBoxLayout::TopToBottom, QBoxLayout::BottomToTop,
                                                       QBoxLayout::LeftToRight, QBoxLayout::RightToLeft};
    static const Qt::Alignment sides[] = {Qt::AlignTop, Qt::AlignBottom, Qt::AlignLeft, Qt::AlignRight};
    m_legendItems[size_t(page)] = item;
    m_pageBoxes[size_t(page)]->setDirection(directions[item]);
    legends[size_t(page)]->setSide(sides[item], m_chartArea.width() - 8);
    if (page == progress::DistributionPage)
        placeTotal();
}

bool Tfrmchart::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == views[progress::DistributionPage] && event->type() == QEvent::Resize)
        placeTotal();
    if (watched == views[progress::CalibrationPage] && event->type() == QEvent::Resize)
        lblCalibration->setGeometry(views[progress::CalibrationPage]->rect().adjusted(40, 60, -40, -60));
    return QDialog::eventFilter(watched, event);
}

void Tfrmchart::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        ui::centreWindow(this);
    }
}

void Tfrmchart::FormShow()
{
    ui::WaitCursor wait;
    std::vector<progress::ChapterSeries> chapters;
    guard::run(QStringLiteral("无法读取章节统计！"), [&] { chapters = progress::readChartSeries(DM1->db()); });
    buildCharts(chapters);
    buildForecastCharts();
    PageControl1->setCurrentIndex(progress::FrequencyPage);
    typeButton(Frequency)->setChecked(true);
    typeButton(Frequency)->setFocus();
}

void Tfrmchart::buildCharts(const std::vector<progress::ChapterSeries>& chapters)
{
    QChart* charts[] = {progress::makeFrequencyChart(chapters), progress::makePieChart(chapters),
                        progress::makeProgressChart(chapters)};
    for (int i = 0; i <= progress::ProgressPage; ++i) {
        progress::setDepth(charts[i], CheckBox1->isChecked());
        progress::setValueLabels(charts[i], CheckBox3->isChecked());
        QChart* old = views[size_t(i)]->chart();
        views[size_t(i)]->setChart(charts[i]);
        delete old;
        legends[size_t(i)]->setEntries(progress::legendEntries(charts[i]));
        placeLegend(ChartPage(i), Top);
    }
    lblTotal->raise();
}

void Tfrmchart::buildForecastCharts()
{
    std::vector<progress::ForecastPoint> history;
    progress::Calibration calibration;
    guard::run(QStringLiteral("无法计算成绩预测！"), [&] {
        store::Connection& db = DM1->db();
        // Today's point comes from the bank as it is now; earlier days are as they were kept.
        // A bank that takes no write (read-only, full) still shows today's point.
        const auto today = progress::mockForecasts(db, store::Clock::now(), QDate());
        try {
            progress::keepForecasts(db, store::Clock::today(), today);
        } catch (const store::DbError& e) {
            qCWarning(lcChart) << "today's forecast not kept:" << e.message();
        }
        try {
            history = progress::forecastHistory(db);
        } catch (const store::DbError& e) {
            qCWarning(lcChart) << "the forecast's history not read:" << e.message();
        }
        for (const progress::MockForecast& f : today) {
            const bool kept = std::any_of(history.begin(), history.end(), [&](const progress::ForecastPoint& p) {
                return p.mock == f.mock && p.day == store::Clock::today();
            });
            if (f.today && !kept)
                history.push_back({store::Clock::today(), f.mock, f.today->expected, f.today->low, f.today->high, f.today->fullScore});
        }
        calibration = progress::readCalibration(db);
    });
    QChart* charts[] = {progress::makeForecastChart(history), progress::makeCalibrationChart(calibration)};
    const QString summaries[] = {progress::forecastSummary(history), progress::calibrationSummary(calibration)};
    for (int i = 0; i < 2; ++i) {
        const auto page = ChartPage(progress::ForecastPage + i);
        progress::setDepth(charts[i], CheckBox1->isChecked());
        progress::setValueLabels(charts[i], CheckBox3->isChecked());
        QChart* old = views[size_t(page)]->chart();
        views[size_t(page)]->setChart(charts[i]);
        delete old;
        ui::setDescription(views[size_t(page)], summaries[i]);
        // Said when the type is chosen, so the figures come without leaving the list of types.
        ui::setDescription(typeButton(Forecast + i), summaries[i]);
        legends[size_t(page)]->setEntries(progress::legendEntries(charts[i]));
        placeLegend(page, Top);
    }
    lblCalibration->setText(progress::calibrationNotice(calibration));
    ui::setName(lblCalibration, lblCalibration->text());
    lblCalibration->setVisible(!calibration.enough());
    lblCalibration->setGeometry(views[progress::CalibrationPage]->rect().adjusted(40, 60, -40, -60));
    lblCalibration->raise();
}

void Tfrmchart::RadioGroup1Click(int item)
{
    // Back to the starting style; each box that changes applies to the page shown now.
    if (!legendButton(Top)->isChecked()) {
        legendButton(Top)->setChecked(true);
        RadioGroup2Click(Top);
    }
    const std::pair<QCheckBox*, void (Tfrmchart::*)()> boxes[] = {
        {CheckBox1, &Tfrmchart::CheckBox1Click}, {CheckBox3, &Tfrmchart::CheckBox3Click}, {CheckBox2, &Tfrmchart::CheckBox2Click}};
    for (const auto& [box, apply] : boxes)
        if (!box->isChecked()) {
            box->setChecked(true);
            (this->*apply)();
        }
    switch (item) {
    case Distribution:
        guard::run(QStringLiteral("无法读取章节统计！"), [this] {
            lblTotal->setText(QStringLiteral("习题总数:") + QString::number(progress::readDistributionTotal(DM1->db())));
        });
        PageControl1->setCurrentIndex(progress::DistributionPage);
        break;
    case Frequency:
        PageControl1->setCurrentIndex(progress::FrequencyPage);
        break;
    case Progress:
        PageControl1->setCurrentIndex(progress::ProgressPage);
        break;
    case Forecast:
        PageControl1->setCurrentIndex(progress::ForecastPage);
        break;
    case Calibration:
        PageControl1->setCurrentIndex(progress::CalibrationPage);
        break;
    default:
        break;
    }
}

void Tfrmchart::RadioGroup2Click(int item)
{
    if (item < Top || item > Right)
        return;
    placeLegend(shownPage(), item);
}

void Tfrmchart::CheckBox1Click()
{
    progress::setDepth(chart(shownPage()), CheckBox1->isChecked());
}

void Tfrmchart::CheckBox2Click()
{
    const bool on = CheckBox2->isChecked();
    legends[size_t(shownPage())]->setVisible(on);
    RadioGroup2->setEnabled(on);
}

void Tfrmchart::CheckBox3Click()
{
    progress::setValueLabels(chart(shownPage()), CheckBox3->isChecked());
}

bool Tfrmchart::saveChart(const QString& path)
{
    QWidget* view = PageControl1->currentWidget();
    const QSize size = view->size();
    if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(windowTitle());
        QPainter p;
        if (!p.begin(&svg))
            return false;
        p.fillRect(QRect(QPoint(0, 0), size), ui::kPaper);
        view->render(&p);
        return p.end() && QFileInfo(path).size() > 0;
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(ui::kPaper);
    {
        QPainter p(&image);
        view->render(&p);
    }
    QImageWriter writer(path);
    writer.setFormat(QFileInfo(path).suffix().toLower() == QLatin1String("png") ? "png" : "bmp");
    return writer.write(image);
}

void Tfrmchart::epFocusButton3Click()
{
    QString path;
    if (chooseSaveFile) {
        path = chooseSaveFile();
    } else {
        SaveDialog dialog(this, QStringLiteral("存为..."), QString(), kSaveFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The type saved last time, in this run or an earlier one, comes first again.
        if (const QString last = filterOfType(prefs::chartFileType()); !last.isEmpty())
            dialog.selectNameFilter(last);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        path = savePath(dialog.directory().absolutePath(), dialog.selectedFiles().value(0), name ? name->text().trimmed() : QString(),
                        dialog.selectedNameFilter());
        if (path.isEmpty()) {
            prompt::error(QStringLiteral("无法保存文件！\n没有文件名。"));
            return;
        }
    }
    if (path.isEmpty())
        return;
    if (!saveChart(path)) {
        prompt::error(QStringLiteral("无法保存文件！"));
        return;
    }
    if (const QString suffix = QFileInfo(path).suffix().toLower(); !filterOfType(suffix).isEmpty())
        prefs::setChartFileType(suffix);
}

QString Tfrmchart::savePath(const QString& folder, const QString& selected, const QString& typed, const QString& filter)
{
    // Qt's dialog takes a name with quotes for a list of names and answers with none of them.
    QString path = typed.contains(QLatin1Char('"')) ? QDir(folder).filePath(typed) : selected;
    if (path.isEmpty() || QFileInfo(path).isDir())
        return {};
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.contains(QLatin1String("png")) ? QStringLiteral(".png")
            : filter.contains(QLatin1String("svg"))   ? QStringLiteral(".svg")
                                                      : QStringLiteral(".bmp");
    return path;
}

void Tfrmchart::printChart(QPrinter& printer)
{
    QWidget* view = PageControl1->currentWidget();
    QPainter p;
    if (!p.begin(&printer)) {
        ShowPrompt(QStringLiteral("错误"), QStringLiteral("打印时发生错误！"), prompt::Mode::Single, prompt::Page::Error,
                   prompt::Variant::No);
        return;
    }
    // The chart keeps its proportions, as large as the page allows.
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QSizeF size = view->size();
    const double scale = std::min(page.width() / size.width(), page.height() / size.height());
    p.translate((page.width() - size.width() * scale) / 2, (page.height() - size.height() * scale) / 2);
    p.scale(scale, scale);
    view->render(&p);
    if (!p.end())
        ShowPrompt(QStringLiteral("错误"), QStringLiteral("打印时发生错误！"), prompt::Mode::Single, prompt::Page::Error,
                   prompt::Variant::No);
}

void Tfrmchart::epFocusButton1Click()
{
    const bool any = printerInstalled ? printerInstalled() : !QPrinterInfo::availablePrinterNames().isEmpty();
    if (!any) {
        prompt::notice(QStringLiteral("没有发现打印机！"));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printChart(printer);
}

void Tfrmchart::btnPreviewClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("打印预览"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { printChart(*p); });
    // Qt's own size is a strip with the page a speck in it: most of the screen, the page across its width.
    if (QScreen* s = screen()) {
        const QRect room = s->availableGeometry();
        preview.resize(room.width() * 9 / 10, room.height() * 9 / 10);
        preview.move(room.center() - QPoint(preview.width() / 2, preview.height() / 2));
    }
    if (auto* pages = preview.findChild<QPrintPreviewWidget*>())
        pages->fitToWidth();
    preview.exec();
}

void Tfrmchart::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    const int band = m_chartArea.top() - 4;
    ui::paintTitleBand(p, QRect(0, 0, width(), band), windowTitle(), band > 26 ? 16 : 14, 12);
    p.setPen(ui::kTitleStripDark);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

#include "progress/TFrmplan.h"

#include "progress/Panel.h"
#include "core/progress/PlanForecast.h"
#include "core/progress/ProgressRules.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/DbError.h"
#include "ui/AccessibleText.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTableWidget>

Q_LOGGING_CATEGORY(lcPlan, "tesvora.plan")

namespace {

constexpr int kBand = 26;
constexpr int kWidth = 540;
constexpr int kHeight = 480;
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// The spaces in the captions leave the gaps where the number fields lie.
const QString kByAnswersCaption = QStringLiteral("按作题数量制定学习计划      每天                   道题");
const QString kByMinutesCaption = QStringLiteral("按作题时间制定学习计划      每天                   分钟");
const QString kBeforeGap = QStringLiteral("按作题数量制定学习计划      每天 ");

QLineEdit* numberEdit(QWidget* parent, const char* name, const QString& accessible)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(accessible);
    e->setMaxLength(3);
    e->setAlignment(Qt::AlignCenter);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), e));
    return e;
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}

} // namespace

TFrmplan::TFrmplan(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmplan"));
    setWindowTitle(QStringLiteral("学习计划"));
    setAccessibleName(QStringLiteral("学习计划"));
    setModal(true);

    epLabel1 = new QLabel(QStringLiteral("距离考试还有"), this);
    epLabel1->setObjectName(QStringLiteral("epLabel1"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    ui::captionValue(Label1, QStringLiteral("距离考试天数"));
    epLabel2 = new QLabel(QStringLiteral("天"), this);
    epLabel2->setObjectName(QStringLiteral("epLabel2"));

    Label2 = new QLabel(QStringLiteral("考试日："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    DateEdit1 = new QDateEdit(this);
    DateEdit1->setObjectName(QStringLiteral("DateEdit1"));
    DateEdit1->setAccessibleName(QStringLiteral("考试日"));
    DateEdit1->setToolTip(QStringLiteral("点击右侧按钮-->"));
    DateEdit1->setDisplayFormat(kDateFormat);
    DateEdit1->setCalendarPopup(true);
    DateEdit1->calendarWidget()->setToolTip(QStringLiteral("点击设置日期"));
    DateEdit1->setEnabled(false);
    Label2->setBuddy(DateEdit1);

    SeSkinRadioGroup1 = new QGroupBox(QStringLiteral("学习计划"), this);
    SeSkinRadioGroup1->setObjectName(QStringLiteral("SeSkinRadioGroup1"));
    planByAnswers = new QRadioButton(kByAnswersCaption, SeSkinRadioGroup1);
    planByAnswers->setObjectName(QStringLiteral("SeSkinRadioGroup1Item0"));
    planByAnswers->setAccessibleName(QStringLiteral("按作题数量制定学习计划"));
    planByMinutes = new QRadioButton(kByMinutesCaption, SeSkinRadioGroup1);
    planByMinutes->setObjectName(QStringLiteral("SeSkinRadioGroup1Item1"));
    planByMinutes->setAccessibleName(QStringLiteral("按作题时间制定学习计划"));
    m_items = new QButtonGroup(this);
    m_items->addButton(planByAnswers, 0);
    m_items->addButton(planByMinutes, 1);
    SeSkinRadioGroup1->setEnabled(false);

    // On the window, not in the group: a field keeps its own state when the group is off.
    suiNumberEdit1 = numberEdit(this, "suiNumberEdit1", QStringLiteral("每天作题数量（道）"));
    suiNumberEdit2 = numberEdit(this, "suiNumberEdit2", QStringLiteral("每天作题时间（分钟）"));
    suiNumberEdit1->setEnabled(false);
    suiNumberEdit2->setEnabled(false);

    lblQuota = new QLabel(this);
    lblQuota->setObjectName(QStringLiteral("lblQuota"));
    lblQuota->setTextFormat(Qt::PlainText);
    lblQuota->setWordWrap(true);

    lblForecast = new QLabel(QStringLiteral("成绩预测"), this);
    lblForecast->setObjectName(QStringLiteral("lblForecast"));
    gridForecast = new QTableWidget(progress::kMockCount, 4, this);
    ui::setUpRowList(gridForecast, QStringLiteral("gridForecast"), QStringLiteral("成绩预测"), ui::GridLook::Striped);
    gridForecast->setHorizontalHeaderLabels(
        {QStringLiteral("模拟试卷"), QStringLiteral("今天预计"), QStringLiteral("考试日预计"), QStringLiteral("及格线/满分")});
    gridForecast->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    gridForecast->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridForecast->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    gridForecast->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lblForecast->setBuddy(gridForecast);
    lblForecastNote = new QLabel(this);
    lblForecastNote->setObjectName(QStringLiteral("lblForecastNote"));
    lblForecastNote->setTextFormat(Qt::PlainText);
    lblForecastNote->setWordWrap(true);

    SpeedButton1 = new ui::CommandButton(QStringLiteral("设定"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFramed(true);
    SpeedButton1->setAutoDefault(false);
    SpeedButton2 = new ui::CommandButton(QStringLiteral("关闭"), this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setFramed(true);
    SpeedButton2->setAutoDefault(false);

    // The state, not the click: assistive tools and switch access toggle without clicking.
    connect(m_items, &QButtonGroup::idToggled, this, [this](int id, bool on) { if (on) SeSkinRadioGroup1Click(id); });
    connect(SpeedButton1, &QAbstractButton::clicked, this, &TFrmplan::SpeedButton1Click);
    connect(SpeedButton2, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(DateEdit1, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (m_editing) {
            showCountdown(d);
            guard::run(QStringLiteral("无法读取学习计划！"), [this, d] { showQuota(d); });
            guard::run(QStringLiteral("无法计算成绩预测！"), [this, d] { showForecast(d); });
        }
    });

    setTabOrder(SpeedButton1, DateEdit1);
    setTabOrder(DateEdit1, planByAnswers);
    setTabOrder(planByAnswers, suiNumberEdit1);
    setTabOrder(suiNumberEdit1, planByMinutes);
    setTabOrder(planByMinutes, suiNumberEdit2);
    setTabOrder(suiNumberEdit2, gridForecast);
    setTabOrder(gridForecast, SpeedButton2);

    arrange(ui::compactLayout());
}

TFrmplan::~TFrmplan() = default;

void TFrmplan::arrange(bool compact)
{
    // 540 × 480 fits either screen; the compact one gets the smaller face.
    const QFont face = ui::songFont(compact ? 12 : 13);
    setFont(face);
    setFixedSize(kWidth, kHeight);
    epLabel1->setFont(ui::songFont(compact ? 18 : 20, true));
    Label1->setFont(ui::songFont(compact ? 44 : 48, true));
    epLabel2->setFont(ui::songFont(compact ? 18 : 20, true));
    epLabel1->setGeometry(28, kBand + 20, 160, 32);
    Label1->setGeometry(186, kBand + 4, 120, 60);
    epLabel2->setGeometry(310, kBand + 20, 40, 32);

    Label2->setGeometry(28, kBand + 74, 70, 24);
    DateEdit1->setGeometry(98, kBand + 74, 130, 24);

    const QRect group(20, kBand + 104, kWidth - 40, 70);
    SeSkinRadioGroup1->setGeometry(group);
    planByAnswers->setGeometry(12, 20, group.width() - 24, 22);
    planByMinutes->setGeometry(12, 44, group.width() - 24, 22);
    // The fields go into the captions' gaps, wherever the face puts them.
    const int indicator = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, planByAnswers)
        + style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, planByAnswers);
    const int gapLeft = group.left() + 12 + indicator + QFontMetrics(planByAnswers->font()).horizontalAdvance(kBeforeGap);
    const int gapWidth = QFontMetrics(planByAnswers->font()).horizontalAdvance(QStringLiteral("                 "));
    suiNumberEdit1->setGeometry(gapLeft, group.top() + 20, std::min(gapWidth, 56), 21);
    suiNumberEdit2->setGeometry(gapLeft, group.top() + 44, std::min(gapWidth, 56), 21);
    suiNumberEdit1->raise();
    suiNumberEdit2->raise();

    lblQuota->setFont(ui::songFont(12));
    lblQuota->setGeometry(22, group.bottom() + 4, group.width(), 22);

    // The forecast: a heading, one row per mock with the header, and a line under it.
    lblForecast->setFont(ui::songFont(compact ? 13 : 14, true));
    lblForecast->setGeometry(22, group.bottom() + 30, 200, 22);
    const QFont gridFace = ui::songFont(compact ? 12 : 13);
    gridForecast->setFont(gridFace);
    gridForecast->horizontalHeader()->setFont(ui::songFont(compact ? 12 : 13, true));
    const int row = QFontMetrics(gridFace).height() + 8;
    gridForecast->verticalHeader()->setDefaultSectionSize(row);
    gridForecast->horizontalHeader()->setFixedHeight(row);
    const int gridTop = group.bottom() + 54;
    gridForecast->setGeometry(20, gridTop, group.width(), row * (progress::kMockCount + 1) + 2 * gridForecast->frameWidth());
    const int inner = group.width() - 2 * gridForecast->frameWidth();
    const int first = inner * 24 / 100;
    const int last = inner * 20 / 100;
    gridForecast->setColumnWidth(0, first);
    gridForecast->setColumnWidth(1, (inner - first - last) / 2);
    gridForecast->setColumnWidth(2, (inner - first - last) / 2);
    gridForecast->horizontalHeader()->setStretchLastSection(true);
    lblForecastNote->setFont(ui::songFont(12));
    lblForecastNote->setGeometry(22, gridForecast->geometry().bottom() + 4, group.width(), 20);

    SpeedButton1->setGeometry(kWidth - 198, kHeight - 34, 84, 26);
    SpeedButton2->setGeometry(kWidth - 104, kHeight - 34, 84, 26);
}

void TFrmplan::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        ui::centreWindow(this);
    }
}

int TFrmplan::planItem() const
{
    return planByMinutes->isChecked() ? 1 : 0;
}

void TFrmplan::FormShow()
{
    guard::run(QStringLiteral("无法读取学习计划！"), [this] {
        const progress::StudyPlanRow plan = progress::readStudyPlanRow(DM1->db());
        suiNumberEdit1->setText(QString::number(plan.amount));
        suiNumberEdit2->setText(QString::number(plan.time));
        {
            const QSignalBlocker quiet(DateEdit1);
            DateEdit1->setDate(plan.examDate.isValid() ? plan.examDate : store::Clock::today());
        }
        (plan.mark == 1 ? planByMinutes : planByAnswers)->setChecked(true);
        showCountdown(plan.examDate);
        showQuota(plan.examDate);
    });
    guard::run(QStringLiteral("无法计算成绩预测！"), [this] {
        ui::WaitCursor wait; // a large bank takes a moment to read
        m_recall = std::make_unique<progress::BankRecall>(DM1->db());
        const auto forecasts = showForecast(progress::readStudyPlanRow(DM1->db()).examDate);
        // The chart screen draws the forecast over the days from what is kept here.
        try {
            progress::keepForecasts(DM1->db(), store::Clock::today(), forecasts);
        } catch (const store::DbError& e) {
            qCWarning(lcPlan) << "today's forecast not kept:" << e.message();
        }
    });
    setEditing(false);
    SpeedButton1->setFocus();
}

void TFrmplan::showCountdown(const QDate& examDate)
{
    const progress::Countdown c = progress::countdown(store::Clock::today(), examDate);
    epLabel1->setText(c.caption);
    ui::showValue(Label1, c.number);
    Label1->setVisible(c.numberShown);
    epLabel2->setVisible(c.numberShown);
    setTextColour(Label1, c.state == progress::CountdownState::Near ? ui::kPlanNear : ui::kPlanFar);
    ui::setDescription(Label1, c.numberShown ? c.caption + c.number + QStringLiteral("天") : c.caption);
}

void TFrmplan::showQuota(const QDate& examDate)
{
    // The line follows the date shown, so it never contradicts the countdown above it.
    const progress::StudyBacklog backlog = progress::readBacklog(DM1->db());
    const std::optional<qint64> quota = progress::dailyQuota(backlog, store::Clock::today(), examDate);
    QString text = QStringLiteral("未做题 %1 道，错题 %2 道").arg(backlog.unanswered).arg(backlog.wrong);
    if (quota)
        text += QStringLiteral("；考前每天做 %1 道可全部完成").arg(*quota);
    lblQuota->setText(text);
    ui::setName(lblQuota, text);
}

std::vector<progress::MockForecast> TFrmplan::showForecast(const QDate& examDate)
{
    if (!m_recall)
        return {};
    const std::vector<progress::MockForecast> forecasts = progress::mockForecasts(*m_recall, store::Clock::now(), examDate);
    bool examDay = false;
    for (int i = 0; i < int(forecasts.size()) && i < gridForecast->rowCount(); ++i) {
        const progress::MockForecast& f = forecasts[size_t(i)];
        const progress::ForecastTexts t = progress::forecastTexts(f);
        const QString cells[] = {f.title, t.today, t.examDay, t.passLine};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            // The whole row is spoken when a cell is reached, so each cell says what it is.
            item->setData(Qt::AccessibleTextRole, c == 0 ? t.spoken : cells[c]);
            if (c == 1 && f.today)
                item->setForeground(f.today->expected >= f.today->passLine ? ui::kMasteryHigh : ui::kMasteryLow);
            if (c == 2 && f.examDay)
                item->setForeground(f.examDay->expected >= f.examDay->passLine ? ui::kMasteryHigh : ui::kMasteryLow);
            gridForecast->setItem(i, c, item);
        }
        examDay = examDay || f.examDay.has_value();
    }
    // Keyboard and screen reader land on the first paper when Tab reaches the list.
    if (gridForecast->currentRow() < 0)
        gridForecast->setCurrentCell(0, 0);
    lblForecastNote->setText(examDay ? QStringLiteral("括号内为十次中八次的得分范围；考试日按今后不再复习估算。")
                                     : QStringLiteral("括号内为十次中八次的得分范围；设定考试日后可见考试日预计。"));
    ui::setName(lblForecastNote, lblForecastNote->text());
    return forecasts;
}

void TFrmplan::setEditing(bool on)
{
    m_editing = on;
    ui::setText(SpeedButton1, on ? QStringLiteral("保存") : QStringLiteral("设定"));
    DateEdit1->setEnabled(on);
    SeSkinRadioGroup1->setEnabled(on);
    // Shown but not typed into: outside 设定 nothing typed would be saved.
    suiNumberEdit1->setReadOnly(!on);
    suiNumberEdit2->setReadOnly(!on);
}

void TFrmplan::SeSkinRadioGroup1Click(int item)
{
    suiNumberEdit1->setEnabled(item == 0);
    suiNumberEdit2->setEnabled(item == 1);
    (item == 0 ? suiNumberEdit1 : suiNumberEdit2)->setFocus();
}

void TFrmplan::SpeedButton1Click()
{
    QLineEdit* chosen = planItem() == 0 ? suiNumberEdit1 : suiNumberEdit2;
    if (!m_editing) {
        setEditing(true);
        chosen->setEnabled(true);
        DateEdit1->setFocus();
        return;
    }
    const progress::StudyPlanRow plan{planItem(), suiNumberEdit1->text().toInt(), suiNumberEdit2->text().toInt(),
                                      DateEdit1->date()};
    if (chosen->text().toInt() < progress::kMinPlanAmount) {
        prompt::error(planItem() == 0 ? QStringLiteral("保存学习计划失败！\n每天作题数量至少为1道。")
                                      : QStringLiteral("保存学习计划失败！\n每天作题时间至少为1分钟。"));
        chosen->setFocus();
        chosen->selectAll();
        return;
    }
    // A failed save keeps the window in edit mode with the entries, so it can be tried again.
    const bool saved = guard::run(QStringLiteral("保存学习计划失败！"), [&] {
        progress::saveStudyPlan(DM1->db(), plan);
        if (DM1->Cn1Table_plan->isOpen())
            DM1->Cn1Table_plan->refresh();
    });
    if (!saved)
        return;
    setEditing(false);
    chosen->setEnabled(true);
    showCountdown(plan.examDate);
    guard::run(QStringLiteral("无法读取学习计划！"), [this, &plan] { showQuota(plan.examDate); });
    guard::run(QStringLiteral("无法计算成绩预测！"), [this, &plan] { showForecast(plan.examDate); });
    SpeedButton1->setFocus();
}

void TFrmplan::done(int result)
{
    DM1->Cn1Table_plan->close();
    QDialog::done(result);
}

void TFrmplan::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    progress::paintPanel(p, rect(), kBand);
    p.setPen(ui::kTitleText);
    p.setFont(ui::songFont(14, true));
    p.drawText(QRect(12, 0, width() - 24, kBand), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("学习计划"));
}

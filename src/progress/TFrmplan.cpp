#include "progress/TFrmplan.h"

#include "progress/Panel.h"
#include "core/progress/ProgressRules.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace {

constexpr int kBand = 26;
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
        }
    });

    setTabOrder(SpeedButton1, DateEdit1);
    setTabOrder(DateEdit1, planByAnswers);
    setTabOrder(planByAnswers, suiNumberEdit1);
    setTabOrder(suiNumberEdit1, planByMinutes);
    setTabOrder(planByMinutes, suiNumberEdit2);
    setTabOrder(suiNumberEdit2, SpeedButton2);

    arrange(ui::compactLayout());
}

void TFrmplan::arrange(bool compact)
{
    // 460 × 250 fits either screen; the compact one gets the smaller face.
    const QFont face = ui::songFont(compact ? 12 : 13);
    setFont(face);
    setFixedSize(460, 250);
    epLabel1->setFont(ui::songFont(compact ? 18 : 20, true));
    Label1->setFont(ui::songFont(compact ? 44 : 48, true));
    epLabel2->setFont(ui::songFont(compact ? 18 : 20, true));
    epLabel1->setGeometry(28, kBand + 20, 160, 32);
    Label1->setGeometry(186, kBand + 4, 120, 60);
    epLabel2->setGeometry(310, kBand + 20, 40, 32);

    Label2->setGeometry(28, kBand + 74, 70, 24);
    DateEdit1->setGeometry(98, kBand + 74, 130, 24);

    const QRect group(20, kBand + 104, 420, 70);
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
    lblQuota->setGeometry(22, group.bottom() + 4, 416, 36);
    SpeedButton1->setGeometry(262, 250 - 34, 84, 26);
    SpeedButton2->setGeometry(356, 250 - 34, 84, 26);
    lblQuota->setGeometry(22, group.bottom() + 3, 232, 250 - group.bottom() - 8);
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
    Label1->setAccessibleDescription(c.numberShown ? c.caption + c.number + QStringLiteral("天") : c.caption);
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
    lblQuota->setAccessibleName(text);
}

void TFrmplan::setEditing(bool on)
{
    m_editing = on;
    SpeedButton1->setText(on ? QStringLiteral("保存") : QStringLiteral("设定"));
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

#include "review/TFrmReview.h"

#include "ui/AccessibleText.h"
#include "common/Guard.h"
#include "core/app/ShellRules.h"
#include "core/progress/ProgressRules.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "practice/GatheredPractice.h"
#include "progress/Panel.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QLabel>
#include <QPainter>

namespace reviewq {

namespace {

const QString kCaption = QStringLiteral("今日复习");

QLabel* valueLabel(QWidget* parent, const char* name, const QString& caption)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    ui::captionValue(l, caption);
    return l;
}

QString secondsText(double seconds)
{
    return seconds >= 90 ? QStringLiteral("%1 分钟").arg(seconds / 60.0, 0, 'f', 1) : QStringLiteral("%1 秒").arg(qRound(seconds));
}

} // namespace

TFrmReview::TFrmReview(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmReview"));
    setWindowTitle(kCaption);
    setAccessibleName(kCaption);
    setModal(true);

    lblDue = valueLabel(this, "lblDue", QStringLiteral("待复习"));
    lblNew = valueLabel(this, "lblNew", QStringLiteral("新题"));
    lblMinutes = valueLabel(this, "lblMinutes", QStringLiteral("预计用时"));
    lblPace = ui::noteLabel(this, "lblPace", ui::kNoteText);
    lblExam = ui::noteLabel(this, "lblExam", ui::kNoteText);
    lblEmpty = ui::noteLabel(this, "lblEmpty", ui::kHintText);
    lblEmpty->setAlignment(Qt::AlignCenter);

    auto button = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = new ui::CommandButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(text);
        b->setToolTip(hint);
        b->setFramed(true);
        b->setAutoDefault(false);
        return b;
    };
    btnStart = button("btnStart", QStringLiteral("开始复习"), QStringLiteral("在练习界面依次作答今天的题目"));
    btnClose = button("btnClose", QStringLiteral("关闭"), QStringLiteral("退出本界面"));
    btnStart->setDefault(true); // Enter starts

    connect(btnStart, &QAbstractButton::clicked, this, &TFrmReview::btnStartClick);
    connect(btnClose, &QAbstractButton::clicked, this, &QDialog::reject);
    setTabOrder(btnStart, btnClose);

    arrange(ui::compactLayout());
}

void TFrmReview::arrange(bool compact)
{
    // The 1024 arrangement gets the larger face and more room; either fits its screen.
    const int w = compact ? 380 : 460;
    const int h = compact ? 250 : 290;
    const int line = compact ? 24 : 28;
    const int left = compact ? 24 : 32;
    m_band = compact ? 28 : 32;
    setFont(ui::songFont(compact ? 12 : 14));
    setFixedSize(w, h);
    QFont value = ui::songFont(compact ? 14 : 16, true);
    for (QLabel* l : {lblDue, lblNew, lblMinutes})
        l->setFont(value);
    int y = m_band + (compact ? 14 : 18);
    lblDue->setGeometry(left, y, w - 2 * left, line);
    lblNew->setGeometry(left, y += line, w - 2 * left, line);
    lblMinutes->setGeometry(left, y += line, w - 2 * left, line);
    lblPace->setGeometry(left, y += line, w - 2 * left, line);
    lblExam->setGeometry(left, y += line, w - 2 * left, 2 * line - 6);
    // The message of an empty day stands where the figures would.
    lblEmpty->setFont(ui::songFont(compact ? 14 : 16, true));
    lblEmpty->setGeometry(left, m_band + 12, w - 2 * left, 3 * line);
    const int bw = compact ? 96 : 110, bh = compact ? 28 : 32;
    btnStart->setGeometry(w - 2 * bw - left - 12, h - bh - 14, bw, bh);
    btnClose->setGeometry(w - bw - left, h - bh - 14, bw, bh);
}

void TFrmReview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        refresh();
        ui::centreWindow(this, parentWidget());
    }
}

void TFrmReview::refresh()
{
    const bool read = guard::run(QStringLiteral("无法读取今日复习！"), [this] {
        store::Connection& db = DM1->db();
        m_review = review::todaysReview(db, store::Clock::now(), planToday(db));
    });
    if (!read)
        m_review = {};
    const qsizetype due = m_review.due.size(), fresh = m_review.fresh.size();
    const bool empty = due + fresh == 0;
    ui::showValue(lblDue, QStringLiteral("待复习：%1 题").arg(due));
    ui::showValue(lblNew, QStringLiteral("新题：%1 题").arg(fresh));
    ui::showValue(lblMinutes, QStringLiteral("预计用时：约 %1 分钟").arg(m_review.minutes));
    lblPace->setText(m_review.paceFromLog ? QStringLiteral("按您最近的答题速度（每题约 %1）估计").arg(secondsText(m_review.secondsPerAnswer))
                                          : QStringLiteral("答题记录尚少，按每题约 %1 估计").arg(secondsText(m_review.secondsPerAnswer)));
    if (!m_review.examAimed)
        lblExam->setText(QStringLiteral("未设定考试日期：在“学习计划”中设定后，复习将以考试日为目标。"));
    else if (m_review.daysToExam == 0)
        lblExam->setText(QStringLiteral("今天考试：先看最可能遗忘的题目。"));
    else if (m_review.lastDays)
        lblExam->setText(QStringLiteral("距考试还有 %1 天：先复习到考试日最可能遗忘的题目。").arg(m_review.daysToExam));
    else
        lblExam->setText(QStringLiteral("距考试还有 %1 天：复习以考试日为目标。").arg(m_review.daysToExam));
    lblEmpty->setText(read ? QStringLiteral("今天没有需要复习的题目，\n也没有计划内的新题。") : QStringLiteral("无法读取今日复习。"));

    for (QWidget* w : {static_cast<QWidget*>(lblDue), static_cast<QWidget*>(lblNew), static_cast<QWidget*>(lblMinutes),
                       static_cast<QWidget*>(lblPace)})
        w->setVisible(!empty);
    lblEmpty->setVisible(empty);
    btnStart->setEnabled(!empty);
    // A screen reader hears the figures with the button that acts on them (the focused
    // one when the window opens and after the practice screen closes).
    ui::setDescription(btnStart, empty ? QString() : summary());
    ui::setDescription(btnClose, empty ? lblEmpty->text().simplified() : QString());
    (empty ? btnClose : btnStart)->setFocus(Qt::OtherFocusReason);
    update();
}

QString TFrmReview::summary() const
{
    if (m_review.due.isEmpty() && m_review.fresh.isEmpty())
        return lblEmpty->text().simplified() + lblExam->text();
    return QStringLiteral("%1，%2，%3。%4").arg(lblDue->text(), lblNew->text(), lblMinutes->text(), lblExam->text());
}

void TFrmReview::btnStartClick()
{
    if (m_review.due.isEmpty() && m_review.fresh.isEmpty())
        return;
    practice::GatheredSet set;
    set.ids = m_review.due + m_review.fresh; // the most urgent first, then the new ones
    set.caption = kCaption;
    set.heading = QStringLiteral("今日复习：待复习 %1 题，新题 %2 题").arg(m_review.due.size()).arg(m_review.fresh.size());
    set.source = review::Source::ReviewQueue;
    set.byType = false;
    practice::practiseQuestions(this, set);
    refresh();
}

void TFrmReview::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    progress::paintPanel(p, rect(), m_band);
    p.setPen(ui::kTitleText);
    p.setFont(ui::songFont(m_band > 30 ? 16 : 14, true));
    p.drawText(QRect(12, 0, width() - 24, m_band), Qt::AlignVCenter | Qt::AlignLeft, kCaption);
}

review::PlanToday planToday(store::Connection& db)
{
    const progress::StudyPlanRow plan = progress::readStudyPlanRow(db);
    const shell::DayWork work = shell::todaysWork(db);
    review::PlanToday p;
    p.mark = plan.mark;
    p.amount = plan.amount;
    p.time = plan.time;
    p.examDate = plan.examDate;
    p.answeredToday = work.answers;
    p.minutesToday = work.minutes();
    return p;
}

int dueTodayCount()
{
    store::Connection& db = DM1->db();
    return int(review::dueToday(db, store::Clock::now(), progress::readStudyPlanRow(db).examDate).size());
}

void openTodaysReview(QWidget* parent)
{
    TFrmReview screen(parent);
    screen.exec();
}

} // namespace reviewq

#include "app/TFrmStart.h"

#include "core/progress/ProgressRules.h"
#include "core/app/AppState.h"
#include "app/MenuView.h"
#include "common/Music.h"
#include "core/app/Preferences.h"
#include "common/Prompt.h"
#include "core/app/ShellRules.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "review/TFrmReview.h"
#include "ui/Style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>


Q_LOGGING_CATEGORY(lcStart, "tesvora.start", QtWarningMsg)

TFrmStart::TFrmStart(const QString& appDir, const QSize& screenSize, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_dispatcher(appDir)
{
    setObjectName(QStringLiteral("TFrmStart"));
    setWindowTitle(QCoreApplication::applicationName());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ui::kPaper);
    setPalette(pal);
    setAutoFillBackground(true);

    app::ScreenSizeTag = shell::screenSizeTagFor(screenSize);
    resize(shell::designSizeFor(app::ScreenSizeTag));

    ShockwaveFlash1 = new shell::MenuView(this);
    ShockwaveFlash1->load(m_dispatcher.appDir() + QStringLiteral("pic/main.svg"));
    ShockwaveFlash1->setAnimationRunning(false); // plays once the window shows
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ShockwaveFlash1);

    connect(ShockwaveFlash1, &shell::MenuView::commandTriggered, this, &TFrmStart::menuCommand);
    connect(ShockwaveFlash1, &shell::MenuView::firstFramePainted, this, [this] {
        qCInfo(lcStart) << "menu on screen";
        Q_EMIT menuShown();
    });
    m_dispatcher.setOpener(QStringLiteral("quit"), [this] { quitCheck(); });
}

TFrmStart::~TFrmStart() = default;

void TFrmStart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFrmStart::FormShow()
{
    if (DM1 && DM1->ConnectOk) {
        try {
            if (shell::studyDayExhausted(shell::todaysWork(DM1->db()))) {
                // Today already holds 24 hours of study: end, without a word.
                m_ending = true;
                QTimer::singleShot(0, this, &QWidget::close);
                return;
            }
        } catch (const std::exception& e) {
            qCWarning(lcStart) << "daily log:" << e.what();
        }
    }

    if (QScreen* s = screen()) {
        if (!geometry().contains(s->availableGeometry()))
            setGeometry(s->availableGeometry());
    }

    app::MusicOn = prefs::musicOn();
    SetWaveVolume(prefs::kDefaultVolume);

    app::ensureCurrentPaperNo();
    if (DM1 && DM1->ConnectOk) {
        try {
            shell::loadTypeAnswerTimes(DM1->db());
        } catch (const std::exception& e) {
            qCWarning(lcStart) << "question types:" << e.what();
        }
    }

    showReviewCount();
    ShockwaveFlash1->setAnimationRunning(true);
    raise();
    activateWindow(); // keys reach the menu at once, also without a window manager
    if (QAbstractButton* first = ShockwaveFlash1->commands().isEmpty()
            ? nullptr
            : ShockwaveFlash1->commandButton(ShockwaveFlash1->commands().first()))
        first->setFocus(Qt::OtherFocusReason);
}

void TFrmStart::menuCommand(const QString& word)
{
    if (m_ending)
        return;
    // The menu rests while a screen is open above it.
    ShockwaveFlash1->setAnimationRunning(false);
    m_dispatcher.dispatch(word);
    if (!m_ending) {
        showReviewCount();
        ShockwaveFlash1->setAnimationRunning(true);
    }
}

void TFrmStart::showReviewCount()
{
    if (!DM1 || !DM1->ConnectOk)
        return;
    try {
        const int due = reviewq::dueTodayCount();
        ShockwaveFlash1->setBadge(QStringLiteral("jrfx"), due > 0 ? QString::number(due) : QString(),
                                  QStringLiteral("今天待复习 %1 题").arg(due));
    } catch (const std::exception& e) {
        // The menu works without the count.
        qCWarning(lcStart) << "today's review:" << e.what();
    }
}

void TFrmStart::quitCheck()
{
    shell::PlanStatus status = shell::PlanStatus::NoPlan;
    std::optional<qint64> quota;
    if (DM1 && DM1->ConnectOk) {
        try {
            // Once the exam is over, or with none set, there is no plan left to keep.
            if (progress::planInEffect(store::Clock::today(), progress::readStudyPlanRow(DM1->db()).examDate))
                status = shell::comparePlan(shell::readStudyPlan(DM1->db()), shell::todaysWork(DM1->db()));
            if (status == shell::PlanStatus::Below)
                quota = progress::todaysQuota(DM1->db(), store::Clock::today());
        } catch (const std::exception& e) {
            // The candidate can always leave; without the plan there is nothing to say.
            qCWarning(lcStart) << "study plan:" << e.what();
        }
    }
    const QString caption = QStringLiteral("提示");
    switch (status) {
    case shell::PlanStatus::Below:
        // What the exam date asks of each day, so the candidate sees what leaving costs.
        if (prompt::messageBox(prompt::Icon::Question, caption,
                               QStringLiteral("还未完成今日学习计划，要退出吗？")
                                   + (quota ? QStringLiteral("\n\n要在考试前做完未做的题和错题，每天需做 %1 道题。").arg(*quota)
                                            : QString()),
                               prompt::Buttons::OkCancel)
            != prompt::Ok)
            return;
        break;
    case shell::PlanStatus::Met:
        prompt::messageBox(prompt::Icon::Information, caption, QStringLiteral("恭喜完成今日学习计划！"));
        break;
    case shell::PlanStatus::Exceeded:
        prompt::messageBox(prompt::Icon::Information, caption, QStringLiteral("超额完成学习计划，要注意休息呦！"));
        break;
    case shell::PlanStatus::NoPlan:
        break;
    }
    m_ending = true;
    close();
}

void TFrmStart::bringForward()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    // A screen open above the menu is what the candidate was working in.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal->isMinimized())
            modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
        modal->raise();
        modal->activateWindow();
    }
}

void TFrmStart::closeEvent(QCloseEvent* event)
{
    ShockwaveFlash1->setAnimationRunning(false);
    if (DM1) {
        try {
            DM1->Cn1Table_plan->close();
            DM1->Cn1Table_rz->close();
            DM1->closeBank();
        } catch (...) {
            // Closing goes on whatever the bank says.
        }
    }
    event->accept();
    Q_EMIT closed();
}

#include "exam/PauseCover.h"

#include "ui/Style.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

namespace exam {

namespace {
constexpr int kStepMs = 40;
constexpr int kLineHeight = 34;
} // namespace

PauseCover::PauseCover(QWidget* host)
    : QWidget(host)
    , m_host(host)
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("PauseCover"));
    setAccessibleName(QStringLiteral("考试已暂停"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer->setInterval(kStepMs);
    connect(m_timer, &QTimer::timeout, this, &PauseCover::step);
    hide();
    host->installEventFilter(this);
}

const QStringList& PauseCover::lines()
{
    static const QStringList all = {
        QStringLiteral("考试已暂停，计时停止"),
        QStringLiteral("休息片刻，深呼吸"),
        QStringLiteral("Tesvora 陪你一起备考"),
        QStringLiteral("每天坚持练习，考点记得更牢"),
        QStringLiteral("错题重做，是提分最快的路"),
        QStringLiteral("模拟考试要像正式考试一样认真"),
        QStringLiteral("准备好了，就点击“继续考试”"),
    };
    return all;
}

void PauseCover::coverHost()
{
    setGeometry(m_host->rect());
    m_offset = 0;
    show();
    raise();
    m_timer->start();
}

void PauseCover::uncover()
{
    m_timer->stop();
    hide();
}

bool PauseCover::scrolling() const
{
    return m_timer->isActive();
}

void PauseCover::step()
{
    // The block enters from the bottom and leaves at the top, then starts again.
    const int block = int(lines().size()) * kLineHeight;
    m_offset = (m_offset + 1) % (height() + block + 1);
    update();
}

void PauseCover::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient bg(0, 0, 0, height());
    bg.setColorAt(0, ui::kTitleStripDark);
    bg.setColorAt(1, ui::kTitleStripLight);
    p.fillRect(rect(), bg);
    p.setPen(ui::kTitleText);
    p.setFont(ui::songFont(18, true));
    int y = height() - m_offset;
    for (const QString& line : lines()) {
        p.drawText(QRect(0, y, width(), kLineHeight), Qt::AlignCenter, line);
        y += kLineHeight;
    }
}

bool PauseCover::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host && event->type() == QEvent::Resize && !isHidden())
        setGeometry(m_host->rect());
    return QWidget::eventFilter(watched, event);
}

} // namespace exam

#include "ui/SlidingPanel.h"

#include <QCoreApplication>
#include <QEvent>

namespace ui {

SlidingPanel::SlidingPanel(QWidget* host)
    : QWidget(host)
    , m_host(host)
    , m_body(new QWidget(this))
{
    hide();
    setGeometry(0, 0, 0, 0);
    host->installEventFilter(this);
}

void SlidingPanel::setWidth(int width)
{
    const QSize area = m_host->size();
    setGeometry(0, 0, std::clamp(width, 0, area.width()), area.height());
    m_body->setGeometry(0, 0, area.width(), area.height());
}

void SlidingPanel::slideIn()
{
    if (m_open)
        return;
    m_open = true;
    const int full = m_host->width();
    show();
    raise();
    for (int w = m_step; w < full; w += m_step) {
        setWidth(w);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    setWidth(full);
}

void SlidingPanel::slideOut()
{
    if (!m_open)
        return;
    m_open = false;
    for (int w = width() - m_step; w > 0; w -= m_step) {
        setWidth(w);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    closeNow();
}

void SlidingPanel::closeNow()
{
    m_open = false;
    setWidth(0);
    hide();
}

bool SlidingPanel::eventFilter(QObject* watched, QEvent* event)
{
    // The open panel keeps covering its host.
    if (watched == m_host && event->type() == QEvent::Resize && m_open)
        setWidth(m_host->width());
    return QWidget::eventFilter(watched, event);
}

} // namespace ui

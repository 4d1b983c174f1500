#include "ui/Gauge.h"

#include "ui/AccessibleText.h"
#include "ui/Style.h"

#include <QPainter>
#include <algorithm>

namespace ui {

Gauge::Gauge(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    describe();
}

void Gauge::setValue(int value)
{
    value = std::clamp(value, 0, m_cells);
    if (value == m_value)
        return;
    m_value = value;
    describe();
    update();
    Q_EMIT valueChanged(m_value);
}

void Gauge::setCells(int cells)
{
    m_cells = std::max(1, cells);
    m_value = std::min(m_value, m_cells);
    describe();
    update();
}

void Gauge::setWarningFrom(int cells)
{
    m_warningFrom = std::max(0, cells);
    update();
}

QColor Gauge::cellColour(int cell) const
{
    if (cell < 0 || cell >= m_value)
        return kGaugeUnlit;
    return cell >= m_warningFrom ? kGaugeWarning : kGaugeLit;
}

QSize Gauge::sizeHint() const
{
    return {16, 2 * m_cells + 8};
}

QSize Gauge::minimumSizeHint() const
{
    return {8, m_cells + 4};
}

void Gauge::describe()
{
    // Read out as a share of the time used.
    ui::setDescription(this, QStringLiteral("%1%").arg(m_value * 100 / m_cells));
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kGaugeTrough);
    const QRectF inner = QRectF(rect()).adjusted(2, 2, -2, -2);
    const qreal pitch = inner.height() / m_cells;
    // Cells with a gap between them while there is room for one.
    const qreal gap = pitch >= 2.5 ? 1.0 : 0.0;
    for (int i = 0; i < m_cells; ++i) {
        const qreal bottom = inner.bottom() - i * pitch;
        const QRectF cell(inner.left(), bottom - pitch + gap, inner.width(), pitch - gap);
        p.fillRect(cell, cellColour(i));
    }
}

} // namespace ui

#include "ui/CommandButton.h"

#include "ui/Style.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace ui {

CommandButton::CommandButton(QWidget* parent)
    : CommandButton(QString(), parent)
{
}

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : HoverButton(caption, parent)
{
    setFlat(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void CommandButton::setFramed(bool framed)
{
    m_framed = framed;
    update();
}

QColor CommandButton::textColour() const
{
    return commandTextColour(isEnabled(), isHovered());
}

QSize CommandButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize text = fm.size(Qt::TextShowMnemonic, this->text());
    return {text.width() + 16, qMax(text.height() + 8, 22)};
}

QSize CommandButton::minimumSizeHint() const
{
    return sizeHint();
}

void CommandButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool down = isDown() || isChecked();
    if (m_framed) {
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        if (!isEnabled()) {
            fill.setColorAt(0, QColor(236, 238, 241));
            fill.setColorAt(1, QColor(214, 218, 224));
        } else if (down) {
            fill.setColorAt(0, QColor(178, 198, 222));
            fill.setColorAt(1, QColor(212, 224, 238));
        } else {
            fill.setColorAt(0, QColor(255, 255, 255));
            fill.setColorAt(1, isHovered() ? QColor(206, 224, 246) : QColor(216, 227, 240));
        }
        p.setBrush(fill);
        p.setPen(QPen(isEnabled() ? (isHovered() ? QColor(40, 90, 170) : QColor(86, 112, 150)) : QColor(160, 166, 174), 1));
        p.drawRoundedRect(face, 4, 4);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    QRect textRect = rect();
    if (down)
        textRect.translate(1, 1);
    p.setPen(textColour());
    p.setFont(font());
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

} // namespace ui

#include "ui/CommandButton.h"

#include "ui/Style.h"

#include <QEnterEvent>
#include <QPainter>

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
        const ButtonFace look = buttonFace(isEnabled(), down, isHovered());
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, look.top);
        fill.setColorAt(1, look.bottom);
        p.setBrush(fill);
        p.setPen(QPen(look.frame, 1));
        p.drawRoundedRect(face, 4, 4);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    paintCaption(p, textColour(), 3);
}

} // namespace ui

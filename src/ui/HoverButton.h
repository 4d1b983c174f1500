#pragma once

#include <QEnterEvent>
#include <QEvent>
#include <QHideEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace ui {

// The mouse-over state of the program's drawn buttons, over a Qt button class:
// repainted on entering, leaving and enabling. A hidden button gets no leave event,
// so the state is dropped on hiding; else a dialog shown again would still paint
// the button under the mouse of its last use.
template <class Button>
class HoverButton : public Button {
public:
    using Button::Button;

    bool isHovered() const { return m_hovered; }

protected:
    // The caption in `colour`, a pixel down and right while pressed, and the focus
    // frame `focusInset` pixels inside the edge.
    void paintCaption(QPainter& p, const QColor& colour, int focusInset)
    {
        if (!this->text().isEmpty()) {
            QRect textRect = this->rect();
            if (this->isDown() || this->isChecked())
                textRect.translate(1, 1);
            p.setPen(colour);
            p.setFont(this->font());
            p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, this->text());
        }
        if (this->hasFocus()) {
            QStyleOptionFocusRect opt;
            opt.initFrom(this);
            opt.rect = this->rect().adjusted(focusInset, focusInset, -focusInset, -focusInset);
            this->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
        }
    }

    void enterEvent(QEnterEvent* event) override
    {
        m_hovered = true;
        this->update();
        Button::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        m_hovered = false;
        this->update();
        Button::leaveEvent(event);
    }
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            this->update();
        Button::changeEvent(event);
    }
    void hideEvent(QHideEvent* event) override
    {
        m_hovered = false;
        Button::hideEvent(event);
    }

private:
    bool m_hovered = false;
};

} // namespace ui

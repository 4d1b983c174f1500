#pragma once

#include "ui/HoverButton.h"

#include <QPushButton>

namespace ui {

// A flat command button: black caption, blue under the mouse, grey (128,128,128)
// when disabled. Transparent by default so it can lie over a drawn button face;
// `setFramed(true)` gives it a face of its own. Keyboard-focusable; assistive
// technology names it by its caption.
class CommandButton : public HoverButton<QPushButton> {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

    void setFramed(bool framed);
    bool isFramed() const { return m_framed; }

    // The caption colour for the button's current state.
    QColor textColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_framed = false;
};

} // namespace ui

#pragma once

#include <QWidget>

namespace ui {

// A panel that slides over its host widget from the left edge and covers it
// whole while open (also when the host is resized). Put the panel's contents
// into body(), which always has the host's full size, so they do not reflow
// while the panel slides.
//
//     auto* panel = new ui::SlidingPanel(questionArea);
//     new QVBoxLayout(panel->body());   // … the contents
//     panel->slideIn();                 // panel->slideOut() hides it again
class SlidingPanel : public QWidget {
    Q_OBJECT
public:
    explicit SlidingPanel(QWidget* host);

    QWidget* body() const { return m_body; }
    bool isOpen() const { return m_open; }

    // Slides in (out) in steps of step() pixels, repainting between them; input
    // waits until the panel is in place.
    void slideIn();
    void slideOut();
    // Hides the panel at once.
    void closeNow();
    int step() const { return m_step; }
    void setStep(int pixels) { m_step = std::max(pixels, 1); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setWidth(int width);

    QWidget* m_host;
    QWidget* m_body;
    bool m_open = false;
    int m_step = 20;
};

} // namespace ui

#pragma once

#include <QColor>
#include <QWidget>

namespace ui {

// A vertical bar of cells that fills from the bottom, like a level meter: the
// answer timer of the practice and exam screens. Lit cells past the warning cell
// are drawn in red.
class Gauge : public QWidget {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);   // clamped to 0 … cells
    int cells() const { return m_cells; }
    void setCells(int cells);   // 100 by default
    int warningFrom() const { return m_warningFrom; }
    void setWarningFrom(int cells); // 65 by default: cells past the 65th are red

    // The colour cell i (0-based, from the bottom) is drawn in now.
    QColor cellColour(int cell) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();

    int m_value = 0;
    int m_cells = 100;
    int m_warningFrom = 65;
};

} // namespace ui

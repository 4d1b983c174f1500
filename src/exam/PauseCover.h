#pragma once

#include <QStringList>
#include <QWidget>

class QTimer;

namespace exam {

// The cover over the question area while an exam is paused: a block of text
// lines scrolls upwards, over and over, until the cover is removed.
class PauseCover : public QWidget {
    Q_OBJECT
public:
    explicit PauseCover(QWidget* host);

    void coverHost(); // placed exactly over the host, shown, scrolling
    void uncover();   // hidden, scrolling stopped
    bool scrolling() const;
    int offset() const { return m_offset; }
    void step(); // one scroll step (the timer's tick)

    static const QStringList& lines();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_host;
    QTimer* m_timer;
    int m_offset = 0;
};

} // namespace exam

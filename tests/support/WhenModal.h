#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>
#include <utility>

// Runs `work` on the first visible modal window of type W to appear within about
// five seconds. Polled, because the screen that opens it runs its own loop.
template <typename W>
class WhenModal {
public:
    explicit WhenModal(std::function<void(W*)> work)
        : m_work(std::move(work))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget()); w && w->isVisible()) {
                m_timer.stop();
                ++m_seen;
                m_work(w);
            } else if (++m_ticks > 500) {
                m_timer.stop();
            }
        });
        m_timer.start();
    }
    int seen() const { return m_seen; }

private:
    std::function<void(W*)> m_work;
    QTimer m_timer;
    int m_ticks = 0;
    int m_seen = 0;
};

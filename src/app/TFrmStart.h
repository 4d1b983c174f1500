#pragma once

#include "app/Dispatcher.h"

#include <QWidget>

namespace shell {
class MenuView;
}

// The main window: borderless, maximised, white, its whole face the menu.
class TFrmStart : public QWidget {
    Q_OBJECT
public:
    // Loads the menu drawing and sizes the window for the screen (ScreenSizeTag).
    TFrmStart(const QString& appDir, const QSize& screenSize, QWidget* parent = nullptr);
    ~TFrmStart() override;

    shell::MenuView* ShockwaveFlash1; // the menu drawing
    shell::Dispatcher& dispatcher() { return m_dispatcher; }

    // The show step: the 24-hour check, volume, paper number, answer times, menu.
    void FormShow();
    // "quit": compares today's work with the study plan, then closes.
    void quitCheck();
    // Another start asked for this window: un-minimise, raise, activate.
    void bringForward();

Q_SIGNALS:
    void menuShown(); // the menu's first frame is on the screen
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // The number of questions due today at 今日复习, read again after every screen.
    void showReviewCount();

private:
    void menuCommand(const QString& word);

    shell::Dispatcher m_dispatcher;
    bool m_ending = false;
};

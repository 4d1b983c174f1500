#pragma once

#include <QPointer>
#include <functional>

class QDialog;
class QEventLoop;
class QWidget;

namespace modal {

// A screen's own modal loop, where QDialog::exec() does not fit: a screen that is
// a plain window, or a dialog that hides itself for a while and comes back (exec()
// would end on the hide). The window ends the loop with quit(), from its
// closeEvent or its dialog's finished().
class Loop {
public:
    // Shows `window` application-modal, centred on `owner` (on its screen when
    // there is none), raised and active; calls `shown`, then waits for quit() and
    // returns its code. Returns at once when `shown` already closed the window.
    int run(QWidget& window, const QWidget* owner, const std::function<void()>& shown = {});
    void quit(int code = 0);

private:
    QPointer<QEventLoop> m_loop;
    bool m_quit = false;
    int m_code = 0;
};

// Runs a dialog that may hide itself and come back until it finishes; its result.
int runDialog(QDialog& dialog);

// QDialog::exec() with the arrow pointer: a prompt raised while a screen is being
// prepared must not show the hourglass.
int execWithArrow(QDialog& dialog);

} // namespace modal

#include "common/ModalLoop.h"

#include "ui/Screen.h"

#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>

namespace modal {

int Loop::run(QWidget& window, const QWidget* owner, const std::function<void()>& shown)
{
    QEventLoop loop;
    m_loop = &loop;
    m_quit = false;
    m_code = 0;
    window.setWindowModality(Qt::ApplicationModal);
    ui::centreWindow(&window, owner);
    window.show();
    window.raise();
    window.activateWindow();
    if (shown)
        shown();
    // A quit before the loop runs would be lost: the loop starts only when none came.
    if (!m_quit && window.isVisible())
        loop.exec(QEventLoop::DialogExec);
    return m_code;
}

void Loop::quit(int code)
{
    m_quit = true;
    m_code = code;
    if (m_loop)
        m_loop->exit(code);
}

int runDialog(QDialog& dialog)
{
    Loop loop;
    const auto connection = QObject::connect(&dialog, &QDialog::finished, [&loop](int result) { loop.quit(result); });
    loop.run(dialog, dialog.parentWidget());
    QObject::disconnect(connection);
    return dialog.result();
}

int execWithArrow(QDialog& dialog)
{
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = dialog.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    return result;
}

} // namespace modal

#include "ui/Screen.h"

#include "shell/AppState.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

bool compactLayout()
{
    return app::ScreenSizeTag == QLatin1String("800");
}

void centreWindow(QWidget* window, const QWidget* owner)
{
    if (const QWidget* top = owner ? owner->window() : nullptr) {
        window->move(top->geometry().center() - window->rect().center());
    } else if (const QScreen* screen = window->screen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace ui

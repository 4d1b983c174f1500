#include "shell/MenuScreens.h"

#include "shell/Dispatcher.h"
#include "shell/TFrmAbout.h"

#include <QApplication>

namespace shell {

// One opener per screen, added here as the screens arrive. An opener creates
// its screen, shows it modally and destroys it; the dispatcher does the rest
// (CurrentSubject before "lx"…"lx5", the hourglass, CurrentPaperNo after
// "mnks"…"mnks5"). "quit" belongs to the main window, the pages to the dispatcher.
void installMenuScreens(Dispatcher& d)
{
    d.setOpener(QStringLiteral("about"), [] {
        TFrmAbout about(QApplication::activeWindow());
        about.exec();
    });
}

} // namespace shell

#include "app/Startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(shell::Startup::title());
    QCoreApplication::setApplicationVersion(QStringLiteral(TESVORA_VERSION));
    // No organisation name: it would add a folder level to the candidate's data folder.
    QCoreApplication::setOrganizationDomain(QStringLiteral("tesvora.org"));
    // The desktop matches our windows to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tesvora.Tesvora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tesvora.svg")));
    shell::Startup startup(shell::parseStartupArguments(QCoreApplication::arguments()));
    return startup.run();
}

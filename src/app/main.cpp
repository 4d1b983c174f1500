#include "shell/Startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    shell::Startup startup(shell::parseStartupArguments(QCoreApplication::arguments()));
    return startup.run();
}

#include "core/app/Preferences.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// One QApplication for every test binary, so widget tests and core tests share a main.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Screens remember choices in the user's configuration: never the real one here.
    QTemporaryDir preferences;
    prefs::setFile(preferences.filePath(QStringLiteral("tesvora.ini")));
    return RUN_ALL_TESTS();
}

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Tesvora"));
    QTextStream(stdout) << "Program folder: " << QCoreApplication::applicationDirPath() << "\n";
    return 0;
}

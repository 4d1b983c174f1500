// Opens the chapter chooser on a bank file (a copy of the demo bank when the file
// does not exist yet), for entering, practising and editing questions by hand under
// a real display. Not a test.
//
//   authoring_driver BANK [--compact]
#include "practice/TFrmkmmc.h"
#include "core/app/AppState.h"
#include "core/store/DataModule.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::applyStyle(app);
    QCommandLineParser args;
    args.addPositionalArgument(QStringLiteral("bank"), QStringLiteral("bank file"));
    args.addOption({QStringLiteral("compact"), QStringLiteral("800 × 600 arrangement")});
    args.process(app);
    if (args.positionalArguments().isEmpty())
        return 1;
    const QString bank = args.positionalArguments().front();
    if (!QFile::exists(bank))
        QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), bank);
    QFile(bank).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    TDM1 dm;
    DM1 = &dm;
    if (!dm.openBank(bank))
        return 2;
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    app::ScreenSizeTag = args.isSet(QStringLiteral("compact")) ? QStringLiteral("800") : QStringLiteral("1024");
    TFrmkmmc chooser;
    chooser.exec();
    return 0;
}

// Opens the practice screen on a copy of the demo bank, for looking at it under a
// real display (Xvfb and screenshots). Not a test.
//
//   practice_screen_driver [--compact] [--chapter CODE] [--mode new|review]
//                          [--type N] [--goto N] [--answer TEXT] [--check] [--panel]
//                          [--quit-after MS] [--shot FILE] [--chooser]
#include "question/AnswerPages.h"
#include "core/practice/ChooserRules.h"
#include "practice/TFrmLxxt.h"
#include "practice/TFrmkmmc.h"
#include "core/app/AppState.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/PictureButton.h"
#include "ui/Style.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::applyStyle(app);
    QCommandLineParser args;
    args.addOptions({{"compact", "800 × 600 arrangement"},
                     {"chapter", "chapter code", "code", "0203"},
                     {"mode", "new or review", "mode", "new"},
                     {"type", "type filter button (0 = 任意)", "n", "0"},
                     {"goto", "question position", "n", "1"},
                     {"answer", "answer to give (letters, 对/错, text, 会/不会)", "text"},
                     {"check", "press 完成"},
                     {"panel", "open the answer panel"},
                     {"quit-after", "close after this many ms", "ms", "0"},
                     {"shot", "save a picture of the screen before quitting", "file"},
                     {"chooser", "show the chapter chooser instead"}});
    args.process(app);

    QTemporaryDir dir;
    const QString bank = dir.filePath(QStringLiteral("bank.db"));
    QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), bank);
    TDM1 dm;
    DM1 = &dm;
    if (!dm.openBank(bank))
        return 2;
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    app::ScreenSizeTag = args.isSet("compact") ? QStringLiteral("800") : QStringLiteral("1024");
    app::TypeIds = {11, 12, 13, 14};
    app::TypeAnswerTimes = {600, 300, 600, 900};
    const auto statement = practice::practiceStatement(
        args.value("mode") == QLatin1String("review") ? practice::PracticeMode::Review : practice::PracticeMode::NewQuestions,
        args.value("chapter"));
    dm.openIfClosed(dm.Cn1Table_kmmc);
    dm.Cn1Table_kmmc->locate(QStringLiteral("C1"), args.value("chapter"));

    const auto grabAndQuit = [&](QWidget* window) {
        if (args.isSet("shot"))
            window->screen()->grabWindow(0).save(args.value("shot"));
        window->close();
        app.quit();
    };
    if (args.isSet("chooser")) {
        TFrmkmmc chooser;
        const int ms = std::max(args.value("quit-after").toInt(), 300);
        QTimer::singleShot(ms, &app, [&] { grabAndQuit(&chooser); });
        chooser.exec();
        return 0;
    }

    TFrmLxxt screen;
    if (screen.LoadQuestionSet(statement) != TFrmLxxt::Loaded::Questions)
        return 3;
    screen.show();
    const int type = args.value("type").toInt();
    if (type > 0 && type < screen.txButtons.size())
        screen.txButtons[type]->click();
    for (int i = 1; i < args.value("goto").toInt(); ++i)
        screen.epEfTrBtn2Click();
    if (args.isSet("answer")) {
        const QString a = args.value("answer");
        practice::AnswerBook* book = screen.Notebook1;
        if (a == QStringLiteral("会") || a == QStringLiteral("不会"))
            book->subjectiveBox()->setCurrentIndex(a == QStringLiteral("会") ? 1 : 0);
        else if (a == QStringLiteral("对") || a == QStringLiteral("错"))
            book->judgeButton(a == QStringLiteral("对"))->click();
        else if (book->currentIndex() == practice::FillPage)
            book->fillEdit()->setText(a);
        else
            for (QChar c : a)
                if (auto* b = book->option(book->currentIndex(), c.unicode() - u'A'))
                    b->click();
    }
    if (args.isSet("check"))
        screen.epEfTrBtn3Click();
    if (args.isSet("panel"))
        QTimer::singleShot(200, &screen, [&] { screen.epEfTrBtn6Click(); qWarning("panel %s / %s / %s", qPrintable(screen.panelHeadline->text()), qPrintable(screen.panelYours->text()), qPrintable(screen.panelCorrect->text())); });
    if (const int ms = args.value("quit-after").toInt(); ms > 0)
        QTimer::singleShot(ms, &app, [&] { grabAndQuit(&screen); });
    return app.exec();
}

// Takes a new user's way through a mock exam on a copy of the demo bank under a
// real display, with a picture of the whole screen at each step: menu word
// "mnks" → answer → pause → resume → 交卷 → review with 答案 → "cj". Not a test.
//
//   exam_screen_driver [--compact] --shots DIR
#include "exam/TFrmCheck.h"
#include "exam/TFrmExam.h"
#include "question/AnswerPages.h"
#include "core/app/AppState.h"
#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "common/TFrmDlg.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <vector>

namespace {

QString g_shots;
int g_shot = 0;

void shot(const QString& what)
{
    QCoreApplication::processEvents();
    const QString file = QStringLiteral("%1/%2-%3.png").arg(g_shots).arg(++g_shot, 2, 10, QLatin1Char('0')).arg(what);
    QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    std::printf("%s\n", qPrintable(file));
    std::fflush(stdout);
}

template <class W>
W* shown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w); found && found->isVisible())
            return found;
    return nullptr;
}

// Steps run one after another, 400 ms apart, each on whatever window is up then.
void run(std::vector<std::function<void()>> steps)
{
    auto* list = new std::vector<std::function<void()>>(std::move(steps));
    auto* i = new size_t(0);
    auto* timer = new QTimer;
    timer->setInterval(400);
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (*i >= list->size()) {
            timer->stop();
            return;
        }
        (*list)[(*i)++]();
    });
    timer->start();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // no main window here between the screens
    ui::applyStyle(app);
    QCommandLineParser args;
    args.addOptions({{"compact", "800 × 600 arrangement"}, {"shots", "folder for the pictures", "dir", "/tmp"}});
    args.process(app);
    g_shots = args.value("shots");

    QTemporaryDir dir;
    const QString bank = dir.filePath(QStringLiteral("bank.db"));
    QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), bank);
    QFile::setPermissions(bank, QFile::ReadOwner | QFile::WriteOwner);
    TDM1 dm;
    DM1 = &dm;
    if (!dm.openBank(bank))
        return 2;
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    dm.db().exec(QStringLiteral("update tab_plan set LeastMark = 0")); // keep the paper for the score list
    app::ScreenSizeTag = args.isSet("compact") ? QStringLiteral("800") : QStringLiteral("1024");
    shell::Dispatcher d;
    shell::installMenuScreens(d);

    const auto exam = [] { return shown<TFrmExam>(); };
    run({
        [&] { shot(QStringLiteral("question1")); },
        [&] { exam()->Notebook1->option(practice::SinglePage, 1)->click(); },
        [&] { exam()->epEfTrBtn2->click(); },
        [&] { exam()->Notebook1->option(practice::SinglePage, 0)->click(); exam()->epEfTrBtn2->click(); },
        [&] { exam()->pressGridButton(81); },
        [&] { exam()->Notebook1->option(practice::MultiPage, 0)->click(); exam()->Notebook1->option(practice::MultiPage, 2)->click(); },
        [&] { shot(QStringLiteral("answering")); },
        [&] { exam()->epEfTrBtn13->click(); },
        [&] { shot(QStringLiteral("paused")); },
        [&] { exam()->epEfTrBtn13->click(); },
        [&] {
            // 交卷 opens the prompt; the next steps run inside its loop.
            QTimer::singleShot(150, [] {
                shot(QStringLiteral("submit-prompt"));
                if (TFrmDlg* dlg = shown<TFrmDlg>())
                    dlg->fcShapeBtn1->click();
            });
            exam()->epEfTrBtn3->click();
        },
        [&] { shot(QStringLiteral("review")); },
        [&] { exam()->pressGridButton(2); },
        [&] { exam()->epEfTrBtn6->click(); },
        [&] { shot(QStringLiteral("review-answer")); },
        [&] { exam()->pressGridButton(81); },
        [&] { shot(QStringLiteral("review-multi")); },
        [&] { exam()->epEfTrBtn7->click(); },
        [&] { QTimer::singleShot(0, [&] { d.dispatch(QStringLiteral("cj")); }); },
        [&] { shot(QStringLiteral("score-list")); },
        [&] {
            if (TFrmCheck* list = shown<TFrmCheck>())
                list->epEfTrBtn7->click();
        },
        [&] { app.quit(); },
    });
    QTimer::singleShot(0, [&] { d.dispatch(QStringLiteral("mnks")); });
    return app.exec();
}

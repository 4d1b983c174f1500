// Opens a settings, plan, log or chart window by its menu word on a copy of the
// demo bank, for looking at it under a real display (Xvfb and screenshots). Not a test.
//
//   progress_screen_driver WORD [--compact] [--sample] [--chart-type N] [--legend N]
//                          [--untick 1|2|3] [--edit] [--quit-after MS] [--shot FILE]
#include "progress/TFrmplan.h"
#include "progress/Tfrmchart.h"
#include "core/app/AppState.h"
#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "core/app/ShellRules.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QFile>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Some study on the demo bank: counters on the charted chapters and a few log days.
void addSample(store::Connection& db)
{
    const store::Rows rows = db.query(QStringLiteral("select C1, C3 from tab_kmmc where C7='0' order by rowid"));
    for (int i = 0; i < rows.size(); ++i) {
        const qint64 c3 = rows.at(i, QStringLiteral("C3")).toLongLong();
        const qint64 c4 = c3 * ((i * 37) % 100) / 100;
        const qint64 d1 = c4 + (i * 13) % 40;
        db.exec(QStringLiteral("update tab_kmmc set C4=:c4, D1=:d1, D2=:d2 where C1=:c1"),
                {{":c4", c4}, {":d1", d1}, {":d2", d1 / 3 + i % 5}, {":c1", rows.at(i, QStringLiteral("C1"))}});
    }
    const QDate today = store::Clock::today();
    for (int d = 0; d < 14; ++d)
        db.exec(QStringLiteral("insert or replace into tab_rz (A1,B1,B2,A2,A3,D1,A4) values (:a1,:b1,:b2,:a2,:a3,:d1,:a4)"),
                {{":a1", today.addDays(-d * 2)}, {":b1", 20 + d}, {":b2", 3 + d % 4}, {":a2", 25 + 2 * d},
                 {":a3", 4 + d % 5}, {":d1", QStringLiteral("01:%1:07").arg(10 + d, 2, 10, QLatin1Char('0'))},
                 {":a4", QString::number(80.0 - d, 'f', 2)}});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::applyStyle(app);
    QCommandLineParser args;
    args.addPositionalArgument("word", "menu word: music, sztime, szks, szjh, rz, tj");
    args.addOptions({{"compact", "800 × 600 arrangement"},
                     {"sample", "add some study to the bank first"},
                     {"chart-type", "chart type item (0 习题分布, 1 频度统计, 2 进度统计)", "n"},
                     {"legend", "legend item (0 上方, 1 下方, 2 左侧, 3 右侧)", "n"},
                     {"untick", "untick style box 1 (立体), 3 (标签) or 2 (图例)", "n"},
                     {"edit", "plan window: press 设定"},
                     {"quit-after", "close after this many ms", "ms", "800"},
                     {"shot", "save a picture of the screen before quitting", "file"}});
    args.process(app);
    if (args.positionalArguments().isEmpty())
        return 1;

    QTemporaryDir dir;
    const QString bank = dir.filePath(QStringLiteral("bank.db"));
    QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), bank);
    QFile::setPermissions(bank, QFile::ReadOwner | QFile::WriteOwner);
    TDM1 dm;
    DM1 = &dm;
    if (!dm.openBank(bank))
        return 2;
    dm.AppDir = QStringLiteral(TESVORA_APPDIR "/");
    app::ScreenSizeTag = args.isSet("compact") ? QStringLiteral("800") : QStringLiteral("1024");
    if (args.isSet("sample"))
        addSample(dm.db());
    shell::loadTypeAnswerTimes(dm.db());

    QWidget desk;
    desk.setStyleSheet(QStringLiteral("background: #2b4f7e;"));
    desk.setGeometry(app.primaryScreen()->geometry());
    desk.show();

    shell::Dispatcher dispatcher(dm.AppDir);
    shell::installMenuScreens(dispatcher);
    const int ms = args.value("quit-after").toInt();
    QTimer::singleShot(ms / 2, &app, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* chart = qobject_cast<Tfrmchart*>(w)) {
            if (args.isSet("chart-type"))
                chart->typeButton(args.value("chart-type").toInt())->click();
            if (args.isSet("legend"))
                chart->legendButton(args.value("legend").toInt())->click();
            if (args.value("untick") == QLatin1String("1"))
                chart->CheckBox1->click();
            if (args.value("untick") == QLatin1String("2"))
                chart->CheckBox2->click();
            if (args.value("untick") == QLatin1String("3"))
                chart->CheckBox3->click();
        }
        if (auto* plan = qobject_cast<TFrmplan*>(w); plan && args.isSet("edit"))
            plan->SpeedButton1->click();
    });
    QTimer::singleShot(ms, &app, [&] {
        if (args.isSet("shot"))
            app.primaryScreen()->grabWindow(0).save(args.value("shot"));
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
        app.quit();
    });
    dispatcher.dispatch(args.positionalArguments().first());
    return 0;
}

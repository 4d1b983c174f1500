#include "app/MenuScreens.h"

#include "exam/ExamStart.h"
#include "gather/TFrmGather.h"
#include "gather/TFrmSearch.h"
#include "outline/TfrmLawsFaGui.h"
#include "practice/TFrmkmmc.h"
#include "progress/TFrmConfig.h"
#include "progress/TFrmEset.h"
#include "progress/TFrmRz.h"
#include "progress/TFrmplan.h"
#include "progress/Tfrmchart.h"
#include "review/TFrmReview.h"
#include "app/Dispatcher.h"
#include "help/HelpWindow.h"
#include "help/TFrmAbout.h"
#include "update/Tfrmstxz.h"

#include <QApplication>

namespace shell {

// One opener per menu word that opens a screen. An opener creates
// its screen, shows it modally and destroys it; the dispatcher does the rest
// (CurrentSubject before "lx"…"lx5", the hourglass, CurrentPaperNo after
// "mnks"…"mnks5"). "quit" belongs to the main window; the pages go to the help window.
void installMenuScreens(Dispatcher& d)
{
    for (const char* word : {"lx", "lx2", "lx3", "lx4", "lx5"})
        d.setOpener(QString::fromLatin1(word), [] {
            TFrmkmmc chooser(QApplication::activeWindow());
            chooser.exec();
        });
    d.setOpener(QStringLiteral("sj"), [] {
        Tfrmstxz upgrade(QApplication::activeWindow());
        upgrade.exec();
    });
    for (const char* word : {"ksdg", "zsd"})
        d.setOpener(QString::fromLatin1(word), [] {
            TfrmLawsFaGui outlineBrowser(QApplication::activeWindow());
            outlineBrowser.exec();
        });
    d.setOpener(QStringLiteral("music"), [] { TFrmConfig::open(false, QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("sztime"), [] { TFrmConfig::open(true, QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("szks"), [] {
        TFrmEset settings(QApplication::activeWindow());
        settings.exec();
    });
    d.setOpener(QStringLiteral("szjh"), [] {
        TFrmplan plan(QApplication::activeWindow());
        plan.exec();
    });
    d.setOpener(QStringLiteral("rz"), [] {
        TFrmRz log(QApplication::activeWindow());
        log.exec();
    });
    d.setOpener(QStringLiteral("tj"), [] {
        Tfrmchart chart(QApplication::activeWindow());
        chart.exec();
    });
    for (int mock = 1; mock <= 5; ++mock)
        d.setOpener(mock == 1 ? QStringLiteral("mnks") : QStringLiteral("mnks%1").arg(mock),
                    [mock] { exam::mnks(mock, QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("cj"), [] { exam::openScoreList(QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("jrfx"), [] { reviewq::openTodaysReview(QApplication::activeWindow()); });
    // The program's pages are read inside it: a desktop without a browser shows them too.
    d.setUrlOpener([](const QUrl& url) { return showPage(url, QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("ss"), [] { gather::openSearch(QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("ctb"), [] { gather::openWrongBook(QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("scj"), [] { gather::openBookmarks(QApplication::activeWindow()); });
    d.setOpener(QStringLiteral("about"), [] {
        TFrmAbout about(QApplication::activeWindow());
        about.exec();
    });
}

} // namespace shell

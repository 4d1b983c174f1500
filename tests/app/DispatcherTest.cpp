#include "ShellTestSupport.h"

#include "app/Dispatcher.h"
#include "app/MenuView.h"
#include "help/HelpWindow.h"
#include "app/MenuScreens.h"
#include "common/Prompt.h"
#include "help/TFrmAbout.h"
#include "core/store/DbError.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <stdexcept>

#include "../support/TempBank.h"
#include "../support/WhenModal.h"
#include "core/app/AppState.h"
#include "ui/CommandButton.h"

using shell::Dispatcher;

namespace {

// What an opener saw when it ran.
struct Call {
    QString opener;
    int subject = 0;
    int paper = 0;
    bool hourglass = false;
};

bool hourglassShown()
{
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// A dispatcher whose every screen word records its call; pages are recorded too.
struct RecordingDispatcher {
    Dispatcher d{QStringLiteral("/opt/tesvora/")};
    std::vector<Call> calls;
    QList<QUrl> pages;

    RecordingDispatcher()
    {
        for (const QString& w : Dispatcher::words()) {
            if (w == QLatin1String("zsd") || !Dispatcher::pageOf(w).isEmpty())
                continue; // zsd borrows ksdg's screen; pages need no opener
            d.setOpener(w, [this, w] { calls.push_back({w, app::CurrentSubject, app::CurrentPaperNo, hourglassShown()}); });
        }
        d.setUrlOpener([this](const QUrl& u) {
            pages << u;
            return true;
        });
    }
};

} // namespace

using DispatcherTest = ShellTest;

TEST_F(DispatcherTest, EveryWordReachesItsScreenWithTheTablesBookkeeping)
{
    struct Case {
        const char* word;
        const char* opener;
        int subjectInside;  // CurrentSubject while the screen is open
        int paperAfter;     // CurrentPaperNo once it closed
        bool hourglass;
    };
    // Paper number before each command: 0; subject before: 1 (the start value).
    const Case cases[] = {
        {"ksdg", "ksdg", 1, 0, true},   {"zsd", "ksdg", 1, 0, true},    {"lx", "lx", 1, 0, true},
        {"lx2", "lx2", 2, 0, true},     {"lx3", "lx3", 3, 0, true},     {"lx4", "lx4", 4, 0, true},
        {"lx5", "lx5", 5, 0, true},     {"szjh", "szjh", 1, 0, true},   {"szks", "szks", 1, 0, true},
        {"rz", "rz", 1, 0, true},       {"tj", "tj", 1, 0, true},       {"sj", "sj", 1, 0, false},
        {"music", "music", 1, 0, false}, {"sztime", "sztime", 1, 0, false}, {"about", "about", 1, 0, false},
        {"quit", "quit", 1, 0, false},  {"cj", "cj", 1, 0, true},       {"mnks", "mnks", 1, 1, false},
        {"mnks2", "mnks2", 1, 2, false}, {"mnks3", "mnks3", 1, 3, false}, {"mnks4", "mnks4", 1, 4, false},
        {"mnks5", "mnks5", 1, 5, false}, {"jrfx", "jrfx", 1, 0, true}, {"ctb", "ctb", 1, 0, true},
        {"scj", "scj", 1, 0, true},     {"ss", "ss", 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        app::resetAppState();
        RecordingDispatcher r;
        EXPECT_TRUE(r.d.dispatch(QString::fromLatin1(c.word)));
        ASSERT_EQ(r.calls.size(), 1u);
        EXPECT_EQ(r.calls[0].opener, QLatin1String(c.opener));
        EXPECT_EQ(r.calls[0].subject, c.subjectInside);
        EXPECT_EQ(r.calls[0].paper, 0) << "the paper number changes after the exam, not before";
        EXPECT_EQ(app::CurrentPaperNo, c.paperAfter);
        EXPECT_EQ(r.calls[0].hourglass, c.hourglass);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is normal once the screen closed";
        EXPECT_TRUE(r.pages.isEmpty());
        EXPECT_FALSE(r.d.isBusy());
    }
}

TEST_F(DispatcherTest, PagesOpenWithTheDesktopsProgramFromTheProgramFolder)
{
    const struct {
        const char* word;
        QString file;
    } cases[] = {
        {"fg", QStringLiteral("/opt/tesvora/htm/Orvalex.htm")},
        {"lxfs", QStringLiteral("/opt/tesvora/htm/发行站及专业书店联系方式.htm")},
        {"help", QStringLiteral("/opt/tesvora/htm/help.htm")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        RecordingDispatcher r;
        EXPECT_TRUE(r.d.dispatch(QString::fromLatin1(c.word)));
        ASSERT_EQ(r.pages.size(), 1);
        EXPECT_EQ(r.pages[0], QUrl::fromLocalFile(c.file));
        EXPECT_TRUE(r.calls.empty());
    }

    // A page that cannot be opened is not reported; the program goes on.
    Dispatcher d(QStringLiteral("/nowhere"));
    d.setUrlOpener([](const QUrl&) { return false; });
    prompt::Script script;
    EXPECT_TRUE(d.dispatch(QStringLiteral("help")));
    EXPECT_TRUE(script.asked().empty());
}

// A program folder with two help pages linking each other, a place and an outside address.
struct HelpPages {
    TempDir t;
    HelpPages()
    {
        QDir().mkpath(t.file(QStringLiteral("htm")));
        write(QStringLiteral("htm/help.htm"),
              "<html><head><title>使用帮助</title></head><body><h1>帮助</h1>"
              "<p><a href=\"#end\">到结尾</a> <a href=\"more.htm\">更多</a> <a href=\"https://example.invalid/书店\">网点</a></p>"
              "<p style=\"margin-top:2000px\"><a name=\"end\"></a>结尾</p></body></html>");
        write(QStringLiteral("htm/more.htm"), "<html><body><p>第二页</p></body></html>");
    }
    void write(const QString& name, const char* html)
    {
        QFile f(t.file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html);
    }
};

TEST_F(DispatcherTest, HelpPagesShowInsideTheProgramWithTheirLinksBackAndClose)
{
    HelpPages pages;
    QList<QUrl> outside;
    const auto desktop = shell::desktopOpener();
    shell::desktopOpener() = [&](const QUrl& u) {
        outside << u;
        return false; // no browser on this desktop
    };
    for (const char* size : {"1024", "800"}) {
        SCOPED_TRACE(size);
        app::ScreenSizeTag = QString::fromLatin1(size);
        Dispatcher d(pages.t.file(QString()));
        shell::installMenuScreens(d);
        prompt::Script script;
        outside.clear();
        QString shownTitle, secondPage;
        QSize shownSize;
        bool backAfterLink = false, backAtStart = true;
        WhenModal<shell::HelpWindow> watch([&](shell::HelpWindow* w) {
            shownTitle = w->windowTitle();
            shownSize = w->size();
            backAtStart = w->btnBack->isEnabled();
            w->follow(QUrl(QStringLiteral("more.htm")));
            secondPage = w->browser->toPlainText();
            backAfterLink = w->btnBack->isEnabled();
            QTest::mouseClick(w->btnBack, Qt::LeftButton);
            EXPECT_TRUE(w->browser->toPlainText().contains(QStringLiteral("到结尾")));
            w->follow(QUrl(QStringLiteral("#end")));
            EXPECT_TRUE(w->browser->source().toString().endsWith(QStringLiteral("help.htm#end")));
            w->follow(QUrl(QStringLiteral("https://example.invalid/书店")));
            EXPECT_TRUE(w->isVisible()); // the help stays open
            QTest::mouseClick(w->btnClose, Qt::LeftButton);
        });
        EXPECT_TRUE(d.dispatch(QStringLiteral("help")));
        EXPECT_EQ(watch.seen(), 1);
        EXPECT_EQ(shownTitle, QStringLiteral("使用帮助"));
        EXPECT_EQ(shownSize, QLatin1String(size) == QLatin1String("800") ? QSize(760, 540) : QSize(900, 680));
        EXPECT_FALSE(backAtStart);
        EXPECT_TRUE(backAfterLink);
        EXPECT_EQ(secondPage, QStringLiteral("第二页"));
        ASSERT_EQ(outside.size(), 1);
        EXPECT_EQ(outside[0], QUrl(QStringLiteral("https://example.invalid/书店")));
        EXPECT_EQ(script.texts(), QStringList({QStringLiteral("无法打开网页：https://example.invalid/书店")}));
    }
    app::ScreenSizeTag = QStringLiteral("1024");

    // A page missing from the program folder says so instead of doing nothing.
    Dispatcher d(pages.t.file(QString()));
    shell::installMenuScreens(d);
    prompt::Script script;
    EXPECT_TRUE(d.dispatch(QStringLiteral("fg")));
    ASSERT_EQ(script.texts().size(), 1);
    EXPECT_TRUE(script.texts()[0].startsWith(QStringLiteral("无法打开网页：")));
    EXPECT_TRUE(script.texts()[0].endsWith(QStringLiteral("htm/Orvalex.htm")));
    shell::desktopOpener() = desktop;
}

TEST_F(DispatcherTest, UnknownAndWrongCaseWordsDoNothing)
{
    RecordingDispatcher r;
    app::CurrentSubject = 2;
    app::CurrentPaperNo = 4;
    for (const char* word : {"LX", "Lx", "lx6", "lx1", "MNKS", "mnks6", "Quit", "QUIT", "about ", " lx", "help.htm",
                             "ksdg\n", "", "x"}) {
        SCOPED_TRACE(word);
        EXPECT_FALSE(r.d.dispatch(QString::fromLatin1(word)));
    }
    EXPECT_TRUE(r.calls.empty());
    EXPECT_TRUE(r.pages.isEmpty());
    EXPECT_EQ(app::CurrentSubject, 2);
    EXPECT_EQ(app::CurrentPaperNo, 4);
    EXPECT_FALSE(r.d.setOpener(QStringLiteral("LX"), [] {})) << "only words of the table take an opener";
}

TEST_F(DispatcherTest, WordsWhoseScreenIsNotThereYetActLikeUnknownWords)
{
    Dispatcher d;
    app::CurrentSubject = 2;
    for (const QString& w : {QStringLiteral("lx3"), QStringLiteral("mnks3"), QStringLiteral("ksdg"), QStringLiteral("zsd"),
                             QStringLiteral("cj")}) {
        SCOPED_TRACE(w.toStdString());
        EXPECT_TRUE(Dispatcher::isCommandWord(w));
        EXPECT_FALSE(d.hasOpener(w));
        EXPECT_FALSE(d.dispatch(w));
    }
    EXPECT_EQ(app::CurrentSubject, 2);
    EXPECT_EQ(app::CurrentPaperNo, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A screen registered later takes its word; removing it makes the word idle again.
    int opened = 0;
    d.setOpener(QStringLiteral("zsd"), [&] { ++opened; });
    EXPECT_TRUE(d.dispatch(QStringLiteral("zsd")));
    EXPECT_FALSE(d.dispatch(QStringLiteral("ksdg"))) << "zsd's own screen is not ksdg's";
    d.setOpener(QStringLiteral("zsd"), {});
    EXPECT_FALSE(d.dispatch(QStringLiteral("zsd")));
    EXPECT_EQ(opened, 1);
}

TEST_F(DispatcherTest, HourglassLastsUntilTheScreenIsOnView)
{
    Dispatcher d;
    bool beforeShow = false;
    bool afterShow = true;
    d.setOpener(QStringLiteral("rz"), [&] {
        beforeShow = hourglassShown();
        QDialog screen;
        screen.show();
        afterShow = hourglassShown();
    });
    EXPECT_TRUE(d.dispatch(QStringLiteral("rz")));
    EXPECT_TRUE(beforeShow);
    EXPECT_FALSE(afterShow);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DispatcherTest, NoSecondCommandWhileAScreenIsOpen)
{
    Dispatcher d;
    int inner = 0;
    bool nested = true;
    d.setOpener(QStringLiteral("cj"), [&] { ++inner; });
    d.setOpener(QStringLiteral("rz"), [&] {
        EXPECT_TRUE(d.isBusy());
        nested = d.dispatch(QStringLiteral("cj"));
    });
    EXPECT_TRUE(d.dispatch(QStringLiteral("rz")));
    EXPECT_FALSE(nested);
    EXPECT_EQ(inner, 0);
    EXPECT_TRUE(d.dispatch(QStringLiteral("cj"))) << "the menu takes commands again once the screen closed";
    EXPECT_EQ(inner, 1);
}

TEST_F(DispatcherTest, AScreenThatFailsToOpenIsReportedAndTheMenuGoesOn)
{
    Dispatcher d;
    d.setOpener(QStringLiteral("tj"), [] { throw std::runtime_error("no such table: tab_kmmc"); });
    d.setOpener(QStringLiteral("mnks2"), [] { throw store::DbError(store::DbError::Kind::Full, QStringLiteral("database or disk is full")); });
    prompt::Script script;
    EXPECT_TRUE(d.dispatch(QStringLiteral("tj")));
    EXPECT_TRUE(d.dispatch(QStringLiteral("mnks2")));
    ASSERT_EQ(script.asked().size(), 2u);
    EXPECT_EQ(script.asked()[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(script.asked()[0].page, int(prompt::Icon::Error));
    // Never the engine's English words: our own line, and the kind's line when it tells something.
    EXPECT_EQ(script.asked()[0].text, QStringLiteral("操作未能完成！"));
    EXPECT_EQ(script.asked()[1].text, QStringLiteral("操作未能完成！\n磁盘空间不足，无法保存。"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(d.isBusy());
    EXPECT_EQ(app::CurrentPaperNo, 0) << "a paper that never ran does not become current";
}

TEST_F(DispatcherTest, AboutBoxShowsTheProgramAndClosesWithItsButton)
{
    ProgramFolder folder;
    folder.createBank();
    openDataModule(folder);
    Dispatcher d;
    shell::installMenuScreens(d);
    QString caption;
    QSize size;
    QString button;
    QString bankShown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TFrmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        size = box->size();
        button = box->btnClose->text();
        bankShown = box->lblBank->toolTip();
        box->btnClose->click();
    });
    EXPECT_TRUE(d.dispatch(QStringLiteral("about")));
    EXPECT_EQ(caption, QStringLiteral("关于"));
    EXPECT_EQ(size, QSize(395, 266));
    EXPECT_EQ(button, QStringLiteral("关 闭"));
    // The box says where the bank is.
    EXPECT_EQ(bankShown, QDir::toNativeSeparators(folder.bankPath()));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Every command of the menu drawing opens something once the program's screens are
// installed; the four words of 复习与查找 open their windows on the demo bank at both
// screen sizes, inside the screen, every control reached by Tab and named.
TEST_F(DispatcherTest, EveryMenuWordOpensItsScreen)
{
    ProgramFolder folder;
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), folder.bankPath()));
    QFile::setPermissions(folder.bankPath(), QFile::ReadOwner | QFile::WriteOwner);
    openDataModule(folder);
    DM1->AppDir = QStringLiteral(TESVORA_APPDIR "/");
    Dispatcher d;
    shell::installMenuScreens(d);
    d.setOpener(QStringLiteral("quit"), [] {}); // the main window's own

    shell::MenuView menu;
    ASSERT_TRUE(menu.load(ProgramFolder::sourceMenu()));
    for (const QString& word : menu.commands())
        EXPECT_TRUE(d.hasOpener(word)) << word.toStdString();

    const struct {
        const char* word;
        const char* className;
        QString caption;
    } cases[] = {
        {"ss", "gather::TFrmSearch", QStringLiteral("搜索")},
        {"ctb", "gather::TFrmGather", QStringLiteral("错题本")},
        {"scj", "gather::TFrmGather", QStringLiteral("收藏夹")},
        {"jrfx", "reviewq::TFrmReview", QStringLiteral("今日复习")},
    };
    prompt::Script script;
    for (const char* tag : {"800", "1024"}) {
        app::ScreenSizeTag = QString::fromLatin1(tag);
        const QSize screen = app::ScreenSizeTag == QLatin1String("800") ? QSize(800, 600) : QSize(1024, 768);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.word) + " at " + tag);
            QString className, caption;
            QSize size;
            QStringList unreachable, unnamed;
            WhenModal<QDialog> watch([&](QDialog* w) {
                className = QString::fromLatin1(w->metaObject()->className());
                caption = w->windowTitle();
                size = w->size();
                for (QWidget* control : w->findChildren<QWidget*>()) {
                    if (!control->isVisibleTo(w) || !control->isEnabled()
                        || !(qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control)
                             || qobject_cast<QComboBox*>(control) || qobject_cast<QAbstractItemView*>(control)))
                        continue;
                    if ((qobject_cast<QLineEdit*>(control) && qobject_cast<QComboBox*>(control->parentWidget()))
                        || qobject_cast<QHeaderView*>(control))
                        continue; // a combo box's own editor, a list's headings
                    if (!(control->focusPolicy() & Qt::TabFocus))
                        unreachable << control->objectName() + QLatin1Char(':') + QString::fromLatin1(control->metaObject()->className());
                    if (control->accessibleName().isEmpty())
                        unnamed << control->objectName() + QLatin1Char(':') + QString::fromLatin1(control->metaObject()->className());
                }
                w->close();
            });
            EXPECT_TRUE(d.dispatch(QString::fromLatin1(c.word)));
            ASSERT_EQ(watch.seen(), 1);
            EXPECT_EQ(className, QString::fromLatin1(c.className));
            EXPECT_EQ(caption, c.caption);
            EXPECT_LE(size.width(), screen.width());
            EXPECT_LE(size.height(), screen.height());
            EXPECT_TRUE(unreachable.isEmpty()) << unreachable.join(',').toStdString();
            EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(',').toStdString();
        }
    }
    app::ScreenSizeTag = QStringLiteral("1024");
    EXPECT_TRUE(script.asked().empty()) << script.texts().join('|').toStdString();
}

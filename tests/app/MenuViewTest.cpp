#include "ShellTestSupport.h"

#include "app/Dispatcher.h"
#include "app/MenuView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>

using shell::Dispatcher;
using shell::MenuView;

namespace {

// The menu drawing as shipped, shown at a screen size.
struct ShownMenu {
    MenuView view;
    explicit ShownMenu(QSize size)
    {
        EXPECT_TRUE(view.load(ProgramFolder::sourceMenu()));
        view.resize(size);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
};

const QSize kScreens[] = {QSize(1024, 768), QSize(800, 600), QSize(1280, 1024)};

} // namespace

TEST(MenuViewTest, TheDrawingOffersEveryCommandWordOfTheTable)
{
    MenuView view;
    ASSERT_TRUE(view.load(ProgramFolder::sourceMenu()));
    QStringList expected = Dispatcher::words();
    expected.removeAll(QStringLiteral("zsd")); // shares the outline's element
    QStringList offered = view.commands();
    EXPECT_EQ(offered.size(), QSet<QString>(offered.begin(), offered.end()).size()) << "a word appears once";
    offered.sort();
    expected.sort();
    EXPECT_EQ(offered, expected);
    EXPECT_TRUE(QSvgRenderer(ProgramFolder::sourceMenu()).animated()) << "the menu moves";
}

TEST(MenuViewTest, EachCommandIsAnAccessibleButtonNamedByItsCaption)
{
    const std::pair<const char*, QString> captions[] = {
        {"lx", QStringLiteral("基础知识")},       {"lx2", QStringLiteral("专业实务")},     {"lx3", QStringLiteral("标准与法规基础")},
        {"lx4", QStringLiteral("综合应用")},      {"lx5", QStringLiteral("案例专题")},     {"mnks", QStringLiteral("模拟考试一")},
        {"mnks2", QStringLiteral("模拟考试二")},  {"mnks3", QStringLiteral("模拟考试三")}, {"mnks4", QStringLiteral("模拟考试四")},
        {"mnks5", QStringLiteral("模拟考试五")},  {"ksdg", QStringLiteral("考试大纲")},    {"cj", QStringLiteral("成绩查询")},
        {"szjh", QStringLiteral("学习计划")},     {"szks", QStringLiteral("考试设置")},    {"rz", QStringLiteral("学习日志")},
        {"tj", QStringLiteral("统计图表")},       {"sj", QStringLiteral("题库升级")},      {"music", QStringLiteral("背景音乐")},
        {"sztime", QStringLiteral("答题时间")},   {"fg", QStringLiteral("法规链接")},      {"lxfs", QStringLiteral("发行网点")},
        {"help", QStringLiteral("帮助")},         {"about", QStringLiteral("关于")},       {"quit", QStringLiteral("退出")},
        {"jrfx", QStringLiteral("今日复习")},     {"ctb", QStringLiteral("错题本")},       {"scj", QStringLiteral("收藏夹")},
        {"ss", QStringLiteral("搜索")},
    };
    ShownMenu m(QSize(1024, 768));
    QFile file(ProgramFolder::sourceMenu());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString drawing = QString::fromUtf8(file.readAll());
    for (const auto& [word, caption] : captions) {
        SCOPED_TRACE(word);
        EXPECT_EQ(m.view.captionOf(QString::fromLatin1(word)), caption);
        EXPECT_TRUE(drawing.contains(QStringLiteral(">%1</text>").arg(caption))) << "the caption is drawn";
        auto* b = m.view.findChild<QAbstractButton*>(QStringLiteral("cmd-") + QString::fromLatin1(word));
        ASSERT_NE(b, nullptr);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Button);
        EXPECT_EQ(iface->text(QAccessible::Name), m.view.captionOf(QString::fromLatin1(word)));
        EXPECT_TRUE(iface->actionInterface() && iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        EXPECT_EQ(b->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    }
}

TEST(MenuViewTest, ClickingAnElementSendsItsWordAtEveryScreenSize)
{
    for (const QSize& screen : kScreens) {
        SCOPED_TRACE(screen.width());
        ShownMenu m(screen);
        QSignalSpy sent(&m.view, &MenuView::commandTriggered);
        QRectF all;
        for (const QString& word : m.view.commands()) {
            SCOPED_TRACE(word.toStdString());
            const QRectF r = m.view.commandRect(word);
            ASSERT_FALSE(r.isEmpty());
            EXPECT_TRUE(QRectF(m.view.rect()).contains(r)) << "the whole element is on the screen";
            for (const QString& other : m.view.commands()) {
                if (other != word) {
                    EXPECT_FALSE(r.intersects(m.view.commandRect(other))) << "overlaps " << other.toStdString();
                }
            }
            all |= r;

            const QPoint centre = r.center().toPoint();
            EXPECT_EQ(m.view.commandAt(centre), word);
            QWidget* target = m.view.childAt(centre);
            ASSERT_NE(target, nullptr);
            sent.clear();
            QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&m.view, centre));
            ASSERT_EQ(sent.size(), 1);
            EXPECT_EQ(sent.at(0).at(0).toString(), word);
        }
        // The drawing keeps its proportions and is centred.
        EXPECT_NEAR(all.center().x(), m.view.width() / 2.0, m.view.width() * 0.02);

        // Outside every element nothing is sent.
        sent.clear();
        const QPoint title(5, 5);
        EXPECT_EQ(m.view.commandAt(title), QString());
        QTest::mouseClick(&m.view, Qt::LeftButton, {}, title);
        EXPECT_EQ(sent.size(), 0);
    }
}

TEST(MenuViewTest, KeyboardReachesAndPressesEveryCommand)
{
    ShownMenu m(QSize(800, 600));
    QSignalSpy sent(&m.view, &MenuView::commandTriggered);
    const QStringList words = m.view.commands();
    m.view.activateWindow();
    m.view.commandButton(words.first())->setFocus(Qt::TabFocusReason);

    // Tab walks through every command in reading order and comes back round.
    QStringList visited;
    for (int i = 0; i < words.size(); ++i) {
        auto* focused = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        ASSERT_NE(focused, nullptr);
        visited << focused->objectName().mid(4);
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, words);
    EXPECT_EQ(QApplication::focusWidget(), m.view.commandButton(words.first()));

    // Arrows move to the neighbour in that direction.
    const struct {
        const char* from;
        Qt::Key key;
        const char* to;
    } moves[] = {
        {"lx", Qt::Key_Down, "lx2"},      {"lx2", Qt::Key_Up, "lx"},         {"lx5", Qt::Key_Down, "cj"},
        {"ksdg", Qt::Key_Right, "cj"},    {"szjh", Qt::Key_Right, "sj"},     {"mnks", Qt::Key_Right, "mnks2"},
        {"mnks5", Qt::Key_Left, "mnks4"}, {"mnks3", Qt::Key_Down, "scj"},    {"szks", Qt::Key_Up, "ksdg"},
        {"about", Qt::Key_Right, "quit"}, {"lx", Qt::Key_Up, "lx"},          {"quit", Qt::Key_Right, "quit"},
        {"jrfx", Qt::Key_Right, "ctb"},   {"ss", Qt::Key_Left, "scj"},       {"ss", Qt::Key_Down, "sztime"},
        {"ctb", Qt::Key_Up, "mnks"},      {"jrfx", Qt::Key_Up, "lx5"},       {"jrfx", Qt::Key_Down, "szjh"},
    };
    for (const auto& mv : moves) {
        SCOPED_TRACE(std::string(mv.from) + " -> " + mv.to);
        QAbstractButton* from = m.view.commandButton(QString::fromLatin1(mv.from));
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, mv.key);
        EXPECT_EQ(QApplication::focusWidget(), m.view.commandButton(QString::fromLatin1(mv.to)));
    }

    // Enter and Space press the focused command.
    sent.clear();
    QAbstractButton* help = m.view.commandButton(QStringLiteral("help"));
    help->setFocus(Qt::TabFocusReason);
    QTest::keyClick(help, Qt::Key_Return);
    QTest::keyClick(help, Qt::Key_Enter);
    QTest::keyClick(help, Qt::Key_Space);
    ASSERT_EQ(sent.size(), 3);
    for (const auto& args : sent)
        EXPECT_EQ(args.at(0).toString(), QStringLiteral("help"));
}

// A count on a command (today's review) is drawn at its corner, inside the screen and
// clear of the other commands, and a screen reader hears it with the caption.
TEST(MenuViewTest, ABadgeShowsOnItsCommandAndIsHeard)
{
    for (const QSize& screen : kScreens) {
        SCOPED_TRACE(screen.width());
        ShownMenu m(screen);
        const QString word = QStringLiteral("jrfx");
        QAbstractButton* b = m.view.commandButton(word);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(m.view.badgeRect(word).isEmpty());

        m.view.setBadge(word, QStringLiteral("128"), QStringLiteral("128 题到期"));
        EXPECT_EQ(m.view.badgeOf(word), QStringLiteral("128"));
        const QRectF badge = m.view.badgeRect(word);
        ASSERT_FALSE(badge.isEmpty());
        EXPECT_TRUE(QRectF(m.view.rect()).contains(badge));
        EXPECT_TRUE(badge.intersects(m.view.commandRect(word))) << "it sits on its own command";
        for (const QString& other : m.view.commands())
            if (other != word) {
                EXPECT_FALSE(badge.intersects(m.view.commandRect(other))) << other.toStdString();
            }
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
        EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("今日复习，128 题到期"));

        // The badge is drawn: the corner changes colour.
        const QImage before = m.view.grab().toImage();
        m.view.setBadge(word, QString());
        const QImage after = m.view.grab().toImage();
        const QPoint corner(qRound(badge.left() + 4), qRound(badge.center().y())); // the face, beside the text
        EXPECT_NE(before.pixelColor(corner), after.pixelColor(corner));
        EXPECT_TRUE(m.view.badgeRect(word).isEmpty());
        EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("今日复习"));

        // A badge set before the drawing loads (or reloads) is kept.
        m.view.setBadge(word, QStringLiteral("7"));
        ASSERT_TRUE(m.view.load(ProgramFolder::sourceMenu()));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(m.view.commandButton(word))->text(QAccessible::Name),
                  QStringLiteral("今日复习，7"));
    }
}

TEST(MenuViewTest, AFileThatIsNoMenuIsRefused)
{
    ProgramFolder folder;
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"not a drawing", QByteArray("GIF89a\x01\x00\x01\x00")},
        {"cut off", QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\"><g id=\"cmd-quit\"><rect ")},
        {"no command in it", QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\"><rect width=\"5\" height=\"5\"/></svg>")},
        {"html", QByteArray("<html><body id=\"cmd-quit\">x</body></html>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.writeFile(QStringLiteral("pic/main.svg"), c.bytes);
        EXPECT_FALSE(MenuView::canLoad(folder.menuPath()));
        MenuView view;
        EXPECT_FALSE(view.load(folder.menuPath()));
        EXPECT_FALSE(view.isLoaded());
    }
    EXPECT_FALSE(MenuView::canLoad(folder.appDir() + QStringLiteral("pic/missing.svg")));

    // The smallest drawing that is a menu.
    folder.writeFile(QStringLiteral("pic/main.svg"),
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 100 50\">"
                     "<g id=\"cmd-quit\"><rect x=\"10\" y=\"10\" width=\"40\" height=\"20\"/><text x=\"12\" y=\"25\">退出</text></g></svg>");
    EXPECT_TRUE(MenuView::canLoad(folder.menuPath()));
    MenuView view;
    ASSERT_TRUE(view.load(folder.menuPath()));
    EXPECT_EQ(view.commands(), QStringList{QStringLiteral("quit")});
    EXPECT_EQ(view.captionOf(QStringLiteral("quit")), QStringLiteral("退出"));
    view.resize(200, 100);
    EXPECT_EQ(view.commandRect(QStringLiteral("quit")), QRectF(20, 20, 80, 40));
}

// The start-up's check keeps its parse for the load that follows; a drawing that
// changed in between is loaded as it is now, and a second view parses it afresh.
TEST(MenuViewTest, ALoadAfterTheCheckShowsTheDrawingAsItIsNow)
{
    ProgramFolder folder;
    const auto menu = [](const char* word, const char* caption) {
        return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 100 50\"><g id=\"cmd-") + word
               + "\"><rect x=\"10\" y=\"10\" width=\"40\" height=\"20\"/><text x=\"12\" y=\"25\">" + caption + "</text></g></svg>";
    };
    folder.writeFile(QStringLiteral("pic/main.svg"), menu("quit", "退出"));
    ASSERT_TRUE(MenuView::canLoad(folder.menuPath()));
    folder.writeFile(QStringLiteral("pic/main.svg"), menu("help", "帮助"));
    MenuView changed;
    ASSERT_TRUE(changed.load(folder.menuPath()));
    EXPECT_EQ(changed.commands(), QStringList{QStringLiteral("help")});

    ASSERT_TRUE(MenuView::canLoad(folder.menuPath()));
    MenuView first, second;
    ASSERT_TRUE(first.load(folder.menuPath()));
    ASSERT_TRUE(second.load(folder.menuPath()));
    for (MenuView* view : {&first, &second}) {
        EXPECT_EQ(view->commands(), QStringList{QStringLiteral("help")});
        EXPECT_EQ(view->captionOf(QStringLiteral("help")), QStringLiteral("帮助"));
    }
}

TEST(MenuViewTest, TheMenuMovesGentlyAndRestsWhileAScreenIsOpen)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    ShownMenu m(QSize(1024, 768));
    m.view.installEventFilter(&counter);

    m.view.setAnimationRunning(true);
    QTest::qWait(1000);
    EXPECT_GE(counter.paints, 5) << "the drawing moves";
    EXPECT_LE(counter.paints, 16) << "a calm pace, not the renderer's 30 frames a second";

    m.view.setAnimationRunning(false);
    QTest::qWait(50);
    counter.paints = 0;
    QTest::qWait(500);
    EXPECT_EQ(counter.paints, 0);
}

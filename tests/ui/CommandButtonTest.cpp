#include "ui/CommandButton.h"
#include "ui/Style.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void hover(QWidget* w, bool on)
{
    if (on) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }
}

struct Ink {
    int darkest = 255;   // lightness of the darkest pixel
    bool blue = false;   // a clearly blue pixel
    bool grey = false;   // a pixel at about RGB(128,128,128)
};

Ink inkOf(QWidget* w)
{
    const QImage img = w->grab().toImage();
    Ink ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            ink.darkest = std::min(ink.darkest, c.lightness());
            ink.blue |= c.blue() > 200 && c.red() < 70 && c.green() < 70;
            ink.grey |= std::abs(c.red() - 128) < 14 && std::abs(c.green() - 128) < 14 && std::abs(c.blue() - 128) < 14;
        }
    return ink;
}

} // namespace

// Black text, blue under the mouse, grey (128,128,128) when disabled, also under the
// mouse — both as the button reports it and as it is painted.
TEST(CommandButton, TextColourByState)
{
    struct Case { bool enabled; bool hovered; QColor colour; };
    const Case cases[] = {
        {true, false, QColor(0, 0, 0)},
        {true, true, QColor(0, 0, 255)},
        {false, false, QColor(128, 128, 128)},
        {false, true, QColor(128, 128, 128)},
    };
    for (bool framed : {false, true}) {
        for (const Case& c : cases) {
            ui::CommandButton b(QStringLiteral("练习新题"));
            b.setFramed(framed);
            b.resize(100, 30);
            b.setEnabled(c.enabled);
            hover(&b, c.hovered);
            EXPECT_EQ(b.textColour(), c.colour) << c.enabled << c.hovered << framed;

            const Ink ink = inkOf(&b);
            if (!c.enabled) {
                EXPECT_TRUE(ink.grey);
                EXPECT_FALSE(ink.blue);
                EXPECT_GE(ink.darkest, 100) << "nothing darker than the grey text";
            } else if (c.hovered) {
                EXPECT_TRUE(ink.blue);
            } else {
                EXPECT_LT(ink.darkest, 30);
                EXPECT_FALSE(ink.blue);
            }
        }
    }
}

TEST(CommandButton, LeavingAndReEnablingRestoreTheColours)
{
    ui::CommandButton b(QStringLiteral("关闭"));
    hover(&b, true);
    EXPECT_EQ(b.textColour(), QColor(0, 0, 255));
    b.setEnabled(false);
    EXPECT_EQ(b.textColour(), QColor(128, 128, 128));
    hover(&b, false);
    b.setEnabled(true);
    EXPECT_EQ(b.textColour(), QColor(0, 0, 0));
}

TEST(CommandButton, KeyboardReachesAndPressesIt)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* first = new ui::CommandButton(QStringLiteral("错题重做"));
    auto* second = new ui::CommandButton(QStringLiteral("习题重温"));
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    QSignalSpy clicked(second, &QAbstractButton::clicked);
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);

    // A disabled command does nothing, by mouse or keyboard.
    second->setEnabled(false);
    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(CommandButton, AssistiveTechnologySeesAPushButtonNamedByItsCaption)
{
    ui::CommandButton b(QStringLiteral("试题录入"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&b);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("试题录入"));
    b.setText(QStringLiteral("返回"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("返回"));
    EXPECT_EQ(b.focusPolicy(), Qt::StrongFocus);
}

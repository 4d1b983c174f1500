#include "ui/AccessibleText.h"
#include "ui/Gauge.h"

#include <QAccessible>
#include <QPushButton>
#include <gtest/gtest.h>

// Whether the change event is kept from Orca can only be seen with a live AT-SPI
// bridge (offscreen has none): what is checked here is that a screen reader asking
// gets the current text and that the bridge's handler is left as it was.

namespace {

QString spoken(QWidget* w, QAccessible::Text which)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(which) : QString();
}

void otherHandler(QAccessibleEvent*) {}

TEST(AccessibleText, ReaderGetsTheCurrentTexts)
{
    QPushButton b(QStringLiteral("笔记"));
    b.setAccessibleName(QStringLiteral("笔记"));
    b.show();
    ASSERT_NE(QAccessible::queryAccessibleInterface(&b), nullptr); // cached before the change

    ui::setDescription(&b, QStringLiteral("有内容"));
    ui::setName(&b, QStringLiteral("笔记 1"));
    EXPECT_EQ(spoken(&b, QAccessible::Description), QStringLiteral("有内容"));
    EXPECT_EQ(spoken(&b, QAccessible::Name), QStringLiteral("笔记 1"));

    ui::setDescription(&b, QString());
    EXPECT_TRUE(b.accessibleDescription().isEmpty());

    ui::setText(&b, QStringLiteral("有内容"));
    EXPECT_EQ(b.text(), QStringLiteral("有内容"));
    EXPECT_EQ(spoken(&b, QAccessible::Name), QStringLiteral("笔记 1")); // the name still rules
}

TEST(AccessibleText, LeavesTheUpdateHandlerAsItWas)
{
    QPushButton b(QStringLiteral("x"));
    for (QAccessible::UpdateHandler before : {QAccessible::UpdateHandler(nullptr), &otherHandler}) {
        QAccessible::installUpdateHandler(before);
        ui::setDescription(&b, b.accessibleDescription() + QLatin1Char('a'));
        ui::setName(&b, b.accessibleName() + QLatin1Char('a'));
        ui::setText(&b, b.text() + QLatin1Char('a'));
        EXPECT_EQ(QAccessible::installUpdateHandler(nullptr), before);
    }
}

// The exam's time gauge re-describes itself on every tick.
TEST(AccessibleText, GaugeDescribesTheTimeUsed)
{
    ui::Gauge g;
    g.setCells(10);
    g.show();
    g.setValue(3);
    EXPECT_EQ(spoken(&g, QAccessible::Description), QStringLiteral("30%"));
}

} // namespace

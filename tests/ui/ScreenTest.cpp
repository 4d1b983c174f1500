#include "ui/Screen.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

bool waiting()
{
    const QCursor* c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

} // namespace

// The hourglass stays over the preparation (a progress window) and goes when
// the screen it prepares appears.
TEST(Hourglass, APreparationWindowKeepsItAndTheScreenLiftsIt)
{
    bool duringProgress = false;
    bool afterScreen = true;
    ui::withHourglass([&] {
        QFrame progress(nullptr, Qt::Tool);
        ui::keepHourglassWhenShown(&progress);
        progress.show();
        duringProgress = waiting();
        QDialog screen;
        screen.show();
        afterScreen = waiting();
    });
    EXPECT_TRUE(duringProgress);
    EXPECT_FALSE(afterScreen);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Enter on a list runs its action once and goes no further (not to the dialog's
// default button); other keys still move in the list.
TEST(EnterKey, RunsTheActionInsteadOfTheDefaultButton)
{
    QDialog dialog;
    auto* list = new QListWidget(&dialog);
    list->addItems({QStringLiteral("一"), QStringLiteral("二")});
    list->setCurrentRow(0);
    auto* ok = new QPushButton(QStringLiteral("确定"), &dialog);
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(ok);
    int runs = 0;
    ui::onEnterKey(list, [&] { ++runs; });
    dialog.show();
    list->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(list, key);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(runs, 2);
}

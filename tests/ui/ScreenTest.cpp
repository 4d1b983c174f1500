#include "ui/Screen.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
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

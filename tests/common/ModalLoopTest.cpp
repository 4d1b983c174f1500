#include "common/ModalLoop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// A screen that is a plain window: its close ends its own loop with a code.
class Window : public QWidget {
public:
    Window()
        : QWidget(nullptr, Qt::Window)
    {
        resize(200, 100);
    }
    int exec(const std::function<void()>& shown = {}) { return m_modal.run(*this, nullptr, shown); }
    int closeCode = 7;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        m_modal.quit(closeCode);
    }

private:
    modal::Loop m_modal;
};

} // namespace

TEST(ModalLoop, AWindowClosedWhileShowingReturnsAtOnce)
{
    Window w;
    bool ranLater = false;
    QTimer::singleShot(2000, [&] { ranLater = true; w.close(); });
    EXPECT_EQ(w.exec([&] { w.close(); }), 7);
    EXPECT_FALSE(ranLater) << "the loop must not wait for a window that is already closed";
    EXPECT_FALSE(w.isVisible());
}

TEST(ModalLoop, HidingAndShowingAgainKeepsTheLoopUntilClosed)
{
    for (bool dialog : {false, true}) {
        SCOPED_TRACE(dialog ? "dialog" : "window");
        Window w;
        QDialog d;
        QWidget& screen = dialog ? static_cast<QWidget&>(d) : w;
        std::vector<bool> modalWhileShown;
        QTimer::singleShot(0, [&] {
            modalWhileShown.push_back(QApplication::activeModalWidget() == &screen);
            screen.hide(); // another screen takes over for a while
            QTimer::singleShot(0, [&] {
                screen.show();
                QTimer::singleShot(0, [&] {
                    modalWhileShown.push_back(screen.isVisible() && screen.isModal());
                    if (dialog)
                        d.done(3);
                    else
                        w.close();
                });
            });
        });
        const int result = dialog ? modal::runDialog(d) : w.exec();
        EXPECT_EQ(result, dialog ? 3 : 7);
        EXPECT_EQ(modalWhileShown, (std::vector<bool>{true, true}));
        EXPECT_FALSE(screen.isVisible());
    }
}

TEST(ModalLoop, ADialogFinishedWhileShowingReturnsItsResult)
{
    class Quick : public QDialog {
    protected:
        void showEvent(QShowEvent* e) override
        {
            QDialog::showEvent(e);
            done(2);
        }
    } d;
    bool ranLater = false;
    QTimer::singleShot(2000, [&] { ranLater = true; d.done(5); });
    EXPECT_EQ(modal::runDialog(d), 2);
    EXPECT_FALSE(ranLater);
}

TEST(ModalLoop, ADialogShowsTheArrowOverTheHourglassAndPutsItBack)
{
    for (bool busy : {false, true}) {
        SCOPED_TRACE(busy ? "under the hourglass" : "no pointer set");
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        QDialog d;
        std::optional<Qt::CursorShape> seen;
        QTimer::singleShot(0, [&] {
            if (const QCursor* c = QApplication::overrideCursor())
                seen = c->shape();
            d.accept();
        });
        EXPECT_EQ(modal::execWithArrow(d), int(QDialog::Accepted));
        if (busy) {
            EXPECT_EQ(seen, Qt::ArrowCursor);
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            QApplication::restoreOverrideCursor();
        } else {
            EXPECT_FALSE(seen.has_value());
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

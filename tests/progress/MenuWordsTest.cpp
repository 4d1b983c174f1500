#include "progress/ProgressFixture.h"
#include "progress/TFrmConfig.h"

#include "app/Dispatcher.h"
#include "app/MenuScreens.h"
#include "common/Music.h"
#include "common/Prompt.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <QTimer>
#include <gtest/gtest.h>

using namespace progresstest;

namespace {

// What a menu word showed: the window's class, its size, and any control that a
// keyboard cannot reach or a screen reader cannot name.
struct Shown {
    QString className;
    QSize size;
    QStringList unreachable;
    QStringList unnamed;
};

Shown openByWord(shell::Dispatcher& d, const QString& word)
{
    Shown shown;
    QTimer::singleShot(0, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        shown.className = QString::fromLatin1(w->metaObject()->className());
        shown.size = w->size();
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (!c->isVisibleTo(w) || !(qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c)
                                        || qobject_cast<QAbstractSpinBox*>(c) || qobject_cast<QComboBox*>(c)))
                continue;
            if (qobject_cast<QLineEdit*>(c) && qobject_cast<QAbstractSpinBox*>(c->parentWidget()))
                continue; // the spin box's own editor
            // A radio item is reached through its group: Tab to the group, arrows inside.
            const bool reachable = qobject_cast<QRadioButton*>(c)
                ? std::ranges::any_of(c->parentWidget()->findChildren<QRadioButton*>(),
                                      [](QRadioButton* r) { return bool(r->focusPolicy() & Qt::TabFocus); })
                : bool(c->focusPolicy() & Qt::TabFocus);
            if (!reachable)
                shown.unreachable << c->objectName();
            auto* b = qobject_cast<QAbstractButton*>(c);
            if (c->accessibleName().isEmpty() && !(b && !b->text().isEmpty()))
                shown.unnamed << c->objectName();
        }
        w->close();
    });
    d.dispatch(word);
    return shown;
}

} // namespace

TEST(MenuWords, EachWordOpensItsWindowAtBothSizes)
{
    Bank bank;
    Scope scope(bank);
    bank.type(1, 11, QStringLiteral("单选"), 10, 1, 1);
    bank.chapter(QStringLiteral("01"), QStringLiteral("甲"), 30, 10, 20, 5);
    bank.day(kToday, 40, 10);
    music::setAudioDrivers({QStringLiteral("none")});
    prompt::Script answers;
    shell::Dispatcher d(bank.dm.AppDir);
    shell::installMenuScreens(d);

    struct Case { const char* word; const char* className; int height800; int height1024; };
    const Case cases[] = {
        {"music", "TFrmConfig", 100, 100},
        {"sztime", "TFrmConfig", 170, 170},
        {"szks", "TFrmEset", 159, 159},
        {"szjh", "TFrmplan", 480, 480},
        {"rz", "TFrmRz", 480, 611},
        {"tj", "Tfrmchart", 500, 600},
    };
    for (const char* tag : {"800", "1024"}) {
        app::ScreenSizeTag = QString::fromLatin1(tag);
        const QSize screen = QString::fromLatin1(tag) == QLatin1String("800") ? QSize(800, 600) : QSize(1024, 768);
        for (const Case& c : cases) {
            const Shown s = openByWord(d, QString::fromLatin1(c.word));
            EXPECT_EQ(s.className, QString::fromLatin1(c.className)) << c.word << " at " << tag;
            EXPECT_EQ(s.size.height(), QString::fromLatin1(tag) == QLatin1String("800") ? c.height800 : c.height1024)
                << c.word << " at " << tag;
            EXPECT_LE(s.size.width(), screen.width()) << c.word;
            EXPECT_TRUE(s.unreachable.isEmpty()) << c.word << ": " << s.unreachable.join(',').toStdString();
            EXPECT_TRUE(s.unnamed.isEmpty()) << c.word << ": " << s.unnamed.join(',').toStdString();
        }
    }
    EXPECT_TRUE(answers.asked().empty()) << answers.texts().join('|').toStdString();
    music::setAudioDrivers(music::defaultAudioDrivers());
}

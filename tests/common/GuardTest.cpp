#include "common/Guard.h"
#include "common/Prompt.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using store::DbError;

TEST(Guard, ShowsTheScreensMessageWithTheKindsLineAndReturnsFalse)
{
    struct Case {
        const char* name;
        std::function<void()> body;
        bool ok;
        QString shown; // empty: nothing is shown
    };
    const QString fail = QStringLiteral("无法打开试题！");
    const Case cases[] = {
        {"returns", [] {}, true, {}},
        {"locked bank", [] { throw DbError(DbError::Kind::Busy, QStringLiteral("database is locked")); }, false,
         fail + QStringLiteral("\n题库正被其他程序使用，请稍后再试。")},
        {"read-only bank", [] { throw DbError(DbError::Kind::ReadOnly, QStringLiteral("attempt to write")); }, false,
         fail + QStringLiteral("\n题库文件是只读的，无法保存。")},
        // Engine words never reach the candidate: an SQL error has no second line.
        {"sql error", [] { throw DbError(DbError::Kind::Sql, QStringLiteral("no such table: tab_answ")); }, false, fail},
        {"other exception", [] { throw std::runtime_error("bad_alloc-ish"); }, false, fail},
        {"not an exception", [] { throw 42; }, false, fail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt::Script script;
        EXPECT_EQ(guard::run(fail, c.body), c.ok);
        if (c.shown.isEmpty()) {
            EXPECT_TRUE(script.asked().empty());
        } else {
            ASSERT_EQ(script.asked().size(), 1u);
            EXPECT_EQ(script.asked()[0].caption, QStringLiteral("错误"));
            EXPECT_EQ(script.asked()[0].text, c.shown);
            EXPECT_EQ(script.asked()[0].page, static_cast<int>(prompt::Page::Error));
        }
    }
}

// A guarded slot keeps the exception out of the event loop whatever the signal carries.
TEST(Guard, SlotTakesTheSignalsArgumentsOrNone)
{
    prompt::Script script;
    QPushButton button;
    button.setCheckable(true);
    int plain = 0;
    bool lastChecked = false;
    QObject::connect(&button, &QAbstractButton::clicked, &button, guard::slot(QStringLiteral("x"), [&] {
                         ++plain;
                         throw DbError(DbError::Kind::Sql, QStringLiteral("boom"));
                     }));
    QObject::connect(&button, &QAbstractButton::clicked, &button,
                     guard::slot(QStringLiteral("y"), [&](bool checked) { lastChecked = checked; }));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(plain, 1);
    EXPECT_TRUE(lastChecked);
    EXPECT_EQ(script.texts(), QStringList{QStringLiteral("x")});
}

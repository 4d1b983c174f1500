#pragma once

// The ☆ toggle of a question screen, driven as a candidate does: by a click and by
// Ctrl+D, across a move to another question and back. Shared by the practice,
// point practice and exam review tests, since the three screens get it from one place.

#include "core/search/Gather.h"
#include "core/store/Connection.h"
#include "question/QuestionScreen.h"
#include "ui/CommandButton.h"

#include <QApplication>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace bookmarktest {

struct Moves {
    std::function<QString()> shownId;  // the question on view
    std::function<void()> next;        // to another question
    std::function<void()> back;        // to the first one again
    std::function<QString()> counters; // every counter an answer keeps, as text
};

inline bool rowExists(store::Connection& db, const QString& id)
{
    return db.scalar(QStringLiteral("select count(*) from bookmark where A1 = :a1"), {{QStringLiteral(":a1"), id}}).toInt() == 1;
}

// Checks the toggle shows the state of `id`: name, star and the bank's row.
inline void expectState(practice::QuestionScreen& s, store::Connection& db, const QString& id, bool on)
{
    ui::CommandButton* t = s.btnBookmark;
    EXPECT_EQ(t->accessibleName(), on ? QStringLiteral("取消收藏") : QStringLiteral("收藏本题")) << id.toStdString();
    EXPECT_TRUE(t->text().startsWith(on ? QStringLiteral("★") : QStringLiteral("☆"))) << t->text().toStdString();
    EXPECT_EQ(s.bookmarked(), on) << id.toStdString();
    EXPECT_EQ(t->isChecked(), on) << "a screen reader hears pressed while bookmarked";
    EXPECT_EQ(rowExists(db, id), on) << id.toStdString();
}

// Ctrl+D to the widget with the focus.
inline void pressCtrlD(practice::QuestionScreen& s)
{
    QApplication::setActiveWindow(&s);
    const bool before = s.bookmarked();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &s;
    QTest::keyClick(target, Qt::Key_D, Qt::ControlModifier);
    EXPECT_NE(s.bookmarked(), before) << "Ctrl+D did not toggle";
}

inline void driveToggle(practice::QuestionScreen& s, store::Connection& db, const Moves& m)
{
    ASSERT_NE(s.btnBookmark, nullptr);
    ASSERT_TRUE(s.btnBookmark->isVisible());
    ASSERT_TRUE(s.btnBookmark->isEnabled());
    const QString counters = m.counters();
    const QString first = m.shownId();
    expectState(s, db, first, false);

    QTest::mouseClick(s.btnBookmark, Qt::LeftButton);
    expectState(s, db, first, true);

    m.next();
    const QString second = m.shownId();
    ASSERT_NE(second, first);
    expectState(s, db, second, false); // follows the question shown
    s.epEfTrBtn2->setFocus();
    pressCtrlD(s);
    expectState(s, db, second, true);
    EXPECT_TRUE(s.btnBookmark->hasFocus()) << "a screen reader hears the new state on the toggle";

    m.back();
    ASSERT_EQ(m.shownId(), first);
    expectState(s, db, first, true);
    pressCtrlD(s);
    expectState(s, db, first, false);
    EXPECT_TRUE(rowExists(db, second));

    // Bookmarks are ours: no counter of the book's tables moved.
    EXPECT_EQ(m.counters(), counters);
}

} // namespace bookmarktest

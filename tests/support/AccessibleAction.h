#pragma once

// Drives a button as assistive technology does: through its accessibility
// interface's named action. Toggle changes the state only; there is no click.

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <gtest/gtest.h>

inline void accessibleAction(QAbstractButton* b, const QString& action)
{
    ASSERT_NE(b, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->actionInterface(), nullptr);
    ASSERT_TRUE(a->actionInterface()->actionNames().contains(action)) << b->objectName().toStdString() << ' ' << action.toStdString();
    a->actionInterface()->doAction(action);
}

inline void accessibleToggle(QAbstractButton* b)
{
    accessibleAction(b, QAccessibleActionInterface::toggleAction());
}

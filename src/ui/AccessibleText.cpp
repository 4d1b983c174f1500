#include "ui/AccessibleText.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QWidget>

namespace ui {

namespace {

void dropEvent(QAccessibleEvent*) {}

// Swallows the one change event the setter sends; whatever handler was there
// (normally none: the platform bridge) is back afterwards.
template<typename Set>
void quietly(Set set)
{
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(dropEvent);
    set();
    QAccessible::installUpdateHandler(previous);
}

} // namespace

void setDescription(QWidget* widget, const QString& text)
{
    if (widget->accessibleDescription() != text)
        quietly([&] { widget->setAccessibleDescription(text); });
}

void setName(QWidget* widget, const QString& text)
{
    if (widget->accessibleName() != text)
        quietly([&] { widget->setAccessibleName(text); });
}

void setText(QAbstractButton* button, const QString& text)
{
    if (button->text() != text)
        quietly([&] { button->setText(text); });
}

} // namespace ui

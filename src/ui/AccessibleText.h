#pragma once

#include <QString>

class QAbstractButton;
class QWidget;

namespace ui {

// Name and description of a widget that change while it is shown. Qt 6.4's AT-SPI
// bridge sends the change event with the object where the new text belongs, and
// Orca's handler throws on it for the focused widget, so the change is never spoken.
// These set the text without that event; a screen reader reads the current text
// whenever it comes to the widget.
void setDescription(QWidget* widget, const QString& text);
void setName(QWidget* widget, const QString& text);
// A button's caption sends the same event as its name.
void setText(QAbstractButton* button, const QString& text);

} // namespace ui

#pragma once

#include <functional>

#include <QPixmap>

class QAbstractItemView;
class QTableView;
class QLabel;
class QString;
class QWidget;

// Small pieces every screen shares: which layout to use, where a window goes,
// the hourglass while a handler works.
namespace ui {

// True for the compact (800 × 600) arrangement of the screens.
bool compactLayout();

// Centres `window` over `owner`'s window, or on its screen when there is no owner.
void centreWindow(QWidget* window, const QWidget* owner = nullptr);

// Return or Enter on `view` runs `action` (what a double-click on a row does) and is
// not passed on, so it never reaches a default button.
void onEnterKey(QAbstractItemView* view, std::function<void()> action);

// A list the candidate picks one row of and never edits: named for tests and a
// screen reader, whole rows, Tab leaves it, no row numbers. Striped adds the
// chooser's look: alternating rows, one line per cell, headings that do not react.
enum class GridLook { Plain, Striped };
void setUpRowList(QTableView* view, const QString& name, const QString& accessibleName, GridLook look);

// A picture of the program folder, sharp on high-density screens: the "@2x" variant
// when the screen needs more pixels and it exists, with its pixel ratio set.
QPixmap loadPicture(const QString& path);

// The hourglass for a stretch of work inside one handler; the previous pointer after.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Runs `work` under the hourglass until the first window appears (the screen it
// prepares is on view); the pointer is back when `work` returns. The progress
// window is part of the preparation and keeps the hourglass.
void withHourglass(const std::function<void()>& work);

// Marks a window that belongs to the preparation (a progress window): showing it
// keeps the hourglass of withHourglass.
void keepHourglassWhenShown(QWidget* window);

// A label whose value changes (a clock, a counter): a screen reader speaks the
// caption with the value, "考试用时 0:00:17", not a bare number or the caption alone.
void captionValue(QLabel* label, const QString& caption);
// Shows the value, and names the label with its caption and the value.
void showValue(QLabel* label, const QString& value);

} // namespace ui

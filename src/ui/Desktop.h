#pragma once

namespace ui {

// Shows the desktop: asks the window manager where it can, else minimises the
// program's windows.
void showDesktop();

} // namespace ui

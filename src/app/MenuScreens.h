#pragma once

namespace shell {

class Dispatcher;

// Gives each menu word its screen; start-up calls it once for the main window.
void installMenuScreens(Dispatcher& d);

} // namespace shell

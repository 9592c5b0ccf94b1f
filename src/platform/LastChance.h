#pragma once

// The last chance to keep the user's data when the process ends without its main window
// ending: the toolkit may end the process by itself (the connection to the display was lost:
// Qt then calls exit() or reports a fatal error). The handler runs once, then, on the main
// thread; it must not show anything, since the display may be gone.

#include <functional>

namespace platform {

// Sets the handler (an empty function removes it). The program sets it while its main window
// holds data, and removes it once the window has saved.
void SetLastChanceHandler(std::function<void()> handler);

}  // namespace platform

// The last chance to keep the user's data (platform/LastChance.h) on Windows. A session that
// ends reaches the main window as WM_ENDSESSION, which saves through the window itself
// (DialogWindow.cpp); what is left is a process that ends by exit() while the main window still
// holds data. The handler then runs from atexit, once, as on the Qt backend. A process killed
// from outside (TerminateProcess) runs nothing, here as anywhere.

#include <cstdlib>
#include <functional>
#include <utility>

#include "platform/LastChance.h"

namespace platform {
namespace {

std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}

void RunLastChance() {
  const std::function<void()> handler = std::exchange(Handler(), {});
  if (handler) handler();
}

}  // namespace

void SetLastChanceHandler(std::function<void()> handler) {
  static const bool registered = std::atexit(RunLastChance) == 0;
  (void)registered;
  Handler() = std::move(handler);
}

}  // namespace platform

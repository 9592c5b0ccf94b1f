#pragma once

// A CMenu bound to a real menu: the CMenu first takes the real menu's items, and from then on
// every item the program appends goes to both.

#include "platform/Menu.h"
#include "platform/WindowsHeaders.h"

namespace platform {

void BindMenu(CMenu* menu, HMENU real);
void UnbindMenu(CMenu* menu);

}  // namespace platform

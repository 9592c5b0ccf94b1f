#pragma once

// The program's resources: dialog templates, strings and icons, found by id.

#include <string>

#include "platform/Dialog.h"
#include "res/ResourceIds.h"

namespace res {

const DialogTemplate& LoadDialog(int id);
// The string with that id; empty when there is none.
std::string LoadString(int id);
// The icon with that id; null when there is none.
HICON LoadIcon(int id);

// Tests take a string out of the table to see the program cope without it.
void RemoveStringForTests(int id, bool removed);

}  // namespace res

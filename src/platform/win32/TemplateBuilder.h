#pragma once

// Our dialog templates as the dialog manager reads them: an extended dialog template
// (DLGTEMPLATEEX) built in memory, positions in dialog units, controls in tab order.

#include <vector>

#include "platform/DialogTemplate.h"
#include "platform/WindowsHeaders.h"

namespace platform {

// DWORD-aligned, ready for DialogBoxIndirectParamW and CreateDialogIndirectParamW.
std::vector<DWORD> BuildDialogTemplate(const DialogTemplate& dialog);

// The window class and styles a control of that kind is made with.
const wchar_t* ControlClass(ControlKind kind);
DWORD ControlStyle(const ControlTemplate& control);
DWORD ControlExStyle(const ControlTemplate& control);

}  // namespace platform

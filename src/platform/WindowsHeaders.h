#pragma once

// The system's headers, for the platform layer on Windows: the one place that includes them
// on behalf of the program's code.

#ifndef _WIN32
#error "WindowsHeaders.h is for Windows only"
#endif

#ifndef NOMINMAX
#define NOMINMAX  // keep std::min and std::max usable
#endif

#include <windows.h>
// windows.h must come first
#include <commctrl.h>

// windows.h renames these by macro to their -A or -W functions; our members and functions of
// the same names (CDialog::MessageBox, CMenu::AppendMenu, CTime::GetCurrentTime, ...) must
// keep theirs. Code that wants the system's function names it with its suffix (MessageBoxA).
#undef AppendMenu
#undef GetCurrentTime
#undef GetMenuString
#undef LoadIcon
#undef LoadString
#undef MessageBox

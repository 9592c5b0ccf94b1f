#pragma once

// The numeric vocabulary the program's dialogs speak: command ids, message box styles and
// answers, list view constants. On Windows these are the system's own definitions; elsewhere
// ours, with the classic values and types, so that masks and tests that rely on them (for
// example the system command mask 0xFFF0) behave alike and the program's code compiles the
// same way on both.

#ifdef _WIN32

#include "platform/WindowsHeaders.h"

#else

#include <cstdint>

using UINT = unsigned int;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Dialog command ids and message box answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Message box styles.
inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_YESNO = 0x0004;
inline constexpr UINT MB_TYPEMASK = 0x000F;
inline constexpr UINT MB_ICONHAND = 0x0010;
inline constexpr UINT MB_ICONQUESTION = 0x0020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x0030;
inline constexpr UINT MB_ICONASTERISK = 0x0040;
inline constexpr UINT MB_ICONMASK = 0x00F0;

// System commands.
inline constexpr UINT SC_MOVE = 0xF010;
inline constexpr UINT SC_CLOSE = 0xF060;

// List view column widths and formats, and the click notification.
inline constexpr int LVSCW_AUTOSIZE = -1;
inline constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;
inline constexpr unsigned LVS_EX_FULLROWSELECT = 0x20;
inline constexpr int NM_CLICK = -2;

struct NMHDR {
  int idFrom = 0;
  int code = 0;
};

#endif

// The framework's help command; no system header defines it.
inline constexpr int ID_HELP = 0xE146;

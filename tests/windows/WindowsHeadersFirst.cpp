// Compiled, never run, in the Windows build: the system's headers come first, as a native
// backend includes them, then every platform header. It fails to build when one of our names
// collides with the system's or is renamed by one of its macros.

#include <windows.h>
// the rest of the system's headers need windows.h first
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <type_traits>

#include "platform/Dialog.h"
#include "platform/DialogTemplate.h"
#include "platform/ListCtrl.h"
#include "platform/Menu.h"
#include "platform/TestSeams.h"
#include "platform/Time.h"
#include "platform/Win32Types.h"
#include "platform/WinApp.h"
#include "res/Resources.h"

#if defined(MessageBox) || defined(AppendMenu) || defined(GetMenuString) || defined(GetCurrentTime) || \
    defined(LoadIcon) || defined(LoadString)
#error "a windows.h macro would rename a member or function of ours"
#endif

// One definition of each name, the system's, so a native backend passes them straight on.
static_assert(std::is_same_v<NMHDR, tagNMHDR>);
static_assert(std::is_same_v<HICON, HICON__*>);
static_assert(std::is_same_v<LPARAM, LONG_PTR>);
static_assert(std::is_same_v<decltype(res::LoadIcon(0)), HICON>);
static_assert(
    std::is_same_v<decltype(&CDialog::MessageBox), int (CDialog::*)(const std::string&, const std::string&, UINT)>);
static_assert(std::is_same_v<decltype(&CTime::GetCurrentTime), CTime (*)()>);

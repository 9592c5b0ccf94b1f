// Windows Sockets 2 before the system headers pull in the first version.
#include <winsock2.h>
// after winsock2.h
#include <shellapi.h>

#include "platform/win32/Services.h"

#include <cstdlib>
#include <utility>

#include "platform/Dialog.h"
#include "platform/Time.h"
#include "platform/WinApp.h"
#include "platform/win32/DialogWindow.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

std::function<int(const MessageBoxCall&)> g_messageBoxHook;
std::function<void(const std::string&)> g_shellOpenHook;
std::function<bool()> g_socketInitHook;
std::function<void(CDialog&)> g_modalHook;
std::function<void(int, int, const void*)> g_drawIconHook;

void CleanUpSockets() { WSACleanup(); }

}  // namespace

void SetMessageBoxHook(std::function<int(const MessageBoxCall&)> hook) { g_messageBoxHook = std::move(hook); }
void SetShellOpenHook(std::function<void(const std::string&)> hook) { g_shellOpenHook = std::move(hook); }
void SetSocketInitHook(std::function<bool()> hook) { g_socketInitHook = std::move(hook); }
void SetModalHook(std::function<void(CDialog&)> hook) { g_modalHook = std::move(hook); }
void SetDrawIconHook(std::function<void(int, int, const void*)> hook) { g_drawIconHook = std::move(hook); }

void RecordDrawnIcon(int x, int y, const void* icon) {
  if (g_drawIconHook) g_drawIconHook(x, y, icon);
}

bool HasModalHook() { return static_cast<bool>(g_modalHook); }
void RunModalHook(CDialog& dialog) {
  if (g_modalHook) g_modalHook(dialog);
}

int ShowMessageBox(const MessageBoxCall& call, HWND owner) {
  if (g_messageBoxHook) return g_messageBoxHook(call);
  const std::wstring text = WideFromBytes(call.text);
  const std::wstring caption = WideFromBytes(call.caption);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), call.type);
}

HICON IconHandle(const IconResource& icon) {
  // The icon resource of the same id in the executable, at the system's large icon size.
  return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon.id));
}

void EndSessionNow() {
  CWinApp* app = AfxGetApp();
  CDialog* main = app ? app->m_pMainWnd : nullptr;
  const HWND hwnd = main && main->Window() ? main->Window()->Handle() : nullptr;
  if (!hwnd) return;
  // Destroying the main dialog destroys what it owns first (an open box, the calendar), then
  // runs its own OnDestroy, which saves.
  main->EndDialog(IDCANCEL);
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

}  // namespace platform

void ShellOpen(const std::string& target) {
  if (platform::g_shellOpenHook) {
    platform::g_shellOpenHook(target);
    return;
  }
  const std::wstring file = platform::WideFromBytes(target);
  ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_HIDE);
}

bool AfxSocketInit() {
  if (platform::g_socketInitHook) return platform::g_socketInitHook();
  WSADATA data{};
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
  if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
    WSACleanup();
    return false;
  }
  std::atexit(platform::CleanUpSockets);
  return true;
}

void AfxEnableControlContainer() {}
void Enable3dControlsStatic() {}

int AfxMessageBox(const std::string& text, UINT type, UINT) {
  // Application boxes that ask for no icon show the exclamation mark.
  if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
  CWinApp* app = AfxGetApp();
  CDialog* main = app ? app->m_pMainWnd : nullptr;
  const HWND owner = main && main->Window() ? main->Window()->Handle() : nullptr;
  return platform::ShowMessageBox({text, AfxGetAppTitle(), type, true}, owner);
}

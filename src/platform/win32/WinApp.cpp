#include "platform/WinApp.h"

#include <string>

#include "platform/Dialog.h"
#include "platform/TestSeams.h"
#include "platform/WindowsHeaders.h"
#include "platform/win32/Text.h"

namespace {

CWinApp* g_app = nullptr;
std::string g_appTitle;

void SetAppTitle(std::string name) {
  if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos) name.erase(0, slash + 1);
  if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  g_appTitle = std::move(name);
}

std::string ModuleFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return platform::BytesFromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

void RegisterControlClasses() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES;
  InitCommonControlsEx(&controls);
}

}  // namespace

CWinApp::CWinApp(const char*) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

bool CWinApp::InitInstance() { return true; }
int CWinApp::ExitInstance() { return 0; }

bool CWinApp::OnCommand(int id) {
  if (id == ID_HELP) {
    OnHelp();
    return true;
  }
  return false;
}

void CWinApp::OnHelp() {
  // The program installs no help file, so there is nothing to open.
}

CWinApp* AfxGetApp() { return g_app; }

const std::string& AfxGetAppTitle() { return g_appTitle; }

int AfxWinMain(int, char**) {
  // No command-line argument changes anything: the title comes from the executable itself.
  SetAppTitle(ModuleFileName());
  RegisterControlClasses();
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (app->InitInstance()) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return app->ExitInstance();
}

namespace platform {

void InitApplicationForTests(const char* programName) {
  SetAppTitle(programName);
  RegisterControlClasses();
}

}  // namespace platform

#pragma once

// The application object, process entry and the operating system services the program uses:
// message boxes, the shell's open, socket start-up.

#include <string>

#include "platform/Win32Types.h"

class CDialog;

class CWinApp {
 public:
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance();
  virtual int ExitInstance();
  // Commands no dialog handled; ID_HELP goes to OnHelp.
  virtual bool OnCommand(int id);
  // The framework's help: opens the application's help file when there is one. There is none.
  virtual void OnHelp();

  CDialog* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();

// The process entry: starts the toolkit with the program name only (no argument reaches it),
// calls InitInstance and then ExitInstance of the one application object.
int AfxWinMain(int argc, char** argv);

// The caption of application message boxes: the executable's name without its extension.
const std::string& AfxGetAppTitle();

// A box with the application title as caption. Without an icon in `type` it shows the
// exclamation icon.
int AfxMessageBox(const std::string& text, UINT type = MB_OK, UINT helpId = 0);

bool AfxSocketInit();
void AfxEnableControlContainer();
void Enable3dControlsStatic();

// The shell's "open" of a file name (resolved against the current directory) or a web address.
void ShellOpen(const std::string& target);

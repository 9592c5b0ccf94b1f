#pragma once

#include "platform/WinApp.h"

// The application: starts the platform, runs the main dialog, and ends the process.
class CGirthminderApp : public CWinApp {
 public:
  CGirthminderApp();
  ~CGirthminderApp() override;

  bool InitInstance() override;
};

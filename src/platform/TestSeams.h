#pragma once

// Replacements for the operating system services, for tests. The real services are used
// while no hook is set.

#include <ctime>
#include <functional>
#include <string>

#include "platform/Win32Types.h"

class CDialog;

namespace platform {

struct MessageBoxCall {
  std::string text;
  std::string caption;
  UINT type = MB_OK;
  bool ownedByApp = false;  // raised through the application, not a dialog
};

// Each hook replaces its service; pass an empty function to restore the real one.
void SetMessageBoxHook(std::function<int(const MessageBoxCall&)> hook);
void SetShellOpenHook(std::function<void(const std::string&)> hook);
void SetClockHook(std::function<std::time_t()> hook);
void SetSocketInitHook(std::function<bool()> hook);
// Called once each time a modal dialog has been shown and its loop runs; lets a test act on it.
void SetModalHook(std::function<void(CDialog&)> hook);

// Called with every icon a dialog draws in its OnPaint.
void SetDrawIconHook(std::function<void(int x, int y, const void* icon)> hook);

// Makes the toolkit's application object for a test process, as the entry point would for
// a program called `programName`.
void InitApplicationForTests(const char* programName);

}  // namespace platform

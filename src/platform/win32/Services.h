#pragma once

// Internal to the platform layer on Windows: the services behind the test seams.

#include "platform/TestSeams.h"
#include "platform/WindowsHeaders.h"

namespace platform {

int ShowMessageBox(const MessageBoxCall& call, HWND owner);
void RunModalHook(CDialog& dialog);
bool HasModalHook();
void RecordDrawnIcon(int x, int y, const void* icon);

// The session is ending and the process may end as soon as the message returns: boxes open
// above the main dialog are dismissed and the main dialog is ended and destroyed now, so that
// its OnDestroy saves the log.
void EndSessionNow();

}  // namespace platform

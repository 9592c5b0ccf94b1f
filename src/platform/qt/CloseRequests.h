#pragma once

namespace platform {

// Ending the program from outside in the ordinary ways (SIGTERM, SIGINT, SIGHUP, the desktop
// session ending) ends the main dialog as its close command does, so that it saves. Boxes and
// dialogs open above it are dismissed first. Also: SIGXFSZ is ignored, so that a file size
// limit fails a write instead of ending the process, and the last-chance handler
// (LastChance.h) runs when the process ends by the toolkit's own exit or fatal error.
void InstallCloseRequests();

// What a close request does; also for tests.
void RequestMainWindowClose();

}  // namespace platform

#pragma once

namespace platform {

// Ending the program from outside in the ordinary ways (SIGTERM, SIGINT, SIGHUP, the desktop
// session ending) ends the main dialog as its close command does, so that it saves. Boxes and
// dialogs open above it are dismissed first.
void InstallCloseRequests();

// What a close request does; also for tests.
void RequestMainWindowClose();

}  // namespace platform

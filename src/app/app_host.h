#pragma once

#include <windows.h>

namespace ks::app {

// The service's lifetime, on the thread that calls Run (the UI thread). The
// entry point creates it zero-initialised; the hidden window reaches it
// through its user data.
struct AppHost {
    UINT taskbarCreatedMessage = 0;  // from RegisterWindowMessageW("TaskbarCreated")
    // True from the end of start-up until shutdown begins: only then do the
    // tray's clicks and menu commands reach the service's windows.
    bool windowsReady = false;
    bool trayIconAdded = false;
    bool exitDialogOpen = false;

    // Starts every component, runs the message loop until the user stops the
    // service, tears down in order and returns the process exit code: 0 after
    // a confirmed exit, 1 after a start-up failure, a stop request or a failing
    // message loop. The show command is not used: no window is shown.
    int Run(HINSTANCE instance, int showCommand);
};

}  // namespace ks::app

#pragma once

#include <windows.h>

#include <functional>

#include "platform/win32/gdi_objects.h"
#include "preview/win32/preview_window_factory.h"
#include "printing/print_executor.h"

namespace ks::preview {
class PreviewWindowHost;
}
namespace ks::management {
class ManagementWindows;
}

namespace ks::app {

// The service's lifetime, on the thread that calls Run (the UI thread). The
// entry point creates it zero-initialised; the hidden window reaches it
// through its user data.
struct AppHost {
    // Set once start-up succeeded, cleared during shutdown: the hidden
    // window hands it every message first.
    preview::PreviewWindowHost* previewHost = nullptr;
    // Set and cleared together with the preview host: only while it is set
    // do the tray's clicks and menu commands reach the service's windows.
    management::ManagementWindows* managementWindows = nullptr;
    UINT taskbarCreatedMessage = 0;  // from RegisterWindowMessageW("TaskbarCreated")
    bool trayIconAdded = false;
    bool exitDialogOpen = false;
    // The image the notification icon shows, kept while the icon may be
    // shown (the shell is not documented to copy it).
    platform::UniqueIcon trayImage;
    // Called on the UI thread once start-up has finished (icon shown, pipe
    // serving), just before the message loop. Empty in the service; a test
    // host makes it throw to stand for a component that fails at the last
    // moment of start-up.
    std::function<void()> afterStartup;
    // Prints every document in place of the raster engine when set. Empty in
    // the service; a test host sets one that takes as long as the test says.
    printing::IPrintExecutor* printExecutor = nullptr;
    // Makes the preview windows. While empty the service cannot show a
    // preview, and the preview commands answer that they are not
    // implemented rather than accept one.
    preview::PreviewWindowFactory previewWindows;

    // Starts every component, runs the message loop until the user stops the
    // service, tears down in order and returns the process exit code: 0 after
    // a confirmed exit, 1 after a start-up failure, a stop request or a failing
    // message loop. The show command is not used: no window is shown.
    // An exception from a component leaves Run only after the pipe server
    // has stopped and the icon is gone, and after every component, the
    // hidden window and the apartment have been released.
    int Run(HINSTANCE instance, int showCommand);
};

// What the process entry runs: `host.Run`, with an exception that escapes it
// reported to the user as a failed start and turned into exit code 1. The
// handler is what makes the exception unwind Run at all: one that no
// handler catches ends the process on the spot.
int runService(AppHost& host, HINSTANCE instance, int showCommand) noexcept;

}  // namespace ks::app

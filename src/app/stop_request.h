#pragma once

#include <windows.h>

namespace ks::app {

// Ends the service with exit code 1, from any thread: posts the stop request
// to the hidden window, or, when that fails (the window is gone), WM_QUIT
// with wParam 1 straight to the UI thread.
class StopRequest {
public:
    StopRequest(HWND hiddenWindow, DWORD uiThreadId) noexcept : window_(hiddenWindow), uiThreadId_(uiThreadId) {}

    void operator()() const noexcept;

private:
    HWND window_;
    DWORD uiThreadId_;
};

}  // namespace ks::app

#pragma once

#include <windows.h>

#include <functional>

namespace ks::app {

// Runs the UI thread's message loop until WM_QUIT. For each message,
// `dialogWindow` is asked first for the window, if any, whose keyboard
// navigation IsDialogMessageW runs; then `translateDialog` may take the
// message (the management windows' navigation); then that dialog; else it is
// dispatched. Returns the quit message's wParam, or 1 when GetMessageW fails.
int runMessageLoop(const std::function<HWND()>& dialogWindow, const std::function<bool(MSG&)>& translateDialog);

}  // namespace ks::app

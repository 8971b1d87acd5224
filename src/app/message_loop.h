#pragma once

#include <windows.h>

#include <functional>

namespace ks::app {

// Runs the UI thread's message loop until WM_QUIT. `dialogWindow` names the
// window, if any, whose keyboard navigation IsDialogMessageW runs before a
// message is dispatched. Returns the quit message's wParam, or 1 when
// GetMessageW fails.
int runMessageLoop(const std::function<HWND()>& dialogWindow);

}  // namespace ks::app

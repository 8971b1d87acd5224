#pragma once

namespace ks::app {

// Runs the UI thread's message loop until WM_QUIT. Returns the quit
// message's wParam, or 1 when GetMessageW fails.
int runMessageLoop();

}  // namespace ks::app

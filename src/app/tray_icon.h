#pragma once

#include <windows.h>

namespace ks::app {

// Puts the service's icon into the notification area, owned by the hidden
// window; true when the shell took it.
[[nodiscard]] bool addTrayIcon(HWND hiddenWindow, HINSTANCE instance);

// Takes the icon out again.
void removeTrayIcon(HWND hiddenWindow);

}  // namespace ks::app

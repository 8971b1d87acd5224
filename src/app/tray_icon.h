#pragma once

#include <windows.h>

#include <shellapi.h>

namespace ks::app {

// What addTrayIcon hands the shell: icon 1 of the hidden window, its callback
// message, `image` and the tooltip.
[[nodiscard]] NOTIFYICONDATAW trayIconData(HWND hiddenWindow, HICON image);

// Puts the service's icon into the notification area, owned by the hidden
// window and showing `image`, which must stay valid while the icon is shown;
// true when the shell took it.
[[nodiscard]] bool addTrayIcon(HWND hiddenWindow, HICON image);

// Takes the icon out again.
void removeTrayIcon(HWND hiddenWindow);

}  // namespace ks::app

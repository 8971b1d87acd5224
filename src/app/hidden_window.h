#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace ks::app {

struct AppHost;

struct WindowTraits {
    using Type = HWND;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::DestroyWindow(value); }
};
using UniqueWindow = platform::UniqueResource<WindowTraits>;

// Registers "Kestrune.TrayOwner"; a class that already exists in this process
// counts as success. False with the last error set otherwise.
[[nodiscard]] bool registerTrayOwnerClass(HINSTANCE instance);

// The hidden, never shown owner of the tray icon and the service's windows;
// `host` becomes its user data.
[[nodiscard]] UniqueWindow createTrayOwnerWindow(HINSTANCE instance, AppHost* host);

LRESULT CALLBACK trayOwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace ks::app

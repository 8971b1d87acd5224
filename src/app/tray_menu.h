#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace ks::app {

struct MenuTraits {
    using Type = HMENU;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::DestroyMenu(value); }
};
using UniqueMenu = platform::UniqueResource<MenuTraits>;

// The tray's context menu, built anew each time it opens: 服务状态, 打印机设置,
// 诊断, a separator, 停止服务并退出. Null when the menu cannot be created.
UniqueMenu buildTrayMenu();

// Opens the menu at the cursor; the chosen command reaches the hidden window
// as WM_COMMAND. A menu that cannot be created leaves the click unanswered.
void showTrayMenu(HWND hiddenWindow);

}  // namespace ks::app

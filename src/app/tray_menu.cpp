#include "app/tray_menu.h"

#include "app/app_messages.h"
#include "app/app_texts.h"

namespace ks::app {

UniqueMenu buildTrayMenu() {
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu) return menu;
    // The texts are literals, so their views end in a terminator; building
    // the menu allocates nothing of ours.
    const auto append = [&](UINT id, std::wstring_view text) { ::AppendMenuW(menu.get(), MF_STRING, id, text.data()); };
    append(kCommandServiceStatus, kMenuServiceStatus);
    append(kCommandPrinterSettings, kMenuPrinterSettings);
    append(kCommandDiagnostics, kMenuDiagnostics);
    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    append(kCommandStopAndExit, kMenuStopAndExit);
    return menu;
}

void showTrayMenu(HWND hiddenWindow) {
    const UniqueMenu menu = buildTrayMenu();
    if (!menu) return;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks
    // elsewhere.
    ::SetForegroundWindow(hiddenWindow);
    ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hiddenWindow, nullptr);
    ::PostMessageW(hiddenWindow, WM_NULL, 0, 0);
}

}  // namespace ks::app

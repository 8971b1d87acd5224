#include "app/tray_icon.h"

#include <shellapi.h>

#include "app/app_messages.h"
#include "app/app_texts.h"
#include "resource_ids.h"

namespace ks::app {

bool addTrayIcon(HWND hiddenWindow, HINSTANCE instance) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hiddenWindow;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    ::lstrcpynW(data.szTip, kTrayTip.data(), ARRAYSIZE(data.szTip));  // a literal: terminated
    return ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void removeTrayIcon(HWND hiddenWindow) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hiddenWindow;
    data.uID = kTrayIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
}

}  // namespace ks::app

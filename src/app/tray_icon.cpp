#include "app/tray_icon.h"

#include "app/app_messages.h"
#include "app/app_texts.h"

namespace ks::app {

NOTIFYICONDATAW trayIconData(HWND hiddenWindow, HICON image) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hiddenWindow;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = image;
    ::lstrcpynW(data.szTip, kTrayTip.data(), ARRAYSIZE(data.szTip));  // a literal: terminated
    return data;
}

bool addTrayIcon(HWND hiddenWindow, HICON image) {
    NOTIFYICONDATAW data = trayIconData(hiddenWindow, image);
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

#include "app/hidden_window.h"

#include "app/app_host.h"
#include "app/app_messages.h"
#include "resource_ids.h"

namespace ks::app {

bool registerTrayOwnerClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = trayOwnerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.lpszClassName = kTrayOwnerClassName;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

UniqueWindow createTrayOwnerWindow(HINSTANCE instance, AppHost* host) {
    return UniqueWindow(::CreateWindowExW(WS_EX_TOOLWINDOW, kTrayOwnerClassName, kTrayOwnerWindowTitle, WS_POPUP, 0, 0,
                                          0, 0, nullptr, nullptr, instance, host));
}

LRESULT CALLBACK trayOwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    // Closing and stopping work even before an AppHost is attached.
    switch (message) {
        case WM_CLOSE: ::PostQuitMessage(0); return 0;
        case kStopRequestMessage: ::PostQuitMessage(1); return 0;
        case WM_NCDESTROY: ::SetWindowLongPtrW(window, GWLP_USERDATA, 0); break;
        default: break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace ks::app

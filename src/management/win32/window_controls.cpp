#include "management/win32/window_controls.h"

namespace ks::management {

HWND createChildControl(HWND parent, DWORD extendedStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                        int id) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    return ::CreateWindowExW(extendedStyle, className, text, style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void placeControl(HWND control, const platform::LayoutRect& rect) {
    ::MoveWindow(control, rect.x, rect.y, rect.width, rect.height, TRUE);
}

std::wstring windowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

int dpiOf(HWND window) {
    const UINT dpi = ::GetDpiForWindow(window);
    return dpi == 0 ? 96 : static_cast<int>(dpi);
}

}  // namespace ks::management

#pragma once

#include <windows.h>

#include <memory>

namespace ks::platform {

// The procedure of a window owned by one C++ object of type T, which the
// window creates and destroys:
// - WM_NCCREATE builds the object with
//   `static std::unique_ptr<T> T::create(HWND, const CREATESTRUCTW&) noexcept`
//   and keeps it in the window's user data; no object fails the creation;
// - every later message goes to
//   `LRESULT T::handleMessage(UINT, WPARAM, LPARAM) noexcept`;
// - WM_NCDESTROY clears the user data, calls `void T::destroyed() noexcept`
//   and deletes the object.
// Messages sent before WM_NCCREATE (WM_GETMINMAXINFO) get the default.
template <typename T>
LRESULT CALLBACK objectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        std::unique_ptr<T> created = T::create(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
        if (!created) return FALSE;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.release()));
    }
    auto* object = reinterpret_cast<T*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (object == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const std::unique_ptr<T> owned(object);
        owned->destroyed();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return object->handleMessage(message, wParam, lParam);
}

}  // namespace ks::platform

#include "preview/win32/preparing_window.h"

#include <memory>
#include <utility>

#include "platform/win32/gdi_objects.h"
#include "platform/win32/object_window.h"
#include "preview/preview_coordinator.h"
#include "preview/win32/preview_controls.h"
#include "preview/win32/preview_messages.h"
#include "preview/win32/window_placement.h"

namespace ks::preview {
namespace {

constexpr UINT_PTR kTimeoutTimer = 1;
constexpr UINT kTimeoutMs = 120000;

// The placeholder's state, owned by its window (see objectWindowProc).
class PreparingWindow {
public:
    PreparingWindow(std::string jobId, PreviewCoordinator& coordinator, std::function<void(HWND)> destroyed)
        : jobId_(std::move(jobId)), coordinator_(coordinator), destroyed_(std::move(destroyed)) {}

    // The creator's owner moves into the window, which ends it at
    // WM_NCDESTROY; a window never created leaves it with the creator.
    static std::unique_ptr<PreparingWindow> create(HWND window, const CREATESTRUCTW& creation) noexcept {
        std::unique_ptr<PreparingWindow> state =
            std::move(*static_cast<std::unique_ptr<PreparingWindow>*>(creation.lpCreateParams));
        if (state) state->window_ = window;
        return state;
    }

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        try {
            switch (message) {
                case WM_PAINT: paint(); return 0;
                case WM_DPICHANGED: {
                    const auto& suggested = *reinterpret_cast<const RECT*>(lParam);
                    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
                    return 0;
                }
                case WM_CLOSE: end(); return 0;
                case WM_TIMER:
                    if (wParam != kTimeoutTimer) break;
                    end();
                    return 0;
                default: break;
            }
        } catch (...) {
            // Only allocation can throw here (the coordinator's errors); the
            // placeholder is not worth ending the process for.
        }
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }

    void destroyed() noexcept {
        if (destroyed_) destroyed_(window_);
    }

private:
    // A preparation that already ended may have become an open preview
    // meanwhile: the user who gave up waiting wants that gone too.
    void end() {
        ::KillTimer(window_, kTimeoutTimer);
        if (!coordinator_.Dismiss(jobId_, true)) {
            // Nothing else to do when it is neither: the window goes anyway.
            static_cast<void>(coordinator_.Cancel(jobId_, true));
        }
        ::DestroyWindow(window_);
    }

    // In the preview window's base font at the window's DPI, made again when
    // the DPI changed.
    void paint() {
        const platform::PaintScope paint(window_);
        RECT client{};
        ::GetClientRect(window_, &client);
        const UINT dpi = ::GetDpiForWindow(window_);
        if (!font_ || fontDpi_ != dpi) {
            font_ = createPreviewBaseFont(static_cast<int>(dpi));
            fontDpi_ = dpi;
        }
        const platform::SelectionScope font(paint.dc(), font_ ? font_.get() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(paint.dc(), TRANSPARENT);
        ::DrawTextW(paint.dc(), kPreparingText.data(), static_cast<int>(kPreparingText.size()), &client,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }

    HWND window_ = nullptr;
    std::string jobId_;
    PreviewCoordinator& coordinator_;
    std::function<void(HWND)> destroyed_;
    platform::UniqueFont font_;
    UINT fontDpi_ = 0;
};

}  // namespace

bool registerPreparingWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;  // the text stays centred
    windowClass.lpfnWndProc = platform::objectWindowProc<PreparingWindow>;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kPreparingClassName;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND createPreparingWindow(HINSTANCE instance, HWND owner, const std::string& jobId, PreviewCoordinator& coordinator,
                           std::function<void(HWND)> destroyed) {
    auto state = std::make_unique<PreparingWindow>(jobId, coordinator, std::move(destroyed));
    const HWND window =
        ::CreateWindowExW(WS_EX_APPWINDOW, kPreparingClassName, kPreviewWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 0, 0, owner, nullptr, instance, &state);
    if (window != nullptr) placePreviewWindow(window);
    return window;
}

bool showPreparingWindow(HWND window) {
    if (::SetTimer(window, kTimeoutTimer, kTimeoutMs, nullptr) == 0) return false;
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    ::SetForegroundWindow(window);
    return true;
}

}  // namespace ks::preview

#include "app/exit_dialog.h"

#include <array>

#include "app/app_icon.h"
#include "app/exit_dialog_layout.h"
#include "resource_ids.h"

namespace ks::app {
namespace {

constexpr int kTitleId = 1101;
constexpr int kHeadingId = 1102;
constexpr int kBodyId = 1103;

constexpr COLORREF kHeadingText = RGB(22, 28, 38);
constexpr COLORREF kOtherText = RGB(96, 106, 120);
constexpr COLORREF kAccent = RGB(207, 36, 53);

struct ButtonColours {
    COLORREF face;
    COLORREF pressedFace;
    COLORREF text;
    bool framed;
    COLORREF border;
};
constexpr ButtonColours kExitColours{RGB(255, 255, 255), RGB(253, 238, 239), RGB(183, 37, 52), true, RGB(183, 37, 52)};
constexpr ButtonColours kKeepRunningColours{RGB(34, 40, 49), RGB(18, 23, 30), RGB(255, 255, 255), false, 0};

ExitDialogResources* resourcesOf(HWND dialog) {
    return reinterpret_cast<ExitDialogResources*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

int dpiOf(HWND dialog) { return static_cast<int>(::GetDpiForWindow(dialog)); }

platform::UniqueFont createFont(int height, int weight, const wchar_t* face) {
    return platform::UniqueFont(
        ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, face));
}

void createFonts(HWND dialog, ExitDialogResources& fonts) {
    const ExitDialogFontHeights heights = exitDialogFontHeights(dpiOf(dialog));
    // The fonts being replaced stay alive until the controls have switched;
    // a font that cannot be created keeps the one the dialog already has.
    platform::UniqueFont previousRegular = std::move(fonts.regular);
    platform::UniqueFont previousHeading = std::move(fonts.heading);
    platform::UniqueFont previousTitle = std::move(fonts.title);
    const auto newOr = [](platform::UniqueFont created, platform::UniqueFont& old) {
        return created ? std::move(created) : std::move(old);
    };
    fonts.regular = newOr(createFont(heights.regular, FW_NORMAL, L"Microsoft YaHei UI"), previousRegular);
    fonts.heading = newOr(createFont(heights.heading, FW_BOLD, L"Microsoft YaHei UI"), previousHeading);
    fonts.title = newOr(createFont(heights.title, FW_NORMAL, L"Segoe UI"), previousTitle);
    for (const int id : {kTitleId, kHeadingId, kBodyId, kKeepRunningButtonId, kExitButtonId}) {
        const HFONT font = id == kTitleId     ? fonts.title.get()
                           : id == kHeadingId ? fonts.heading.get()
                                              : fonts.regular.get();
        ::SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

void place(HWND dialog, int id, const LayoutRect& rect) {
    ::SetWindowPos(::GetDlgItem(dialog, id), nullptr, rect.x, rect.y, rect.width, rect.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void layOut(HWND dialog) {
    RECT client{};
    ::GetClientRect(dialog, &client);
    const ExitDialogLayout layout = layoutExitDialog(client.right, client.bottom, dpiOf(dialog));
    place(dialog, kTitleId, layout.title);
    place(dialog, kHeadingId, layout.heading);
    place(dialog, kBodyId, layout.body);
    place(dialog, kKeepRunningButtonId, layout.keepRunning);
    place(dialog, kExitButtonId, layout.exit);
    ::InvalidateRect(dialog, nullptr, TRUE);
}

// The window's icons at the sizes its DPI asks for; the ones replaced stay
// alive until the window has let go of them.
void setIcons(HWND dialog, ExitDialogResources& resources) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const int dpi = dpiOf(dialog);
    platform::UniqueIcon big = loadAppIcon(instance, ::GetSystemMetricsForDpi(SM_CXICON, dpi));
    platform::UniqueIcon small = loadAppIcon(instance, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi));
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    resources.bigIcon = std::move(big);
    resources.smallIcon = std::move(small);
}

// Client area of 480 × 250 DIP, centred on the work area of the monitor
// under the cursor.
void sizeAndCentre(HWND dialog) {
    const int dpi = dpiOf(dialog);
    RECT frame{0, 0, scaleForDpi(kExitDialogClientWidth, dpi), scaleForDpi(kExitDialogClientHeight, dpi)};
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(::GetWindowLongW(dialog, GWL_EXSTYLE)), static_cast<UINT>(dpi));
    POINT cursor{};
    ::GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const LayoutRect placed = centreInWorkArea({work.left, work.top, work.right - work.left, work.bottom - work.top},
                                               frame.right - frame.left, frame.bottom - frame.top);
    ::SetWindowPos(dialog, nullptr, placed.x, placed.y, placed.width, placed.height, SWP_NOZORDER);
}

void fill(HDC dc, const RECT& rect, COLORREF colour) {
    ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void paint(HWND dialog) {
    const platform::PaintScope scope(dialog);
    const int dpi = dpiOf(dialog);
    RECT client{};
    ::GetClientRect(dialog, &client);
    const ExitDialogLayout layout = layoutExitDialog(client.right, client.bottom, dpi);
    fill(scope.dc(), RECT{0, 0, layout.accentBar.width, layout.accentBar.height}, kAccent);
    ExitDialogResources* resources = resourcesOf(dialog);
    if (resources == nullptr) return;
    // Reloaded only when the layout's size changed with the DPI.
    if (iconWidth(resources->shownIcon.get()) != layout.icon.width) {
        resources->shownIcon = loadAppIcon(::GetModuleHandleW(nullptr), layout.icon.width);
    }
    if (resources->shownIcon) {
        ::DrawIconEx(scope.dc(), layout.icon.x, layout.icon.y, resources->shownIcon.get(), layout.icon.width,
                     layout.icon.height, 0, nullptr, DI_NORMAL);
    }
}

void drawButton(HWND dialog, const DRAWITEMSTRUCT& item) {
    const ButtonColours& colours = item.CtlID == kExitButtonId ? kExitColours : kKeepRunningColours;
    const HDC dc = item.hDC;
    RECT rect = item.rcItem;
    fill(dc, rect, (item.itemState & ODS_SELECTED) != 0 ? colours.pressedFace : colours.face);
    if (colours.framed) {
        ::SetDCBrushColor(dc, colours.border);
        ::FrameRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }
    std::array<wchar_t, 64> caption{};
    ::GetWindowTextW(item.hwndItem, caption.data(), static_cast<int>(caption.size()));
    const ExitDialogResources* fonts = resourcesOf(dialog);
    const platform::SelectionScope font(dc, fonts != nullptr ? fonts->regular.get() : nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colours.text);
    ::DrawTextW(dc, caption.data(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if ((item.itemState & ODS_FOCUS) != 0) {
        const int inset = scaleForDpi(4, dpiOf(dialog));
        ::InflateRect(&rect, -inset, -inset);
        ::DrawFocusRect(dc, &rect);
    }
}

INT_PTR staticColours(HWND control, HDC dc) {
    ::SetTextColor(dc, ::GetDlgCtrlID(control) == kHeadingId ? kHeadingText : kOtherText);
    ::SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
}

}  // namespace

bool confirmExit(HINSTANCE instance, HWND owner) {
    ExitDialogResources resources;
    const INT_PTR choice = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_EXIT_CONFIRM), owner, exitDialogProc,
                                             reinterpret_cast<LPARAM>(&resources));
    return choice == kExitButtonId;
}

INT_PTR CALLBACK exitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_INITDIALOG:
            ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            setIcons(dialog, *resourcesOf(dialog));
            sizeAndCentre(dialog);
            createFonts(dialog, *resourcesOf(dialog));
            layOut(dialog);
            ::SetFocus(::GetDlgItem(dialog, kKeepRunningButtonId));
            return FALSE;  // the focus is set
        case WM_PAINT: paint(dialog); return TRUE;
        case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
        case WM_CTLCOLORSTATIC: return staticColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID != kExitButtonId && item->CtlID != kKeepRunningButtonId) return FALSE;
            drawButton(dialog, *item);
            return TRUE;
        }
        case DM_GETDEFID: {
            const int focused = ::GetDlgCtrlID(::GetFocus());
            ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, MAKELONG(defaultButtonFor(focused), DC_HASDEFID));
            return TRUE;
        }
        case DM_SETDEFID: return TRUE;  // the default button follows the focus instead
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            createFonts(dialog, *resourcesOf(dialog));
            setIcons(dialog, *resourcesOf(dialog));
            layOut(dialog);
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id != kExitButtonId && id != kKeepRunningButtonId) return FALSE;
            ::EndDialog(dialog, id);
            return TRUE;
        }
        case WM_CLOSE: ::EndDialog(dialog, kKeepRunningButtonId); return TRUE;
        default: return FALSE;
    }
}

}  // namespace ks::app

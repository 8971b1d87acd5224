#include "preview/win32/preview_controls.h"

#include <commctrl.h>

#include <array>

#include "preview/preview_layout.h"

namespace ks::preview {
namespace {

struct ControlTemplate {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
};

constexpr DWORD kButton = BS_OWNERDRAW | WS_TABSTOP;

// Creation order is the tab order.
constexpr std::array<ControlTemplate, 20> kControls{{
    {control::kPrinterHeading, L"STATIC", L"打印机", 0},
    {control::kPrinterList, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {control::kPaperHeading, L"STATIC", L"纸张信息", 0},
    {control::kPaperLine, L"STATIC", L"", 0},
    {control::kQualityLine, L"STATIC", L"", 0},
    {control::kOrientationLine, L"STATIC", L"", 0},
    {control::kCopiesHeading, L"STATIC", L"份数", 0},
    {control::kCopies, L"EDIT", L"1", WS_BORDER | ES_NUMBER | WS_TABSTOP},
    {control::kSettings, L"BUTTON", L"设置", kButton},
    {control::kStatus, L"EDIT", L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL},
    {control::kPrint, L"BUTTON", L"打印", kButton},
    {control::kClose, L"BUTTON", L"关闭", kButton},
    {control::kPreviousPage, L"BUTTON", L"上一页", kButton},
    {control::kPageCounter, L"STATIC", L"", SS_CENTER},
    {control::kNextPage, L"BUTTON", L"下一页", kButton},
    {control::kZoomOut, L"BUTTON", L"\u2212", kButton},
    {control::kActualSize, L"BUTTON", L"100%", kButton},
    {control::kZoomIn, L"BUTTON", L"+", kButton},
    {control::kFitToWindow, L"BUTTON", L"适合窗口", kButton},
    {control::kZoomLabel, L"STATIC", L"", SS_CENTER},
}};

constexpr COLORREF kText = RGB(0x22, 0x28, 0x31);
constexpr COLORREF kStatusError = RGB(0xB7, 0x25, 0x34);
constexpr COLORREF kStatusFine = RGB(0x1A, 0x71, 0x42);

struct ButtonLook {
    COLORREF fill;
    COLORREF border;
    COLORREF text;
};
constexpr ButtonLook kDisabledLook{RGB(0xEE, 0xF0, 0xF3), RGB(0xBF, 0xC6, 0xD0), RGB(0x90, 0x97, 0xA3)};
constexpr ButtonLook kPrintLook{RGB(0xCF, 0x24, 0x35), RGB(0xCF, 0x24, 0x35), RGB(0xFF, 0xFF, 0xFF)};
constexpr ButtonLook kPrintPressedLook{RGB(0xA9, 0x17, 0x2B), RGB(0xCF, 0x24, 0x35), RGB(0xFF, 0xFF, 0xFF)};
constexpr ButtonLook kOtherLook{RGB(0xF9, 0xFA, 0xFC), RGB(0xBF, 0xC6, 0xD0), kText};
constexpr ButtonLook kOtherPressedLook{RGB(0xE4, 0xE8, 0xED), RGB(0xBF, 0xC6, 0xD0), kText};

ButtonLook lookOf(const DRAWITEMSTRUCT& item) {
    if ((item.itemState & ODS_DISABLED) != 0) return kDisabledLook;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    if (item.CtlID == control::kPrint) return pressed ? kPrintPressedLook : kPrintLook;
    return pressed ? kOtherPressedLook : kOtherLook;
}

HWND createChild(HWND parent, HINSTANCE instance, const ControlTemplate& item) {
    return ::CreateWindowExW(0, item.className, item.text, WS_CHILD | WS_VISIBLE | item.style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
}

platform::UniqueFont createFont(int height, int weight) {
    return platform::UniqueFont(::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                              CLEARTYPE_QUALITY, 0, L"Microsoft YaHei UI"));
}

void setFont(HWND window, int id, HFONT font) {
    ::SendDlgItemMessageW(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

}  // namespace

bool createPreviewControls(HWND window) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE));
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&classes);
    for (const ControlTemplate& item : kControls) {
        if (createChild(window, instance, item) == nullptr) return false;
    }
    const ControlTemplate spinner{control::kCopiesSpinner, UPDOWN_CLASSW, L"",
                                  UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS};
    const HWND upDown = createChild(window, instance, spinner);
    if (upDown == nullptr) return false;
    ::SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(::GetDlgItem(window, control::kCopies)), 0);
    ::SendMessageW(upDown, UDM_SETRANGE32, 1, 999);
    ::SendDlgItemMessageW(window, control::kCopies, EM_LIMITTEXT, 3, 0);
    ::ShowWindow(::GetDlgItem(window, control::kZoomLabel), SW_HIDE);
    return true;
}

PreviewFonts createPreviewFonts(int dpi) {
    const PreviewFontHeights heights = previewFontHeights(dpi);
    return {createPreviewBaseFont(dpi), createFont(heights.small, FW_NORMAL), createFont(heights.heading, FW_SEMIBOLD)};
}

platform::UniqueFont createPreviewBaseFont(int dpi) { return createFont(previewFontHeights(dpi).base, FW_NORMAL); }

void applyPreviewFonts(HWND window, const PreviewFonts& fonts, int dpi) {
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.base.get()), FALSE);
    }
    setFont(window, control::kStatus, fonts.small.get());
    for (const int id : {control::kPrinterHeading, control::kPaperHeading, control::kCopiesHeading}) {
        setFont(window, id, fonts.heading.get());
    }
    // -1 is the selection field rather than the list's items.
    ::SendDlgItemMessageW(window, control::kPrinterList, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                          previewFontHeights(dpi).comboSelection);
}

void layOutPreviewControls(HWND window, int dpi) {
    RECT client{};
    ::GetClientRect(window, &client);
    for (const PlacedControl& placed : layoutPreviewWindow(client.right, client.bottom, dpi)) {
        ::SetWindowPos(::GetDlgItem(window, placed.id), nullptr, placed.rect.x, placed.rect.y, placed.rect.width,
                       placed.rect.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void drawPreviewButton(const DRAWITEMSTRUCT& item, const PreviewFonts& fonts, int dpi) {
    const HDC dc = item.hDC;
    const ButtonLook look = lookOf(item);
    RECT rect = item.rcItem;
    // The corners outside the rounded rectangle show the panel's white.
    ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetDCBrushColor(dc, look.fill);
    ::SetDCPenColor(dc, look.border);
    {
        const platform::SelectionScope brush(dc, ::GetStockObject(DC_BRUSH));
        const platform::SelectionScope pen(dc, ::GetStockObject(DC_PEN));
        const int diameter = 2 * platform::scaleForDpi(5, dpi);
        ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, diameter, diameter);
    }
    std::array<wchar_t, 32> caption{};
    ::GetWindowTextW(item.hwndItem, caption.data(), static_cast<int>(caption.size()));
    const HFONT font = item.CtlID == control::kPrint ? fonts.heading.get() : fonts.base.get();
    RECT textRect = rect;
    if ((item.itemState & ODS_SELECTED) != 0) ::OffsetRect(&textRect, 1, 1);
    {
        const platform::SelectionScope selected(dc, font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, look.text);
        ::DrawTextW(dc, caption.data(), -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
        const int inset = platform::scaleForDpi(4, dpi);
        ::InflateRect(&rect, -inset, -inset);
        ::DrawFocusRect(dc, &rect);
    }
}

HBRUSH colourPreviewControl(HWND control, HDC dc, bool statusIsError) {
    const bool status = ::GetDlgCtrlID(control) == control::kStatus;
    ::SetTextColor(dc, !status ? kText : statusIsError ? kStatusError : kStatusFine);
    ::SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
    return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}

}  // namespace ks::preview

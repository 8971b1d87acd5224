// The service status window: its owner-drawn panel, refresh button and
// footer, and what a refresh reads.

#include <string>
#include <string_view>

#include "management/latest_job_line.h"
#include "management/status_text.h"
#include "management/win32/management_windows.h"
#include "management/win32/window_controls.h"
#include "preview/preview_coordinator.h"

namespace ks::management {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kHeaderBand = RGB(34, 40, 49);
constexpr COLORREF kAccent = RGB(207, 36, 53);
constexpr COLORREF kIconTile = RGB(250, 249, 245);
constexpr COLORREF kSeparator = RGB(158, 167, 181);
constexpr COLORREF kSubtitle = RGB(214, 219, 227);
constexpr COLORREF kDivider = RGB(222, 227, 234);
constexpr COLORREF kHeading = RGB(22, 28, 38);
constexpr COLORREF kLabel = RGB(96, 106, 120);
constexpr COLORREF kRunning = RGB(26, 113, 66);
constexpr COLORREF kStopped = RGB(183, 37, 52);
constexpr COLORREF kButtonPressed = RGB(18, 23, 30);
constexpr COLORREF kButtonDisabled = RGB(238, 240, 243);
constexpr COLORREF kButtonDisabledText = RGB(144, 151, 163);

constexpr UINT kPanelTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

void fill(HDC dc, const RECT& rect, COLORREF colour) {
    ::SetBkColor(dc, colour);
    // ETO_OPAQUE fills with the background colour without a brush to make.
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

HFONT fontOr(const platform::UniqueFont& font, const platform::UniqueFont& base) {
    return font ? font.get() : base.get();
}

void drawLine(HDC dc, std::wstring_view text, RECT rect, HFONT font, COLORREF colour, UINT format) {
    const platform::SelectionScope selection(dc, font);
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format);
}

}  // namespace

bool ManagementWindows::createStatusControls(WindowSlot& slot) {
    slot.content = createChildControl(slot.window, 0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                                      kStatusPanelId);
    return slot.content != nullptr;
}

void ManagementWindows::refreshStatus(WindowSlot& slot) {
    slot.serviceRunning = serviceRunning_ ? serviceRunning_() : true;
    slot.previewBusy = coordinator_.Busy();
    slot.latestJobLine = formatLatestJobLine(latestJob_ ? latestJob_() : std::nullopt);
    // The panel draws its own picture; its text carries the same facts for
    // whoever reads the window rather than looks at it.
    ::SetWindowTextW(slot.content, statusPanelText(slot.serviceRunning, slot.previewBusy, slot.latestJobLine).c_str());
    ::InvalidateRect(slot.content, nullptr, FALSE);
}

void ManagementWindows::drawStatusPanel(const WindowSlot& slot, const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    const int saved = ::SaveDC(dc);
    ::SetViewportOrgEx(dc, item.rcItem.left, item.rcItem.top, nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    const int dpi = dpiOf(slot.window);
    const auto s = [dpi](int value) { return platform::scaleForDpi(value, dpi); };
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;

    fill(dc, {0, 0, width, height}, kWhite);
    fill(dc, {0, 0, width, s(98)}, kHeaderBand);
    fill(dc, {0, s(98), width, s(100)}, kAccent);
    fill(dc, {s(28), s(14), s(88), s(84)}, kIconTile);
    const HICON icon = slot.panelIcon ? slot.panelIcon.get() : ::LoadIconW(nullptr, IDI_APPLICATION);
    ::DrawIconEx(dc, s(26), s(17), icon, s(64), s(64), 0, nullptr, DI_NORMAL);
    fill(dc, {s(102), s(24), s(103), s(75)}, kSeparator);

    const HFONT base = slot.baseFont.get();
    drawLine(dc, L"Kestrune", {s(122), s(21), width - s(28), s(63)}, fontOr(slot.titleFont, slot.baseFont), kWhite,
             kPanelTextFormat);
    drawLine(dc, L"岚舟", {s(124), s(61), width - s(28), s(85)}, fontOr(slot.headingFont, slot.baseFont), kSubtitle,
             kPanelTextFormat);
    fill(dc, {s(28), s(286), width - s(28), s(287)}, kDivider);
    drawLine(dc, L"服务状态", {s(28), s(303), width - s(28), s(331)}, fontOr(slot.headingFont, slot.baseFont),
             kHeading, kPanelTextFormat);

    struct Row {
        int top;
        std::wstring_view label;
        std::wstring value;
        COLORREF colour;
    };
    const Row rows[] = {
        {340, L"本地服务", slot.serviceRunning ? L"运行中" : L"已停止", slot.serviceRunning ? kRunning : kStopped},
        {370, L"当前预览", slot.previewBusy ? L"预览中" : L"无", kHeading},
        {400, L"最近任务", latestJobRowValue(slot.latestJobLine), kHeading},
    };
    for (const Row& row : rows) {
        const int top = s(row.top);
        drawLine(dc, row.label, {s(28), top, s(188), top + s(26)}, base, kLabel, kPanelTextFormat);
        drawLine(dc, row.value, {s(188), top, width - s(28), top + s(26)}, base, row.colour, kPanelTextFormat);
    }
    ::RestoreDC(dc, saved);
}

void ManagementWindows::drawStatusRefreshButton(const WindowSlot& slot, const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF face = disabled ? kButtonDisabled : (pressed ? kButtonPressed : kHeaderBand);
    fill(dc, item.rcItem, face);

    wchar_t caption[32] = {};
    const int length = ::GetWindowTextW(item.hwndItem, caption, 32);
    RECT textRect = item.rcItem;
    const int saved = ::SaveDC(dc);
    ::SetBkMode(dc, TRANSPARENT);
    drawLine(dc, std::wstring_view(caption, static_cast<std::size_t>(length > 0 ? length : 0)), textRect,
             slot.baseFont.get(), disabled ? kButtonDisabledText : kWhite,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::RestoreDC(dc, saved);
    if ((item.itemState & ODS_FOCUS) != 0) {
        const int inset = platform::scaleForDpi(4, dpiOf(slot.window));
        RECT focus = item.rcItem;
        ::InflateRect(&focus, -inset, -inset);
        ::DrawFocusRect(dc, &focus);
    }
}

void ManagementWindows::paintStatusFooter(const WindowSlot& slot) const {
    const platform::PaintScope paint(slot.window);
    RECT client{};
    ::GetClientRect(slot.window, &client);
    const auto s = [dpi = dpiOf(slot.window)](int value) { return platform::scaleForDpi(value, dpi); };
    ::SetBkMode(paint.dc(), TRANSPARENT);
    drawLine(paint.dc(), L"版本 0.1.0",
             {s(28), client.bottom - s(52), client.right - s(170), client.bottom - s(20)},
             fontOr(slot.smallFont, slot.baseFont), kLabel, DT_SINGLELINE | DT_VCENTER);
}

}  // namespace ks::management

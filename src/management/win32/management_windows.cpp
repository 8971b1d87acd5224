#include "management/win32/management_windows.h"

#include <cwchar>
#include <exception>
#include <utility>

#include "app/app_icon.h"
#include "management/win32/window_controls.h"
#include "management/win32/windows_version.h"

namespace ks::management {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kWindowExtendedStyle = WS_EX_CONTROLPARENT;

// A DIP size of the kind table as a window size in pixels at `dpi`.
SIZE windowSizeFor(const KindSize& size, int dpi) {
    RECT rect{0, 0, platform::scaleForDpi(size.width, dpi), platform::scaleForDpi(size.height, dpi)};
    if (size.clientArea) {
        ::AdjustWindowRectExForDpi(&rect, kWindowStyle, FALSE, kWindowExtendedStyle, static_cast<UINT>(dpi));
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

platform::UniqueFont createStatusFont(int size, int weight, const wchar_t* face, int dpi) {
    return platform::UniqueFont(::CreateFontW(-platform::scaleForDpi(size, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                              DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, face));
}

// A font that cannot be made leaves the one before it in place.
void replaceFont(platform::UniqueFont& current, platform::UniqueFont replacement) {
    if (replacement) current = std::move(replacement);
}

}  // namespace

ManagementWindows::ManagementWindows(HWND ownerWindow, preview::PreviewCoordinator& coordinator,
                                     printers::PrinterCatalog& catalog, platform::IPrinterPropertiesLauncher& launcher,
                                     WindowsVersionProvider windowsVersion, ServiceRunningProvider serviceRunning,
                                     LatestJobProvider latestJob, platform::IDiagnosticExporter* exporter)
    : ownerWindow_(ownerWindow),
      coordinator_(coordinator),
      catalog_(catalog),
      launcher_(launcher),
      windowsVersion_(windowsVersion ? std::move(windowsVersion) : WindowsVersionProvider(queryWindowsVersion)),
      serviceRunning_(std::move(serviceRunning)),
      latestJob_(std::move(latestJob)),
      exporter_(exporter),
      slots_{{{*this, WindowKind::ServiceStatus}, {*this, WindowKind::PrinterSettings}, {*this, WindowKind::Diagnostics}}} {}

ManagementWindows::~ManagementWindows() { DestroyAll(); }

void ManagementWindows::ShowWindowOf(WindowKind kind) noexcept {
    WindowSlot& slot = slots_[static_cast<std::size_t>(kind)];
    if (slot.window == nullptr && !createWindow(slot)) return;
    try {
        RefreshWindow(slot);
    } catch (const std::exception&) {
        // Only allocation throws here (the catalogue's failures become its
        // error text): the window still comes forward, with what it showed.
        ::InvalidateRect(slot.window, nullptr, TRUE);
    }
    ::ShowWindow(slot.window, ::IsIconic(slot.window) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(slot.window);
}

void ManagementWindows::RefreshWindow(WindowSlot& slot) {
    if (slot.window == nullptr) return;
    switch (slot.kind) {
        case WindowKind::ServiceStatus: refreshStatus(slot); break;
        case WindowKind::PrinterSettings: refreshPrinterSettings(slot); break;
        case WindowKind::Diagnostics: refreshDiagnostics(slot); break;
    }
}

void ManagementWindows::LayoutWindow(WindowSlot& slot) {
    if (slot.window == nullptr) return;
    RECT client{};
    ::GetClientRect(slot.window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int dpi = dpiOf(slot.window);
    switch (slot.kind) {
        case WindowKind::ServiceStatus: {
            const StatusLayout layout = statusLayout(width, height, dpi);
            placeControl(slot.content, layout.panel);
            placeControl(slot.refreshButton, layout.refresh);
            ::InvalidateRect(slot.window, nullptr, TRUE);
            break;
        }
        case WindowKind::PrinterSettings: {
            const PrinterSettingsLayout layout = printerSettingsLayout(width, height, dpi);
            placeControl(slot.printerList, layout.list);
            placeControl(slot.content, layout.information);
            placeControl(slot.refreshButton, layout.refresh);
            placeControl(slot.propertiesButton, layout.properties);
            break;
        }
        case WindowKind::Diagnostics: {
            const DiagnosticsLayout layout = diagnosticsLayout(width, height, dpi, measureExportLabel(slot, width));
            if (layout.labelVisible) placeControl(slot.exportStatusLabel, layout.label);
            ::ShowWindow(slot.exportStatusLabel, layout.labelVisible ? SW_SHOW : SW_HIDE);
            placeControl(slot.content, layout.report);
            placeControl(slot.refreshButton, layout.refresh);
            placeControl(slot.exportButton, layout.exportButton);
            ::InvalidateRect(slot.window, nullptr, TRUE);
            break;
        }
    }
}

bool ManagementWindows::TranslateDialogMessage(MSG& message) {
    for (const WindowSlot& slot : slots_) {
        if (slot.window != nullptr && ::IsDialogMessageW(slot.window, &message)) return true;
    }
    return false;
}

void ManagementWindows::DestroyAll() noexcept {
    for (const WindowSlot& slot : slots_) {
        if (slot.window != nullptr) ::DestroyWindow(slot.window);
    }
}

bool ManagementWindows::createWindow(WindowSlot& slot) {
    const WindowKindTraits& traits = traitsOf(slot.kind);
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(ownerWindow_, GWLP_HINSTANCE));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    // The names are literals: their views end in a terminator.
    windowClass.lpszClassName = traits.className.data();
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    const SIZE size = windowSizeFor(traits.createdSize, dpiOf(ownerWindow_));
    return ::CreateWindowExW(kWindowExtendedStyle, traits.className.data(), traits.title.data(), kWindowStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, ownerWindow_, nullptr, instance,
                             &slot) != nullptr;
}

LRESULT CALLBACK ManagementWindows::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* slot = static_cast<WindowSlot*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        ++slot->generation;
        slot->window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(slot));
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    auto* slot = reinterpret_cast<WindowSlot*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (slot == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        slot->owner.windowDestroyed(*slot);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return slot->owner.handleMessage(*slot, message, wParam, lParam);
    } catch (const std::exception&) {
        // What throws here is allocation while texts are built (the
        // catalogue's own failures are shown as its error text). The window
        // keeps what it showed; one that cannot get its controls is not made.
        if (message == WM_CREATE) return -1;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ManagementWindows::handleMessage(WindowSlot& slot, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = slot.window;
    const bool status = slot.kind == WindowKind::ServiceStatus;
    const bool diagnostics = slot.kind == WindowKind::Diagnostics;
    switch (message) {
        case WM_CREATE:
            if (!createControls(slot)) return -1;
            setIcons(slot);
            makeFonts(slot);
            LayoutWindow(slot);
            return 0;
        case WM_SIZE: LayoutWindow(slot); return 0;
        case WM_PAINT:
            if (!status) break;
            paintStatusFooter(slot);
            return 0;
        case WM_CLOSE: ::DestroyWindow(window); return 0;
        case WM_ACTIVATE:
            slot.focus.activated(window, wParam);
            break;  // the default gives the window itself the focus on activation
        case WM_SETFOCUS:
            // As in a dialog: back to where it was, else to the first control.
            slot.focus.focusReceived(::GetNextDlgTabItem(window, nullptr, FALSE));
            return 0;
        case WM_GETMINMAXINFO:
            if (slot.kind == WindowKind::PrinterSettings) break;
            minimumTrackingSize(slot, *reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL: ::DestroyWindow(window); return 0;  // Escape, through TranslateDialogMessage
                case kRefreshButtonId: RefreshWindow(slot); return 0;
                case kExportButtonId:
                    if (!diagnostics) break;
                    exportDiagnostics(slot);
                    return 0;
                case kPrinterListId:
                    if (slot.kind != WindowKind::PrinterSettings || HIWORD(wParam) != CBN_SELCHANGE) break;
                    printerSelectionChanged(slot);
                    return 0;
                case kPropertiesButtonId:
                    if (slot.kind != WindowKind::PrinterSettings) break;
                    openPrinterProperties(slot);
                    return 0;
                default: break;
            }
            break;
        case WM_DRAWITEM: {
            if (!status) break;
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlID == kStatusPanelId) drawStatusPanel(slot, item);
            if (item.CtlID == kRefreshButtonId) drawStatusRefreshButton(slot, item);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            if (!diagnostics) break;
            return diagnosticsColours(reinterpret_cast<HDC>(wParam));
        case WM_DPICHANGED: {
            const auto& suggested = *reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                           suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            setIcons(slot);
            makeFonts(slot);
            LayoutWindow(slot);
            return 0;
        }
        case kQueryGenerationMessage: return static_cast<LRESULT>(slot.generation);
        default: break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool ManagementWindows::createControls(WindowSlot& slot) {
    bool created = false;
    switch (slot.kind) {
        case WindowKind::ServiceStatus: created = createStatusControls(slot); break;
        case WindowKind::PrinterSettings: created = createPrinterSettingsControls(slot); break;
        case WindowKind::Diagnostics: created = createDiagnosticsControls(slot); break;
    }
    if (!created) return false;
    const WindowKindTraits& traits = traitsOf(slot.kind);
    const DWORD buttonStyle = traits.ownerDrawnRefresh ? BS_OWNERDRAW : BS_PUSHBUTTON;
    slot.refreshButton = createChildControl(slot.window, 0, L"BUTTON", traits.refreshText.data(),
                                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | buttonStyle, kRefreshButtonId);
    return slot.refreshButton != nullptr;
}

void ManagementWindows::windowDestroyed(WindowSlot& slot) noexcept {
    // The controls are gone by now (children go before their parent's
    // WM_NCDESTROY), so the fonts they used may go too.
    slot.window = nullptr;
    slot.content = nullptr;
    slot.refreshButton = nullptr;
    slot.printerList = nullptr;
    slot.propertiesButton = nullptr;
    slot.exportButton = nullptr;
    slot.exportStatusLabel = nullptr;
    slot.focus = {};
    slot.baseFont.reset();
    slot.smallFont.reset();
    slot.headingFont.reset();
    slot.titleFont.reset();
    slot.bigIcon.reset();
    slot.smallIcon.reset();
    slot.panelIcon.reset();
}

// The window's icons at the sizes its DPI asks for; the ones replaced stay
// alive until the window has let go of them.
void ManagementWindows::setIcons(WindowSlot& slot) {
    const auto module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(slot.window, GWLP_HINSTANCE));
    const int dpi = dpiOf(slot.window);
    platform::UniqueIcon big = app::loadAppIcon(module, ::GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi)));
    platform::UniqueIcon small =
        app::loadAppIcon(module, ::GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi)));
    // The system's icon is shared and never destroyed.
    const HICON fallback = ::LoadIconW(nullptr, IDI_APPLICATION);
    ::SendMessageW(slot.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big.get() : fallback));
    ::SendMessageW(slot.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small.get() : fallback));
    slot.bigIcon = std::move(big);
    slot.smallIcon = std::move(small);
    if (slot.kind == WindowKind::ServiceStatus) {
        slot.panelIcon = app::loadAppIcon(module, platform::scaleForDpi(64, dpi));
    }
}

void ManagementWindows::makeFonts(WindowSlot& slot) {
    const int dpi = dpiOf(slot.window);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi))) {
        return;
    }
    LOGFONTW base = metrics.lfMessageFont;
    const bool status = slot.kind == WindowKind::ServiceStatus;
    if (status) {
        base.lfHeight = -platform::scaleForDpi(16, dpi);
        std::wcsncpy(base.lfFaceName, L"Microsoft YaHei UI", LF_FACESIZE - 1);
        base.lfFaceName[LF_FACESIZE - 1] = L'\0';
    }
    platform::UniqueFont font(::CreateFontIndirectW(&base));
    if (!font) return;
    for (const HWND control : {slot.content, slot.refreshButton, slot.printerList, slot.propertiesButton,
                               slot.exportButton, slot.exportStatusLabel}) {
        if (control != nullptr) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    // Only now, with no control left using it, may the old font go.
    slot.baseFont = std::move(font);
    if (!status) return;
    replaceFont(slot.smallFont, createStatusFont(13, FW_NORMAL, L"Microsoft YaHei UI", dpi));
    replaceFont(slot.headingFont, createStatusFont(17, FW_SEMIBOLD, L"Microsoft YaHei UI", dpi));
    replaceFont(slot.titleFont, createStatusFont(32, FW_BOLD, L"Segoe UI", dpi));
}

void ManagementWindows::minimumTrackingSize(const WindowSlot& slot, MINMAXINFO& info) const {
    const KindSize& minimum = traitsOf(slot.kind).minimumSize;
    const SIZE size = windowSizeFor(minimum, dpiOf(slot.window));
    info.ptMinTrackSize = {size.cx, size.cy};
}

}  // namespace ks::management

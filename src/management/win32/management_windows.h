#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "management/management_layout.h"
#include "management/printer_info_text.h"
#include "management/providers.h"
#include "platform/win32/focus_memory.h"
#include "platform/win32/gdi_objects.h"

namespace ks::preview {
class PreviewCoordinator;
}
namespace ks::printers {
class PrinterCatalog;
}
namespace ks::platform {
class IPrinterPropertiesLauncher;
class IDiagnosticExporter;
}  // namespace ks::platform

namespace ks::management {

class ManagementWindows;

// Sent to a management window, answers the slot's generation: how many
// windows have been created for that kind so far. Lets tools and tests tell a
// reopened window from the one before it.
inline constexpr UINT kQueryGenerationMessage = WM_APP + 0x40;

// Control ids of the management windows.
inline constexpr int kRefreshButtonId = 2001;
inline constexpr int kPrinterListId = 2002;
inline constexpr int kPropertiesButtonId = 2003;
inline constexpr int kReportId = 2201;
inline constexpr int kExportButtonId = 2202;
inline constexpr int kExportStatusLabelId = 2203;
inline constexpr int kStatusPanelId = 2301;

// One management window's place in ManagementWindows: its handles while it
// exists, its fonts and what its last refresh read. The slot outlives its
// windows; every handle is cleared when the window is destroyed.
struct WindowSlot {
    WindowSlot(ManagementWindows& slotOwner, WindowKind slotKind) noexcept : owner(slotOwner), kind(slotKind) {}
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;

    ManagementWindows& owner;
    HWND window = nullptr;
    HWND content = nullptr;  // status panel, printer information text or diagnostics report
    HWND refreshButton = nullptr;
    HWND printerList = nullptr;
    HWND propertiesButton = nullptr;
    HWND exportButton = nullptr;
    HWND exportStatusLabel = nullptr;
    // The control that gets the keyboard focus back when the window is
    // activated again.
    platform::FocusMemory focus;
    std::uint64_t generation = 0;
    platform::UniqueFont baseFont;
    platform::UniqueFont smallFont;    // status window only
    platform::UniqueFont headingFont;  // status window only
    platform::UniqueFont titleFont;    // status window only
    // The window's icons, kept while the window may show them.
    platform::UniqueIcon bigIcon;
    platform::UniqueIcon smallIcon;
    platform::UniqueIcon panelIcon;  // status window: the picture in its header band
    std::wstring latestJobLine;
    bool serviceRunning = false;
    bool previewBusy = false;
    const WindowKind kind;
};

// The service status, printer settings and diagnostics windows: registers
// their classes on demand, creates, refreshes, lays out and destroys them,
// and runs the one window procedure they share. UI thread only; every
// reference must outlive the object, and the windows must be gone (DestroyAll,
// or the destructor) before the slots are.
class ManagementWindows {
public:
    // `ownerWindow` is the hidden window: parent of every management window,
    // and its DPI sizes new ones. An empty `windowsVersion` is replaced by
    // queryWindowsVersion. `exporter` may be null: no export then.
    ManagementWindows(HWND ownerWindow, preview::PreviewCoordinator& coordinator, printers::PrinterCatalog& catalog,
                      platform::IPrinterPropertiesLauncher& launcher, WindowsVersionProvider windowsVersion,
                      ServiceRunningProvider serviceRunning, LatestJobProvider latestJob,
                      platform::IDiagnosticExporter* exporter);
    ~ManagementWindows();
    ManagementWindows(const ManagementWindows&) = delete;
    ManagementWindows& operator=(const ManagementWindows&) = delete;

    // Creates the kind's window if it has none, refreshes it and brings it to
    // the front. A class or window that cannot be made leaves it at that,
    // silently.
    void ShowWindowOf(WindowKind kind) noexcept;
    // Reads the window's contents afresh.
    void RefreshWindow(WindowSlot& slot);
    // Places the window's controls for its current client size.
    void LayoutWindow(WindowSlot& slot);
    // Tab and arrow-key navigation: true when an open management window took
    // the message.
    [[nodiscard]] bool TranslateDialogMessage(MSG& message);
    // Destroys every open management window, in slot order.
    void DestroyAll() noexcept;

    [[nodiscard]] const WindowSlot& slot(WindowKind kind) const { return slots_[static_cast<std::size_t>(kind)]; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT handleMessage(WindowSlot& slot, UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] bool createWindow(WindowSlot& slot);
    [[nodiscard]] bool createControls(WindowSlot& slot);
    void windowDestroyed(WindowSlot& slot) noexcept;
    void setIcons(WindowSlot& slot);
    void makeFonts(WindowSlot& slot);
    void minimumTrackingSize(const WindowSlot& slot, MINMAXINFO& info) const;

    // The service status window (status_window.cpp).
    [[nodiscard]] bool createStatusControls(WindowSlot& slot);
    void refreshStatus(WindowSlot& slot);
    void drawStatusPanel(const WindowSlot& slot, const DRAWITEMSTRUCT& item) const;
    void drawStatusRefreshButton(const WindowSlot& slot, const DRAWITEMSTRUCT& item) const;
    void paintStatusFooter(const WindowSlot& slot) const;

    // The printer settings window (printer_settings_window.cpp).
    [[nodiscard]] bool createPrinterSettingsControls(WindowSlot& slot);
    void refreshPrinterSettings(WindowSlot& slot);
    void printerSelectionChanged(WindowSlot& slot);
    void openPrinterProperties(WindowSlot& slot);

    // The diagnostics window (diagnostics_window.cpp).
    [[nodiscard]] bool createDiagnosticsControls(WindowSlot& slot);
    void refreshDiagnostics(WindowSlot& slot);
    void exportDiagnostics(WindowSlot& slot);
    [[nodiscard]] int measureExportLabel(const WindowSlot& slot, int clientWidth) const;
    [[nodiscard]] LRESULT diagnosticsColours(HDC dc) const;

    HWND ownerWindow_;
    preview::PreviewCoordinator& coordinator_;
    printers::PrinterCatalog& catalog_;
    platform::IPrinterPropertiesLauncher& launcher_;
    WindowsVersionProvider windowsVersion_;
    ServiceRunningProvider serviceRunning_;
    LatestJobProvider latestJob_;
    platform::IDiagnosticExporter* exporter_;
    std::wstring diagnosticsText_;
    bool exportInProgress_ = false;
    std::vector<PrinterEntry> printerEntries_;
    std::string selectedPrinter_;
    bool propertiesInProgress_ = false;
    std::array<WindowSlot, kWindowKindCount> slots_;
};

}  // namespace ks::management

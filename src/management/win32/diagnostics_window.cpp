// The diagnostics window: the report, its refresh and its export.

#include <string>

#include "management/diagnostics_snapshot.h"
#include "management/win32/management_windows.h"
#include "management/win32/window_controls.h"
#include "platform/scope_exit.h"
#include "platform/win32/diagnostic_exporter.h"
#include "preview/preview_coordinator.h"

namespace ks::management {
namespace {

constexpr WPARAM kReportTextLimit = 0x100000;
constexpr wchar_t kExported[] = L"诊断已导出。请仅提供给可信支持人员。";
constexpr wchar_t kExportFailed[] = L"导出失败，请检查所选位置的写入权限和可用空间后重试。";

// Strict: a report that cannot be encoded exactly is not exported at all.
std::string toUtf8OrEmpty(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), utf8.data(),
                              length, nullptr, nullptr) != length) {
        return {};
    }
    return utf8;
}

}  // namespace

bool ManagementWindows::createDiagnosticsControls(WindowSlot& slot) {
    slot.content = createChildControl(slot.window, WS_EX_CLIENTEDGE, L"EDIT", L"",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                      kReportId);
    if (slot.content == nullptr) return false;
    slot.exportButton = createChildControl(slot.window, 0, L"BUTTON", L"导出诊断",
                                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kExportButtonId);
    if (slot.exportButton == nullptr) return false;
    slot.exportStatusLabel =
        createChildControl(slot.window, 0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, kExportStatusLabelId);
    return slot.exportStatusLabel != nullptr;
}

void ManagementWindows::refreshDiagnostics(WindowSlot& slot) {
    const DiagnosticsSnapshot snapshot =
        collectDiagnosticsSnapshot(windowsVersion_, serviceRunning_, coordinator_.Busy(), catalog_, latestJob_);
    diagnosticsText_ = buildDiagnosticsText(snapshot);
    ::SendMessageW(slot.content, EM_LIMITTEXT, kReportTextLimit, 0);
    ::SetWindowTextW(slot.content, diagnosticsText_.c_str());
    ::SetWindowTextW(slot.exportStatusLabel, L"");
    ::EnableWindow(slot.exportButton, exporter_ != nullptr && !exportInProgress_ ? TRUE : FALSE);
    LayoutWindow(slot);
}

void ManagementWindows::exportDiagnostics(WindowSlot& slot) {
    if (exportInProgress_ || exporter_ == nullptr) return;
    const HWND window = slot.window;
    const std::uint64_t generation = slot.generation;
    const std::string text = toUtf8OrEmpty(diagnosticsText_);
    exportInProgress_ = true;
    ::EnableWindow(slot.exportButton, FALSE);
    platform::ExportResult result = platform::ExportResult::Failed;
    {
        const platform::ScopeExit done([this, &slot] {
            exportInProgress_ = false;
            if (slot.window != nullptr) ::EnableWindow(slot.exportButton, TRUE);
        });
        // The save dialog is modal: this window may be closed, and another
        // opened, before the export returns.
        if (!text.empty()) result = exporter_->Export(window, text);
    }
    if (slot.window != window || slot.generation != generation) return;
    switch (result) {
        case platform::ExportResult::Exported: ::SetWindowTextW(slot.exportStatusLabel, kExported); break;
        case platform::ExportResult::Failed: ::SetWindowTextW(slot.exportStatusLabel, kExportFailed); break;
        case platform::ExportResult::Cancelled: break;
    }
    LayoutWindow(slot);
}

int ManagementWindows::measureExportLabel(const WindowSlot& slot, int clientWidth) const {
    const std::wstring text = windowText(slot.exportStatusLabel);
    if (text.empty()) return 0;
    RECT rect{0, 0, diagnosticsLabelMeasureWidth(clientWidth, dpiOf(slot.window)), 0};
    const platform::WindowDcScope dc(slot.exportStatusLabel);
    const platform::SelectionScope font(dc.dc(), slot.baseFont ? static_cast<HGDIOBJ>(slot.baseFont.get())
                                                               : ::GetStockObject(DEFAULT_GUI_FONT));
    ::DrawTextW(dc.dc(), text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    // A label with text is shown even when nothing could be measured.
    return rect.bottom > 0 ? rect.bottom : 1;
}

LRESULT ManagementWindows::diagnosticsColours(HDC dc) const {
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

}  // namespace ks::management

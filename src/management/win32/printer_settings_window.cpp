// The printer settings window: the printer list, the selected printer's
// information text and the driver's properties dialog.

#include <string>

#include "management/printer_list.h"
#include "management/win32/management_windows.h"
#include "management/win32/window_controls.h"
#include "platform/scope_exit.h"
#include "platform/win32/printer_properties_launcher.h"

namespace ks::management {
namespace {

constexpr wchar_t kSelectPrinter[] = L"请选择打印机，或点击“刷新”重新读取列表。";
constexpr wchar_t kPropertiesFailed[] = L"无法打开 Windows 打印机属性，请检查打印机连接及访问权限后重试。";

}  // namespace

bool ManagementWindows::createPrinterSettingsControls(WindowSlot& slot) {
    slot.printerList = createChildControl(slot.window, 0, L"COMBOBOX", L"",
                                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                          kPrinterListId);
    if (slot.printerList == nullptr) return false;
    slot.content = createChildControl(slot.window, WS_EX_CLIENTEDGE, L"EDIT", L"",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                      0);
    if (slot.content == nullptr) return false;
    slot.propertiesButton = createChildControl(slot.window, 0, L"BUTTON", L"打开 Windows 打印机属性",
                                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kPropertiesButtonId);
    return slot.propertiesButton != nullptr;
}

void ManagementWindows::refreshPrinterSettings(WindowSlot& slot) {
    ::EnableWindow(slot.propertiesButton, FALSE);
    ::SendMessageW(slot.printerList, CB_RESETCONTENT, 0, 0);
    printerEntries_.clear();
    PrinterList list = readPrinterList(catalog_, selectedPrinter_);
    if (list.entries.empty()) {
        ::SetWindowTextW(slot.content, list.emptyText.c_str());
        return;
    }
    printerEntries_ = std::move(list.entries);
    for (const PrinterEntry& entry : printerEntries_) {
        ::SendMessageW(slot.printerList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
    }
    ::SendMessageW(slot.printerList, CB_SETCURSEL, list.selection, 0);
    printerSelectionChanged(slot);
}

void ManagementWindows::printerSelectionChanged(WindowSlot& slot) {
    const LRESULT index = ::SendMessageW(slot.printerList, CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= printerEntries_.size()) {
        ::EnableWindow(slot.propertiesButton, FALSE);
        ::SetWindowTextW(slot.content, kSelectPrinter);
        return;
    }
    const PrinterEntry& entry = printerEntries_[static_cast<std::size_t>(index)];
    ::EnableWindow(slot.propertiesButton, propertiesInProgress_ ? FALSE : TRUE);
    selectedPrinter_ = entry.printerId;
    ::SetWindowTextW(slot.content, entry.informationText.c_str());
}

void ManagementWindows::openPrinterProperties(WindowSlot& slot) {
    const LRESULT index = ::SendMessageW(slot.printerList, CB_GETCURSEL, 0, 0);
    if (propertiesInProgress_ || index < 0 || static_cast<std::size_t>(index) >= printerEntries_.size()) return;
    const std::wstring name = printerEntries_[static_cast<std::size_t>(index)].name;
    const HWND window = slot.window;
    const std::uint64_t generation = slot.generation;
    propertiesInProgress_ = true;
    ::EnableWindow(slot.propertiesButton, FALSE);
    bool shown = false;
    {
        const platform::ScopeExit done([this] { propertiesInProgress_ = false; });
        // The driver's dialog is modal: messages, including a close of this
        // window, are dispatched until it returns.
        const Result<bool> opened = launcher_.Open(window, name);
        shown = opened && opened.value();
    }
    // A window closed meanwhile is not this call's to change; one opened
    // anew meanwhile made its button while the dialog was still open and
    // only needs it back.
    if (slot.window != window || slot.generation != generation) {
        if (slot.window != nullptr) printerSelectionChanged(slot);
        return;
    }
    refreshPrinterSettings(slot);
    if (!shown) {
        ::SetWindowTextW(slot.content, (windowText(slot.content) + L"\r\n\r\n" + kPropertiesFailed).c_str());
    }
}

}  // namespace ks::management

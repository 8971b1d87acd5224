// ui-driver: a developer's tool that acts on the running service's user
// interface the way a user's clicks arrive, for screenshots:
//   ui-driver menu          opens the tray menu (a right click on the icon)
//   ui-driver exit-dialog   chooses "停止服务并退出" (opens the confirmation)
//   ui-driver escape        presses Escape in the open menu or dialog
//   ui-driver status|printers|diagnostics
//                           opens that management window (its tray menu entry)
//   ui-driver client-size status|printers|diagnostics
//                           prints the open window's client size in pixels

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/app_messages.h"
#include "management/management_layout.h"

namespace {

HWND findOwnWindow(const wchar_t* className, DWORD processId) {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

struct ManagementEntry {
    const wchar_t* action;
    UINT command;
    ks::management::WindowKind kind;
};
constexpr ManagementEntry kManagementEntries[] = {
    {L"status", ks::app::kCommandServiceStatus, ks::management::WindowKind::ServiceStatus},
    {L"printers", ks::app::kCommandPrinterSettings, ks::management::WindowKind::PrinterSettings},
    {L"diagnostics", ks::app::kCommandDiagnostics, ks::management::WindowKind::Diagnostics},
};

const ManagementEntry* managementEntry(const std::wstring& action) {
    for (const ManagementEntry& entry : kManagementEntries) {
        if (action == entry.action) return &entry;
    }
    return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const HWND hidden = ::FindWindowW(ks::app::kTrayOwnerClassName, nullptr);
    if (argc < 2 || argc > 3 || hidden == nullptr) {
        std::fputs("usage: ui-driver menu|exit-dialog|escape|status|printers|diagnostics|client-size <window>"
                   " (with the service running)\n",
                   stderr);
        return 2;
    }
    const std::wstring action = argv[1];
    if (const ManagementEntry* entry = managementEntry(action); entry != nullptr && argc == 2) {
        ::PostMessageW(hidden, WM_COMMAND, entry->command, 0);
        return 0;
    }
    if (action == L"client-size" && argc == 3) {
        const ManagementEntry* entry = managementEntry(argv[2]);
        DWORD processId = 0;
        ::GetWindowThreadProcessId(hidden, &processId);
        const HWND window = entry == nullptr ? nullptr
                                             : findOwnWindow(ks::management::traitsOf(entry->kind).className.data(),
                                                             processId);
        RECT client{};
        if (window == nullptr || !::GetClientRect(window, &client)) return 1;
        std::printf("%ld x %ld\n", client.right, client.bottom);
        std::fflush(stdout);
        return 0;
    }
    if (action == L"menu") {
        ::PostMessageW(hidden, ks::app::kTrayCallbackMessage, ks::app::kTrayIconId, WM_RBUTTONUP);
        return 0;
    }
    if (action == L"exit-dialog") {
        ::PostMessageW(hidden, WM_COMMAND, ks::app::kCommandStopAndExit, 0);
        return 0;
    }
    if (action == L"escape") {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(hidden, &processId);
        if (const HWND menu = findOwnWindow(L"#32768", processId)) ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        // The dialog's keys arrive through its focused control.
        if (const HWND dialog = findOwnWindow(L"#32770", processId)) {
            ::PostMessageW(::GetDlgItem(dialog, 2), WM_KEYDOWN, VK_ESCAPE, 0);
        }
        return 0;
    }
    return 2;
}

#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "preview/preview_print_runner.h"
#include "preview/preview_session.h"
#include "protocol/result.h"

namespace ks::printers {
class PrinterCatalog;
}

namespace ks::preview {

class PreviewCoordinator;

// What the preview host hands the preview window it asks for.
struct PreviewWindowContext {
    // The hidden window: owner of the preview window and of its message boxes.
    HWND owner = nullptr;
    // The session to show; the window keeps its own shared reference.
    std::shared_ptr<PreviewSession> session;
    // What the host was bound to; both outlive the window.
    PreviewCoordinator& coordinator;
    printers::PrinterCatalog& catalog;
    // The window calls this from its WM_NCDESTROY, with its own handle, so
    // the host forgets it. Valid for the life of the window.
    std::function<void(HWND window)> destroyed;
    // Starts the window's prints and hands their outcome back; valid for the
    // life of the window.
    PreviewPrintFunctions printing;
};

// Makes the preview window for a session, on the UI thread: class
// "Kestrune.Preview" (registered by the factory, which treats "class already
// exists" as success), title "预览 Preview", WS_OVERLAPPEDWINDOW |
// WS_CLIPCHILDREN with WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, default position,
// 1120 × 800 scaled by the window's DPI and shrunk to the work area of its
// monitor where that is smaller, owned by `context.owner`. The window
// is returned created but not shown: the host shows it. Fails with KSR-4007
// "无法注册预览窗口" or "无法创建预览窗口"; the host then cancels the job.
//
// How the host closes the window it got:
// - programmatically (the job stays as it is): DestroyWindow. The host does
//   this only once the session is no longer the coordinator's active one.
// - user-style: WM_CLOSE. The window decides: while its user-close flag is
//   set it cancels the job and ends the session (and may stay open when that
//   fails), otherwise it closes programmatically.
// The host remembers which session each window shows from the context.
using PreviewWindowFactory = std::function<Result<HWND>(const PreviewWindowContext& context)>;

}  // namespace ks::preview

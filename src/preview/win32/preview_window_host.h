#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "preview/preview_host.h"
#include "preview/win32/preview_window_factory.h"
#include "protocol/result.h"

namespace ks::printers {
class PrinterCatalog;
}

namespace ks::preview {

class PreviewCoordinator;

// The Windows functions the host calls; the service passes the real ones.
struct PreviewHostFunctions {
    std::function<decltype(::PostMessageW)> postMessage;
    // Tells the user that a preview window could not be made.
    std::function<decltype(::MessageBoxW)> messageBox;
};

[[nodiscard]] PreviewHostFunctions systemPreviewHostFunctions();

// Owns the preview and preparing windows on the UI thread, the thread that
// constructs it. Other threads reach it only through the IPreviewHost
// operations, which post a command to the owner window; the owner window's
// procedure hands every message to HandleWindowMessage first.
class PreviewWindowHost final : public IPreviewHost {
public:
    // `owner` is the hidden window of the calling (UI) thread. `windows`
    // makes the preview windows; without it every preview fails to open.
    PreviewWindowHost(HWND owner, PreviewHostFunctions functions, PreviewWindowFactory windows);
    // Shuts down (its result ignored).
    ~PreviewWindowHost() override;

    PreviewWindowHost(const PreviewWindowHost&) = delete;
    PreviewWindowHost& operator=(const PreviewWindowHost&) = delete;

    // Any thread; see IPreviewHost and PreviewCommandQueue.
    [[nodiscard]] Result<bool> ShowPreview(std::shared_ptr<PreviewSession> session) override;
    [[nodiscard]] Result<bool> ShowPreparing(const std::string& jobId) override;
    [[nodiscard]] Result<bool> ClosePreview(const std::string& jobId) override;

    // Connects the host to the services its windows use; both must outlive
    // the host's windows (Shutdown ends them). KSR-4007 off the owner thread
    // or when the owner window is not that thread's, and once bound or shut
    // down.
    [[nodiscard]] Result<void> Bind(PreviewCoordinator& coordinator, printers::PrinterCatalog& catalog);

    // For every message of the owner window: true when it was a preview
    // message and has been handled here. False off the owner thread. Never
    // throws: a command whose handling fails leaves nothing open that no
    // window shows (its preparation is dismissed, or its job cancelled with
    // the message box of a window that could not be made).
    [[nodiscard]] bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // The window whose keyboard navigation the message loop runs through
    // IsDialogMessageW: the preview window, else the preparing window. Null
    // when there is neither or off the owner thread.
    [[nodiscard]] HWND DialogWindow() const;

    // Closes the host for good, on the owner thread (KSR-4007 elsewhere):
    // posting fails from now on, the preparing window ends its preparation,
    // the preview messages still queued are dropped, the preview window
    // closes, and the jobs of commands that never arrived are cancelled while
    // their sessions are active. Succeeds at once when already shut down.
    [[nodiscard]] Result<void> Shutdown();

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace ks::preview

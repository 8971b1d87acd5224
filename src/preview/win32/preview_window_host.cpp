#include "preview/win32/preview_window_host.h"

#include <memory>
#include <optional>
#include <utility>

#include "platform/exception_boundary.h"
#include "platform/win32/com_apartment.h"
#include "preview/preview_command_queue.h"
#include "preview/preview_coordinator.h"
#include "preview/preview_print_runner.h"
#include "preview/win32/preparing_window.h"
#include "preview/win32/preview_messages.h"
#include "protocol/error_catalog.h"
#include "protocol/win32/ansi_decoder.h"

namespace ks::preview {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

Error previewFailure(std::wstring_view message) { return Error(codes::kPreviewFailure, message); }

}  // namespace

PreviewHostFunctions systemPreviewHostFunctions() { return {::PostMessageW, ::MessageBoxW}; }

class PreviewWindowHost::Impl {
public:
    Impl(HWND owner, PreviewHostFunctions functions, PreviewWindowFactory windows)
        : owner_(owner),
          ownerThread_(::GetCurrentThreadId()),
          functions_(std::move(functions)),
          windows_(std::move(windows)),
          queue_(functions_.postMessage ? PostCommand([this](std::uint64_t id, PreviewCommand* command) {
              return functions_.postMessage(owner_, kPreviewCommandMessage, static_cast<WPARAM>(id),
                                            reinterpret_cast<LPARAM>(command)) != FALSE;
          })
                                        : PostCommand()),
          printer_(
              [this](const std::string& clientJobId, std::stop_token stop) -> Result<jobs::JobRecord> {
                  // The print thread spools through the printer's driver,
                  // which may use COM; it joins the multithreaded apartment
                  // for the print, as the UI thread is in a single-threaded one.
                  const platform::ComApartment apartment(COINIT_MULTITHREADED);
                  PreviewCoordinator* coordinator = queue_.coordinator();
                  if (coordinator == nullptr) {
                      return Error(codes::kJobNotFound, messages::kActivePreviewNotFound);
                  }
                  return coordinator->PrintFromPreview(clientJobId, std::move(stop));
              },
              [this](std::uint64_t workId) {
                  return functions_.postMessage &&
                         functions_.postMessage(owner_, kPreviewPrintResultMessage, static_cast<WPARAM>(workId), 0) !=
                             FALSE;
              },
              protocol::decodeAnsiCodePage) {}

    PreviewCommandQueue& queue() noexcept { return queue_; }

    Result<void> bind(PreviewCoordinator& coordinator, printers::PrinterCatalog& catalog) {
        if (!onOwnerThread() || ::GetWindowThreadProcessId(owner_, nullptr) != ownerThread_) {
            return previewFailure(messages::kPreviewBindWrongThread);
        }
        return queue_.bind(coordinator, catalog);
    }

    // Called from the owner window's procedure, which must not throw: a
    // command whose handling fails is abandoned so that no preparation or
    // preview is left that no window shows, and when even that fails (memory
    // is gone), the message is dropped as one nobody handled would be.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (!onOwnerThread()) return false;
        if (message != kPreviewPrintResultMessage && message != kPreviewCommandMessage) return false;
        std::unique_ptr<PreviewCommand> command;
        platform::exceptionBoundary(
            [&] {
                if (message == kPreviewPrintResultMessage) {
                    printFinished(static_cast<std::uint64_t>(wParam));
                    return;
                }
                // A stale or forged message finds no command and is dropped.
                command = queue_.take(wParam, reinterpret_cast<const PreviewCommand*>(lParam));
                if (command) run(*command);
            },
            [&] {
                if (command) abandon(*command);
            },
            []() noexcept {});
        return true;
    }

    HWND dialogWindow() const {
        if (!onOwnerThread()) return nullptr;
        return preview_ ? preview_->window : preparing_;
    }

    Result<void> shutdown() {
        if (!onOwnerThread()) return previewFailure(messages::kPreviewShutdownWrongThread);
        auto pending = queue_.close();
        if (!pending) return {};
        PreviewCoordinator* coordinator = queue_.coordinator();
        if (preparing_ != nullptr && coordinator != nullptr) {
            static_cast<void>(coordinator->Dismiss(preparingJobId_, true));
        }
        destroyPreparing();
        // A print still being submitted is told to stop; its job is
        // cancelled unless an earlier print from the session already queued
        // it (then it is the user's printed job). The print thread is joined
        // before the coordinator it calls can go.
        printer_.stop([coordinator](const std::shared_ptr<PreviewSession>& session) {
            const bool printed = session->withState([](const PreviewSessionState& state) { return state.printed; });
            if (coordinator != nullptr && !printed) static_cast<void>(coordinator->Cancel(session->clientJobId(), true));
        });
        // Their commands were taken out above; the messages would only find
        // nothing.
        dropQueued(kPreviewCommandMessage);
        dropQueued(kPreviewPrintResultMessage);
        if (preview_) {
            const HWND window = preview_->window;
            ::SendMessageW(window, WM_CLOSE, 0, 0);
            // A user-style close that failed keeps the window open; it must
            // still go while the coordinator it calls on is alive.
            if (preview_ && preview_->window == window) closeProgrammatically();
        }
        for (const auto& command : *pending) {
            if (coordinator != nullptr && coordinator->IsActive(command->session)) {
                static_cast<void>(coordinator->Cancel(command->session->clientJobId(), true));
            }
        }
        queue_.unbind();
        return {};
    }

private:
    struct OpenPreview {
        HWND window = nullptr;
        std::shared_ptr<PreviewSession> session;
    };

    bool onOwnerThread() const { return ::GetCurrentThreadId() == ownerThread_; }
    HINSTANCE instance() const {
        return reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner_, GWLP_HINSTANCE));
    }

    // The preview window takes the result of its own print; a print whose
    // window is gone is over all the same, and its thread is joined here.
    void printFinished(std::uint64_t workId) {
        if (preview_) ::SendMessageW(preview_->window, kPreviewPrintResultMessage, static_cast<WPARAM>(workId), 0);
        static_cast<void>(printer_.take(workId));
    }

    Result<std::uint64_t> startPrint(std::shared_ptr<PreviewSession> session) {
        const std::optional<std::uint64_t> id = queue_.nextId();
        if (!id) return Error(codes::kPreviewBusy, messages::kPreviewPrintBusyOrClosed);
        return printer_.start(std::move(session), *id);
    }

    void run(const PreviewCommand& command) {
        if (command.preparing != 0) {
            showPreparing(command.jobId);
        } else if (command.session) {
            openPreview(command.session);
        } else if (preview_ && preview_->session->clientJobId() == command.jobId) {
            closeProgrammatically();
        } else {
            destroyPreparingFor(command.jobId);
        }
    }

    // Undoes what `command` was to show when its handling failed midway.
    void abandon(const PreviewCommand& command) {
        PreviewCoordinator* coordinator = queue_.coordinator();
        if (coordinator == nullptr) return;
        if (command.preparing != 0) {
            if (preparing_ == nullptr || preparingJobId_ != command.jobId) {
                static_cast<void>(coordinator->Dismiss(command.jobId, true));
            }
            return;
        }
        const bool shown = preview_ && preview_->session == command.session;
        if (command.session && !shown && coordinator->IsActive(command.session)) {
            previewNotMade(*coordinator, command.session, previewFailure(messages::kPreviewWindowCreationFailed));
        }
    }

    void showPreparing(const std::string& jobId) {
        PreviewCoordinator* coordinator = queue_.coordinator();
        if (coordinator == nullptr || !coordinator->IsPreparing(jobId)) return;
        if (!registerPreparingWindowClass(instance())) {
            static_cast<void>(coordinator->Dismiss(jobId, true));
            return;
        }
        destroyPreparing();
        preparing_ = createPreparingWindow(instance(), owner_, jobId, *coordinator,
                                           [this](HWND window) { preparingDestroyed(window); });
        if (preparing_ == nullptr) {
            static_cast<void>(coordinator->Dismiss(jobId, true));
            return;
        }
        preparingJobId_ = jobId;
        if (!showPreparingWindow(preparing_)) {
            static_cast<void>(coordinator->Dismiss(jobId, true));
            destroyPreparing();
        }
    }

    void openPreview(const std::shared_ptr<PreviewSession>& session) {
        PreviewCoordinator* coordinator = queue_.coordinator();
        printers::PrinterCatalog* catalog = queue_.catalog();
        if (coordinator == nullptr || catalog == nullptr || !coordinator->IsActive(session)) return;
        if (preview_) {
            if (preview_->session == session) {
                ::ShowWindow(preview_->window, ::IsIconic(preview_->window) ? SW_RESTORE : SW_SHOW);
                ::SetForegroundWindow(preview_->window);
                return;
            }
            closeProgrammatically();
        }

        const std::string jobId = session->clientJobId();
        Result<HWND> made = previewFailure(messages::kPreviewWindowCreationFailed);
        if (windows_) {
            made = windows_(PreviewWindowContext{
                owner_, session, *coordinator, *catalog, [this](HWND window) { previewDestroyed(window); },
                PreviewPrintFunctions{
                    [this](std::shared_ptr<PreviewSession> printed) { return startPrint(std::move(printed)); },
                    [this](std::uint64_t workId) { return printer_.take(workId); }}});
        }
        if (!made || made.value() == nullptr) {
            previewNotMade(*coordinator, session,
                           made ? previewFailure(messages::kPreviewWindowCreationFailed) : made.error());
            return;
        }
        preview_ = OpenPreview{made.value(), session};
        if (!coordinator->IsActive(session)) {
            closeProgrammatically();
            return;
        }
        ::ShowWindow(preview_->window, SW_SHOW);
        ::SetForegroundWindow(preview_->window);
        destroyPreparingFor(jobId);
    }

    // No window shows `session`: its job is cancelled while it is still the
    // active one, its preparing window goes and the user is told why.
    void previewNotMade(PreviewCoordinator& coordinator, const std::shared_ptr<PreviewSession>& session,
                        const Error& error) {
        const std::string jobId = session->clientJobId();
        if (coordinator.IsActive(session)) static_cast<void>(coordinator.Cancel(jobId, true));
        destroyPreparingFor(jobId);
        if (functions_.messageBox) {
            const std::wstring text = std::wstring(error.code().begin(), error.code().end()) + L"：" + error.message();
            functions_.messageBox(owner_, text.c_str(), std::wstring(kPreviewCaption).c_str(), MB_ICONERROR);
        }
    }

    // Closes the preview window without touching its job.
    void closeProgrammatically() {
        if (!preview_) return;
        const HWND window = preview_->window;
        preview_.reset();
        ::DestroyWindow(window);
    }

    void previewDestroyed(HWND window) {
        if (preview_ && preview_->window == window) preview_.reset();
    }

    void destroyPreparing() {
        const HWND window = std::exchange(preparing_, nullptr);
        preparingJobId_.clear();
        if (window != nullptr) ::DestroyWindow(window);
    }

    void destroyPreparingFor(const std::string& jobId) {
        if (preparing_ != nullptr && preparingJobId_ == jobId) destroyPreparing();
    }

    void preparingDestroyed(HWND window) {
        if (preparing_ != window) return;
        preparing_ = nullptr;
        preparingJobId_.clear();
    }

    void dropQueued(UINT message) {
        MSG queued{};
        while (::PeekMessageW(&queued, owner_, message, message, PM_REMOVE)) {
        }
    }

    HWND owner_;
    DWORD ownerThread_;
    PreviewHostFunctions functions_;
    PreviewWindowFactory windows_;
    PreviewCommandQueue queue_;
    PreviewPrintRunner printer_;
    // The windows, touched only on the owner thread.
    std::optional<OpenPreview> preview_;
    HWND preparing_ = nullptr;
    std::string preparingJobId_;
};

PreviewWindowHost::PreviewWindowHost(HWND owner, PreviewHostFunctions functions, PreviewWindowFactory windows)
    : impl_(std::make_unique<Impl>(owner, std::move(functions), std::move(windows))) {}

PreviewWindowHost::~PreviewWindowHost() { static_cast<void>(impl_->shutdown()); }

Result<bool> PreviewWindowHost::ShowPreview(std::shared_ptr<PreviewSession> session) {
    return impl_->queue().ShowPreview(std::move(session));
}

Result<bool> PreviewWindowHost::ShowPreparing(const std::string& jobId) { return impl_->queue().ShowPreparing(jobId); }

Result<bool> PreviewWindowHost::ClosePreview(const std::string& jobId) { return impl_->queue().ClosePreview(jobId); }

Result<void> PreviewWindowHost::Bind(PreviewCoordinator& coordinator, printers::PrinterCatalog& catalog) {
    return impl_->bind(coordinator, catalog);
}

bool PreviewWindowHost::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return impl_->handle(message, wParam, lParam);
}

HWND PreviewWindowHost::DialogWindow() const { return impl_->dialogWindow(); }

Result<void> PreviewWindowHost::Shutdown() { return impl_->shutdown(); }

}  // namespace ks::preview

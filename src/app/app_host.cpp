#include "app/app_host.h"

#include <chrono>
#include <string>

#include "app/app_icon.h"
#include "app/app_texts.h"
#include "app/hidden_window.h"
#include "app/message_loop.h"
#include "app/ole_apartment.h"
#include "app/stop_request.h"
#include "app/tray_icon.h"
#include "app/tray_icon_retry.h"
#include "jobs/job_manager.h"
#include "jobs/job_preparation.h"
#include "jobs/spooler_control.h"
#include "management/win32/management_windows.h"
#include "management/win32/windows_version.h"
#include "platform/scope_exit.h"
#include "platform/win32/diagnostic_exporter.h"
#include "platform/win32/printer_properties_launcher.h"
#include "platform/win32/spooler_job_api.h"
#include "platform/win32/winspool_api.h"
#include "preview/preview_coordinator.h"
#include "preview/win32/preview_window_host.h"
#include "printers/printer_catalog.h"
#include "printing/raster_print_engine.h"
#include "printing/win32/gdi_print_api.h"
#include "protocol/command_dispatcher.h"
#include "protocol/win32/ansi_decoder.h"
#include "protocol/win32/named_pipe_server.h"
#include "raster/win32/png_decoder.h"

namespace ks::app {
namespace {

// How long an autostarted service waits for a slow logon's notification area
// before it gives up with the start-up failure, and how often it tries.
constexpr std::chrono::milliseconds kTrayIconAddBound{60'000};
constexpr std::chrono::milliseconds kTrayIconAddInterval{500};

int failStartup(HWND owner, std::wstring_view message) {
    ::MessageBoxW(owner, std::wstring(message).c_str(), std::wstring(kAppTitle).c_str(), MB_ICONERROR);
    return 1;
}

// Hides every window of this thread: the user sees the service go at once,
// while shutdown may still wait for a document the driver is spooling.
void hideWindowsOfThisThread() {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            if (::IsWindowVisible(window)) ::ShowWindow(window, SW_HIDE);
            return TRUE;
        },
        0);
}

protocol::PipeIoFunctions systemPipeIo() {
    return {::ReadFile, ::WriteFile, ::ConnectNamedPipe, ::CancelIoEx, ::GetOverlappedResult};
}

}  // namespace

int AppHost::Run(HINSTANCE instance, int /*showCommand*/) {
    taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
    const OleApartment apartment;
    // Fails under some hosts (and is refused when a manifest already set it);
    // sizes are scaled per window either way.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    if (!registerTrayOwnerClass(instance)) return failStartup(nullptr, kClassRegistrationFailed);
    const UniqueWindow hiddenWindow = createTrayOwnerWindow(instance, this);
    if (!hiddenWindow) return failStartup(nullptr, kHiddenWindowFailed);

    // The component graph: each holds plain references to the ones before it
    // and is destroyed in reverse order when Run returns.
    platform::WinspoolApi winspool(platform::systemWinspoolFunctions());
    printers::PrinterCatalog catalog(winspool);
    printing::GdiPrintApi gdi(catalog, printing::systemGdiPrintFunctions());
    printing::RasterPrintEngine engine(catalog, gdi);
    platform::SpoolerJobApi spoolerJobs(platform::systemSpoolerJobFunctions());
    jobs::SpoolerControl spoolerControl(catalog, spoolerJobs);
    jobs::JobManager jobManager(printExecutor != nullptr ? *printExecutor : engine, spoolerControl,
                                protocol::decodeAnsiCodePage);
    jobs::JobPreparation preparation(catalog, raster::decodePng);
    preview::PreviewWindowHost previewWindowHost(hiddenWindow.get(), preview::systemPreviewHostFunctions(), previewWindows);
    preview::PreviewCoordinator coordinator(jobManager, catalog, previewWindowHost, protocol::decodeAnsiCodePage);
    // A preview that cannot be shown is never accepted.
    protocol::CommandDispatcher dispatcher(catalog, winspool, preparation, jobManager,
                                           previewWindows ? &coordinator : nullptr);
    const StopRequest stopRequest(hiddenWindow.get(), ::GetCurrentThreadId());
    protocol::NamedPipeServer pipeServer(dispatcher, systemPipeIo(), stopRequest);
    platform::PrinterPropertiesLauncher propertiesLauncher(platform::systemPrinterPropertiesFunctions());
    platform::DiagnosticExporter diagnosticExporter(platform::systemSaveDialogFunctions());
    management::ManagementWindows managementUi(
        hiddenWindow.get(), coordinator, catalog, propertiesLauncher, management::queryWindowsVersion,
        [&pipeServer] { return pipeServer.isRunning(); }, [&jobManager] { return jobManager.latestJobStatus(); },
        &diagnosticExporter);

    // Runs before the components go: no serving thread, window or icon may
    // outlive them. Windows and icon disappear first; stopping the pipe
    // server and the preview waits for a document being spooled.
    const platform::ScopeExit shutdown([&] {
        hideWindowsOfThisThread();
        if (trayIconAdded) removeTrayIcon(hiddenWindow.get());
        trayIconAdded = false;
        pipeServer.stop();
        managementUi.DestroyAll();
        // Fails only off the UI thread, and this is the UI thread.
        static_cast<void>(previewWindowHost.Shutdown());
        trayImage.reset();
        managementWindows = nullptr;
        previewHost = nullptr;
    });
    if (const auto bound = previewWindowHost.Bind(coordinator, catalog); !bound) {
        return failStartup(hiddenWindow.get(), bound.error().message());
    }
    previewHost = &previewWindowHost;
    managementWindows = &managementUi;

    trayImage = loadNotificationIcon(instance);
    // "TaskbarCreated" handled while waiting adds the icon and sets the mark.
    const TrayIconStart icon = addTrayIconWithRetry(
        [&] { return trayIconAdded || addTrayIcon(hiddenWindow.get(), trayImage.get()); }, pumpMessagesFor,
        kTrayIconAddBound, kTrayIconAddInterval);
    trayIconAdded = icon == TrayIconStart::Added;
    if (icon == TrayIconStart::GaveUp) return failStartup(hiddenWindow.get(), kServiceStartFailed);
    // After QuitRequested the loop below ends at once on the queued WM_QUIT.
    if (!pipeServer.start()) return failStartup(hiddenWindow.get(), kServiceStartFailed);
    if (afterStartup) afterStartup();
    return runMessageLoop([&previewWindowHost] { return previewWindowHost.DialogWindow(); },
                          [&managementUi](MSG& message) { return managementUi.TranslateDialogMessage(message); });
}

int runService(AppHost& host, HINSTANCE instance, int showCommand) noexcept {
    try {
        return host.Run(instance, showCommand);
    } catch (...) {
        // Run has unwound by now: nothing of the service is left running.
        ::MessageBoxW(nullptr, std::wstring(kServiceStartFailed).c_str(), std::wstring(kAppTitle).c_str(),
                      MB_ICONERROR);
        return 1;
    }
}

}  // namespace ks::app

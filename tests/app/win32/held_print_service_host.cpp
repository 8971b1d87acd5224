// kestrune.exe whose documents take as long as the test says, standing for a
// driver that spools many copies: each print tells the test it started and
// returns spooler job id 1 once the test releases it.

#include <windows.h>

#include "app/app_host.h"
#include "app/win32/held_print_service_host.h"
#include "platform/win32/handles.h"
#include "preview/win32/session_preview_window.h"

namespace {

class HeldExecutor final : public ks::printing::IPrintExecutor {
public:
    ks::Result<std::uint32_t> print(const ks::printing::PrintTicket&, const ks::raster::RasterPageList&) override {
        const ks::platform::UniqueHandle started(
            ::OpenEventW(EVENT_MODIFY_STATE, FALSE, ks::testing::kHeldPrintStartedEventName));
        const ks::platform::UniqueHandle release(
            ::OpenEventW(SYNCHRONIZE, FALSE, ks::testing::kHeldPrintReleaseEventName));
        if (started) ::SetEvent(started.get());
        if (release) ::WaitForSingleObject(release.get(), 60'000);
        return 1u;
    }
    std::optional<std::wstring> takeLastWarning() override { return std::nullopt; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    HeldExecutor executor;
    ks::app::AppHost host{};
    host.previewWindows = ks::preview::makeSessionPreviewWindow;
    host.printExecutor = &executor;
    return ks::app::runService(host, instance, showCommand);
}

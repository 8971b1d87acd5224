// printers.list and printers.capabilities under Wine with CUPS: latency over a
// real named pipe, served in this process by the service's own pipe server,
// dispatcher, printer catalogue and the real WinspoolApi (the tray and windows
// of kestrune.exe play no part in these requests, and a private pipe name
// keeps the figures apart from any kestrune.exe that happens to run), and the
// two spooler calls underneath measured directly; then a refresh of the
// printer settings and diagnostics windows, which read the whole catalogue on
// the UI thread. scripts/bench runs it with more and more CUPS queues
// installed. Prints figures only.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client/pipe_client.h"
#include "fakes/fake_preview_host.h"
#include "fakes/job_services.h"
#include "management/win32/management_windows.h"
#include "platform/win32/printer_properties_launcher.h"
#include "platform/win32/winspool_api.h"
#include "preview/preview_coordinator.h"
#include "printers/printer_catalog.h"
#include "protocol/command_dispatcher.h"
#include "protocol/json_reader.h"
#include "protocol/win32/named_pipe_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr wchar_t kBenchPipe[] = L"\\\\.\\pipe\\LOCAL\\Kestrune.bench.printers";
// Each figure is measured for about this long (at least kMinSamples times).
constexpr auto kMeasureFor = 2s;
constexpr std::size_t kMinSamples = 5;

struct Figures {
    std::size_t samples = 0;
    double medianMs = 0, p90Ms = 0, minMs = 0;
};

Figures measure(const std::function<bool()>& operation) {
    std::vector<double> samples;
    const auto until = Clock::now() + kMeasureFor;
    while (Clock::now() < until || samples.size() < kMinSamples) {
        const auto start = Clock::now();
        if (!operation()) {
            std::fprintf(stderr, "the operation failed\n");
            std::exit(1);
        }
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return {samples.size(), samples[samples.size() / 2], samples[samples.size() * 9 / 10], samples.front()};
}

void print(const char* what, const Figures& figures) {
    std::printf("  %-44s median %8.3f ms  p90 %8.3f ms  min %8.3f ms  (n=%zu)\n", what, figures.medianMs, figures.p90Ms,
                figures.minMs, figures.samples);
}

bool answeredOk(const std::optional<std::string>& response) {
    if (!response) return false;
    const auto document = ks::protocol::JsonDocument::parse(*response);
    return document && document->root().getBoolean("ok");
}

std::string pdfPrinterId(ks::client::PipeClient& client) {
    if (!client.send(ks::client::makeRequest("printers.list"))) return {};
    const auto response = client.receive();
    if (!answeredOk(response)) {
        std::fprintf(stderr, "printers.list: %s\n", response.value_or("no answer").c_str());
        return {};
    }
    const auto document = ks::protocol::JsonDocument::parse(*response);
    const auto printers = document->root().getObject("result").getArray("printers");
    for (std::size_t i = 0; i < printers.size(); ++i) {
        if (printers.objectAt(i).getString("displayName") == "PDF") return printers.objectAt(i).getString("printerId");
    }
    return {};
}

// What "刷新" costs in the printer settings and diagnostics windows: the
// button's command, handled to the end (catalogue, texts, controls, layout).
void measureWindowRefresh(ks::printers::PrinterCatalog& catalog, ks::fakes::FakeJobServices& jobs) {
    using ks::management::WindowKind;
    const HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
    ks::fakes::FakePreviewHost previewHost;
    ks::preview::PreviewCoordinator coordinator(jobs.manager, catalog, previewHost);
    ks::platform::PrinterPropertiesLauncher launcher(ks::platform::systemPrinterPropertiesFunctions());
    ks::management::ManagementWindows windows(owner, coordinator, catalog, launcher, {}, {}, {}, nullptr);
    std::printf(" management windows, \"刷新\" handled on the UI thread:\n");
    for (const auto& [name, kind] : {std::pair{"printer settings refresh", WindowKind::PrinterSettings},
                                     std::pair{"diagnostics refresh", WindowKind::Diagnostics}}) {
        windows.ShowWindowOf(kind);
        const HWND window = windows.slot(kind).window;
        if (window == nullptr) {
            std::fprintf(stderr, "the %s window did not open\n", name);
            std::exit(1);
        }
        const HWND button = ::GetDlgItem(window, ks::management::kRefreshButtonId);
        print(name, measure([&] {
                  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(ks::management::kRefreshButtonId, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(button));
                  return ::GetWindowTextLengthW(windows.slot(kind).content) > 0;
              }));
    }
    windows.DestroyAll();
    ::DestroyWindow(owner);
}

}  // namespace

int main() {
    ks::platform::WinspoolApi winspool(ks::platform::systemWinspoolFunctions());
    const auto installed = winspool.enumeratePrinters();
    if (!installed) {
        std::fprintf(stderr, "cannot enumerate printers\n");
        return 1;
    }
    const auto pdf = std::find_if(installed.value().begin(), installed.value().end(),
                                  [](const ks::platform::PrinterInfo& info) { return info.name == L"PDF"; });
    if (pdf == installed.value().end()) {
        std::fprintf(stderr, "no printer named PDF: run scripts/setup --printer\n");
        return 1;
    }
    std::printf("printers installed: %zu\n", installed.value().size());

    std::printf(" spooler adapter, in process:\n");
    print("WinspoolApi::enumeratePrinters", measure([&] { return static_cast<bool>(winspool.enumeratePrinters()); }));
    print("WinspoolApi::queryCapabilities(PDF)",
          measure([&] { return static_cast<bool>(winspool.queryCapabilities(*pdf)); }));

    ks::printers::PrinterCatalog catalog(winspool);
    ks::fakes::FakeJobServices jobs(catalog);
    ks::protocol::CommandDispatcher dispatcher(catalog, winspool, jobs.preparation, jobs.manager, nullptr);
    ks::protocol::NamedPipeServer server(
        dispatcher, {::ReadFile, ::WriteFile, ::ConnectNamedPipe, ::CancelIoEx, ::GetOverlappedResult}, {}, kBenchPipe);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start the pipe server\n");
        return 1;
    }
    DWORD error = 0;
    auto client = ks::client::PipeClient::connect(kBenchPipe, 5s, error);
    if (!client) {
        std::fprintf(stderr, "cannot connect (Win32=%lu)\n", error);
        return 1;
    }
    const std::string pdfId = pdfPrinterId(*client);
    if (pdfId.empty()) {
        std::fprintf(stderr, "PDF is not listed over the pipe\n");
        return 1;
    }
    const std::string capabilitiesPayload = R"(,"printer":{"printerId":")" + pdfId + R"("})";

    // A fresh envelope per request keeps its timestamp inside the allowed
    // clock skew; building it takes microseconds, well below the figures.
    const auto roundTrip = [&](const char* command, const std::string& payload) {
        return [&client, command, &payload] {
            const std::string request = ks::client::makeRequest(command, payload);
            return client->send(request) && answeredOk(client->receive());
        };
    };
    const std::string noPayload;
    std::printf(" over the pipe (request, dispatch, catalogue, spooler, response):\n");
    print("printers.list", measure(roundTrip("printers.list", noPayload)));
    print("printers.capabilities(PDF)", measure(roundTrip("printers.capabilities", capabilitiesPayload)));
    std::fflush(stdout);

    client.reset();
    server.stop();
    measureWindowRefresh(catalog, jobs);
    std::fflush(stdout);
    return 0;
}

// preview-window-demo: shows the preview window with a fake model, a
// two-page A4 job at 150 DPI and a fake label printer beside a PDF printer,
// for screenshots. Closes itself after the given number of seconds
// (default 10) or when the window is closed. A second argument "actual"
// shows the page at 100 %, "printed" as it is after a print was queued,
// "settings" opens the settings dialog over it, "range" opens it with all
// pages chosen and types a page range into it.

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "fakes/fake_preview_window_model.h"
#include "preview/preview_layout.h"
#include "preview/win32/preview_messages.h"
#include "preview/win32/preview_window.h"

namespace {

constexpr std::uint32_t kDpi = 150;
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT_PTR kTypeTimer = 2;
constexpr int kRangeText = 1008;

// Runs inside the settings dialog's modal loop: once the dialog is there,
// moves the focus into its range box and types a range, as a user would.
void CALLBACK typeRange(HWND window, UINT, UINT_PTR, DWORD) {
    const HWND dialog = ::FindWindowW(L"#32770", L"预览设置");
    if (dialog == nullptr || !::IsWindowVisible(dialog)) return;
    ::KillTimer(window, kTypeTimer);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, kRangeText)), TRUE);
    for (const wchar_t character : std::wstring_view(L"1-2")) {
        ::PostMessageW(::GetDlgItem(dialog, kRangeText), WM_CHAR, character, 1);
    }
}

class PageCanvas {
public:
    PageCanvas(std::uint32_t width, std::uint32_t height)
        : width_(width), height_(height),
          pixels_(std::make_shared<ks::protocol::ByteBuffer>(std::size_t{width} * height * 4)) {}

    void fill(std::uint32_t left, std::uint32_t top, std::uint32_t right, std::uint32_t bottom, std::uint32_t bgra) {
        for (std::uint32_t y = top; y < bottom && y < height_; ++y) {
            for (std::uint32_t x = left; x < right && x < width_; ++x) {
                std::memcpy(pixels_->data() + (std::size_t{y} * width_ + x) * 4, &bgra, 4);
            }
        }
    }

    ks::raster::RasterPage page() const {
        ks::raster::RasterPage result;
        result.width = width_;
        result.height = height_;
        result.pixels = pixels_;
        return result;
    }

private:
    std::uint32_t width_;
    std::uint32_t height_;
    std::shared_ptr<ks::protocol::ByteBuffer> pixels_;
};

// A page of a document: a coloured heading band, grey lines of "text" and a
// framed box, on white.
ks::raster::RasterPage demoPage(std::uint32_t width, std::uint32_t height, std::uint32_t accent) {
    PageCanvas canvas(width, height);
    canvas.fill(0, 0, width, height, 0xFFFFFFFF);
    const std::uint32_t margin = width / 10;
    canvas.fill(margin, margin, width - margin, margin + height / 14, accent);
    for (std::uint32_t line = 0; line < 14; ++line) {
        const std::uint32_t top = margin + height / 9 + line * (height / 32);
        canvas.fill(margin, top, width - margin - (line % 3) * (width / 9), top + height / 90, 0xFFB8BEC8);
    }
    constexpr std::uint32_t kInk = 0xFF30343A;
    const std::uint32_t boxTop = height * 3 / 5;
    canvas.fill(margin, boxTop, width - margin, boxTop + 4, kInk);
    canvas.fill(margin, height - margin - 4, width - margin, height - margin, kInk);
    canvas.fill(margin, boxTop, margin + 4, height - margin, kInk);
    canvas.fill(width - margin - 4, boxTop, width - margin, height - margin, kInk);
    return canvas.page();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const UINT seconds = argc > 1 ? static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10)) : 10;
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!ks::preview::registerPreviewWindowClass(instance)) return 1;

    auto state = std::make_shared<ks::fakes::FakePreviewState>();
    // A4 at 150 DPI: 1240 × 1754 pixels.
    const auto pages = std::make_shared<std::vector<ks::raster::RasterPage>>();
    pages->push_back(demoPage(1240, 1754, 0xFFCF2435));
    pages->push_back(demoPage(1240, 1754, 0xFF1F5A8A));
    state->view.pages = pages;
    state->view.paperWidthMm = 210;
    state->view.paperHeightMm = 297;
    state->view.dpiX = kDpi;
    state->view.dpiY = kDpi;
    state->view.margins = {59, 59, 59, 59};  // 10 mm
    state->view.printerId = std::string(64, 'a');
    const std::vector<ks::platform::PrinterCapabilities> printers{
        ks::fakes::printerRecord(std::string(64, 'a'), L"PDF", ks::platform::PrinterStatus::Ready, kDpi),
        ks::fakes::printerRecord(std::string(64, 'b'), L"Label 80 × 50 (fake)", ks::platform::PrinterStatus::Ready,
                                 kDpi),
    };
    state->printers = printers;
    state->records = printers;
    // What the settings dialog offers: two driver papers and three qualities.
    state->settingsEnabled = true;
    state->records[0].papers = {{9, 210000, 297000, false}, {0, 62000, 29000, false}};
    state->records[0].resolutions = {{150, 150}, {300, 300}, {600, 600}};
    state->settings.paperWidthMm = 210;
    state->settings.paperHeightMm = 297;
    state->settings.dpiX = state->settings.dpiY = kDpi;
    state->settings.marginLeftMm = state->settings.marginTopMm = 10;
    state->settings.marginRightMm = state->settings.marginBottomMm = 10;
    state->settings.pageSelectionMode = 2;
    state->settings.pageRangeText = L"1-2";
    const std::wstring_view mode = argc > 2 ? argv[2] : L"fit";
    if (mode == L"range") {
        state->settings.pageSelectionMode = 0;
        state->settings.pageRangeText.clear();
    }

    const HWND window = ks::preview::createPreviewWindow(instance, nullptr,
                                                         std::make_unique<ks::fakes::FakePreviewWindowModel>(state));
    if (window == nullptr) return 1;
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
    // "actual": the "100%" button, one paper dot per screen pixel.
    if (mode == L"actual") ::SendMessageW(window, WM_COMMAND, ks::preview::control::kActualSize, 0);
    if (mode == L"printed") {
        // The print button pressed, and the queued job's result arriving.
        state->printingEnabled = true;
        ks::jobs::JobRecord queued;
        queued.state = ks::jobs::JobState::Queued;
        state->printResults.emplace_back(1, queued);
        ::SendMessageW(window, WM_COMMAND, ks::preview::control::kPrint, 0);
        ::SendMessageW(window, ks::preview::kPreviewPrintResultMessage, 1, 0);
    }
    // Posted: the dialog's modal loop then runs inside this message loop.
    if (mode == L"settings" || mode == L"range") {
        ::PostMessageW(window, WM_COMMAND, ks::preview::control::kSettings, 0);
    }
    if (mode == L"range") ::SetTimer(window, kTypeTimer, 500, typeRange);
    ::SetTimer(window, kCloseTimer, seconds * 1000,
               [](HWND w, UINT, UINT_PTR, DWORD) { ::PostMessageW(w, WM_CLOSE, 0, 0); });
    MSG message{};
    while (::IsWindow(window) && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageW(window, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

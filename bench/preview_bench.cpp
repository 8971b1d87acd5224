// The preview window drawing a 4 × 6 in label (1200 × 1800 dots at 300 dpi)
// on the display, in this process with a fake model. Prints figures only,
// medians over kRounds windows unless said otherwise:
// - from createPreviewWindow to the end of the window's first WM_PAINT
//   (ShowWindow, then the message loop until that paint returns), split into
//   creation, showing and waiting for the paint; the first window of the
//   process (Direct2D and the display's first use) on its own line;
// - the first WM_PAINT (render target made, page bitmap uploaded) against
//   later ones, each a synchronous repaint of the window's own client area
//   (RedrawWindow with RDW_UPDATENOW), at fit and at 800 %, and the
//   repaint right after a WM_PRINTCLIENT, which remakes the target and
//   uploads the page again in a window that has already painted;
// - WM_PRINTCLIENT into a memory DC at fit and at 800 %, which makes its
//   render target and uploads the page every time;
// - the same first WM_PAINT with a page of 12 × 18 dots on the same paper,
//   which tells the window's own setup from the label's upload;
// - decodePng of the label's PNG followed by the window's creation and
//   first paint: the preview's own work after a request's page arrives, in
//   this process and without the pipe.

#include <windows.h>
// <commctrl.h> needs the types of <windows.h>.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_preview_window_model.h"
#include "platform/win32/gdi_objects.h"
#include "preview/preview_layout.h"
#include "preview/win32/preview_window.h"
#include "raster/win32/png_decoder.h"
#include "support/win32/png_encoder.h"

namespace {

using Clock = std::chrono::steady_clock;
using ks::protocol::ByteBuffer;

constexpr int kRounds = 15;
constexpr int kFramesPerRound = 10;
constexpr std::uint32_t kDpi = 300;
constexpr std::uint32_t kWidth = 1200;   // 4 in
constexpr std::uint32_t kHeight = 1800;  // 6 in
constexpr UINT_PTR kSubclassId = 1;
constexpr auto kPaintDeadline = std::chrono::seconds(20);
const std::string kPrinterId(64, 'a');

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "preview_bench: %s\n", what.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

double ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

Clock::duration median(std::vector<Clock::duration> values) {
    if (values.empty()) fail("no figures to take the median of");
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The window's WM_PAINTs as a subclass sees them: how many have returned,
// when the first one did and how long the last one took.
struct PaintClock {
    int paints = 0;
    Clock::time_point firstEnd;
    Clock::duration last{};
};

LRESULT CALLBACK timePaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message != WM_PAINT) return ::DefSubclassProc(window, message, wParam, lParam);
    auto& clock = *reinterpret_cast<PaintClock*>(data);
    const auto start = Clock::now();
    const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    const auto end = Clock::now();
    if (clock.paints++ == 0) clock.firstEnd = end;
    clock.last = end - start;
    return result;
}

// Dispatches what is queued, paints included, until the queue is empty.
void drainMessages() {
    MSG message;
    for (int i = 0; i < 10000 && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// Runs the message loop until the window has painted once.
void waitForFirstPaint(const PaintClock& clock) {
    const auto deadline = Clock::now() + kPaintDeadline;
    MSG message;
    while (clock.paints == 0) {
        if (Clock::now() > deadline) fail("the window did not paint");
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The label as clients draw it, grey dots on white.
ks::testing::Grey labelImage() { return ks::testing::pattern(static_cast<int>(kWidth), static_cast<int>(kHeight)); }

ks::raster::RasterPage opaquePage(const ks::testing::Grey& image) {
    auto pixels = std::make_shared<ByteBuffer>(image.dots.size() * 4);
    for (std::size_t i = 0; i < image.dots.size(); ++i) {
        const std::uint8_t grey = image.dots[i];
        const std::uint8_t bgra[4] = {grey, grey, grey, 0xFF};
        std::memcpy(pixels->data() + i * 4, bgra, 4);
    }
    ks::raster::RasterPage page;
    page.width = static_cast<std::uint32_t>(image.width);
    page.height = static_cast<std::uint32_t>(image.height);
    page.pixels = std::move(pixels);
    return page;
}

std::shared_ptr<ks::fakes::FakePreviewState> labelSession(const ks::raster::RasterPage& page) {
    auto state = std::make_shared<ks::fakes::FakePreviewState>();
    ks::preview::PreviewView& view = state->view;
    view.pages = std::make_shared<const std::vector<ks::raster::RasterPage>>(1, page);
    view.paperWidthMm = 101.6;
    view.paperHeightMm = 152.4;
    view.dpiX = kDpi;
    view.dpiY = kDpi;
    view.printerId = kPrinterId;
    const auto printer = ks::fakes::printerRecord(kPrinterId, L"Label", ks::platform::PrinterStatus::Ready, kDpi);
    state->printers = std::vector<ks::platform::PrinterCapabilities>{printer};
    state->records = {printer};
    return state;
}

// A preview window from creation to its first paint, timed at each step.
class TimedWindow {
public:
    explicit TimedWindow(std::shared_ptr<ks::fakes::FakePreviewState> state) : state_(state) {
        const auto start = Clock::now();
        window_ = ks::preview::createPreviewWindow(::GetModuleHandleW(nullptr), nullptr,
                                                   std::make_unique<ks::fakes::FakePreviewWindowModel>(state));
        if (window_ == nullptr) fail("cannot create the preview window");
        created = Clock::now() - start;
        if (!::SetWindowSubclass(window_, timePaints, kSubclassId, reinterpret_cast<DWORD_PTR>(&clock_))) {
            fail("cannot subclass the preview window");
        }
        const auto showStart = Clock::now();
        ::ShowWindow(window_, SW_SHOW);
        shown = Clock::now() - showStart;
        waitForFirstPaint(clock_);
        toFirstPaint = clock_.firstEnd - start;
        firstPaint = clock_.last;
        drainMessages();
    }
    ~TimedWindow() {
        ::RemoveWindowSubclass(window_, timePaints, kSubclassId);
        ::DestroyWindow(window_);
        drainMessages();
    }
    TimedWindow(const TimedWindow&) = delete;
    TimedWindow& operator=(const TimedWindow&) = delete;

    // A synchronous repaint of the client area, without the controls.
    Clock::duration redraw() const {
        const auto start = Clock::now();
        ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
        return Clock::now() - start;
    }

    Clock::duration printClient() const {
        RECT client{};
        ::GetClientRect(window_, &client);
        const HDC dc = ::CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const ks::platform::UniqueGdiObject bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap) fail("cannot make a memory bitmap");
        const HGDIOBJ previous = ::SelectObject(dc, bitmap.get());
        const auto start = Clock::now();
        ::SendMessageW(window_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        const auto elapsed = Clock::now() - start;
        ::SelectObject(dc, previous);
        ::DeleteDC(dc);
        return elapsed;
    }

    // Presses "+" until the session's scale is 8.0, the largest there is.
    void zoomToEightTimes() {
        for (int i = 0; i < 200; ++i) {
            const ks::preview::PreviewZoom& zoom = state_->view.zoom;
            if (!zoom.fit && zoom.scale >= 8.0) {
                drainMessages();
                return;
            }
            ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(ks::preview::control::kZoomIn, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(window_, ks::preview::control::kZoomIn)));
        }
        fail("the zoom never reached 8.0");
    }

    SIZE clientSize() const {
        RECT client{};
        ::GetClientRect(window_, &client);
        return {client.right, client.bottom};
    }

    Clock::duration created{};
    Clock::duration shown{};
    Clock::duration toFirstPaint{};
    Clock::duration firstPaint{};

private:
    std::shared_ptr<ks::fakes::FakePreviewState> state_;
    PaintClock clock_;
    HWND window_ = nullptr;
};

struct Samples {
    std::vector<Clock::duration> created, shown, toFirstPaint, firstPaint;
    std::vector<Clock::duration> fitFrames, zoomedFrames, remadeFrames, fitPrintClient, zoomedPrintClient;
    std::vector<Clock::duration> smallPageFirstPaint, decode, decodeToFirstPaint;
};

void line(const char* what, const std::vector<Clock::duration>& values) {
    std::printf("  %-66s %8.2f ms  (n=%zu)\n", what, ms(median(values)), values.size());
}

}  // namespace

int main() {
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (!ks::preview::registerPreviewWindowClass(::GetModuleHandleW(nullptr))) fail("cannot register the class");
    const ks::testing::Grey image = labelImage();
    const ks::raster::RasterPage page = opaquePage(image);
    const ks::raster::RasterPage smallPage = opaquePage(ks::testing::pattern(12, 18));
    const std::string encoded = ks::testing::encodeAsTransparentPng(image);
    const auto png = std::make_shared<const ByteBuffer>(
        ByteBuffer::copyOf(std::span(reinterpret_cast<const std::uint8_t*>(encoded.data()), encoded.size())));

    // The process's first window pays for Direct2D's and the display's setup.
    Clock::duration coldToFirstPaint{};
    Clock::duration coldFirstPaint{};
    SIZE client{};
    UINT dpi = 0;
    {
        const TimedWindow cold(labelSession(page));
        coldToFirstPaint = cold.toFirstPaint;
        coldFirstPaint = cold.firstPaint;
        client = cold.clientSize();
    }

    Samples samples;
    for (int round = 0; round < kRounds; ++round) {
        {
            TimedWindow window(labelSession(page));
            samples.created.push_back(window.created);
            samples.shown.push_back(window.shown);
            samples.toFirstPaint.push_back(window.toFirstPaint);
            samples.firstPaint.push_back(window.firstPaint);
            for (int frame = 0; frame < kFramesPerRound; ++frame) samples.fitFrames.push_back(window.redraw());
            samples.fitPrintClient.push_back(window.printClient());
            samples.remadeFrames.push_back(window.redraw());
            window.zoomToEightTimes();
            for (int frame = 0; frame < kFramesPerRound; ++frame) samples.zoomedFrames.push_back(window.redraw());
            samples.zoomedPrintClient.push_back(window.printClient());
        }
        samples.smallPageFirstPaint.push_back(TimedWindow(labelSession(smallPage)).firstPaint);
        {
            const auto start = Clock::now();
            auto decoded = ks::raster::decodePng(png, kWidth, kHeight);
            if (!decoded) fail("cannot decode the label");
            samples.decode.push_back(Clock::now() - start);
            const TimedWindow window(labelSession(decoded.value()));
            samples.decodeToFirstPaint.push_back(samples.decode.back() + window.toFirstPaint);
        }
    }
    {
        const HDC screen = ::GetDC(nullptr);
        dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX));
        ::ReleaseDC(nullptr, screen);
    }

    std::printf("preview of a %u x %u label at %u dpi (PNG of %zu bytes), client area %ld x %ld at %u dpi\n", kWidth,
                kHeight, kDpi, png->size(), client.cx, client.cy, dpi);
    std::printf("first window of the process:\n");
    std::printf("  %-66s %8.2f ms\n", "createPreviewWindow to the end of its first WM_PAINT", ms(coldToFirstPaint));
    std::printf("  %-66s %8.2f ms\n", "that first WM_PAINT", ms(coldFirstPaint));
    std::printf("later windows, median of %d:\n", kRounds);
    line("createPreviewWindow to the end of its first WM_PAINT", samples.toFirstPaint);
    line("  createPreviewWindow", samples.created);
    line("  ShowWindow", samples.shown);
    line("first WM_PAINT (target made, page uploaded)", samples.firstPaint);
    line("first WM_PAINT with a 12 x 18 page instead", samples.smallPageFirstPaint);
    std::printf("repaints (RedrawWindow RDW_UPDATENOW, page already uploaded), median of %d:\n",
                kRounds * kFramesPerRound);
    line("at fit", samples.fitFrames);
    line("at 800 %", samples.zoomedFrames);
    std::printf("repaint at fit after a WM_PRINTCLIENT (target remade, page uploaded again), median of %d:\n", kRounds);
    line("at fit", samples.remadeFrames);
    std::printf("WM_PRINTCLIENT into a memory DC (target made, page uploaded each time), median of %d:\n", kRounds);
    line("at fit", samples.fitPrintClient);
    line("at 800 %", samples.zoomedPrintClient);
    std::printf("in process, no pipe: decodePng of the label, then the window to its first paint, median of %d:\n",
                kRounds);
    line("decodePng", samples.decode);
    line("decodePng + createPreviewWindow to the end of its first WM_PAINT", samples.decodeToFirstPaint);
    return 0;
}

#include "preview/win32/preview_window.h"

#include <gtest/gtest.h>

#include <d2d1.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_icon.h"
#include "fakes/fake_preview_window_model.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/gdi_objects.h"
#include "preview/preview_layout.h"
#include "preview/preview_text.h"
#include "preview/win32/preview_messages.h"
#include "preview/win32/preview_renderer.h"

namespace ks::preview {
namespace {

const std::string kPdfId(64, 'a');
const std::string kLabelId(64, 'b');
const std::string kGoneId(64, 'c');

constexpr COLORREF kStatusRed = RGB(0xB7, 0x25, 0x34);
constexpr COLORREF kStatusGreen = RGB(0x1A, 0x71, 0x42);

// A page of one colour (BGRA bytes), with `extraBytes` more or fewer pixel
// bytes than its size asks for.
raster::RasterPage solidPage(std::uint32_t width, std::uint32_t height, std::uint32_t bgra, int extraBytes = 0) {
    const std::size_t size = std::size_t{width} * height * 4 + static_cast<std::size_t>(extraBytes);
    auto pixels = std::make_shared<protocol::ByteBuffer>(size);
    for (std::size_t i = 0; i + 4 <= size; i += 4) std::memcpy(pixels->data() + i, &bgra, 4);
    raster::RasterPage page;
    page.width = width;
    page.height = height;
    page.pixels = std::move(pixels);
    return page;
}

class MemoryBitmap {
public:
    MemoryBitmap(int width, int height) : width_(width), dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        previous_ = ::SelectObject(dc_, bitmap_.get());
    }
    ~MemoryBitmap() {
        ::SelectObject(dc_, previous_);
        ::DeleteDC(dc_);
    }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    HDC dc() const { return dc_; }
    // 0xRRGGBB
    std::uint32_t pixel(int x, int y) const {
        return static_cast<const std::uint32_t*>(bits_)[y * width_ + x] & 0xFFFFFF;
    }

private:
    int width_;
    HDC dc_;
    platform::UniqueGdiObject bitmap_;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

bool similar(std::uint32_t actual, std::uint32_t expected) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((actual >> shift) & 0xFF) - static_cast<int>((expected >> shift) & 0xFF)) > 2) {
            return false;
        }
    }
    return true;
}

class PreviewWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registerPreviewWindowClass(::GetModuleHandleW(nullptr)));
        state_ = std::make_shared<fakes::FakePreviewState>();
        PreviewView& view = state_->view;
        const raster::RasterPage page = solidPage(24, 34, 0xFFC04020);
        view.pages = std::make_shared<const std::vector<raster::RasterPage>>(3, page);
        view.paperWidthMm = 210;
        view.paperHeightMm = 297;
        view.dpiX = 300;
        view.dpiY = 300;
        view.copies = 2;
        view.printerId = kPdfId;
        state_->printers = std::vector<platform::PrinterCapabilities>{
            fakes::printerRecord(kPdfId, L"PDF", platform::PrinterStatus::Ready, 0),
            fakes::printerRecord(kLabelId, L"Label", platform::PrinterStatus::Offline, 0),
        };
        state_->records = {fakes::printerRecord(kPdfId, L"PDF", platform::PrinterStatus::Ready, 600),
                           fakes::printerRecord(kLabelId, L"Label", platform::PrinterStatus::Offline, 203)};
    }

    void TearDown() override {
        if (::IsWindow(window_)) ::DestroyWindow(window_);
    }

    void open() {
        window_ = createPreviewWindow(::GetModuleHandleW(nullptr), nullptr,
                                      std::make_unique<fakes::FakePreviewWindowModel>(state_));
        ASSERT_NE(window_, nullptr);
    }

    std::wstring text(int id) const {
        wchar_t buffer[256] = {};
        ::GetDlgItemTextW(window_, id, buffer, 256);
        return buffer;
    }
    bool enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(window_, id)) != FALSE; }
    void command(int id, int code = BN_CLICKED) {
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(window_, id)));
    }
    COLORREF statusColour() const {
        const HDC dc = ::GetDC(window_);
        ::SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window_, control::kStatus)));
        const COLORREF colour = ::GetTextColor(dc);
        ::ReleaseDC(window_, dc);
        return colour;
    }
    RECT client() const {
        RECT rect{};
        ::GetClientRect(window_, &rect);
        return rect;
    }
    // The centre of the page area, where a page that fits lies.
    POINT pageAreaCentre() const {
        const RECT area = client();
        const double scale = ::GetDpiForWindow(window_) / 96.0;
        return {static_cast<LONG>((32 + (area.right / scale - 352)) / 2 * scale),
                static_cast<LONG>((32 + (area.bottom / scale - 108)) / 2 * scale)};
    }
    // Draws the window as WM_PRINTCLIENT asks, as a paint would.
    std::unique_ptr<MemoryBitmap> printClient() {
        const RECT area = client();
        auto target = std::make_unique<MemoryBitmap>(area.right, area.bottom);
        ::SendMessageW(window_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target->dc()), PRF_CLIENT);
        return target;
    }

    std::shared_ptr<fakes::FakePreviewState> state_;
    HWND window_ = nullptr;
};

TEST_F(PreviewWindowTest, OpensOnTheJobsPrinterWithTheSessionsValues) {
    open();
    wchar_t className[64] = {};
    ::GetClassNameW(window_, className, 64);
    EXPECT_STREQ(className, L"Kestrune.Preview");
    EXPECT_EQ(text(control::kPageCounter), L"1 / 3 页");
    EXPECT_EQ(text(control::kCopies), L"2");
    EXPECT_EQ(text(control::kPaperLine), L"纸张    210 × 297 mm");
    // Re-targeted to the printer's full record, whose resolution the lines show.
    EXPECT_EQ(state_->retargetedTo, std::vector<std::string>{kPdfId});
    EXPECT_EQ(text(control::kQualityLine), L"质量    600 DPI");
    EXPECT_EQ(text(control::kOrientationLine), L"方向    纵向");
    const HWND list = ::GetDlgItem(window_, control::kPrinterList);
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
    EXPECT_EQ(statusColour(), kStatusGreen);
    EXPECT_TRUE(enabled(control::kPrinterList));
    // Neither printing nor the settings dialog is offered by this model.
    EXPECT_FALSE(enabled(control::kPrint));
    EXPECT_FALSE(enabled(control::kSettings));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window_, control::kZoomLabel)));
    EXPECT_EQ(::SendMessageW(window_, DM_GETDEFID, 0, 0), 0x534B0070);

    // Controls sit where the layout puts them for the client area.
    const RECT area = client();
    const int dpi = static_cast<int>(::GetDpiForWindow(window_));
    const platform::LayoutRect expected = rectOf(layoutPreviewWindow(area.right, area.bottom, dpi), control::kClose);
    RECT placed{};
    ::GetWindowRect(::GetDlgItem(window_, control::kClose), &placed);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ((platform::LayoutRect{placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top}),
              expected);

    // The product icon at the size the title bar asks for, not a resampled one.
    const auto big = reinterpret_cast<HICON>(::SendMessageW(window_, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(app::iconWidth(big), ::GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi)));

    MINMAXINFO limits{};
    ::SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_GT(limits.ptMinTrackSize.x, platform::scaleForDpi(920, dpi));
    EXPECT_GT(limits.ptMinTrackSize.y, platform::scaleForDpi(700, dpi));
}

TEST_F(PreviewWindowTest, AnExceptionFromTheCatalogueIsShownNotThrownOutOfTheWindow) {
    open();
    state_->capabilitiesThrow = "spooler gone";
    ::SendDlgItemMessageW(window_, control::kPrinterList, CB_SETCURSEL, 1, 0);
    command(control::kPrinterList, CBN_SELCHANGE);
    EXPECT_EQ(text(control::kStatus), L"KSR-4007：spooler gone");
    EXPECT_TRUE(::IsWindow(window_));
}

TEST_F(PreviewWindowTest, PrintingAndSettingsFollowTheModelAndThePrintersState) {
    state_->printingEnabled = true;
    state_->settingsEnabled = true;
    open();
    EXPECT_TRUE(enabled(control::kPrint));
    EXPECT_TRUE(enabled(control::kSettings));

    // An offline printer: re-targeted, but nothing to print on.
    ::SendDlgItemMessageW(window_, control::kPrinterList, CB_SETCURSEL, 1, 0);
    command(control::kPrinterList, CBN_SELCHANGE);
    EXPECT_EQ(state_->retargetedTo.back(), kLabelId);
    EXPECT_EQ(text(control::kQualityLine), L"质量    203 DPI");
    EXPECT_EQ(text(control::kStatus), L"打印机当前不可用");
    EXPECT_FALSE(enabled(control::kPrint));
    EXPECT_TRUE(enabled(control::kSettings));

    // A failed re-target keeps the previous printer, in the session and the list.
    state_->retargetResult = Error("KSR-2007", L"打印机能力或页面尺寸已变化，请重新生成页面");
    ::SendDlgItemMessageW(window_, control::kPrinterList, CB_SETCURSEL, 0, 0);
    command(control::kPrinterList, CBN_SELCHANGE);
    EXPECT_EQ(state_->view.printerId, kLabelId);
    EXPECT_EQ(::SendDlgItemMessageW(window_, control::kPrinterList, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(text(control::kStatus), L"KSR-2007：打印机能力或页面尺寸已变化，请重新生成页面");
    EXPECT_EQ(statusColour(), kStatusRed);

    // Success clears the window's error.
    state_->retargetResult = {};
    ::SendDlgItemMessageW(window_, control::kPrinterList, CB_SETCURSEL, 0, 0);
    command(control::kPrinterList, CBN_SELCHANGE);
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
    EXPECT_TRUE(enabled(control::kPrint));
}

// Runs this thread's messages until the status box shows `expected`, or for
// five seconds at most.
void pumpUntilStatus(HWND window, const std::wstring& expected) {
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, nullptr);
    wchar_t buffer[256] = {};
    MSG message{};
    while (::GetDlgItemTextW(window, control::kStatus, buffer, 256), expected != buffer) {
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == guard) break;
        ::DispatchMessageW(&message);
    }
    ::KillTimer(nullptr, guard);
}

jobs::JobRecord jobRecord(jobs::JobState state, std::optional<Error> error = std::nullopt) {
    jobs::JobRecord record;
    record.state = state;
    record.error = std::move(error);
    return record;
}

// Nothing posts the print's message here: the window's own timer finds the
// result.
TEST_F(PreviewWindowTest, APrintHoldsTheControlsUntilItsResultIsFound) {
    state_->printingEnabled = true;
    state_->settingsEnabled = true;
    state_->startAnswer = std::uint64_t{5};
    open();
    ::SetDlgItemTextW(window_, control::kCopies, L"1500");
    command(control::kPrint);
    EXPECT_EQ(state_->printsStarted, 1);
    EXPECT_EQ(state_->view.copies, 999u);
    EXPECT_EQ(text(control::kStatus), L"正在提交打印；驱动处理期间取消可能暂不可用");
    for (const int id : {control::kPrint, control::kCopies, control::kPrinterList, control::kSettings}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    command(IDOK);
    EXPECT_EQ(state_->printsStarted, 1) << "one print at a time";

    const std::size_t checksBefore = state_->retargetedTo.size();
    state_->printResults.emplace_back(5, jobRecord(jobs::JobState::Queued));
    pumpUntilStatus(window_, L"已提交到 Windows 打印队列；可调整设置后继续打印");
    EXPECT_EQ(text(control::kStatus), L"已提交到 Windows 打印队列；可调整设置后继续打印");
    EXPECT_EQ(statusColour(), kStatusGreen);
    EXPECT_TRUE(state_->printResults.empty());
    EXPECT_EQ(state_->retargetedTo.size(), checksBefore + 1) << "the printer was checked again";
    for (const int id : {control::kPrint, control::kCopies, control::kPrinterList, control::kSettings}) {
        EXPECT_TRUE(enabled(id)) << id;
    }

    // A failed job and a refused print show their errors; the message path
    // delivers them.
    struct Case {
        Result<jobs::JobRecord> result;
        std::wstring status;
    };
    const Case cases[] = {
        {jobRecord(jobs::JobState::Failed, Error("KSR-2005", L"无法创建设备上下文")), L"KSR-2005：无法创建设备上下文"},
        {jobRecord(jobs::JobState::Failed), L"KSR-4003：打印任务提交失败"},
        {Error("KSR-2007", L"打印机能力或页面尺寸已变化，请重新生成页面"),
         L"KSR-2007：打印机能力或页面尺寸已变化，请重新生成页面"},
    };
    std::uint64_t workId = 6;
    for (const Case& c : cases) {
        state_->startAnswer = workId;
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(control::kPrint, BN_CLICKED), 0);
        ASSERT_EQ(text(control::kStatus), L"正在提交打印；驱动处理期间取消可能暂不可用") << c.status;
        state_->printResults.emplace_back(workId, c.result);
        ::SendMessageW(window_, kPreviewPrintResultMessage, workId - 1, 0);  // not its print
        EXPECT_EQ(text(control::kStatus), L"正在提交打印；驱动处理期间取消可能暂不可用");
        ::SendMessageW(window_, kPreviewPrintResultMessage, workId, 0);
        EXPECT_EQ(text(control::kStatus), c.status);
        EXPECT_EQ(statusColour(), kStatusRed);
        EXPECT_FALSE(enabled(control::kPrint));
        EXPECT_TRUE(enabled(control::kCopies));
        // The error stays until the printer is chosen again.
        ::SendDlgItemMessageW(window_, control::kPrinterList, CB_SETCURSEL, 0, 0);
        command(control::kPrinterList, CBN_SELCHANGE);
        ASSERT_TRUE(enabled(control::kPrint));
        ++workId;
    }

    state_->startAnswer = Error("KSR-4006", L"预览打印正在处理或服务已关闭");
    command(control::kPrint);
    EXPECT_EQ(text(control::kStatus), L"KSR-4006：预览打印正在处理或服务已关闭");
    EXPECT_TRUE(enabled(control::kCopies)) << "nothing in flight";
}

TEST_F(PreviewWindowTest, JobPrinterMissingFromTheListLeavesPrintingOff) {
    state_->view.printerId = kGoneId;
    state_->printingEnabled = true;
    open();
    EXPECT_EQ(text(control::kStatus), L"KSR-2001：找不到指定打印机");
    EXPECT_TRUE(state_->retargetedTo.empty());
    EXPECT_FALSE(enabled(control::kPrint));
    EXPECT_TRUE(enabled(control::kPrinterList));
}

TEST_F(PreviewWindowTest, PagingButtonsFollowThePage) {
    open();
    EXPECT_FALSE(enabled(control::kPreviousPage));
    EXPECT_TRUE(enabled(control::kNextPage));
    command(control::kNextPage);
    EXPECT_EQ(text(control::kPageCounter), L"2 / 3 页");
    EXPECT_TRUE(enabled(control::kPreviousPage));
    EXPECT_TRUE(enabled(control::kNextPage));
    command(control::kNextPage);
    command(control::kNextPage);  // already on the last page
    EXPECT_EQ(state_->view.pageIndex, 2U);
    EXPECT_EQ(text(control::kPageCounter), L"3 / 3 页");
    EXPECT_FALSE(enabled(control::kNextPage));
    command(control::kPreviousPage);
    EXPECT_EQ(text(control::kPageCounter), L"2 / 3 页");
}

TEST_F(PreviewWindowTest, ZoomButtonsClampAndLabelTheScale) {
    open();
    state_->view.zoom = {false, 6.5};
    command(control::kZoomIn);
    EXPECT_EQ(state_->view.zoom, (PreviewZoom{false, 8.0}));
    EXPECT_EQ(text(control::kActualSize), L"800%");
    EXPECT_EQ(text(control::kZoomLabel), L"800%");
    state_->view.zoom = {false, 0.06};
    command(control::kZoomOut);
    EXPECT_EQ(state_->view.zoom, (PreviewZoom{false, 0.05}));
    EXPECT_EQ(text(control::kActualSize), L"5%");
    command(control::kFitToWindow);
    EXPECT_EQ(state_->view.zoom, (PreviewZoom{true, 1.0}));
    EXPECT_EQ(text(control::kActualSize), L"100%");
    EXPECT_EQ(text(control::kZoomLabel), L"适合窗口");
    // From fit, a step starts at the fit scale, which is below 1 for A4 at
    // 300 DPI in this window.
    command(control::kZoomIn);
    EXPECT_FALSE(state_->view.zoom.fit);
    EXPECT_LT(state_->view.zoom.scale, 1.0);
    command(control::kActualSize);
    EXPECT_EQ(state_->view.zoom, (PreviewZoom{false, 1.0}));
}

TEST_F(PreviewWindowTest, CopiesAreClampedWhenTheBoxLosesFocus) {
    open();
    ::SetDlgItemTextW(window_, control::kCopies, L"42");
    EXPECT_EQ(state_->view.copies, 42U);  // stored as typed
    ::SetDlgItemTextW(window_, control::kCopies, L"0");
    command(control::kCopies, EN_KILLFOCUS);
    EXPECT_EQ(state_->view.copies, 1U);
    EXPECT_EQ(text(control::kCopies), L"1");
    ::SetDlgItemTextW(window_, control::kCopies, L"1500");
    command(control::kCopies, EN_KILLFOCUS);
    EXPECT_EQ(state_->view.copies, 999U);
    EXPECT_EQ(text(control::kCopies), L"999");
    ::SetDlgItemTextW(window_, control::kCopies, L"");
    EXPECT_EQ(state_->view.copies, 999U);  // nothing to store while empty
    command(control::kCopies, EN_KILLFOCUS);
    EXPECT_EQ(state_->view.copies, 1U);
    EXPECT_EQ(text(control::kCopies), L"1");
}

TEST_F(PreviewWindowTest, EscapeCloseButtonAndCloseBoxCloseThroughTheModel) {
    for (const auto close : {+[](HWND w) { ::SendMessageW(w, WM_COMMAND, IDCANCEL, 0); },
                             +[](HWND w) { ::SendMessageW(w, WM_COMMAND, control::kClose, 0); },
                             +[](HWND w) { ::SendMessageW(w, WM_CLOSE, 0, 0); }}) {
        state_->userCloseCalls = 0;
        state_->destroyedCalls = 0;
        open();
        close(window_);
        EXPECT_FALSE(::IsWindow(window_));
        EXPECT_EQ(state_->userCloseCalls, 1);
        EXPECT_EQ(state_->destroyedCalls, 1);
    }
}

TEST_F(PreviewWindowTest, CloseErrorKeepsTheWindowOpenAndShowsIt) {
    state_->userCloseResult = Error("KSR-4009", L"Windows 队列未接受取消请求，请查询任务状态后重试");
    open();
    command(IDCANCEL);
    ASSERT_TRUE(::IsWindow(window_));
    EXPECT_EQ(state_->destroyedCalls, 0);
    EXPECT_EQ(text(control::kStatus), L"KSR-4009：Windows 队列未接受取消请求，请查询任务状态后重试");
    EXPECT_EQ(statusColour(), kStatusRed);

    // Destroyed from outside, the model hears of it without a user close.
    ::DestroyWindow(window_);
    EXPECT_EQ(state_->userCloseCalls, 1);
    EXPECT_EQ(state_->destroyedCalls, 1);
}

// Runs what is queued for this thread the way the service's message loop
// does: the preview window's keyboard navigation first.
void pumpAsTheServiceLoop(HWND window) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (::IsWindow(window) && ::IsDialogMessageW(window, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// A key as the keyboard delivers it: to the control with the focus, else to
// the active window; then the loop runs until nothing is left to do.
void press(HWND window, UINT key) {
    const HWND focused = ::GetFocus();
    const HWND target = focused != nullptr ? focused : window;
    ::PostMessageW(target, WM_KEYDOWN, key, 0);
    ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    pumpAsTheServiceLoop(window);
}

int focusedId() { return ::GetDlgCtrlID(::GetFocus()); }

// Tab until control `id` has the focus; false when it never comes.
bool tabTo(HWND window, int id) {
    for (int presses = 0; presses < 24 && focusedId() != id; ++presses) press(window, VK_TAB);
    return focusedId() == id;
}

// Enter presses the push button that has the focus, as in a dialog; the
// print button only when no push button has it.
TEST_F(PreviewWindowTest, EnterPressesTheFocusedButtonAndPrintsOnlyFromElsewhere) {
    struct Case {
        int focused;
        int prints;
        std::uint64_t pageIndex;
        bool fit;
        bool closed;
    };
    const Case cases[] = {
        {control::kClose, 0, 0, false, true},       {control::kNextPage, 0, 1, false, false},
        {control::kFitToWindow, 0, 0, true, false}, {control::kPrint, 1, 0, false, false},
        {control::kCopies, 1, 0, false, false},     {control::kPrinterList, 1, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "focus on " << c.focused);
        state_->printingEnabled = true;
        state_->printsStarted = 0;
        state_->userCloseCalls = 0;
        state_->view.pageIndex = 0;
        state_->view.zoom = {false, 2.0};
        open();
        ::ShowWindow(window_, SW_SHOW);
        ::SetForegroundWindow(window_);
        ASSERT_TRUE(tabTo(window_, c.focused));
        press(window_, VK_RETURN);
        EXPECT_EQ(state_->printsStarted, c.prints);
        EXPECT_EQ(state_->view.pageIndex, c.pageIndex);
        EXPECT_EQ(state_->view.zoom.fit, c.fit);
        EXPECT_EQ(state_->userCloseCalls, c.closed ? 1 : 0);
        EXPECT_EQ(::IsWindow(window_), c.closed ? FALSE : TRUE);
        if (::IsWindow(window_)) ::DestroyWindow(window_);
    }
}

// The paging button that reaches the last page is disabled; the focus moves
// to the other one rather than nowhere, where Enter would print.
TEST_F(PreviewWindowTest, PagingByKeyboardKeepsTheFocusOnThePagingButtons) {
    state_->printingEnabled = true;
    open();
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    ASSERT_TRUE(tabTo(window_, control::kNextPage));
    press(window_, VK_RETURN);
    press(window_, VK_RETURN);
    EXPECT_EQ(text(control::kPageCounter), L"3 / 3 页");
    EXPECT_EQ(focusedId(), control::kPreviousPage);
    press(window_, VK_RETURN);
    press(window_, VK_RETURN);
    EXPECT_EQ(text(control::kPageCounter), L"1 / 3 页");
    EXPECT_EQ(focusedId(), control::kNextPage);
    EXPECT_EQ(state_->printsStarted, 0);
}

// The window opens inside the work area of its monitor (this display's is
// less than 800 DIPs high) and never asks for a minimum beyond it.
TEST_F(PreviewWindowTest, OpensInsideTheWorkAreaOfItsMonitor) {
    open();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    RECT window{};
    ::GetWindowRect(window_, &window);
    EXPECT_GE(window.left, work.left);
    EXPECT_GE(window.top, work.top);
    EXPECT_LE(window.right, work.right);
    EXPECT_LE(window.bottom, work.bottom);
    MINMAXINFO limits{};
    ::SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_LE(limits.ptMinTrackSize.x, work.right - work.left);
    EXPECT_LE(limits.ptMinTrackSize.y, work.bottom - work.top);
    // The layout keeps the groups apart by the printer list's closed height.
    RECT list{};
    ::GetWindowRect(::GetDlgItem(window_, control::kPrinterList), &list);
    EXPECT_LE(list.bottom - list.top, printerListClosedHeight(static_cast<int>(::GetDpiForWindow(window_))));
}

// "200 / 200 页", the longest count, fits the counter on one line.
TEST_F(PreviewWindowTest, PageCounterHoldsTheLongestCountOnOneLine) {
    open();
    const HWND counter = ::GetDlgItem(window_, control::kPageCounter);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(counter, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    const HDC dc = ::GetDC(counter);
    RECT needed{};
    {
        const platform::SelectionScope selected(dc, font);
        ::DrawTextW(dc, L"200 / 200 页", -1, &needed, DT_CALCRECT | DT_SINGLELINE);
    }
    ::ReleaseDC(counter, dc);
    RECT box{};
    ::GetClientRect(counter, &box);
    EXPECT_LE(needed.right, box.right);
}

TEST_F(PreviewWindowTest, DrawsThePageCentredOnThePaper) {
    open();
    const auto frame = printClient();
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
    const POINT centre = pageAreaCentre();
    EXPECT_TRUE(similar(frame->pixel(5, 5), 0xE8ECF0)) << std::hex << frame->pixel(5, 5);  // page area
    EXPECT_TRUE(similar(frame->pixel(client().right - 5, 5), 0xFFFFFF));                   // side panel
    EXPECT_TRUE(similar(frame->pixel(centre.x, centre.y), 0xC04020)) << std::hex << frame->pixel(centre.x, centre.y);

    // Painted on screen, the page shows through the window's own DC too.
    ::ShowWindow(window_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window_);
    const HDC screen = ::GetDC(window_);
    const COLORREF painted = ::GetPixel(screen, centre.x, centre.y);
    ::ReleaseDC(window_, screen);
    EXPECT_EQ(painted, RGB(0xC0, 0x40, 0x20)) << std::hex << painted;
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
}

TEST_F(PreviewWindowTest, PageWithTheWrongBufferSizeIsNotDrawnAndTheErrorShown) {
    state_->view.pages = std::make_shared<const std::vector<raster::RasterPage>>(1, solidPage(24, 34, 0xFFC04020, -4));
    state_->printingEnabled = true;
    open();
    EXPECT_EQ(text(control::kPageCounter), L"1 / 1 页");
    EXPECT_FALSE(enabled(control::kPreviousPage));
    EXPECT_FALSE(enabled(control::kNextPage));
    const auto frame = printClient();
    EXPECT_EQ(text(control::kStatus), L"KSR-4007：无法绘制预览页面（0x80070057）");
    EXPECT_EQ(statusColour(), kStatusRed);
    // The rest of the frame is still drawn, the paper white where the page would be.
    const POINT centre = pageAreaCentre();
    EXPECT_TRUE(similar(frame->pixel(5, 5), 0xE8ECF0));
    EXPECT_TRUE(similar(frame->pixel(centre.x, centre.y), 0xFFFFFF)) << std::hex << frame->pixel(centre.x, centre.y);

    // What prints is the job, not the frame: printing is still offered, and
    // starts.
    ASSERT_TRUE(enabled(control::kPrint));
    command(control::kPrint);
    EXPECT_EQ(state_->printsStarted, 1);
}

// The largest bitmap side Direct2D takes here, asked of a target like the
// window's.
std::uint32_t maximumBitmapSide() {
    platform::UniqueComPtr<ID2D1Factory> factory;
    if (FAILED(::D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                                   reinterpret_cast<void**>(factory.put())))) {
        return 0;
    }
    const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
        D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE));
    platform::UniqueComPtr<ID2D1DCRenderTarget> target;
    if (FAILED(factory.get()->CreateDCRenderTarget(&properties, target.put()))) return 0;
    return target.get()->GetMaximumBitmapSize();
}

TEST_F(PreviewWindowTest, APageWiderThanTheDeviceTakesIsDrawnShrunk) {
    const std::uint32_t maxSide = maximumBitmapSide();
    ASSERT_GT(maxSide, 0U);
    const std::uint32_t width = maxSide + 16;
    state_->view.pages =
        std::make_shared<const std::vector<raster::RasterPage>>(1, solidPage(width, width / 10, 0xFFC04020));
    state_->printingEnabled = true;
    open();
    const auto frame = printClient();
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
    EXPECT_TRUE(enabled(control::kPrint));
    const POINT centre = pageAreaCentre();
    EXPECT_TRUE(similar(frame->pixel(centre.x, centre.y), 0xC04020)) << std::hex << frame->pixel(centre.x, centre.y);
}

// A session that runs out of memory in the middle of a message: the window
// lives on and says so in its status box. A frame that failed leaves
// printing on; a print result that could not be applied holds it.
TEST_F(PreviewWindowTest, AnExceptionInAMessageIsShownAndTheWindowLivesOn) {
    struct Case {
        const char* name;
        std::function<void()> send;
        bool printStaysOn;
    };
    const auto printResult = [this](UINT message, WPARAM wParam) {
        state_->startAnswer = std::uint64_t{5};
        command(control::kPrint);
        state_->printResults.emplace_back(5, jobRecord(jobs::JobState::Queued));
        state_->viewThrows = true;
        ::SendMessageW(window_, message, wParam, 0);
    };
    const Case cases[] = {
        {"paint",
         [this] {
             ::ShowWindow(window_, SW_SHOWNOACTIVATE);
             ::ValidateRect(window_, nullptr);
             state_->viewThrows = true;
             ::InvalidateRect(window_, nullptr, FALSE);
             ::UpdateWindow(window_);
         },
         true},
        {"print timer", [&] { printResult(WM_TIMER, 1); }, false},
        {"print result", [&] { printResult(kPreviewPrintResultMessage, 5); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state_->viewThrows = false;
        state_->printingEnabled = true;
        open();
        ASSERT_TRUE(enabled(control::kPrint));
        c.send();
        EXPECT_TRUE(::IsWindow(window_));
        EXPECT_EQ(text(control::kStatus), std::wstring(kOutOfMemoryStatus));
        EXPECT_EQ(statusColour(), kStatusRed);
        EXPECT_EQ(enabled(control::kPrint), c.printStaysOn);
        state_->viewThrows = false;
        ::DestroyWindow(window_);
    }
}

// A frame drawn after one that failed clears its error.
TEST_F(PreviewWindowTest, AFrameDrawnAfterAFailedOneClearsTheError) {
    open();
    state_->viewThrows = true;
    static_cast<void>(printClient());
    ASSERT_EQ(text(control::kStatus), std::wstring(kOutOfMemoryStatus));
    state_->viewThrows = false;
    static_cast<void>(printClient());
    EXPECT_EQ(text(control::kStatus), L"打印机就绪");
    EXPECT_EQ(statusColour(), kStatusGreen);
}

// The renderer alone, drawing into a bitmap at 96 DPI, with one Direct2D
// step made to report a lost device.
TEST(PreviewRendererTest, ALostDeviceIsMadeAgainOnceWhicheverStepLosesIt) {
    using Step = PreviewRenderer::Step;
    struct Case {
        const char* name;
        Step step;
        int losses;
        HRESULT result;
    };
    const Case cases[] = {
        {"brush", Step::CreateBrush, 1, S_OK},
        {"binding the DC", Step::BindDC, 1, S_OK},
        {"page bitmap", Step::CreateBitmap, 1, S_OK},
        {"end of drawing", Step::EndDraw, 1, S_OK},
        {"lost again on the new target", Step::EndDraw, 2, kRecreateTarget},
    };
    PreviewView view;
    view.pages = std::make_shared<const std::vector<raster::RasterPage>>(1, solidPage(24, 34, 0xFFC04020));
    view.paperWidthMm = 210;
    view.paperHeightMm = 297;
    view.dpiX = 300;
    view.dpiY = 300;
    const RECT area{0, 0, 800, 600};
    // The middle of the page area: left of the 320-pixel panel, above the
    // 76-pixel bar, inside the 32-pixel edges.
    const POINT centre{(32 + 800 - 320 - 32) / 2, (32 + 600 - 76 - 32) / 2};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int targetsMade = 0;
        int lossesLeft = c.losses;
        PreviewRenderer renderer([&](Step step, HRESULT result) {
            if (step == Step::CreateTarget && SUCCEEDED(result)) ++targetsMade;
            if (step != c.step || lossesLeft == 0) return result;
            --lossesLeft;
            return kRecreateTarget;
        });
        MemoryBitmap frame(area.right, area.bottom);
        EXPECT_EQ(renderer.render(frame.dc(), area, 96, view), c.result);
        EXPECT_EQ(targetsMade, 2) << "one target lost, one made again, and no more";
        if (SUCCEEDED(c.result)) {
            EXPECT_TRUE(similar(frame.pixel(centre.x, centre.y), 0xC04020))
                << std::hex << frame.pixel(centre.x, centre.y);
        }
        // The next frame is drawn as usual, on a new target only when the
        // last one was dropped.
        MemoryBitmap next(area.right, area.bottom);
        EXPECT_EQ(renderer.render(next.dc(), area, 96, view), S_OK);
        EXPECT_EQ(targetsMade, SUCCEEDED(c.result) ? 2 : 3);
        EXPECT_TRUE(similar(next.pixel(centre.x, centre.y), 0xC04020)) << std::hex << next.pixel(centre.x, centre.y);
    }
}

}  // namespace
}  // namespace ks::preview

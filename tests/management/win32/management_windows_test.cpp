// The management windows in this process, over a scripted spooler, a fake
// properties launcher and a fake exporter whose modal calls pump messages the
// way the real dialogs do.

#include "management/win32/management_windows.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_preview_host.h"
#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "platform/win32/diagnostic_exporter.h"
#include "platform/win32/printer_properties_launcher.h"
#include "preview/preview_coordinator.h"
#include "printers/printer_catalog.h"

namespace ks::management {
namespace {

using platform::PrinterInfo;
using platform::PrinterStatus;

constexpr wchar_t kPropertiesFailed[] = L"无法打开 Windows 打印机属性，请检查打印机连接及访问权限后重试。";

// Dispatches what is queued, as a modal dialog's loop would.
void pumpMessages() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

std::wstring textOf(HWND window) {
    wchar_t buffer[4096] = {};
    ::GetWindowTextW(window, buffer, 4096);
    return buffer;
}

void click(HWND window, int id) {
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

// Stands for the driver's dialog: while "open" it runs `duringDialog` and
// pumps messages, and it records every call.
class FakeLauncher final : public platform::IPrinterPropertiesLauncher {
public:
    Result<bool> Open(HWND owner, const std::wstring& printerName) override {
        calls.push_back(printerName);
        buttonEnabledDuringDialog = ::IsWindowEnabled(::GetDlgItem(owner, kPropertiesButtonId)) != FALSE;
        if (duringDialog) duringDialog(owner);
        pumpMessages();
        return answer;
    }

    std::vector<std::wstring> calls;
    bool buttonEnabledDuringDialog = true;
    std::function<void(HWND)> duringDialog;
    Result<bool> answer = true;
};

class FakeExporter final : public platform::IDiagnosticExporter {
public:
    platform::ExportResult Export(HWND owner, std::string_view utf8Text) override {
        texts.emplace_back(utf8Text);
        buttonEnabledDuringDialog = ::IsWindowEnabled(::GetDlgItem(owner, kExportButtonId)) != FALSE;
        if (duringDialog) duringDialog(owner);
        pumpMessages();
        return answer;
    }

    std::vector<std::string> texts;
    bool buttonEnabledDuringDialog = true;
    std::function<void(HWND)> duringDialog;
    platform::ExportResult answer = platform::ExportResult::Exported;
};

platform::PrinterCapabilities device(std::uint32_t dpi) {
    platform::PrinterCapabilities record;
    record.dpiX = record.dpiY = dpi;
    record.physicalWidthDots = record.printableWidthDots = 800;
    record.physicalHeightDots = record.printableHeightDots = 600;
    record.papers = {{9, 210000, 297000, false}};
    record.resolutions = {{dpi, dpi}};
    return record;
}

class ManagementWindowsTest : public testing::Test {
protected:
    ManagementWindowsTest() {
        spooler_.printers = {PrinterInfo{L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Ready},
                             PrinterInfo{L"Label", L"ZDesigner", L"USB001", PrinterStatus::Offline}};
        spooler_.setCapabilities(L"PDF", device(300));
        spooler_.setCapabilities(L"Label", device(203));
    }
    ~ManagementWindowsTest() override {
        windows_.DestroyAll();
        ::DestroyWindow(owner_);
    }

    HWND show(WindowKind kind) {
        windows_.ShowWindowOf(kind);
        return windows_.slot(kind).window;
    }
    static void close(HWND window) {
        ::SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(::IsWindow(window));
    }

    fakes::FakeWinspoolApi spooler_;
    printers::PrinterCatalog catalog_{spooler_};
    fakes::FakeJobServices jobs_{catalog_};
    fakes::FakePreviewHost previewHost_;
    preview::PreviewCoordinator coordinator_{jobs_.manager, catalog_, previewHost_};
    FakeLauncher launcher_;
    FakeExporter exporter_;
    bool serviceRunning_ = true;
    std::optional<jobs::LatestJobStatus> latestJob_;
    HWND owner_ = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ManagementWindows windows_{owner_,
                               coordinator_,
                               catalog_,
                               launcher_,
                               [] {
                                   return std::optional(WindowsVersion{10, 0, 19045, 1});
                               },
                               [this] { return serviceRunning_; },
                               [this] { return latestJob_; },
                               &exporter_};
};

TEST_F(ManagementWindowsTest, StatusWindowShowsWhatItReadAtItsLastRefreshAndReopensAnew) {
    const HWND first = show(WindowKind::ServiceStatus);
    ASSERT_NE(first, nullptr);
    wchar_t className[64] = {};
    ::GetClassNameW(first, className, 64);
    EXPECT_STREQ(className, L"Kestrune.ServiceStatus");
    EXPECT_EQ(textOf(first), L"Kestrune 服务状态");
    EXPECT_TRUE(::IsWindowVisible(first));
    EXPECT_EQ(::GetParent(first), nullptr);
    EXPECT_EQ(::GetWindow(first, GW_OWNER), owner_);
    const HWND panel = ::GetDlgItem(first, kStatusPanelId);
    EXPECT_EQ(textOf(panel), L"程序版本：0.1.0\r\nNamed Pipe：运行中\r\n当前预览：无\r\n最近任务：无");
    EXPECT_EQ(textOf(::GetDlgItem(first, kRefreshButtonId)), L"刷新状态");

    // The created client area is 680 × 500 DIP at the owner's DPI.
    RECT client{};
    ::GetClientRect(first, &client);
    const int dpi = static_cast<int>(::GetDpiForWindow(owner_));
    EXPECT_EQ(client.right, platform::scaleForDpi(680, dpi));
    EXPECT_EQ(client.bottom, platform::scaleForDpi(500, dpi));

    // No timer: a window left open shows old values until "刷新状态".
    serviceRunning_ = false;
    latestJob_ = jobs::LatestJobStatus{jobs::JobState::Failed, 0, "KSR-3003", 3};
    pumpMessages();
    EXPECT_EQ(textOf(panel), L"程序版本：0.1.0\r\nNamed Pipe：运行中\r\n当前预览：无\r\n最近任务：无");
    click(first, kRefreshButtonId);
    EXPECT_EQ(textOf(panel), L"程序版本：0.1.0\r\nNamed Pipe：已停止\r\n当前预览：无\r\n最近任务：Failed（KSR-3003）");
    EXPECT_EQ(::SendMessageW(first, kQueryGenerationMessage, 0, 0), 1);

    // Showing an open window again brings the same one forward.
    EXPECT_EQ(show(WindowKind::ServiceStatus), first);
    close(first);
    EXPECT_EQ(windows_.slot(WindowKind::ServiceStatus).window, nullptr);
    EXPECT_EQ(windows_.slot(WindowKind::ServiceStatus).content, nullptr);
    EXPECT_FALSE(windows_.slot(WindowKind::ServiceStatus).baseFont);

    serviceRunning_ = true;
    const HWND second = show(WindowKind::ServiceStatus);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(::SendMessageW(second, kQueryGenerationMessage, 0, 0), 2);
    EXPECT_EQ(textOf(::GetDlgItem(second, kStatusPanelId)),
              L"程序版本：0.1.0\r\nNamed Pipe：运行中\r\n当前预览：无\r\n最近任务：Failed（KSR-3003）");
}

TEST_F(ManagementWindowsTest, PropertiesButtonClickedTwiceOpensOneDialog) {
    const HWND window = show(WindowKind::PrinterSettings);
    ASSERT_NE(window, nullptr);
    const HWND list = ::GetDlgItem(window, kPrinterListId);
    const HWND information = windows_.slot(WindowKind::PrinterSettings).content;
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(textOf(information).starts_with(L"名称：PDF\r\n驱动：PDF\r\n端口：CUPS:PDF\r\n"));

    // The second click arrives while the first dialog is still open.
    launcher_.duringDialog = [](HWND owner) {
        ::PostMessageW(owner, WM_COMMAND, MAKEWPARAM(kPropertiesButtonId, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(owner, kPropertiesButtonId)));
    };
    click(window, kPropertiesButtonId);
    pumpMessages();
    EXPECT_EQ(launcher_.calls, std::vector<std::wstring>{L"PDF"});
    EXPECT_FALSE(launcher_.buttonEnabledDuringDialog);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, kPropertiesButtonId)));
    EXPECT_EQ(textOf(information).find(kPropertiesFailed), std::wstring::npos);

    // A dialog that cannot be shown: the printer's text, a blank line and why.
    launcher_.duringDialog = nullptr;
    launcher_.answer = Error("KSR-2007", kPropertiesFailed);
    click(window, kPropertiesButtonId);
    EXPECT_EQ(launcher_.calls.size(), 2u);
    const std::wstring shown = textOf(information);
    EXPECT_TRUE(shown.starts_with(L"名称：PDF\r\n"));
    EXPECT_TRUE(shown.ends_with(std::wstring(L"\r\n\r\n") + kPropertiesFailed)) << shown.size();
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, kPropertiesButtonId)));
}

TEST_F(ManagementWindowsTest, SelectedPrinterSurvivesReopenAndAClosedWindowIsLeftAlone) {
    HWND window = show(WindowKind::PrinterSettings);
    ASSERT_NE(window, nullptr);
    HWND list = ::GetDlgItem(window, kPrinterListId);
    ::SendMessageW(list, CB_SETCURSEL, 1, 0);
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(kPrinterListId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_TRUE(textOf(windows_.slot(WindowKind::PrinterSettings).content).starts_with(L"名称：Label\r\n"));

    // Closing the window while the driver's dialog is open: the steps after
    // it touch no window, and the next window is not the old one's to change.
    launcher_.answer = false;
    launcher_.duringDialog = [this](HWND owner) {
        ::SendMessageW(owner, WM_CLOSE, 0, 0);
        windows_.ShowWindowOf(WindowKind::PrinterSettings);
    };
    click(window, kPropertiesButtonId);
    EXPECT_EQ(launcher_.calls, std::vector<std::wstring>{L"Label"});
    EXPECT_FALSE(::IsWindow(window));

    window = windows_.slot(WindowKind::PrinterSettings).window;
    ASSERT_NE(window, nullptr);
    list = ::GetDlgItem(window, kPrinterListId);
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
    const std::wstring shown = textOf(windows_.slot(WindowKind::PrinterSettings).content);
    EXPECT_TRUE(shown.starts_with(L"名称：Label\r\n"));
    EXPECT_EQ(shown.find(kPropertiesFailed), std::wstring::npos);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, kPropertiesButtonId)));

    // No printers: an empty list, a disabled button and the reason.
    spooler_.printers.clear();
    click(window, kRefreshButtonId);
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, kPropertiesButtonId)));
    EXPECT_EQ(textOf(windows_.slot(WindowKind::PrinterSettings).content), kNoPrintersFound);
}

TEST_F(ManagementWindowsTest, ExportWritesTheShownReportAndOnlyItsOwnWindowShowsTheOutcome) {
    HWND window = show(WindowKind::Diagnostics);
    ASSERT_NE(window, nullptr);
    const HWND report = ::GetDlgItem(window, kReportId);
    const HWND label = ::GetDlgItem(window, kExportStatusLabelId);
    const std::wstring shown = textOf(report);
    EXPECT_TRUE(shown.starts_with(L"注意：诊断包含打印机、驱动和端口信息，请仅提供给可信支持人员。\r\n"));
    EXPECT_NE(shown.find(L"Windows：10.0 Build 19045（x64）\r\n"), std::wstring::npos);
    EXPECT_NE(shown.find(L"名称：Label\r\n"), std::wstring::npos);
    EXPECT_FALSE(::IsWindowVisible(label));

    click(window, kExportButtonId);
    ASSERT_EQ(exporter_.texts.size(), 1u);
    EXPECT_FALSE(exporter_.buttonEnabledDuringDialog);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, kExportButtonId)));
    // Exactly the text on screen, as UTF-8.
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, shown.data(), static_cast<int>(shown.size()), nullptr, 0, nullptr, nullptr);
    std::string expected(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, shown.data(), static_cast<int>(shown.size()), expected.data(), length, nullptr,
                          nullptr);
    EXPECT_EQ(exporter_.texts[0], expected);
    EXPECT_EQ(textOf(label), L"诊断已导出。请仅提供给可信支持人员。");
    EXPECT_TRUE(::IsWindowVisible(label));

    // A cancelled dialog leaves the label as it was; a failure replaces it.
    exporter_.answer = platform::ExportResult::Cancelled;
    click(window, kExportButtonId);
    EXPECT_EQ(textOf(label), L"诊断已导出。请仅提供给可信支持人员。");
    exporter_.answer = platform::ExportResult::Failed;
    click(window, kExportButtonId);
    EXPECT_EQ(textOf(label), L"导出失败，请检查所选位置的写入权限和可用空间后重试。");
    // A refresh clears it.
    click(window, kRefreshButtonId);
    EXPECT_EQ(textOf(label), L"");
    EXPECT_FALSE(::IsWindowVisible(label));

    // Closed and reopened while the save dialog is open: the new window does
    // not show the old export's outcome.
    exporter_.answer = platform::ExportResult::Exported;
    exporter_.duringDialog = [this](HWND owner) {
        ::SendMessageW(owner, WM_CLOSE, 0, 0);
        windows_.ShowWindowOf(WindowKind::Diagnostics);
        // A second export while the first is in progress is refused.
        const HWND reopened = windows_.slot(WindowKind::Diagnostics).window;
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(reopened, kExportButtonId)));
        click(reopened, kExportButtonId);
    };
    click(window, kExportButtonId);
    EXPECT_EQ(exporter_.texts.size(), 4u);
    window = windows_.slot(WindowKind::Diagnostics).window;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(::SendMessageW(window, kQueryGenerationMessage, 0, 0), 2);
    EXPECT_EQ(textOf(::GetDlgItem(window, kExportStatusLabelId)), L"");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, kExportButtonId)));
}

// Runs what is queued the way the service's message loop does, the
// management windows' keyboard navigation first, until `done` holds or
// five seconds passed.
bool pumpAsTheServiceLoopUntil(ManagementWindows& windows, const std::function<bool()>& done) {
    const ULONGLONG end = ::GetTickCount64() + 5000;
    MSG message{};
    while (!done() && ::GetTickCount64() < end) {
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (windows.TranslateDialogMessage(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return done();
}

void pressKey(UINT virtualKey) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, virtualKey, 0);
    ::PostMessageW(::GetFocus(), WM_KEYUP, virtualKey, 0xC0000001);
}

// Each window opens with the keyboard focus on its first control, gets it
// back there after another window had it, and closes on Escape.
TEST_F(ManagementWindowsTest, EachWindowFocusesItsFirstControlAndClosesOnEscape) {
    struct Case {
        WindowKind kind;
        int first;   // focused when shown
        int second;  // after one Tab
    };
    const Case cases[] = {
        {WindowKind::ServiceStatus, kRefreshButtonId, kRefreshButtonId},
        {WindowKind::PrinterSettings, kPrinterListId, kPropertiesButtonId},
        {WindowKind::Diagnostics, kExportButtonId, kRefreshButtonId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "window kind " << static_cast<int>(c.kind));
        const HWND window = show(c.kind);
        ASSERT_NE(window, nullptr);
        const auto focusOn = [window](int id) {
            return [window, id] { return ::GetFocus() == ::GetDlgItem(window, id); };
        };
        ASSERT_TRUE(pumpAsTheServiceLoopUntil(windows_, focusOn(c.first)));
        pressKey(VK_TAB);
        ASSERT_TRUE(pumpAsTheServiceLoopUntil(windows_, focusOn(c.second)));

        // Another window takes the focus; back here, it returns where it was.
        const HWND other = ::CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ::SetForegroundWindow(other);
        ::SetFocus(other);
        ASSERT_TRUE(pumpAsTheServiceLoopUntil(windows_, [other] { return ::GetFocus() == other; }));
        EXPECT_EQ(show(c.kind), window);
        EXPECT_TRUE(pumpAsTheServiceLoopUntil(windows_, focusOn(c.second)));
        ::DestroyWindow(other);

        pressKey(VK_ESCAPE);
        EXPECT_TRUE(pumpAsTheServiceLoopUntil(windows_, [window] { return !::IsWindow(window); }));
        EXPECT_EQ(windows_.slot(c.kind).window, nullptr);
    }
}

TEST_F(ManagementWindowsTest, DestroyAllClosesEveryOpenWindowAndTabMovesBetweenControls) {
    const HWND status = show(WindowKind::ServiceStatus);
    const HWND settings = show(WindowKind::PrinterSettings);
    ASSERT_NE(status, nullptr);
    ASSERT_NE(settings, nullptr);

    // Tab inside the settings window goes from the list to the next stop.
    const HWND list = ::GetDlgItem(settings, kPrinterListId);
    ::SetFocus(list);
    MSG tab{settings, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    tab.hwnd = list;
    EXPECT_TRUE(windows_.TranslateDialogMessage(tab));
    EXPECT_NE(::GetFocus(), list);
    EXPECT_EQ(::GetParent(::GetFocus()), settings);

    windows_.DestroyAll();
    EXPECT_FALSE(::IsWindow(status));
    EXPECT_FALSE(::IsWindow(settings));
    EXPECT_EQ(windows_.slot(WindowKind::ServiceStatus).window, nullptr);
    EXPECT_EQ(windows_.slot(WindowKind::PrinterSettings).window, nullptr);
    MSG other{nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(windows_.TranslateDialogMessage(other));
}

}  // namespace
}  // namespace ks::management

// The management windows of the real kestrune.exe, opened from the tray the
// way a user's clicks arrive and read from outside, with CUPS's PDF printer
// behind the spooler (scripts/setup --printer).

#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/win32/service_fixture.h"
#include "management/win32/management_windows.h"
#include "platform/win32/handles.h"

namespace ks::testing {
namespace {

using namespace std::chrono_literals;
using management::kQueryGenerationMessage;

constexpr wchar_t kStatusClass[] = L"Kestrune.ServiceStatus";
constexpr wchar_t kSettingsClass[] = L"Kestrune.PrinterSettings";
constexpr wchar_t kDiagnosticsClass[] = L"Kestrune.Diagnostics";
constexpr wchar_t kNotice[] = L"注意：诊断包含打印机、驱动和端口信息，请仅提供给可信支持人员。\r\n";

// Another process's window text: WM_GETTEXT is copied across by the system.
std::wstring remoteText(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          5000, &copied);
    text.resize(copied);
    return text;
}

std::string fileBytes(const std::wstring& path) {
    const platform::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

// The save dialog's file name box: edt1 in the classic layout, or the edit
// inside the cmb13 combo box (itself inside a ComboBoxEx32) of the Explorer
// layout Wine shows.
HWND fileNameBox(HWND dialog) {
    HWND found = nullptr;
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM parameter) -> BOOL {
            wchar_t className[16] = {};
            ::GetClassNameW(child, className, 16);
            const int id = ::GetDlgCtrlID(child);
            if (::lstrcmpiW(className, L"Edit") != 0 || (id != edt1 && id != cmb13)) return TRUE;
            *reinterpret_cast<HWND*>(parameter) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// The window's text once it is not empty, or empty after 10 s.
std::wstring filledText(HWND window) {
    return pollUntil(10s, [&]() -> std::optional<std::wstring> {
               std::wstring text = remoteText(window);
               if (text.empty()) return std::nullopt;
               return text;
           })
        .value_or(std::wstring());
}

// A click as the window receives it (see TrayTest::clickButton).
void clickButton(HWND window, int id) {
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

class ManagementServiceTest : public RunningServiceTest {
protected:
    HWND openFromMenu(UINT command, const wchar_t* className, const wchar_t* title) {
        EXPECT_TRUE(::PostMessageW(hiddenWindow(), WM_COMMAND, command, 0));
        return shownWindow(className, title);
    }

    // The report once the window's first refresh has filled it: the window
    // can be seen before that.
    static std::wstring reportOf(HWND diagnostics) {
        const HWND report = ::GetDlgItem(diagnostics, management::kReportId);
        return filledText(report);
    }

    // The panel text once the first refresh has set it.
    static std::wstring panelOf(HWND status) {
        const HWND panel = ::GetDlgItem(status, management::kStatusPanelId);
        return filledText(panel);
    }

    static bool waitUntilClosed(HWND window) {
        return pollUntil(10s, [&] { return !::IsWindow(window); });
    }
};

TEST_F(ManagementServiceTest, TrayMenuEntriesOpenTheirWindowsWithLiveContents) {
    // The status window through the real menu: its first entry, by keyboard.
    ASSERT_TRUE(::PostMessageW(hiddenWindow(), app::kTrayCallbackMessage, app::kTrayIconId, WM_RBUTTONUP));
    const HWND menu = service_.waitForWindow(L"#32768", nullptr, 10s);
    ASSERT_NE(menu, nullptr);
    ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    const HWND status = shownWindow(kStatusClass, L"Kestrune 服务状态");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(panelOf(status),
              L"程序版本：0.1.0\r\nNamed Pipe：运行中\r\n当前预览：无\r\n最近任务：无");
    EXPECT_EQ(remoteText(::GetDlgItem(status, management::kRefreshButtonId)), L"刷新状态");

    const HWND settings = openFromMenu(app::kCommandPrinterSettings, kSettingsClass, L"Kestrune 打印机设置");
    ASSERT_NE(settings, nullptr);
    const HWND list = ::GetDlgItem(settings, management::kPrinterListId);
    const LRESULT count = pollUntil(10s, [&] { return sendTo(list, CB_GETCOUNT); });
    ASSERT_GT(count, 0);
    bool pdfListed = false;
    for (LRESULT index = 0; index < count; ++index) {
        wchar_t name[256] = {};
        if (sendTo(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index)) < 255) {
            sendTo(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
        }
        pdfListed = pdfListed || std::wstring(name) == L"PDF";
    }
    EXPECT_TRUE(pdfListed);
    EXPECT_EQ(sendTo(list, CB_GETCURSEL), 0);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(settings, management::kPropertiesButtonId)));

    const HWND diagnostics = openFromMenu(app::kCommandDiagnostics, kDiagnosticsClass, L"Kestrune 诊断");
    ASSERT_NE(diagnostics, nullptr);
    const std::wstring report = reportOf(diagnostics);
    EXPECT_TRUE(report.starts_with(kNotice)) << report.size();
    EXPECT_NE(report.find(L"Named Pipe：运行中\r\n"), std::wstring::npos);
    EXPECT_NE(report.find(L"名称：PDF\r\n"), std::wstring::npos);
    EXPECT_TRUE(report.ends_with(L"【最近任务】\r\n最近任务：无\r\n"));
    expectHelloAnswered();
}

TEST_F(ManagementServiceTest, ClosingAndReopeningMakesANewWindow) {
    // A left click on the icon opens the status window.
    ASSERT_TRUE(::PostMessageW(hiddenWindow(), app::kTrayCallbackMessage, app::kTrayIconId, WM_LBUTTONUP));
    const HWND first = shownWindow(kStatusClass, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sendTo(first, kQueryGenerationMessage), 1);
    // Showing it again brings the same window forward.
    ::PostMessageW(hiddenWindow(), WM_COMMAND, app::kCommandServiceStatus, 0);
    EXPECT_EQ(sendTo(first, kQueryGenerationMessage), 1);

    ::PostMessageW(first, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitUntilClosed(first));
    ASSERT_TRUE(::PostMessageW(hiddenWindow(), app::kTrayCallbackMessage, app::kTrayIconId, WM_LBUTTONUP));
    const HWND second = pollUntil(10s, [&]() -> HWND {
        const HWND found = service_.waitForWindow(kStatusClass, nullptr, 0ms);
        return found != first && ::IsWindowVisible(found) ? found : nullptr;
    });
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(sendTo(second, kQueryGenerationMessage), 2);
    EXPECT_EQ(panelOf(second),
              L"程序版本：0.1.0\r\nNamed Pipe：运行中\r\n当前预览：无\r\n最近任务：无");
}

// Wine's PrinterProperties shows no driver dialog and fails, so the real
// launcher reports that the properties could not be opened.
TEST_F(ManagementServiceTest, PropertiesWithoutADriverDialogSayWhyAndReenableTheButton) {
    const HWND settings = openFromMenu(app::kCommandPrinterSettings, kSettingsClass, nullptr);
    ASSERT_NE(settings, nullptr);
    // The information text (the settings window's only edit) once the first
    // refresh has filled it.
    const HWND information = pollUntil(10s, [&] { return ::FindWindowExW(settings, nullptr, L"Edit", nullptr); });
    ASSERT_NE(information, nullptr);
    ASSERT_TRUE(filledText(information).starts_with(L"名称："));
    clickButton(settings, management::kPropertiesButtonId);
    clickButton(settings, management::kPropertiesButtonId);
    const std::wstring failure = L"\r\n\r\n无法打开 Windows 打印机属性，请检查打印机连接及访问权限后重试。";
    EXPECT_TRUE(pollUntil(10s, [&] { return remoteText(information).ends_with(failure); }));
    const std::wstring shown = remoteText(information);
    EXPECT_TRUE(shown.starts_with(L"名称："));
    // Each attempt refreshes before it adds the reason: shown once, however
    // often it failed.
    EXPECT_EQ(shown.find(failure), shown.size() - failure.size());
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(settings, management::kPropertiesButtonId)));
}

TEST_F(ManagementServiceTest, ExportThroughTheSaveDialogWritesTheReportAsShown) {
    const HWND diagnostics = openFromMenu(app::kCommandDiagnostics, kDiagnosticsClass, nullptr);
    ASSERT_NE(diagnostics, nullptr);
    const std::wstring report = reportOf(diagnostics);
    ASSERT_TRUE(report.starts_with(kNotice));

    wchar_t folder[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring target = std::wstring(folder) + L"ks-diagnostics-" + std::to_wstring(service_.id()) + L".txt";
    ::DeleteFileW(target.c_str());

    clickButton(diagnostics, management::kExportButtonId);
    const HWND dialog = service_.waitForWindow(L"#32770", L"导出诊断", 10s);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(diagnostics, management::kExportButtonId)));
    const HWND name = fileNameBox(dialog);
    ASSERT_NE(name, nullptr);
    sendTo(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));

    const HWND label = ::GetDlgItem(diagnostics, management::kExportStatusLabelId);
    EXPECT_TRUE(pollUntil(10s, [&] { return remoteText(label) == L"诊断已导出。请仅提供给可信支持人员。"; }))
        << remoteText(label).size();
    EXPECT_TRUE(::IsWindowVisible(label));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(diagnostics, management::kExportButtonId)));

    const std::string bytes = fileBytes(target);
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, report.data(), static_cast<int>(report.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string expected = "\xEF\xBB\xBF";
    expected.resize(3 + static_cast<std::size_t>(length));
    ::WideCharToMultiByte(CP_UTF8, 0, report.data(), static_cast<int>(report.size()), expected.data() + 3, length,
                          nullptr, nullptr);
    EXPECT_EQ(bytes, expected);
    EXPECT_TRUE(::DeleteFileW(target.c_str()));
}

}  // namespace
}  // namespace ks::testing

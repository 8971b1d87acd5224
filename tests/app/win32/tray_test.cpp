// The notification icon, its menu and the exit confirmation of the real
// kestrune.exe, driven from outside the way a user's clicks arrive.

#include <windows.h>

#include <gtest/gtest.h>

#include "app/exit_dialog_layout.h"
#include "app/win32/service_fixture.h"

namespace ks::testing {
namespace {

using namespace std::chrono_literals;

class TrayTest : public RunningServiceTest {
protected:
    // The exit dialog once a user could type into it: the dialog exists from
    // before its buttons do, and keys posted before they have the focus
    // would find no button, or no focus to decide the default.
    HWND openExitDialog() {
        const HWND window = hiddenWindow();
        EXPECT_TRUE(::PostMessageW(window, WM_COMMAND, app::kCommandStopAndExit, 0));
        // Shown, its buttons exist; Enter is decided by the focus, which the
        // dialog sets while it is being activated.
        const HWND dialog = shownWindow(L"#32770", L"Kestrune");
        if (dialog == nullptr) return nullptr;
        const HWND keepRunning = ::GetDlgItem(dialog, app::kKeepRunningButtonId);
        const bool focused = pollUntil(10s, [&] {
            GUITHREADINFO input{};
            input.cbSize = sizeof(input);
            return ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &input) &&
                   input.hwndFocus == keepRunning;
        });
        EXPECT_TRUE(focused) << "the exit dialog shows with the focus on 继续运行";
        return focused ? dialog : nullptr;
    }

    int dialogCount() {
        struct Count {
            DWORD processId;
            int count;
        } search{service_.id(), 0};
        ::EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                auto* count = reinterpret_cast<Count*>(parameter);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                wchar_t className[16] = {};
                ::GetClassNameW(window, className, 16);
                if (owner == count->processId && std::wstring(className) == L"#32770") ++count->count;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.count;
    }

    // A click on a dialog button as the dialog receives it. BM_CLICK would
    // replay the mouse press, which needs the mouse capture, and the desktop
    // does not always give that to a window outside the foreground.
    static void clickButton(HWND dialog, int id) {
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    }

    static bool waitUntilClosed(HWND window) {
        return pollUntil(10s, [&] { return !::IsWindow(window); });
    }
};

TEST_F(TrayTest, RightClickOpensTheMenuAndEscapeClosesIt) {
    ASSERT_TRUE(::PostMessageW(hiddenWindow(), app::kTrayCallbackMessage, app::kTrayIconId, WM_RBUTTONUP));
    const HWND menu = service_.waitForWindow(L"#32768", nullptr, 10s);
    ASSERT_NE(menu, nullptr) << "no popup menu";
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntilClosed(menu));
    expectHelloAnswered();
}

TEST_F(TrayTest, StopAndExitChosenTwiceOpensOneDialogAndEscapeKeepsTheService) {
    const HWND dialog = openExitDialog();
    ASSERT_NE(dialog, nullptr);
    // The second command arrives while the first dialog's modal loop runs.
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(hiddenWindow(), WM_COMMAND, app::kCommandStopAndExit, 0, SMTO_ABORTIFHUNG, 5000,
                                      &result));
    EXPECT_EQ(dialogCount(), 1);

    ::PostMessageW(::GetDlgItem(dialog, app::kKeepRunningButtonId), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(waitUntilClosed(dialog));
    expectHelloAnswered();
    EXPECT_TRUE(trayIconPresent(hiddenWindow()));
}

TEST_F(TrayTest, KeepRunningAndEnterOnTheFocusedDefaultKeepTheService) {
    HWND dialog = openExitDialog();
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, app::kKeepRunningButtonId);
    ASSERT_TRUE(waitUntilClosed(dialog));
    expectHelloAnswered();

    // Enter activates the focused button, "继续运行" when the dialog opens.
    dialog = openExitDialog();
    ASSERT_NE(dialog, nullptr);
    ::PostMessageW(::GetDlgItem(dialog, app::kKeepRunningButtonId), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(waitUntilClosed(dialog));
    expectHelloAnswered();
}

TEST_F(TrayTest, ExitServiceEndsWithZeroAndRemovesPipeAndIcon) {
    const HWND window = hiddenWindow();
    ASSERT_TRUE(trayIconPresent(window));
    const HWND dialog = openExitDialog();
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, app::kExitButtonId);
    EXPECT_EQ(service_.waitForExit(10s), 0u);
    expectPipeGone();
    EXPECT_FALSE(trayIconPresent(window));
}

TEST_F(TrayTest, StopRequestEndsWithOneAndRemovesPipeAndIcon) {
    const HWND window = hiddenWindow();
    ASSERT_TRUE(trayIconPresent(window));
    ASSERT_TRUE(::PostMessageW(window, app::kStopRequestMessage, 0, 0));
    EXPECT_EQ(service_.waitForExit(10s), 1u);
    expectPipeGone();
    EXPECT_FALSE(trayIconPresent(window));
}

TEST_F(TrayTest, TaskbarCreatedAddsTheIconAgain) {
    const HWND window = hiddenWindow();
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = app::kTrayIconId;
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &data));  // as if Explorer had restarted
    ASSERT_FALSE(trayIconPresent(window));

    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    EXPECT_TRUE(pollUntil(10s, [&] { return trayIconPresent(window); }));
}

}  // namespace
}  // namespace ks::testing

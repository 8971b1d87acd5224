#include "app/hidden_window.h"

#include <gtest/gtest.h>

#include <optional>

#include "app/app_messages.h"
#include "app/stop_request.h"
#include "app/tray_menu.h"

namespace ks::app {
namespace {

// The exit code WM_QUIT carries, when one is in this thread's queue.
std::optional<WPARAM> takeQuit() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return message.wParam;
        ::DispatchMessageW(&message);
    }
    return std::nullopt;
}

class HiddenWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registerTrayOwnerClass(instance_));
        takeQuit();  // start from an empty queue
    }
    HINSTANCE instance_ = ::GetModuleHandleW(nullptr);
};

TEST_F(HiddenWindowTest, RegisteringTheClassAgainIsNotAnError) { EXPECT_TRUE(registerTrayOwnerClass(instance_)); }

TEST_F(HiddenWindowTest, CloseAndStopRequestEndTheLoopWithoutAHost) {
    const UniqueWindow window = createTrayOwnerWindow(instance_, nullptr);
    ASSERT_TRUE(window);
    ::SendMessageW(window.get(), WM_CLOSE, 0, 0);
    EXPECT_EQ(takeQuit(), 0u);
    ::SendMessageW(window.get(), kStopRequestMessage, 0, 0);
    EXPECT_EQ(takeQuit(), 1u);
}

TEST_F(HiddenWindowTest, StopRequestReachesTheThreadAfterTheWindowIsGone) {
    UniqueWindow window = createTrayOwnerWindow(instance_, nullptr);
    ASSERT_TRUE(window);
    const StopRequest stop(window.get(), ::GetCurrentThreadId());
    stop();
    EXPECT_EQ(takeQuit(), 1u) << "through the window";

    window.reset();
    stop();
    EXPECT_EQ(takeQuit(), 1u) << "straight to the thread";
}

TEST(TrayMenuTest, HasTheFiveItemsInOrder) {
    const UniqueMenu menu = buildTrayMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(::GetMenuItemCount(menu.get()), 5);
    struct Item {
        UINT id;
        const wchar_t* text;
    };
    const Item expected[] = {{kCommandServiceStatus, L"服务状态"},
                             {kCommandPrinterSettings, L"打印机设置"},
                             {kCommandDiagnostics, L"诊断"},
                             {0, nullptr},
                             {kCommandStopAndExit, L"停止服务并退出"}};
    for (int position = 0; position < 5; ++position) {
        wchar_t text[64] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        ASSERT_TRUE(::GetMenuItemInfoW(menu.get(), static_cast<UINT>(position), TRUE, &info));
        if (expected[position].text == nullptr) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << position;
        } else {
            EXPECT_EQ(info.wID, expected[position].id) << position;
            EXPECT_STREQ(text, expected[position].text) << position;
        }
    }
}

}  // namespace
}  // namespace ks::app

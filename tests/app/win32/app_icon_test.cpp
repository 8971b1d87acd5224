#include "app/app_icon.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app_messages.h"
#include "app/app_texts.h"
#include "app/tray_icon.h"
#include "platform/unique_resource.h"

namespace ks::app {
namespace {

struct ModuleTraits {
    using Type = HMODULE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::FreeLibrary(value); }
};

// The product's icon resource lives in kestrune.exe, beside this test.
class AppIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring service(path);
        service.resize(service.find_last_of(L"\\/") + 1);
        service += L"kestrune.exe";
        module_.reset(::LoadLibraryExW(service.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_) << "kestrune.exe not found beside the test";
    }

    platform::UniqueResource<ModuleTraits> module_;
};

TEST_F(AppIconTest, EveryDrawnSizeIsLoadedAtThatSize) {
    // Small and large icons and the dialog's 64-DIP picture at 96, 120, 144
    // and 192 DPI, in an order where a cache keyed by name alone would hand
    // back an earlier size.
    for (const int size : {32, 16, 20, 24, 40, 48, 64, 80, 96, 128, 32}) {
        const platform::UniqueIcon icon = loadAppIcon(module_.get(), size);
        ASSERT_TRUE(icon) << size;
        EXPECT_EQ(iconWidth(icon.get()), size);
    }
}

TEST_F(AppIconTest, NotificationIconHasTheSmallIconSize) {
    const platform::UniqueIcon icon = loadNotificationIcon(module_.get());
    ASSERT_TRUE(icon);
    EXPECT_EQ(iconWidth(icon.get()), ::GetSystemMetrics(SM_CXSMICON));
}

TEST(TrayIconDataTest, NamesTheHiddenWindowsIconWithItsCallbackImageAndTip) {
    const auto window = reinterpret_cast<HWND>(0x1234);
    const auto image = reinterpret_cast<HICON>(0x5678);
    const NOTIFYICONDATAW data = trayIconData(window, image);
    EXPECT_EQ(data.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(data.hWnd, window);
    EXPECT_EQ(data.uID, kTrayIconId);
    EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(data.uCallbackMessage, kTrayCallbackMessage);
    EXPECT_EQ(data.hIcon, image);
    EXPECT_EQ(std::wstring(data.szTip), L"岚舟：本地服务运行中");
}

}  // namespace
}  // namespace ks::app

#include "platform/win32/printer_properties_launcher.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::platform {
namespace {

// A queue that opens or not and a driver whose dialog shows or not; counts
// open handles.
struct FakeDriver {
    bool openFails = false;
    bool dialogFails = false;
    int openHandles = 0;
    int closes = 0;
    std::wstring openedName;
    const PRINTER_DEFAULTSW* defaults = nullptr;
    HWND dialogOwner = nullptr;
    HANDLE dialogPrinter = nullptr;
    static HANDLE handle() { return reinterpret_cast<HANDLE>(0x77); }

    PrinterPropertiesFunctions functions() {
        return {
            [this](LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW printerDefaults) -> BOOL {
                openedName = name;
                defaults = printerDefaults;
                if (openFails) {
                    ::SetLastError(ERROR_INVALID_PRINTER_NAME);
                    return FALSE;
                }
                ++openHandles;
                *printer = handle();
                return TRUE;
            },
            [this](HWND owner, HANDLE printer) -> BOOL {
                dialogOwner = owner;
                dialogPrinter = printer;
                return dialogFails ? FALSE : TRUE;
            },
            [this](HANDLE printer) -> BOOL {
                EXPECT_EQ(printer, handle());
                --openHandles;
                ++closes;
                return TRUE;
            },
        };
    }
};

const Error kPropertiesError("KSR-2007", L"无法打开 Windows 打印机属性，请检查打印机连接及访问权限后重试。");
const HWND kOwner = reinterpret_cast<HWND>(0x1234);

TEST(PrinterPropertiesLauncherTest, ShowsTheDialogOfTheNamedQueueAndClosesIt) {
    FakeDriver driver;
    PrinterPropertiesLauncher launcher(driver.functions());
    EXPECT_TRUE(launcher.Open(kOwner, L"标签打印机").value());
    EXPECT_EQ(driver.openedName, L"标签打印机");
    EXPECT_EQ(driver.defaults, nullptr);
    EXPECT_EQ(driver.dialogOwner, kOwner);
    EXPECT_EQ(driver.dialogPrinter, FakeDriver::handle());
    EXPECT_EQ(driver.closes, 1);
    EXPECT_EQ(driver.openHandles, 0);
}

TEST(PrinterPropertiesLauncherTest, AQueueThatDoesNotOpenShowsNoDialog) {
    FakeDriver driver;
    driver.openFails = true;
    EXPECT_EQ(PrinterPropertiesLauncher(driver.functions()).Open(kOwner, L"Gone").error(), kPropertiesError);
    EXPECT_EQ(driver.dialogPrinter, nullptr);
    EXPECT_EQ(driver.closes, 0);
}

TEST(PrinterPropertiesLauncherTest, ADialogThatFailsStillClosesTheQueue) {
    FakeDriver driver;
    driver.dialogFails = true;
    EXPECT_EQ(PrinterPropertiesLauncher(driver.functions()).Open(kOwner, L"PDF").error(), kPropertiesError);
    EXPECT_EQ(driver.closes, 1);
    EXPECT_EQ(driver.openHandles, 0);
}

}  // namespace
}  // namespace ks::platform

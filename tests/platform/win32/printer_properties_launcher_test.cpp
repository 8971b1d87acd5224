#include "platform/win32/printer_properties_launcher.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::platform {
namespace {

const HANDLE kPrinter = reinterpret_cast<HANDLE>(0x77);
const HWND kOwner = reinterpret_cast<HWND>(0x1234);

// A queue that opens or not and a driver dialog that shows or not; records
// what it was given and counts closes.
struct FakeDriver {
    bool opens = true;
    bool shows = true;
    std::wstring openedName{};
    bool defaultsPassed = true;
    HWND dialogOwner = nullptr;
    HANDLE dialogPrinter = nullptr;
    int closes = 0;

    PrinterPropertiesFunctions functions() {
        return {
            [this](LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) -> BOOL {
                openedName = name;
                defaultsPassed = defaults != nullptr;
                if (opens) *printer = kPrinter;
                return opens;
            },
            [this](HWND owner, HANDLE printer) -> BOOL {
                dialogOwner = owner;
                dialogPrinter = printer;
                return shows;
            },
            [this](HANDLE printer) -> BOOL {
                EXPECT_EQ(printer, kPrinter);
                ++closes;
                return TRUE;
            },
        };
    }
};

TEST(PrinterPropertiesLauncherTest, ShowsTheDialogOfTheNamedQueueAndClosesIt) {
    FakeDriver driver;
    EXPECT_TRUE(PrinterPropertiesLauncher(driver.functions()).Open(kOwner, L"标签打印机").value());
    EXPECT_EQ(driver.openedName, L"标签打印机");
    EXPECT_FALSE(driver.defaultsPassed);
    EXPECT_EQ(driver.dialogOwner, kOwner);
    EXPECT_EQ(driver.dialogPrinter, kPrinter);
    EXPECT_EQ(driver.closes, 1);
}

TEST(PrinterPropertiesLauncherTest, FailuresAreOneErrorAndAnOpenedQueueIsClosed) {
    const Error expected("KSR-2007", L"无法打开 Windows 打印机属性，请检查打印机连接及访问权限后重试。");
    FakeDriver gone{.opens = false};
    EXPECT_EQ(PrinterPropertiesLauncher(gone.functions()).Open(kOwner, L"Gone").error(), expected);
    EXPECT_EQ(gone.dialogPrinter, nullptr) << "no dialog without a queue";
    EXPECT_EQ(gone.closes, 0);

    FakeDriver refusing{.shows = false};
    EXPECT_EQ(PrinterPropertiesLauncher(refusing.functions()).Open(kOwner, L"PDF").error(), expected);
    EXPECT_EQ(refusing.closes, 1);
}

}  // namespace
}  // namespace ks::platform

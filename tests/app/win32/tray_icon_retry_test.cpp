#include "app/tray_icon_retry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace ks::app {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kBound{60'000};
constexpr milliseconds kInterval{500};

// An add function that fails `failures` times and then succeeds, and a wait
// that records what it was asked to wait.
struct FlakyShell {
    int adds = 0;
    std::vector<milliseconds> waits;

    TrayIconStart run(int failures, bool quitDuringWait = false) {
        return addTrayIconWithRetry([this, failures] { return ++adds > failures; },
                                    [this, quitDuringWait](milliseconds time) {
                                        waits.push_back(time);
                                        return !quitDuringWait;
                                    },
                                    kBound, kInterval);
    }
};

TEST(TrayIconRetryTest, RetriesWithinTheBoundAndStopsOnQuit) {
    constexpr int kWaits = static_cast<int>(kBound / kInterval);
    const struct {
        const char* name;
        int failures;
        bool quitDuringWait;
        TrayIconStart expected;
        int adds;
        std::size_t waits;
    } cases[] = {
        {"shell ready", 0, false, TrayIconStart::Added, 1, 0},
        {"slow shell", 5, false, TrayIconStart::Added, 6, 5},
        {"last attempt", kWaits, false, TrayIconStart::Added, kWaits + 1, kWaits},
        {"bound runs out", 1'000'000, false, TrayIconStart::GaveUp, kWaits + 1, kWaits},
        {"quit while waiting", 3, true, TrayIconStart::QuitRequested, 1, 1},
    };
    for (const auto& c : cases) {
        FlakyShell shell;
        EXPECT_EQ(shell.run(c.failures, c.quitDuringWait), c.expected) << c.name;
        EXPECT_EQ(shell.adds, c.adds) << c.name;
        EXPECT_EQ(shell.waits, std::vector<milliseconds>(c.waits, kInterval)) << c.name;
    }
}

TEST(TrayIconRetryTest, ThePumpLeavesAQuitForTheMessageLoop) {
    ::PostQuitMessage(7);
    EXPECT_FALSE(pumpMessagesFor(milliseconds{10'000}));
    MSG message{};
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
}

TEST(TrayIconRetryTest, ThePumpReturnsWhenTheTimeHasPassed) {
    EXPECT_TRUE(pumpMessagesFor(milliseconds{20}));
}

}  // namespace
}  // namespace ks::app

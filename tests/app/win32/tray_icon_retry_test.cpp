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

TEST(TrayIconRetryTest, AddsAtOnceWhenTheShellIsReady) {
    FlakyShell shell;
    EXPECT_EQ(shell.run(0), TrayIconStart::Added);
    EXPECT_EQ(shell.adds, 1);
    EXPECT_TRUE(shell.waits.empty());
}

TEST(TrayIconRetryTest, KeepsTryingWhileTheShellIsSlow) {
    FlakyShell shell;
    EXPECT_EQ(shell.run(5), TrayIconStart::Added);
    EXPECT_EQ(shell.adds, 6);
    EXPECT_EQ(shell.waits, std::vector<milliseconds>(5, kInterval));
}

TEST(TrayIconRetryTest, SucceedsOnTheLastAttemptWithinTheBound) {
    FlakyShell shell;
    EXPECT_EQ(shell.run(static_cast<int>(kBound / kInterval)), TrayIconStart::Added);
    EXPECT_EQ(shell.waits.size(), kBound / kInterval);
}

TEST(TrayIconRetryTest, GivesUpWhenTheBoundRunsOut) {
    FlakyShell shell;
    EXPECT_EQ(shell.run(1'000'000), TrayIconStart::GaveUp);
    EXPECT_EQ(shell.waits.size(), kBound / kInterval);
    EXPECT_EQ(shell.adds, static_cast<int>(kBound / kInterval) + 1);
}

TEST(TrayIconRetryTest, StopsWaitingWhenAQuitArrives) {
    FlakyShell shell;
    EXPECT_EQ(shell.run(3, true), TrayIconStart::QuitRequested);
    EXPECT_EQ(shell.adds, 1);
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

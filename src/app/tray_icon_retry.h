#pragma once

#include <chrono>
#include <functional>

namespace ks::app {

// How adding the notification icon at start-up ended.
enum class TrayIconStart {
    Added,           // the shell took the icon
    GaveUp,          // every attempt within the bound failed
    QuitRequested,   // a WM_QUIT came while waiting; it is queued again for the message loop
};

// One attempt to add the icon; true when the shell took it.
using TrayIconAddFunction = std::function<bool()>;
// Waits up to the given time for the shell to come up, handling this
// thread's messages meanwhile ("TaskbarCreated" among them); false when a
// WM_QUIT arrived, which it leaves for the message loop.
using ShellWaitFunction = std::function<bool(std::chrono::milliseconds)>;

// Started at logon, the service may come up before the notification area:
// adds the icon, and while that fails waits `interval` and tries again, for
// at most `bound` in all (bound / interval waits).
[[nodiscard]] TrayIconStart addTrayIconWithRetry(const TrayIconAddFunction& add, const ShellWaitFunction& wait,
                                                 std::chrono::milliseconds bound, std::chrono::milliseconds interval);

// The real wait: pumps this thread's messages until `time` has passed or a
// WM_QUIT arrives (posted again, and false is returned).
[[nodiscard]] bool pumpMessagesFor(std::chrono::milliseconds time);

}  // namespace ks::app

#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "client/pipe_client.h"
#include "platform/win32/handles.h"

namespace ks::testing {

// A kestrune.exe (or another program of the build) started by a test, found
// beside the test executable. Ended by force when the test did not end it.
class ServiceProcess {
public:
    explicit ServiceProcess(const wchar_t* program = L"kestrune.exe");
    ~ServiceProcess();

    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool started() const noexcept { return static_cast<bool>(process_); }
    DWORD id() const noexcept { return processId_; }

    // The exit code once the process has ended within `timeout`.
    std::optional<DWORD> waitForExit(std::chrono::milliseconds timeout);

    // The process's top-level window of `className` (and `title` when given),
    // waiting up to `timeout` for it to appear.
    HWND waitForWindow(const wchar_t* className, const wchar_t* title, std::chrono::milliseconds timeout) const;

private:
    platform::UniqueHandle process_;
    DWORD processId_ = 0;
};

// Calls `attempt` until its result converts to true or `timeout` passes, and
// returns the last result. Another process's windows, pipe and tray icon can
// only be watched this way; the interval bounds how soon a change is seen.
template <typename Attempt>
auto pollUntil(std::chrono::milliseconds timeout, Attempt&& attempt) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto result = attempt();
        if (result || std::chrono::steady_clock::now() >= deadline) return result;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Connects to the service's pipe, waiting up to `timeout` for it to exist.
std::optional<client::PipeClient> connectToService(std::chrono::milliseconds timeout);

// The full path of a program in the test executable's own folder.
std::wstring besideThisExecutable(const wchar_t* fileName);

// What a console program of the build printed (standard output and error
// together) and its exit code; no exit code when it did not end within a
// minute (it is then ended by force).
struct ProgramRun {
    std::optional<DWORD> exitCode;
    std::string output;
};
ProgramRun runBesideThisExecutable(const wchar_t* program, const std::wstring& arguments);

}  // namespace ks::testing

#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/app_messages.h"
#include "app/win32/service_process.h"

namespace ks::testing {

// A system.hello request with the given id and the current time.
std::string requestWithId(const std::string& requestId, std::string_view command = "system.hello");

// The service's exact answer to requestWithId(requestId).
std::string helloAnswer(const std::string& requestId);

// Whether the shell holds icon 1 of `hiddenWindow`. A modify without flags
// succeeds only while the icon exists and changes nothing about it.
bool trayIconPresent(HWND hiddenWindow);

// The service's pipe no longer exists.
void expectPipeGone();

// The text of the message box `box` shows.
std::wstring messageBoxText(HWND box);

// Starts the real service for each test and waits for its pipe; ends it the
// way the user does (WM_CLOSE to its hidden window) unless the test already
// ended it, so the next test never meets a pipe a killed process still holds.
class RunningServiceTest : public ::testing::Test {
protected:
    // `program` is kestrune.exe or a test host built like it.
    explicit RunningServiceTest(const wchar_t* program = L"kestrune.exe") : service_(program) {}

    void SetUp() override;
    void TearDown() override;

    // The service's hidden "Kestrune.TrayOwner" window.
    HWND hiddenWindow();
    // The service's window of `className` (and `title`, unless null) once it
    // is shown, within 10 s; null otherwise. Found earlier, a window may not
    // have its controls, or their contents, yet.
    HWND shownWindow(const wchar_t* className, const wchar_t* title);
    void closeHiddenWindow();
    // A fresh connection answers system.hello.
    void expectHelloAnswered();

    ServiceProcess service_;
};

}  // namespace ks::testing

#include "app/win32/service_fixture.h"

#include <shellapi.h>

#include "protocol/win32/named_pipe_server.h"

namespace ks::testing {

using namespace std::chrono_literals;

std::string requestWithId(const std::string& requestId, std::string_view command) {
    return R"({"protocol":1,"requestId":")" + requestId + R"(","callerId":"service-test","timestampUtcMs":)" +
           std::to_string(client::utcNowMs()) + R"(,"command":")" + std::string(command) + R"("})";
}

std::string helloAnswer(const std::string& requestId) {
    return R"({"protocol":1,"requestId":")" + requestId +
           R"(","ok":true,"result":{"protocol":1,"serverVersion":"0.1.0"}})";
}

bool trayIconPresent(HWND hiddenWindow) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hiddenWindow;
    data.uID = app::kTrayIconId;
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void expectPipeGone() {
    DWORD error = 0;
    EXPECT_FALSE(client::PipeClient::connect(protocol::kPipeName, 0ms, error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

std::wstring messageBoxText(HWND box) {
    wchar_t text[256] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 256);  // the message box's text control
    return text;
}

void RunningServiceTest::SetUp() {
    ASSERT_TRUE(service_.started());
    ASSERT_TRUE(connectToService(10s)) << "the service did not open its pipe";
}

void RunningServiceTest::TearDown() {
    if (service_.waitForExit(0ms)) return;
    closeHiddenWindow();
    EXPECT_EQ(service_.waitForExit(10s), 0u);
}

HWND RunningServiceTest::hiddenWindow() { return service_.waitForWindow(app::kTrayOwnerClassName, nullptr, 5s); }

HWND RunningServiceTest::shownWindow(const wchar_t* className, const wchar_t* title) {
    return pollUntil(10s, [&]() -> HWND {
        const HWND window = service_.waitForWindow(className, title, 0ms);
        return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
    });
}

void RunningServiceTest::closeHiddenWindow() {
    const HWND window = hiddenWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
}

void RunningServiceTest::expectHelloAnswered() {
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    const std::string id = client::newRequestId();
    ASSERT_TRUE(client->send(requestWithId(id)));
    EXPECT_EQ(client->receive(), helloAnswer(id));
}

}  // namespace ks::testing

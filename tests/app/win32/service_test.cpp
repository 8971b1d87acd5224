// The real kestrune.exe under test: started as a process and spoken to over
// the real pipe with the project's own client.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/win32/failing_service_host.h"
#include "app/win32/service_fixture.h"
#include "platform/win32/handles.h"
#include "protocol/win32/named_pipe_server.h"
#include "protocol/win32/pipe_security.h"

namespace ks::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

using ServiceTest = RunningServiceTest;

TEST_F(ServiceTest, HelloIsAnsweredByteForByte) { expectHelloAnswered(); }

TEST_F(ServiceTest, SeveralRequestsOnOneConnectionAndValidationErrorsWithoutRequestId) {
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    for (int i = 0; i < 3; ++i) {
        const std::string id = client::newRequestId();
        ASSERT_TRUE(client->send(requestWithId(id)));
        EXPECT_EQ(client->receive(), helloAnswer(id));
    }
    std::string wrongProtocol = requestWithId(client::newRequestId());
    wrongProtocol.replace(wrongProtocol.find("\"protocol\":1"), 12, "\"protocol\":2");
    ASSERT_TRUE(client->send(wrongProtocol));
    EXPECT_EQ(client->receive(),
              R"({"protocol":1,"requestId":"","ok":false,"error":{"code":"KSR-1004","message":"协议版本不受支持"}})");

    const std::string id = client::newRequestId();
    ASSERT_TRUE(client->send(requestWithId(id, "settings.getCalibration")));
    EXPECT_EQ(client->receive(), R"({"protocol":1,"requestId":")" + id +
                                     R"(","ok":false,"error":{"code":"KSR-1005","message":"命令尚未实现"}})");
}

TEST_F(ServiceTest, EmptyFramesAndBlobsWhereNoneBelongAreAnsweredWithErrors) {
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    ASSERT_TRUE(client->send(""));
    EXPECT_EQ(client->receive(),
              R"({"protocol":1,"requestId":"","ok":false,"error":{"code":"KSR-1001","message":"JSON 请求无效"}})");

    std::vector<protocol::ByteBuffer> blob;
    blob.emplace_back(16);
    ASSERT_TRUE(client->send(requestWithId(client::newRequestId()), blob));
    EXPECT_EQ(client->receive(), R"({"protocol":1,"requestId":"","ok":false,)"
                                 R"("error":{"code":"KSR-1001","message":"该命令不接受二进制数据"}})");
}

TEST_F(ServiceTest, ANulByteAfterTheJsonTextIsTrailingContent) {
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    for (const std::string& tail : {std::string(1, '\0'), std::string("\0garbage", 8)}) {
        ASSERT_TRUE(client->send(requestWithId(client::newRequestId()) + tail));
        EXPECT_EQ(client->receive(),
                  R"({"protocol":1,"requestId":"","ok":false,"error":{"code":"KSR-1001","message":"JSON 请求无效"}})");
    }
}

TEST_F(ServiceTest, TooManyBlobsCloseTheConnectionWithoutAnswer) {
    {
        auto client = connectToService(5s);
        ASSERT_TRUE(client);
        auto frame = protocol::encodeFrame(requestWithId(client::newRequestId())).value();
        frame[frame.size() - 4] = 201;  // the blob count, with no blob behind it
        ASSERT_TRUE(client->sendBytes(frame));
        EXPECT_FALSE(client->receive());
    }
    expectHelloAnswered();
}

TEST_F(ServiceTest, JsonOfExactlyOneMebibyteIsRead) {
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    const std::string id = client::newRequestId();
    std::string padded = requestWithId(id);
    padded.resize(1 << 20, ' ');  // trailing whitespace keeps it valid JSON
    ASSERT_TRUE(client->send(padded));
    EXPECT_EQ(client->receive(), helloAnswer(id));
}

TEST_F(ServiceTest, OversizedJsonLengthClosesTheConnectionAndTheNextClientIsServed) {
    {
        auto client = connectToService(5s);
        ASSERT_TRUE(client);
        const Bytes header{0x01, 0x00, 0x10, 0x00};  // 1,048,577
        ASSERT_TRUE(client->sendBytes(header));
        EXPECT_FALSE(client->receive()) << "no answer, the connection ends";
    }
    expectHelloAnswered();
}

TEST_F(ServiceTest, ClientLeavingMidFrameDoesNotDisturbTheNext) {
    {
        auto client = connectToService(5s);
        ASSERT_TRUE(client);
        const auto frame = protocol::encodeFrame(requestWithId(client::newRequestId())).value();
        ASSERT_TRUE(client->sendBytes(std::span(frame).first(frame.size() / 2)));
    }
    expectHelloAnswered();
}

TEST_F(ServiceTest, RequestArrivingInPartsWithPausesIsAnswered) {
    // The service's reads find part of a blob at once and then have to wait
    // for the rest within the same transfer.
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    std::vector<protocol::ByteBuffer> blob;
    blob.emplace_back(300 * 1024);
    const auto frame = protocol::encodeFrame(requestWithId(client::newRequestId()), blob).value();
    const std::size_t parts = 4;
    const std::size_t partSize = frame.size() / parts + 1;
    for (std::size_t offset = 0; offset < frame.size(); offset += partSize) {
        ASSERT_TRUE(client->sendBytes(std::span(frame).subspan(offset, std::min(partSize, frame.size() - offset))));
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(client->receive(), R"({"protocol":1,"requestId":"","ok":false,)"
                                 R"("error":{"code":"KSR-1001","message":"该命令不接受二进制数据"}})");
}

TEST_F(ServiceTest, SecondClientWaitsUntilTheFirstLeaves) {
    auto first = connectToService(5s);
    ASSERT_TRUE(first);
    DWORD error = 0;
    EXPECT_FALSE(client::PipeClient::connect(protocol::kPipeName, 0ms, error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PIPE_BUSY));
    first.reset();
    expectHelloAnswered();
}

TEST_F(ServiceTest, PipeSecurityDescriptorIsTheServicesOwn) {
    auto client = connectToService(5s);
    ASSERT_TRUE(client);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(client->handle(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                nullptr, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    const platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR> ownedDescriptor(descriptor);
    platform::UniqueLocalMemory<LPWSTR> sddl;
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                       DACL_SECURITY_INFORMATION, sddl.put(), nullptr));
    const auto sid = protocol::currentUserSid();
    ASSERT_TRUE(sid);
    EXPECT_EQ(std::wstring(sddl.get()), protocol::pipeSecurityDescriptorSddl(*sid));
}

TEST_F(ServiceTest, CloseWhileAClientIsIdleEndsWithZeroAndRemovesThePipe) {
    auto idle = connectToService(5s);
    ASSERT_TRUE(idle);
    closeHiddenWindow();
    EXPECT_EQ(service_.waitForExit(10s), 0u);

    DWORD error = 0;
    EXPECT_FALSE(client::PipeClient::connect(protocol::kPipeName, 0ms, error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ServiceTest, SecondInstanceReportsAndEndsWithOne) {
    ServiceProcess second;
    ASSERT_TRUE(second.started());
    const HWND box = second.waitForWindow(L"#32770", L"Kestrune", 10s);
    ASSERT_NE(box, nullptr) << "no start-up failure message";
    EXPECT_EQ(messageBoxText(box), L"岚舟无法启动本地服务。");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.waitForExit(10s), 1u);
    expectHelloAnswered();  // the first instance keeps serving
}

// kestrune.exe's own start-up with one more component, which throws once the
// test has seen the service running (failing_service_host.cpp).
TEST(FailingStartTest, ExceptionAtTheEndOfStartUpUnwindsTheServiceAndEndsWithOne) {
    const platform::UniqueHandle failNow(::CreateEventW(nullptr, TRUE, FALSE, kFailingHostEventName));
    ASSERT_TRUE(failNow);
    ServiceProcess host(L"failing_service_host.exe");
    ASSERT_TRUE(host.started());
    auto client = connectToService(10s);
    ASSERT_TRUE(client) << "the host did not open the pipe";
    client.reset();
    const HWND window = host.waitForWindow(app::kTrayOwnerClassName, nullptr, 5s);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(trayIconPresent(window));

    ASSERT_TRUE(::SetEvent(failNow.get()));
    // The report comes after Run has unwound: pipe, icon and window are gone
    // while the process still runs.
    const HWND box = host.waitForWindow(L"#32770", L"Kestrune", 10s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageBoxText(box), L"岚舟无法启动本地服务。");
    expectPipeGone();
    EXPECT_FALSE(trayIconPresent(window));
    EXPECT_FALSE(::IsWindow(window));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(host.waitForExit(10s), 1u);
}

}  // namespace
}  // namespace ks::testing

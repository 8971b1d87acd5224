#include "protocol/command_dispatcher.h"

#include <gtest/gtest.h>

#include "protocol/response_encoder.h"

namespace ks::protocol {
namespace {

ProtocolRequest requestFor(CommandId command) {
    ProtocolRequest request;
    request.protocol = 1;
    request.requestId = "0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11";
    request.callerId = "test";
    request.command = command;
    return request;
}

TEST(CommandDispatcherTest, HelloAndHealthAnswerWithTheRequestId) {
    bool previewBusy = false;
    CommandDispatcher dispatcher([&] { return previewBusy; });
    const Blobs noBlobs;

    const auto hello = dispatcher.dispatch(requestFor(CommandId::SystemHello), noBlobs);
    EXPECT_EQ(encodeResponse(hello), R"({"protocol":1,"requestId":"0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11","ok":true,)"
                                     R"("result":{"protocol":1,"serverVersion":"0.1.0"}})");

    EXPECT_EQ(dispatcher.dispatch(requestFor(CommandId::SystemHealth), noBlobs).result,
              R"({"status":"Running","activePreview":false})");
    previewBusy = true;
    EXPECT_EQ(dispatcher.dispatch(requestFor(CommandId::SystemHealth), noBlobs).result,
              R"({"status":"Running","activePreview":true})");
}

TEST(CommandDispatcherTest, CommandsWithoutAHandlerAnswerNotImplementedWithTheRequestId) {
    CommandDispatcher dispatcher([] { return false; });
    for (const auto command : {CommandId::SettingsGetCalibration, CommandId::SettingsOpenCalibration,
                               CommandId::PrintersList, CommandId::JobsPrint, CommandId::JobsPreviewDismiss}) {
        const auto response = dispatcher.dispatch(requestFor(command), Blobs{});
        EXPECT_FALSE(response.ok);
        EXPECT_EQ(response.requestId, "0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11");
        EXPECT_EQ(response.errorCode, "KSR-1005");
        EXPECT_EQ(response.errorMessage, L"命令尚未实现");
    }
}

}  // namespace
}  // namespace ks::protocol

#include "protocol/connection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/allocation_failure.h"
#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "printers/printer_catalog.h"
#include "protocol/command_dispatcher.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kNow = 1'765'000'000'000;
constexpr char kRequestId[] = "0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11";

std::string request(std::string_view command) {
    return R"({"protocol":1,"requestId":")" + std::string(kRequestId) +
           R"(","callerId":"test","timestampUtcMs":1765000000000,"command":")" + std::string(command) + R"("})";
}

Bytes frameOf(std::string_view json, std::span<const ByteBuffer> blobs = {}) {
    return encodeFrame(json, blobs).value();
}

Bytes responseFrame(const ProtocolResponse& response) { return frameOf(encodeResponse(response)); }

// A client that has sent `input` and then waits; reads past it fail like a
// closed pipe. Everything the server writes is kept.
class ScriptedConnection final : public IConnection {
public:
    explicit ScriptedConnection(Bytes input) : input_(std::move(input)) {}

    bool readExact(void* buffer, std::size_t length) override {
        if (length > input_.size() - offset_) return false;
        if (length != 0) std::memcpy(buffer, input_.data() + offset_, length);
        offset_ += length;
        return true;
    }
    bool writeAll(const void* data, std::size_t length) override {
        if (failWrites) return false;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        output.insert(output.end(), bytes, bytes + length);
        return true;
    }

    // How much of the input the server has read.
    std::size_t consumed() const noexcept { return offset_; }

    Bytes output;
    bool failWrites = false;

private:
    Bytes input_;
    std::size_t offset_ = 0;
};

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ConnectionTest : public testing::Test {
protected:
    void serve(ScriptedConnection& connection) {
        serveConnection(connection, dispatcher_, running_, [] { return kNow; });
    }

    fakes::FakeWinspoolApi winspool_;
    printers::PrinterCatalog catalog_{winspool_};
    fakes::FakeJobServices jobs_{catalog_};
    CommandDispatcher dispatcher_{catalog_, winspool_, jobs_.preparation, jobs_.manager, nullptr};
    std::atomic<bool> running_{true};
};

TEST_F(ConnectionTest, AnswersSeveralRequestsInTurn) {
    ScriptedConnection connection(concat({frameOf(request("system.hello")), frameOf(request("system.health"))}));
    serve(connection);
    EXPECT_EQ(connection.output, concat({responseFrame(successResponse(kRequestId, helloObjectJson())),
                                         responseFrame(successResponse(kRequestId, healthObjectJson(false)))}));
}

TEST_F(ConnectionTest, ValidationErrorsCarryAnEmptyRequestId) {
    const auto json = request("system.hello");
    const std::string wrongProtocol = "{\"protocol\":2" + json.substr(json.find(','));
    ScriptedConnection connection(frameOf(wrongProtocol));
    serve(connection);
    EXPECT_EQ(connection.output, responseFrame(errorResponse("", Error("KSR-1004", L"协议版本不受支持"))));
}

TEST_F(ConnectionTest, OversizedFrameEndsTheConnectionWithoutAnswer) {
    ScriptedConnection connection(concat({Bytes{0x01, 0x00, 0x10, 0x00}, frameOf(request("system.hello"))}));
    serve(connection);
    EXPECT_TRUE(connection.output.empty());
}

TEST_F(ConnectionTest, StopsBeforeReadingWhenNoLongerRunning) {
    running_ = false;
    ScriptedConnection connection(frameOf(request("system.hello")));
    serve(connection);
    EXPECT_TRUE(connection.output.empty());
}

TEST_F(ConnectionTest, FailedWriteEndsTheConnection) {
    const Bytes first = frameOf(request("system.hello"));
    ScriptedConnection connection(concat({first, frameOf(request("system.hello"))}));
    connection.failWrites = true;
    serve(connection);
    EXPECT_TRUE(connection.output.empty());
    EXPECT_EQ(connection.consumed(), first.size()) << "the second request is not read";
}

TEST_F(ConnectionTest, ResponseBeyondTheFrameLimitEndsTheConnectionWithoutWriting) {
    // A printer listing of well over 1 MiB of JSON.
    for (int i = 0; i < 1200; ++i) {
        winspool_.printers.push_back({std::wstring(1000, L'P') + std::to_wstring(i), L"driver", L"port"});
    }
    const Bytes first = frameOf(request("printers.list"));
    ScriptedConnection connection(concat({first, frameOf(request("system.hello"))}));
    serve(connection);
    EXPECT_TRUE(connection.output.empty());
    EXPECT_EQ(connection.consumed(), first.size()) << "the second request is not read";
}

// Memory running out while a blob is read: the client gets the canned frame
// and the same connection goes on with its next request.
TEST_F(ConnectionTest, OutOfMemoryIsAnsweredAndTheConnectionStaysInStep) {
    std::vector<ByteBuffer> blobs;
    blobs.emplace_back(1 << 20);
    std::memset(blobs.back().data(), '{', blobs.back().size());
    ScriptedConnection connection(concat({frameOf(request("jobs.print"), blobs), frameOf(request("system.hello"))}));
    {
        const fakes::LargeAllocationsFail noLargeBlocks(512 * 1024);
        serve(connection);
    }
    const auto canned = outOfMemoryFrame();
    EXPECT_EQ(connection.output, concat({Bytes(canned.begin(), canned.end()),
                                         responseFrame(successResponse(kRequestId, helloObjectJson()))}));
}

TEST_F(ConnectionTest, FailedWriteOfTheOutOfMemoryAnswerEndsTheConnection) {
    std::vector<ByteBuffer> blobs;
    blobs.emplace_back(1 << 20);
    std::memset(blobs.back().data(), '{', blobs.back().size());
    const Bytes first = frameOf(request("jobs.print"), blobs);
    ScriptedConnection connection(concat({first, frameOf(request("system.hello"))}));
    connection.failWrites = true;
    {
        const fakes::LargeAllocationsFail noLargeBlocks(512 * 1024);
        serve(connection);
    }
    EXPECT_TRUE(connection.output.empty());
    EXPECT_EQ(connection.consumed(), first.size()) << "the second request is not read";
}

TEST_F(ConnectionTest, CannedFrameMatchesTheEncodedOutOfMemoryError) {
    const auto canned = outOfMemoryFrame();
    EXPECT_EQ(Bytes(canned.begin(), canned.end()),
              responseFrame(errorResponse("", Error("KSR-3003", L"请求处理内存不足，请减少页数或尺寸后重试"))));
}

// A spooler that fails inside, as an internal error would.
class ThrowingWinspoolApi final : public platform::IWinspoolApi {
public:
    std::wstring defaultPrinterName() override { throw std::runtime_error("Unable to compute SHA-256"); }
    Result<std::vector<platform::PrinterInfo>> enumeratePrinters() override {
        return std::vector<platform::PrinterInfo>{};
    }
    Result<platform::PrinterCapabilities> queryCapabilities(const platform::PrinterInfo&) override {
        return platform::PrinterCapabilities{};
    }
};

TEST_F(ConnectionTest, InternalFailureEndsOnlyThisConnection) {
    ThrowingWinspoolApi throwingSpooler;
    CommandDispatcher throwing{catalog_, throwingSpooler, jobs_.preparation, jobs_.manager, nullptr};
    ScriptedConnection connection(concat({frameOf(request("printers.list")), frameOf(request("system.hello"))}));
    serveConnection(connection, throwing, running_, [] { return kNow; });
    EXPECT_TRUE(connection.output.empty());

    ScriptedConnection next(frameOf(request("system.hello")));
    serveConnection(next, throwing, running_, [] { return kNow; });
    EXPECT_EQ(next.output, responseFrame(successResponse(kRequestId, helloObjectJson())));
}

}  // namespace
}  // namespace ks::protocol

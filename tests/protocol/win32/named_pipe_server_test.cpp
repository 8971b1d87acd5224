#include "protocol/win32/named_pipe_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "printers/printer_catalog.h"
#include "protocol/command_dispatcher.h"
#include "protocol/frame.h"
#include "protocol/response_encoder.h"
#include "support/win32/joined_apartment.h"

namespace ks::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// How each faked call completes.
enum class Completion {
    Immediate,         // returns TRUE, the result is ready at once
    Pending,           // returns FALSE with ERROR_IO_PENDING and completes right away
    PendingForever,    // returns FALSE with ERROR_IO_PENDING and completes only when cancelled
    ZeroBytes,         // completes at once having moved nothing (the peer closed)
    Fail,              // returns FALSE with ERROR_BROKEN_PIPE (ERROR_BAD_PIPE for a connect)
    AlreadyConnected,  // connect only: FALSE with ERROR_PIPE_CONNECTED
    AlreadyGone,       // connect only: FALSE with ERROR_NO_DATA (the client came and left)
};

// The pipe operations the server starts.
enum class Operation { Connect, Read, Write };

// Stands in for the five pipe functions: serves scripted client bytes to
// ReadFile, keeps what WriteFile sends, and completes each call as the test
// script says. Calls arrive on the server's thread; the test waits for them.
class FakePipeIo {
public:
    PipeIoFunctions functions() {
        return {
            [this](HANDLE, LPVOID buffer, DWORD length, LPDWORD, LPOVERLAPPED overlapped) {
                return transfer(reads, overlapped, length, [&](DWORD n) {
                    std::memcpy(buffer, clientBytes.data() + readOffset, n);
                    readOffset += n;
                    maxReadLength = std::max(maxReadLength, length);
                });
            },
            [this](HANDLE, LPCVOID buffer, DWORD length, LPDWORD, LPOVERLAPPED overlapped) {
                return transfer(writes, overlapped, length, [&](DWORD n) {
                    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
                    written.insert(written.end(), bytes, bytes + n);
                });
            },
            [this](HANDLE, LPOVERLAPPED overlapped) {
                std::lock_guard lock(mutex_);
                ++connectCalls;
                changed_.notify_all();
                const Completion completion = next(connects, Completion::PendingForever);
                if (completion == Completion::Fail) return fail(ERROR_BAD_PIPE);
                if (completion == Completion::AlreadyConnected) return fail(ERROR_PIPE_CONNECTED);
                if (completion == Completion::AlreadyGone) return fail(ERROR_NO_DATA);
                return complete(Operation::Connect, completion, overlapped, 0);
            },
            [this](HANDLE, LPOVERLAPPED overlapped) {
                std::lock_guard lock(mutex_);
                cancelled.push_back(waiting_);
                results_[overlapped] = Outcome{false, 0};
                ::SetEvent(overlapped->hEvent);
                changed_.notify_all();
                return TRUE;
            },
            [this](HANDLE, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL) {
                std::lock_guard lock(mutex_);
                const Outcome outcome = results_.at(overlapped);
                *transferred = outcome.bytes;
                if (!outcome.ok) ::SetLastError(ERROR_OPERATION_ABORTED);
                return outcome.ok ? TRUE : FALSE;
            },
        };
    }

    // Waits until `predicate` holds (checked under the lock) or 10 s pass.
    template <typename Predicate>
    bool waitUntil(Predicate predicate) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return predicate(); });
    }

    Bytes clientBytes;
    std::deque<Completion> connects, reads, writes;
    std::size_t readOffset = 0;
    DWORD maxReadLength = 0;
    Bytes written;
    int connectCalls = 0, readCalls = 0, writeCalls = 0;
    std::vector<Operation> cancelled;  // which waiting operation each CancelIoEx met

private:
    struct Outcome {
        bool ok;
        DWORD bytes;
    };

    static Completion next(std::deque<Completion>& script, Completion fallback) {
        if (script.empty()) return fallback;
        const Completion completion = script.front();
        script.pop_front();
        return completion;
    }

    static BOOL fail(DWORD error) {
        ::SetLastError(error);
        return FALSE;
    }

    BOOL complete(Operation operation, Completion completion, LPOVERLAPPED overlapped, DWORD bytes) {
        results_[overlapped] = Outcome{true, completion == Completion::ZeroBytes ? 0 : bytes};
        if (completion == Completion::PendingForever) {
            waiting_ = operation;
            return fail(ERROR_IO_PENDING);
        }
        ::SetEvent(overlapped->hEvent);
        return completion == Completion::Pending ? fail(ERROR_IO_PENDING) : TRUE;
    }

    template <typename Move>
    BOOL transfer(std::deque<Completion>& script, LPOVERLAPPED overlapped, DWORD length, Move&& move) {
        std::lock_guard lock(mutex_);
        const Operation operation = &script == &reads ? Operation::Read : Operation::Write;
        ++(operation == Operation::Read ? readCalls : writeCalls);
        changed_.notify_all();
        ::ResetEvent(overlapped->hEvent);  // as ReadFile and WriteFile do when a transfer starts
        // Reads past the scripted client bytes act like a client that waits.
        const bool exhausted = operation == Operation::Read && readOffset == clientBytes.size();
        const Completion completion = next(script, exhausted ? Completion::PendingForever : Completion::Immediate);
        if (completion == Completion::Fail) return fail(ERROR_BROKEN_PIPE);
        DWORD bytes = 0;
        if (completion != Completion::PendingForever && completion != Completion::ZeroBytes) {
            bytes = operation == Operation::Read
                        ? std::min<DWORD>(length, static_cast<DWORD>(clientBytes.size() - readOffset))
                        : length;
            move(bytes);
        }
        return complete(operation, completion, overlapped, bytes);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<LPOVERLAPPED, Outcome> results_;
    Operation waiting_ = Operation::Connect;  // the operation left pending until cancelled
};

constexpr char kRequestId[] = "0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11";

std::string helloRequest() {
    const auto now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return R"({"protocol":1,"requestId":")" + std::string(kRequestId) + R"(","callerId":"test","timestampUtcMs":)" +
           std::to_string(now) + R"(,"command":"system.hello"})";
}

Bytes helloResponseFrame() {
    return encodeFrame(encodeResponse(successResponse(kRequestId, helloObjectJson()))).value();
}

class NamedPipeServerTest : public testing::Test {
protected:
    NamedPipeServerTest() {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        pipeName_ = std::wstring(L"\\\\.\\pipe\\LOCAL\\Kestrune.test.") +
                    std::wstring(info->name(), info->name() + std::strlen(info->name()));
    }

    NamedPipeServer makeServer() {
        return NamedPipeServer(
            dispatcher_, io_.functions(), [this] { onFailure(); }, pipeName_);
    }

    void onFailure() {
        ++failureCalls_;
        ::SetEvent(failed_.get());
    }

    void scriptClientFrames(int count) {
        const Bytes frame = encodeFrame(helloRequest()).value();
        for (int i = 0; i < count; ++i) io_.clientBytes.insert(io_.clientBytes.end(), frame.begin(), frame.end());
    }

    fakes::FakeWinspoolApi winspool_;
    printers::PrinterCatalog catalog_{winspool_};
    fakes::FakeJobServices jobs_{catalog_};
    CommandDispatcher dispatcher_{catalog_, winspool_, jobs_.preparation, jobs_.manager, nullptr};
    FakePipeIo io_;
    std::wstring pipeName_;
    std::atomic<int> failureCalls_{0};
    platform::UniqueHandle failed_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TEST_F(NamedPipeServerTest, ServesRequestsWhateverWayTransfersComplete) {
    scriptClientFrames(2);
    io_.connects = {Completion::Pending};
    io_.reads = {Completion::Immediate, Completion::Pending, Completion::Pending, Completion::Immediate};
    io_.writes = {Completion::Pending, Completion::Immediate};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return io_.written.size() == 2 * helloResponseFrame().size(); }));
    server.stop();

    Bytes expected = helloResponseFrame();
    expected.insert(expected.end(), expected.begin(), expected.end());
    EXPECT_EQ(io_.written, expected);
    EXPECT_EQ(failureCalls_, 0);
    EXPECT_FALSE(server.isRunning());
}

// Requests decode PNGs with WIC on the serving thread, and the UI thread is
// a single-threaded apartment: the serving thread joins the multithreaded one.
TEST_F(NamedPipeServerTest, ServesFromTheMultithreadedApartment) {
    std::optional<APTTYPE> serving;
    PipeIoFunctions functions = io_.functions();
    functions.connectNamedPipe = [&serving, connect = functions.connectNamedPipe](HANDLE pipe,
                                                                                  LPOVERLAPPED overlapped) {
        serving = support::joinedApartment();
        return connect(pipe, overlapped);
    };
    NamedPipeServer server(
        dispatcher_, functions, [this] { onFailure(); }, pipeName_);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return io_.connectCalls == 1; }));
    server.stop();
    EXPECT_EQ(serving, APTTYPE_MTA);
}

TEST_F(NamedPipeServerTest, AClientAlreadyConnectedIsServed) {
    scriptClientFrames(1);
    io_.connects = {Completion::AlreadyConnected};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return io_.written == helloResponseFrame(); }));
    server.stop();
}

// A client that connects and closes before the server listens must not end
// the service: the next client is served.
TEST_F(NamedPipeServerTest, AClientThatLeftBeforeTheConnectIsSkipped) {
    scriptClientFrames(1);
    io_.connects = {Completion::AlreadyGone, Completion::Immediate};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return io_.written == helloResponseFrame(); }));
    EXPECT_TRUE(server.isRunning());
    server.stop();
    EXPECT_EQ(failureCalls_, 0);
}

TEST_F(NamedPipeServerTest, StopCancelsAPendingConnect) {
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return io_.connectCalls == 1; }));
    server.stop();
    EXPECT_EQ(io_.cancelled, std::vector{Operation::Connect});
    EXPECT_EQ(failureCalls_, 0) << "a requested stop is not a failure";
}

TEST_F(NamedPipeServerTest, StopCancelsAReadInTheMiddleOfAFrame) {
    scriptClientFrames(1);
    io_.clientBytes.resize(io_.clientBytes.size() - 3);  // the client stalls three bytes short
    io_.connects = {Completion::Immediate};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    // Four reads: length, text, the first byte of the blob count, and the
    // rest of the count, which waits within the same transfer as the byte
    // before it.
    ASSERT_TRUE(io_.waitUntil([&] { return io_.readCalls == 4; }));
    server.stop();
    EXPECT_EQ(io_.cancelled, std::vector{Operation::Read});
    EXPECT_TRUE(io_.written.empty());
}

TEST_F(NamedPipeServerTest, StopCancelsAPendingWrite) {
    scriptClientFrames(1);
    io_.connects = {Completion::Immediate};
    io_.writes = {Completion::PendingForever};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return io_.writeCalls == 1; }));
    server.stop();
    EXPECT_EQ(io_.cancelled, std::vector{Operation::Write});
}

TEST_F(NamedPipeServerTest, ZeroByteReadOrFailedTransferEndsOnlyTheConnection) {
    for (const Completion ending : {Completion::ZeroBytes, Completion::Fail}) {
        // The first client sends a length and fails on the text; the next one
        // sends a whole frame of its own.
        const Bytes frame = encodeFrame(helloRequest()).value();
        FakePipeIo io;
        io.clientBytes.assign(frame.begin(), frame.begin() + 4);
        io.clientBytes.insert(io.clientBytes.end(), frame.begin(), frame.end());
        io.connects = {Completion::Immediate, Completion::Immediate};
        io.reads = {Completion::Immediate, ending};
        NamedPipeServer server(
            dispatcher_, io.functions(), [this] { onFailure(); }, pipeName_);
        ASSERT_TRUE(server.start());
        // The next client is served on a fresh connect, and only it is answered.
        ASSERT_TRUE(io.waitUntil([&] { return io.written.size() >= helloResponseFrame().size(); }));
        server.stop();
        EXPECT_EQ(io.connectCalls, 2);
        EXPECT_EQ(io.written, helloResponseFrame());
    }
    EXPECT_EQ(failureCalls_, 0);
}

TEST_F(NamedPipeServerTest, ReadsLargeFramesInChunksOfAtMost64KiB) {
    std::vector<ByteBuffer> blobs;
    blobs.emplace_back(200 * 1024);
    std::memset(blobs.back().data(), 0x5A, blobs.back().size());
    io_.clientBytes = encodeFrame(helloRequest(), blobs).value();
    io_.connects = {Completion::Immediate};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(io_.waitUntil([&] { return !io_.written.empty(); }));
    server.stop();
    EXPECT_EQ(io_.readOffset, io_.clientBytes.size());
    EXPECT_EQ(io_.maxReadLength, 65536u);
}

TEST_F(NamedPipeServerTest, FailedConnectEndsServingAndCallsTheFailureCallbackOnce) {
    io_.connects = {Completion::Fail};
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    ASSERT_EQ(::WaitForSingleObject(failed_.get(), 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(server.isRunning());
    EXPECT_EQ(failureCalls_, 1);
    EXPECT_FALSE(server.start()) << "the ended thread must be stopped before a new start";
    server.stop();
    EXPECT_EQ(failureCalls_, 1);
}

TEST_F(NamedPipeServerTest, StartIsIdempotentAndRestartsAfterStop) {
    auto server = makeServer();
    ASSERT_TRUE(server.start());
    EXPECT_TRUE(server.start());
    server.stop();
    server.stop();
    ASSERT_TRUE(server.start());
    EXPECT_TRUE(server.isRunning());
}

TEST_F(NamedPipeServerTest, SecondServerOnTheSameNameDoesNotStart) {
    auto first = makeServer();
    ASSERT_TRUE(first.start());
    FakePipeIo otherIo;
    NamedPipeServer second(dispatcher_, otherIo.functions(), {}, pipeName_);
    EXPECT_FALSE(second.start());
    EXPECT_FALSE(second.isRunning());
}

}  // namespace
}  // namespace ks::protocol

#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/win32/handles.h"

namespace ks::protocol {

class CommandDispatcher;
class PipeSecurity;

inline constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\LOCAL\\Kestrune.v1";

// The pipe I/O calls the server makes, replaceable so its logic can be driven
// by fakes. Each has the exact signature of the Windows function it stands for.
struct PipeIoFunctions {
    std::function<decltype(::ReadFile)> readFile;
    std::function<decltype(::WriteFile)> writeFile;
    std::function<decltype(::ConnectNamedPipe)> connectNamedPipe;
    std::function<decltype(::CancelIoEx)> cancelIoEx;
    std::function<decltype(::GetOverlappedResult)> getOverlappedResult;
};

// The one way into the service: one pipe instance, one client at a time, its
// requests served strictly in turn on the server's own thread.
class NamedPipeServer {
public:
    // `onFailure` is called once, on the serving thread, when serving ends
    // without a stop request (a failed connect); it may be empty.
    NamedPipeServer(CommandDispatcher& dispatcher, PipeIoFunctions io, std::function<void()> onFailure,
                    std::wstring pipeName = kPipeName);
    ~NamedPipeServer();

    NamedPipeServer(const NamedPipeServer&) = delete;
    NamedPipeServer& operator=(const NamedPipeServer&) = delete;

    // Creates the pipe and starts serving. True when serving (also when it
    // already was); false when the security descriptor, an event or the pipe
    // cannot be made (another process owning the name included), or a
    // serving thread that ended on its own has not been stopped yet. A thread
    // that cannot be started raises std::system_error. Main thread only.
    [[nodiscard]] bool start();

    // Cancels every pending transfer, joins the serving thread and closes the
    // pipe. Harmless when not running. Must not be called on the serving
    // thread (std::logic_error). Main thread only.
    void stop();

    // True from a successful start until stop or a fatal serving error; any
    // thread may ask.
    [[nodiscard]] bool isRunning() const noexcept { return running_.load(); }

    // Transfer exactly `length` bytes in chunks of at most 64 KiB. False when
    // the peer closed, a call failed or `stopEvent` was signalled (the pending
    // transfer is then cancelled and waited for).
    [[nodiscard]] bool readExact(HANDLE pipe, HANDLE stopEvent, void* buffer, std::size_t length);
    [[nodiscard]] bool writeAll(HANDLE pipe, HANDLE stopEvent, const void* buffer, std::size_t length);

private:
    enum class Direction { Read, Write };
    enum class Accepted { Client, ClientAlreadyGone, Failed };

    [[nodiscard]] bool transfer(Direction direction, HANDLE pipe, HANDLE stopEvent, std::byte* buffer,
                                std::size_t length);
    void serve() noexcept;
    [[nodiscard]] Accepted acceptClient();
    void cancelPending(HANDLE pipe, OVERLAPPED& overlapped);
    void release() noexcept;

    CommandDispatcher& dispatcher_;
    PipeIoFunctions io_;
    std::function<void()> onFailure_;
    std::wstring pipeName_;
    std::atomic<bool> running_{false};
    platform::UniqueHandle stopEvent_;
    platform::UniqueFileHandle pipe_;
    platform::UniqueHandle ioEvent_;
    std::unique_ptr<PipeSecurity> security_;
    std::thread thread_;
};

}  // namespace ks::protocol

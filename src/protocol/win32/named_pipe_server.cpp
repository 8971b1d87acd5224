#include "protocol/win32/named_pipe_server.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "platform/win32/com_apartment.h"
#include "protocol/connection.h"
#include "protocol/frame.h"
#include "protocol/win32/pipe_security.h"

namespace ks::protocol {
namespace {

// PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED:
// a second process asking for the same name fails instead of sharing it.
constexpr DWORD kOpenMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED;
constexpr DWORD kBufferSize = kMaxTransferLength;

std::int64_t systemUtcMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Waits for the stop event (first) or the I/O event; true only when the I/O
// event is the one signalled.
bool waitForIo(HANDLE stopEvent, HANDLE ioEvent) {
    const HANDLE handles[] = {stopEvent, ioEvent};
    return ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

class PipeConnection final : public IConnection {
public:
    PipeConnection(NamedPipeServer& server, HANDLE pipe, HANDLE stopEvent)
        : server_(server), pipe_(pipe), stopEvent_(stopEvent) {}

    bool readExact(void* buffer, std::size_t length) override {
        return server_.readExact(pipe_, stopEvent_, buffer, length);
    }
    bool writeAll(const void* data, std::size_t length) override {
        return server_.writeAll(pipe_, stopEvent_, data, length);
    }

private:
    NamedPipeServer& server_;
    HANDLE pipe_;
    HANDLE stopEvent_;
};

}  // namespace

NamedPipeServer::NamedPipeServer(CommandDispatcher& dispatcher, PipeIoFunctions io, std::function<void()> onFailure,
                                 std::wstring pipeName)
    : dispatcher_(dispatcher), io_(std::move(io)), onFailure_(std::move(onFailure)), pipeName_(std::move(pipeName)) {}

NamedPipeServer::~NamedPipeServer() { stop(); }

bool NamedPipeServer::start() {
    if (running_.load()) return true;
    if (thread_.joinable()) return false;

    security_ = PipeSecurity::forCurrentUser();
    stopEvent_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ioEvent_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!security_ || !stopEvent_ || !ioEvent_) {
        release();
        return false;
    }
    pipe_.reset(
        ::CreateNamedPipeW(pipeName_.c_str(), kOpenMode, 0, 1, kBufferSize, kBufferSize, 0, security_->attributes()));
    if (!pipe_) {
        release();
        return false;
    }

    running_.store(true);
    try {
        thread_ = std::thread([this] { serve(); });
    } catch (...) {
        running_.store(false);
        release();
        throw;
    }
    return true;
}

void NamedPipeServer::stop() {
    running_.exchange(false);
    if (stopEvent_) ::SetEvent(stopEvent_.get());
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            throw std::logic_error("NamedPipeServer::stop called on its own serving thread");
        }
        thread_.join();
    }
    release();
}

void NamedPipeServer::release() noexcept {
    pipe_.reset();
    ioEvent_.reset();
    stopEvent_.reset();
    security_.reset();
}

bool NamedPipeServer::readExact(HANDLE pipe, HANDLE stopEvent, void* buffer, std::size_t length) {
    return transfer(Direction::Read, pipe, stopEvent, static_cast<std::byte*>(buffer), length);
}

bool NamedPipeServer::writeAll(HANDLE pipe, HANDLE stopEvent, const void* buffer, std::size_t length) {
    // WriteFile takes a const buffer; the shared transfer loop only reads it.
    return transfer(Direction::Write, pipe, stopEvent, static_cast<std::byte*>(const_cast<void*>(buffer)), length);
}

bool NamedPipeServer::transfer(Direction direction, HANDLE pipe, HANDLE stopEvent, std::byte* buffer,
                               std::size_t length) {
    if (length == 0) return true;
    // One event serves every chunk of this transfer: ReadFile and WriteFile
    // reset it as each chunk starts, and it is closed when the transfer ends,
    // so a cancelled transfer leaves no signal behind for the next. Creating
    // it per chunk instead costs about a quarter of the throughput of a
    // large request under Wine.
    platform::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) return false;
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, kMaxTransferLength));
        const BOOL completed = direction == Direction::Read
                                   ? io_.readFile(pipe, buffer + done, chunk, nullptr, &overlapped)
                                   : io_.writeFile(pipe, buffer + done, chunk, nullptr, &overlapped);
        if (!completed) {
            if (::GetLastError() != ERROR_IO_PENDING) return false;
            if (!waitForIo(stopEvent, event.get())) {
                cancelPending(pipe, overlapped);
                return false;
            }
        }
        DWORD transferred = 0;
        if (!io_.getOverlappedResult(pipe, &overlapped, &transferred, FALSE)) return false;
        if (transferred == 0) return false;  // the peer closed
        done += transferred;
    }
    return true;
}

void NamedPipeServer::cancelPending(HANDLE pipe, OVERLAPPED& overlapped) {
    // The OVERLAPPED lives on the caller's frame: the cancelled operation must
    // have finished before that frame goes away.
    DWORD ignored = 0;
    io_.cancelIoEx(pipe, &overlapped);
    io_.getOverlappedResult(pipe, &overlapped, &ignored, TRUE);
}

NamedPipeServer::Accepted NamedPipeServer::acceptClient() {
    ::ResetEvent(ioEvent_.get());
    OVERLAPPED overlapped{};
    overlapped.hEvent = ioEvent_.get();
    if (io_.connectNamedPipe(pipe_.get(), &overlapped)) return Accepted::Client;

    switch (::GetLastError()) {
        case ERROR_PIPE_CONNECTED: return Accepted::Client;  // the client connected between the calls
        case ERROR_NO_DATA:
            // A client connected and closed again before this call. That
            // client is gone, not the pipe: listen for the next one.
            return Accepted::ClientAlreadyGone;
        case ERROR_IO_PENDING: break;
        default: return Accepted::Failed;
    }
    if (!waitForIo(stopEvent_.get(), ioEvent_.get())) {
        cancelPending(pipe_.get(), overlapped);
        return Accepted::Failed;
    }
    DWORD ignored = 0;
    return io_.getOverlappedResult(pipe_.get(), &overlapped, &ignored, FALSE) ? Accepted::Client : Accepted::Failed;
}

void NamedPipeServer::serve() noexcept {
    // Requests decode PNGs with WIC and spool through printer drivers, some
    // of which use COM, on this thread; the UI thread is a single-threaded
    // apartment, so nothing keeps a multithreaded one alive for them. The
    // thread joins it for as long as it serves, so that each decode's own
    // join is only a count; should this join fail, each decode still joins
    // for itself.
    const platform::ComApartment apartment(COINIT_MULTITHREADED);
    try {
        while (running_.load()) {
            const Accepted accepted = acceptClient();
            if (accepted == Accepted::Failed) break;
            if (accepted == Accepted::Client) {
                PipeConnection connection(*this, pipe_.get(), stopEvent_.get());
                serveConnection(connection, dispatcher_, running_, systemUtcMs);
            }
            ::DisconnectNamedPipe(pipe_.get());
        }
    } catch (...) {
        // Only the thread itself failing to serve gets here (serveConnection
        // keeps per-request failures to their connection); it ends serving
        // like a failed connect.
    }
    if (running_.exchange(false) && onFailure_) onFailure_();
}

}  // namespace ks::protocol

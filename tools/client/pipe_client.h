#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"
#include "protocol/frame.h"

namespace ks::client {

// A client's end of the service's pipe, with plain blocking I/O: send one
// request frame, read one response frame, in strict turn.
class PipeClient {
public:
    // Opens the pipe. While another client holds it (the pipe has one
    // instance), waits up to `busyWait` for it to become free. nullopt with
    // the Windows error in `error` when it cannot be opened: ERROR_FILE_NOT_FOUND
    // means the service is not running, ERROR_PIPE_BUSY that it stayed busy.
    static std::optional<PipeClient> connect(std::wstring_view pipeName, std::chrono::milliseconds busyWait,
                                             DWORD& error);

    // Sends one frame with the JSON text and blobs.
    [[nodiscard]] bool send(std::string_view json, std::span<const protocol::ByteBuffer> blobs = {});
    // Sends bytes as they are, framed or not.
    [[nodiscard]] bool sendBytes(std::span<const std::uint8_t> bytes);
    // Reads one response frame and returns its JSON text; nullopt when the
    // service closed the connection or the frame is malformed.
    [[nodiscard]] std::optional<std::string> receive();

    HANDLE handle() const noexcept { return pipe_.get(); }

private:
    explicit PipeClient(platform::UniqueFileHandle pipe) noexcept : pipe_(std::move(pipe)) {}

    platform::UniqueFileHandle pipe_;
};

// A random (version 4) UUID in canonical lower-case form.
std::string newRequestId();

// Milliseconds since 1970-01-01 UTC by this machine's clock.
std::int64_t utcNowMs();

// A complete request for `command` with a fresh request id; `payload` is
// appended to the envelope's members as it is (",\"printer\":{…}" or empty).
std::string makeRequest(std::string_view command, std::string_view payload = {});

// Adds whichever of protocol, requestId, callerId and timestampUtcMs the
// request object lacks, so hand-written requests need only what matters to
// them. Text that is not a JSON object is returned unchanged.
std::string completeEnvelope(std::string_view json);

}  // namespace ks::client

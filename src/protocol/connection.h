#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "protocol/frame.h"

namespace ks::protocol {

class CommandDispatcher;

// One client connection: frames are read from it and responses written to it.
class IConnection : public IByteSource {
public:
    // Writes all `length` bytes. Returns false when the peer closed, an I/O
    // error occurred or the server is stopping; the caller then abandons the
    // connection. Called from the thread serving the connection only.
    [[nodiscard]] virtual bool writeAll(const void* data, std::size_t length) = 0;
};

// Milliseconds since 1970-01-01 UTC.
using UtcClock = std::function<std::int64_t()>;

// Serves requests on one connection strictly in turn until the peer leaves,
// a frame breaks a limit, a write fails or `running` is cleared: read a frame,
// validate it, dispatch it, write the response. Memory exhaustion while a
// request is handled is answered with the canned out-of-memory frame.
// Any other exception ends only this connection, without a response; the
// caller goes on serving other clients.
void serveConnection(IConnection& connection, CommandDispatcher& dispatcher, const std::atomic<bool>& running,
                     const UtcClock& nowUtcMs);

}  // namespace ks::protocol

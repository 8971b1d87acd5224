#include "protocol/connection.h"

#include <new>
#include <utility>

#include "protocol/command_dispatcher.h"
#include "protocol/request_parser.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {
namespace {

enum class Outcome { Continue, EndConnection };

Outcome handleOneRequest(IConnection& connection, CommandDispatcher& dispatcher, const UtcClock& nowUtcMs) {
    auto frame = readFrame(connection);
    if (!frame) return Outcome::EndConnection;

    auto request = parseRequest(frame->json, frame->blobs.size(), nowUtcMs());
    const ProtocolResponse response =
        request ? dispatcher.dispatch(request.value(), std::move(frame->blobs)) : errorResponse("", request.error());
    // The request's buffers are released before the answer is assembled.
    frame.reset();

    const auto encoded = encodeFrame(encodeResponse(response));
    if (!encoded) return Outcome::EndConnection;
    const auto& bytes = encoded.value();
    // The request's buffers go when this returns: the client has its answer
    // before hundreds of megabytes are handed back to the system.
    return connection.writeAll(bytes.data(), bytes.size()) ? Outcome::Continue : Outcome::EndConnection;
}

}  // namespace

void serveConnection(IConnection& connection, CommandDispatcher& dispatcher, const std::atomic<bool>& running,
                     const UtcClock& nowUtcMs) {
    while (running.load()) {
        Outcome outcome = Outcome::EndConnection;
        try {
            outcome = handleOneRequest(connection, dispatcher, nowUtcMs);
        } catch (const std::bad_alloc&) {
            const auto canned = outOfMemoryFrame();
            outcome = connection.writeAll(canned.data(), canned.size()) ? Outcome::Continue : Outcome::EndConnection;
        } catch (...) {
            // An internal failure of one request must not take the serving
            // thread down; the client sees its connection end.
            outcome = Outcome::EndConnection;
        }
        if (outcome == Outcome::EndConnection) return;
    }
}

}  // namespace ks::protocol

#include "protocol/command_dispatcher.h"

#include "protocol/error_catalog.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {

CommandDispatcher::CommandDispatcher(PreviewBusyQuery previewBusy) : previewBusy_(std::move(previewBusy)) {}

ProtocolResponse CommandDispatcher::dispatch(const ProtocolRequest& request, const Blobs& /*blobs*/) {
    switch (request.command) {
        case CommandId::SystemHello: return successResponse(request.requestId, helloObjectJson());
        case CommandId::SystemHealth: return successResponse(request.requestId, healthObjectJson(previewBusy_()));
        default:
            // Valid commands whose service is not part of this build answer
            // with the request's id, unlike validation errors.
            return errorResponse(request.requestId,
                                 Error(codes::kCommandUnsupported, messages::kCommandNotImplemented));
    }
}

}  // namespace ks::protocol

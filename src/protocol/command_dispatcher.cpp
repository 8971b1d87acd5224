#include "protocol/command_dispatcher.h"

#include <string>
#include <vector>

#include "protocol/error_catalog.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {

CommandDispatcher::CommandDispatcher(printers::PrinterCatalog& catalog, platform::IWinspoolApi& winspool,
                                     PreviewBusyQuery previewBusy)
    : catalog_(catalog), winspool_(winspool), previewBusy_(std::move(previewBusy)) {}

ProtocolResponse CommandDispatcher::dispatch(const ProtocolRequest& request, const Blobs& /*blobs*/) {
    switch (request.command) {
        case CommandId::SystemHello: return successResponse(request.requestId, helloObjectJson());
        case CommandId::SystemHealth: return successResponse(request.requestId, healthObjectJson(previewBusy_()));
        case CommandId::PrintersList: return listPrinters(request);
        case CommandId::PrintersCapabilities: return printerCapabilities(request);
        default:
            // Valid commands whose service is not part of this build answer
            // with the request's id, unlike validation errors.
            return errorResponse(request.requestId,
                                 Error(codes::kCommandUnsupported, messages::kCommandNotImplemented));
    }
}

ProtocolResponse CommandDispatcher::listPrinters(const ProtocolRequest& request) {
    const auto printers = catalog_.listPrinters();
    if (!printers) return errorResponse(request.requestId, printers.error());
    const std::wstring defaultName = winspool_.defaultPrinterName();
    std::vector<std::string> entries;
    entries.reserve(printers.value().size());
    for (const auto& printer : printers.value()) {
        // Exact UTF-16 comparison: the spooler reports the default under the
        // queue's own name.
        const bool isDefault = !defaultName.empty() && printer.name == defaultName;
        entries.push_back(printerListEntryJson(printer, isDefault));
    }
    return successResponse(request.requestId, printerListJson(entries));
}

ProtocolResponse CommandDispatcher::printerCapabilities(const ProtocolRequest& request) {
    // Validation guarantees the member; an absent one matches no printer.
    const auto capabilities = catalog_.capabilities(request.printerId.value_or(std::string()));
    if (!capabilities) return errorResponse(request.requestId, capabilities.error());
    return successResponse(request.requestId, printerCapabilitiesJson(capabilities.value()));
}

}  // namespace ks::protocol

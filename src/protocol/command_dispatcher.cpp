#include "protocol/command_dispatcher.h"

#include <string>
#include <vector>

#include "protocol/error_catalog.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {

namespace {

ProtocolResponse jobResponse(const std::string& requestId, const Result<jobs::JobRecord>& record) {
    if (!record) return errorResponse(requestId, record.error());
    return successResponse(requestId, jobStatusJson(record.value(), AcceptedMember::Omit));
}

}  // namespace

CommandDispatcher::CommandDispatcher(printers::PrinterCatalog& catalog, platform::IWinspoolApi& winspool,
                                     jobs::JobPreparation& preparation, jobs::JobManager& jobs,
                                     PreviewBusyQuery previewBusy)
    : catalog_(catalog),
      winspool_(winspool),
      preparation_(preparation),
      jobs_(jobs),
      previewBusy_(std::move(previewBusy)) {}

ProtocolResponse CommandDispatcher::dispatch(const ProtocolRequest& request, Blobs blobs) {
    // Validation guarantees each command's payload; an absent one is empty.
    const std::string clientJobId = request.clientJobId.value_or(std::string());
    switch (request.command) {
        case CommandId::SystemHello: return successResponse(request.requestId, helloObjectJson());
        case CommandId::SystemHealth: return successResponse(request.requestId, healthObjectJson(previewBusy_()));
        case CommandId::PrintersList: return listPrinters(request);
        case CommandId::PrintersCapabilities: return printerCapabilities(request);
        case CommandId::JobsPrint: return printJob(request, std::move(blobs));
        case CommandId::JobsStatus: return jobResponse(request.requestId, jobs_.status(clientJobId));
        case CommandId::JobsCancel: return jobResponse(request.requestId, jobs_.cancel(clientJobId));
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

ProtocolResponse CommandDispatcher::printJob(const ProtocolRequest& request, Blobs blobs) {
    if (!request.job) return errorResponse(request.requestId, Error(codes::kJobInvalid, messages::kPrintJobMissing));
    auto prepared = preparation_.prepareJob(*request.job, std::move(blobs));
    if (!prepared) return errorResponse(request.requestId, prepared.error());
    const jobs::PreparedJob& job = prepared.value();
    return jobResponse(request.requestId, jobs_.submit(job.clientJobId, job.contentHash, job.ticket, job.pages));
}

ProtocolResponse CommandDispatcher::printerCapabilities(const ProtocolRequest& request) {
    // Validation guarantees the member; an absent one matches no printer.
    const auto capabilities = catalog_.capabilities(request.printerId.value_or(std::string()));
    if (!capabilities) return errorResponse(request.requestId, capabilities.error());
    return successResponse(request.requestId, printerCapabilitiesJson(capabilities.value()));
}

}  // namespace ks::protocol

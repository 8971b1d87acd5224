#include "protocol/command_dispatcher.h"

#include <string>
#include <vector>

#include "protocol/error_catalog.h"
#include "protocol/response_encoder.h"

namespace ks::protocol {

namespace {

ProtocolResponse jobResponse(const std::string& requestId, const Result<jobs::JobRecord>& record,
                             AcceptedMember accepted = AcceptedMember::Omit) {
    if (!record) return errorResponse(requestId, record.error());
    return successResponse(requestId, jobStatusJson(record.value(), accepted));
}

ProtocolResponse acceptedResponse(const std::string& requestId, const Result<void>& outcome) {
    if (!outcome) return errorResponse(requestId, outcome.error());
    return successResponse(requestId, std::string(kAcceptedObjectJson));
}

}  // namespace

CommandDispatcher::CommandDispatcher(printers::PrinterCatalog& catalog, platform::IWinspoolApi& winspool,
                                     jobs::JobPreparation& preparation, jobs::JobManager& jobs,
                                     preview::PreviewCoordinator* preview)
    : catalog_(catalog), winspool_(winspool), preparation_(preparation), jobs_(jobs), preview_(preview) {}

ProtocolResponse CommandDispatcher::dispatch(const ProtocolRequest& request, Blobs blobs) {
    // Validation guarantees each command's payload; an absent one is empty.
    const std::string clientJobId = request.clientJobId.value_or(std::string());
    switch (request.command) {
        case CommandId::SystemHello: return successResponse(request.requestId, helloObjectJson());
        case CommandId::SystemHealth:
            return successResponse(request.requestId, healthObjectJson(preview_ != nullptr && preview_->Busy()));
        case CommandId::PrintersList: return listPrinters(request);
        case CommandId::PrintersCapabilities: return printerCapabilities(request);
        case CommandId::JobsPrint: return printJob(request, std::move(blobs));
        case CommandId::JobsStatus: return jobResponse(request.requestId, jobs_.status(clientJobId));
        case CommandId::JobsCancel: return cancelJob(request);
        case CommandId::JobsPreview:
        case CommandId::JobsPreviewComplete:
        case CommandId::JobsPreviewPrepare:
        case CommandId::JobsPreviewDismiss:
            if (preview_ != nullptr) return previewCommand(request, std::move(blobs));
            break;
        default: break;
    }
    // Valid commands whose service is not part of this build answer with the
    // request's id, unlike validation errors.
    return errorResponse(request.requestId, Error(codes::kCommandUnsupported, messages::kCommandNotImplemented));
}

ProtocolResponse CommandDispatcher::previewCommand(const ProtocolRequest& request, Blobs blobs) {
    const std::string clientJobId = request.clientJobId.value_or(std::string());
    switch (request.command) {
        case CommandId::JobsPreviewPrepare: return acceptedResponse(request.requestId, preview_->Prepare(clientJobId));
        case CommandId::JobsPreviewDismiss:
            return acceptedResponse(request.requestId, preview_->Dismiss(clientJobId, false));
        default: break;
    }
    auto prepared = prepare(request, std::move(blobs));
    if (!prepared) return errorResponse(request.requestId, prepared.error());
    const bool complete = request.command == CommandId::JobsPreviewComplete;
    return jobResponse(request.requestId, preview_->Open(std::move(prepared).value(), complete),
                       AcceptedMember::Include);
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

Result<jobs::PreparedJob> CommandDispatcher::prepare(const ProtocolRequest& request, Blobs blobs) {
    if (!request.job) return Error(codes::kJobInvalid, messages::kPrintJobMissing);
    return preparation_.prepareJob(*request.job, std::move(blobs));
}

ProtocolResponse CommandDispatcher::printJob(const ProtocolRequest& request, Blobs blobs) {
    auto prepared = prepare(request, std::move(blobs));
    if (!prepared) return errorResponse(request.requestId, prepared.error());
    const jobs::PreparedJob& job = prepared.value();
    auto record = jobs_.submit(job.clientJobId, job.contentHash, job.ticket, job.pages);
    if (record && preview_ != nullptr) preview_->PrintedByClient(job.clientJobId);
    return jobResponse(request.requestId, record);
}

ProtocolResponse CommandDispatcher::cancelJob(const ProtocolRequest& request) {
    const std::string clientJobId = request.clientJobId.value_or(std::string());
    if (preview_ != nullptr) {
        // The open preview's job is cancelled through the preview, which
        // also closes its window; any other job is the job manager's alone.
        auto cancelled = preview_->Cancel(clientJobId, false);
        if (cancelled || !cancelled.error().hasCode(codes::kJobNotFound)) return jobResponse(request.requestId, cancelled);
    }
    return jobResponse(request.requestId, jobs_.cancel(clientJobId));
}

ProtocolResponse CommandDispatcher::printerCapabilities(const ProtocolRequest& request) {
    // Validation guarantees the member; an absent one matches no printer.
    const auto capabilities = catalog_.capabilities(request.printerId.value_or(std::string()));
    if (!capabilities) return errorResponse(request.requestId, capabilities.error());
    return successResponse(request.requestId, printerCapabilitiesJson(capabilities.value()));
}

}  // namespace ks::protocol

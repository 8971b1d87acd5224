#pragma once

#include "jobs/job_manager.h"
#include "jobs/job_preparation.h"
#include "platform/winspool_api.h"
#include "preview/preview_coordinator.h"
#include "printers/printer_catalog.h"
#include "protocol/frame.h"
#include "protocol/request.h"
#include "protocol/response.h"

namespace ks::protocol {

// Turns one validated request into one response by calling the service
// behind its command. Stateless apart from its references; called on the pipe
// server's thread, one request at a time.
class CommandDispatcher {
public:
    // `catalog` answers printers.list and printers.capabilities; `winspool`
    // names the default printer for printers.list; `preparation` and `jobs`
    // serve the job commands; `preview` serves the preview commands, cancels
    // previewed jobs and tells system.health whether a preview is busy. All
    // must outlive the dispatcher. Without `preview` (a build that cannot
    // show previews) the preview commands answer KSR-1005.
    CommandDispatcher(printers::PrinterCatalog& catalog, platform::IWinspoolApi& winspool,
                      jobs::JobPreparation& preparation, jobs::JobManager& jobs, preview::PreviewCoordinator* preview);

    CommandDispatcher(const CommandDispatcher&) = delete;
    CommandDispatcher& operator=(const CommandDispatcher&) = delete;

    // Every response echoes request.requestId. `blobs` are the frame's blobs;
    // a print job's pages take them over instead of copying them.
    [[nodiscard]] ProtocolResponse dispatch(const ProtocolRequest& request, Blobs blobs);

private:
    ProtocolResponse listPrinters(const ProtocolRequest& request);
    ProtocolResponse printerCapabilities(const ProtocolRequest& request);
    // The job payload's pages decoded and checked against the printer.
    Result<jobs::PreparedJob> prepare(const ProtocolRequest& request, Blobs blobs);
    ProtocolResponse printJob(const ProtocolRequest& request, Blobs blobs);
    // jobs.preview, jobs.preview.complete, .prepare and .dismiss.
    ProtocolResponse previewCommand(const ProtocolRequest& request, Blobs blobs);
    ProtocolResponse cancelJob(const ProtocolRequest& request);

    printers::PrinterCatalog& catalog_;
    platform::IWinspoolApi& winspool_;
    jobs::JobPreparation& preparation_;
    jobs::JobManager& jobs_;
    preview::PreviewCoordinator* preview_;
};

}  // namespace ks::protocol

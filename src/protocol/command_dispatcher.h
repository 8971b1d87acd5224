#pragma once

#include <functional>

#include "jobs/job_manager.h"
#include "jobs/job_preparation.h"
#include "platform/winspool_api.h"
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
    // Whether a preview session is open or being prepared (system.health).
    using PreviewBusyQuery = std::function<bool()>;

    // `catalog` answers printers.list and printers.capabilities; `winspool`
    // names the default printer for printers.list; `preparation` and `jobs`
    // serve the job commands. All must outlive the dispatcher.
    CommandDispatcher(printers::PrinterCatalog& catalog, platform::IWinspoolApi& winspool,
                      jobs::JobPreparation& preparation, jobs::JobManager& jobs, PreviewBusyQuery previewBusy);

    CommandDispatcher(const CommandDispatcher&) = delete;
    CommandDispatcher& operator=(const CommandDispatcher&) = delete;

    // Every response echoes request.requestId. `blobs` are the frame's blobs;
    // a print job's pages take them over instead of copying them.
    [[nodiscard]] ProtocolResponse dispatch(const ProtocolRequest& request, Blobs blobs);

private:
    ProtocolResponse listPrinters(const ProtocolRequest& request);
    ProtocolResponse printerCapabilities(const ProtocolRequest& request);
    ProtocolResponse printJob(const ProtocolRequest& request, Blobs blobs);

    printers::PrinterCatalog& catalog_;
    platform::IWinspoolApi& winspool_;
    jobs::JobPreparation& preparation_;
    jobs::JobManager& jobs_;
    PreviewBusyQuery previewBusy_;
};

}  // namespace ks::protocol

#include "jobs/spooler_control.h"

#include <utility>

#include "protocol/error_catalog.h"

namespace ks::jobs {

Result<bool> SpoolerControl::cancel(std::string_view printerId, std::uint32_t windowsJobId) {
    auto printers = catalog_.listPrinters();
    if (!printers) return std::move(printers).error();
    for (const auto& printer : printers.value()) {
        if (printer.printerId == printerId) return jobs_.cancel(printer.name, windowsJobId);
    }
    return Error(protocol::codes::kPrinterNotFound, protocol::messages::kPrinterNotFound);
}

}  // namespace ks::jobs

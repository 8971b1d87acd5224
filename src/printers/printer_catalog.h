#pragma once

#include <string_view>
#include <vector>

#include "platform/printer_records.h"
#include "platform/winspool_api.h"
#include "printing/capability_source.h"
#include "protocol/result.h"

namespace ks::printers {

// Stable printer ids, the printer listing and capability records with their
// digests. Keeps no cache: every call enumerates the spooler afresh, so a
// renamed or reconfigured queue shows at once. Holds nothing besides the
// spooler reference, so any thread may call at any time.
//
// Spooler errors (KSR-2002 to KSR-2006) pass through unchanged. A queue
// whose name, driver or port is not well-formed UTF-16 has no printer id: it
// is left out of every answer, so one broken queue does not hide the others.
class PrinterCatalog final : public printing::ICapabilitySource {
public:
    explicit PrinterCatalog(platform::IWinspoolApi& winspool) noexcept : winspool_(winspool) {}

    // The installed printers in spooler order, duplicates kept; each entry
    // holds only printerId, name, driverName, portName and status.
    [[nodiscard]] Result<std::vector<platform::PrinterCapabilities>> listPrinters();

    // The first installed printer whose id equals `printerId` exactly (ids
    // are lower-case, so an upper-cased id never matches), queried afresh
    // with printerId and capabilityHash filled; KSR-2001 when none matches.
    [[nodiscard]] Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) override;

    // Every printer's full record in spooler order; the first printer that
    // cannot be queried fails the whole call with its error.
    [[nodiscard]] Result<std::vector<platform::PrinterCapabilities>> listPrintersWithCapabilities();

private:
    platform::IWinspoolApi& winspool_;
};

}  // namespace ks::printers

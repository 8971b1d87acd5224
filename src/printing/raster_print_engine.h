#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "printing/capability_source.h"
#include "printing/gdi_print_api.h"
#include "printing/print_executor.h"

namespace ks::printing {

// Prints raster pages one device dot per ticket dot: re-checks the ticket
// against the printer's live capabilities, converts the paper to dots,
// checks margins and page buffers, then drives the GDI adapter page by page
// and copy by copy (collated; the driver is always asked for one copy).
// Holds only the two references; not thread-safe (see IPrintExecutor).
class RasterPrintEngine final : public IPrintExecutor {
public:
    RasterPrintEngine(ICapabilitySource& capabilities, IGdiPrintApi& gdi) noexcept
        : capabilities_(capabilities), gdi_(gdi) {}

    Result<std::uint32_t> print(const PrintTicket& ticket, const raster::RasterPageList& pages) override;
    std::optional<std::wstring> takeLastWarning() override;

private:
    ICapabilitySource& capabilities_;
    IGdiPrintApi& gdi_;
};

}  // namespace ks::printing

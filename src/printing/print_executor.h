#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "printing/print_ticket.h"
#include "protocol/result.h"
#include "raster/raster_page.h"

namespace ks::printing {

// Prints decoded raster pages under a ticket. Not thread-safe: the job
// manager calls it under its print mutex, one document at a time.
class IPrintExecutor {
public:
    IPrintExecutor() = default;
    IPrintExecutor(const IPrintExecutor&) = delete;
    IPrintExecutor& operator=(const IPrintExecutor&) = delete;
    virtual ~IPrintExecutor() = default;

    // Spools every page, copy by copy, and returns the spooler's job id. All
    // checks are made before the first page; an error after the document was
    // begun aborts it first. Argument and range faults in the ticket (for
    // example a paper size that does not convert to dots) are raised as
    // std::invalid_argument / std::overflow_error.
    virtual Result<std::uint32_t> print(const PrintTicket& ticket, const raster::RasterPageList& pages) = 0;

    // The warning left by the last document (a substituted paper), once.
    virtual std::optional<std::wstring> takeLastWarning() = 0;
};

}  // namespace ks::printing

#pragma once

#include <string>

#include "printing/print_ticket.h"
#include "raster/raster_page.h"

namespace ks::jobs {

// A job request whose pages have been checked and decoded, ready to be
// submitted or previewed. The page list is shared, never copied.
struct PreparedJob {
    raster::RasterPageList pages;
    // The request's printer, paper, resolution and copies, with calibration
    // offsets 0: offsets are applied when the job is printed.
    printing::PrintTicket ticket;
    std::string clientJobId;
    std::string name;
    bool allowPrinterReselect = false;
    std::string manifest;     // see job_manifest.h
    std::string contentHash;  // 64 lower-case hex characters of the manifest
};

}  // namespace ks::jobs

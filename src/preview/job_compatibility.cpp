#include "preview/job_compatibility.h"

#include <algorithm>
#include <cstdint>

namespace ks::preview {

bool isCompatible(const jobs::PreparedJob& job, const platform::PrinterCapabilities& printer) {
    const auto& ticket = job.ticket;
    if (ticket.dpiX == 0 || ticket.dpiY == 0 || !job.pages || job.pages->empty()) return false;
    const platform::Resolution resolution{ticket.dpiX, ticket.dpiY};
    const bool offered = printer.resolutions.empty()
                             ? resolution == platform::Resolution{printer.dpiX, printer.dpiY}
                             : std::find(printer.resolutions.begin(), printer.resolutions.end(), resolution) !=
                                   printer.resolutions.end();
    if (!offered) return false;
    return std::all_of(job.pages->begin(), job.pages->end(), [](const raster::RasterPage& page) {
        return page.width != 0 && page.height != 0 && page.pixels &&
               page.pixels->size() == std::uint64_t{page.width} * page.height * 4;
    });
}

}  // namespace ks::preview

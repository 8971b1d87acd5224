#include "jobs/job_manifest.h"

#include <fmt/format.h>

#include <cstddef>
#include <iterator>
#include <string_view>

namespace ks::jobs {
namespace {

// The length prefix counts bytes, which is what std::string_view::size gives
// for UTF-8 text.
struct Prefixed {
    std::string_view text;
};

}  // namespace
}  // namespace ks::jobs

template <>
struct fmt::formatter<ks::jobs::Prefixed> : fmt::formatter<std::string_view> {
    auto format(const ks::jobs::Prefixed& value, format_context& context) const {
        return fmt::format_to(context.out(), "{}:{}", value.text.size(), value.text);
    }
};

namespace ks::jobs {

std::string jobManifest(const PreparedJob& job) {
    const printing::PrintTicket& ticket = job.ticket;
    const std::size_t pageCount = job.pages ? job.pages->size() : 0;
    std::string manifest;
    // {fmt}'s "{}" writes a double in its shortest round-trip form. The
    // offsets are always 0: calibration applied at print time never changes
    // what a job contains.
    fmt::format_to(std::back_inserter(manifest),
                   "clientJobId={}\nname={}\nallowPrinterReselect={}\nprinterId={}\ncopies={}\npaperWidthMm={}\n"
                   "paperHeightMm={}\ndpiX={}\ndpiY={}\ncapabilityHash={}\noffsetX={}\noffsetY={}\npageCount={}\n",
                   Prefixed{job.clientJobId}, Prefixed{job.name}, job.allowPrinterReselect ? 1 : 0,
                   Prefixed{ticket.printerId}, ticket.copies, ticket.paperWidthMm, ticket.paperHeightMm, ticket.dpiX,
                   ticket.dpiY, Prefixed{ticket.capabilityHash}, 0, 0, pageCount);
    for (std::size_t index = 0; index < pageCount; ++index) {
        const raster::RasterPage& page = (*job.pages)[index];
        fmt::format_to(std::back_inserter(manifest), "page={},width={},height={},sha256={}\n", index, page.width,
                       page.height, Prefixed{page.sha256});
    }
    return manifest;
}

}  // namespace ks::jobs

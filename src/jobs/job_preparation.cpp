#include "jobs/job_preparation.h"

#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "jobs/job_manifest.h"
#include "platform/sha256.h"
#include "protocol/error_catalog.h"
#include "raster/page_limits.h"

namespace ks::jobs {
namespace {

constexpr std::string_view kPngFormat = "png";

Error pagesBlobsMismatch() {
    return Error(protocol::codes::kPagesBlobsMismatch, protocol::messages::kPagesBlobsMismatch);
}

// One page per blob, each blob named once.
[[nodiscard]] bool pagesMatchBlobs(const std::vector<protocol::PageReference>& pages, std::size_t blobCount) {
    if (pages.empty() || pages.size() != blobCount) return false;
    std::vector<bool> named(blobCount, false);
    for (const auto& page : pages) {
        if (page.format != kPngFormat || page.blobIndex >= blobCount || named[page.blobIndex]) return false;
        named[page.blobIndex] = true;
    }
    return true;
}

printing::PrintTicket ticketOf(const protocol::PrintJobRequest& request) {
    printing::PrintTicket ticket;
    ticket.printerId = request.printerId;
    ticket.paperWidthMm = request.widthMm;
    ticket.paperHeightMm = request.heightMm;
    ticket.dpiX = request.dpiX;
    ticket.dpiY = request.dpiY;
    ticket.capabilityHash = request.capabilityHash;
    ticket.copies = request.copies;
    ticket.offsetX = 0;
    ticket.offsetY = 0;
    return ticket;
}

}  // namespace

JobPreparation::JobPreparation(printing::ICapabilitySource& capabilities, PngDecoder decodePng) noexcept
    : capabilities_(capabilities), decodePng_(std::move(decodePng)) {}

Result<PreparedJob> JobPreparation::prepareJob(const protocol::PrintJobRequest& request, protocol::Blobs blobs) {
    try {
        return prepare(request, blobs);
    } catch (const std::bad_alloc&) {
        return Error(protocol::codes::kOutOfMemory, protocol::messages::kPageOutOfMemory);
    }
}

Result<PreparedJob> JobPreparation::prepare(const protocol::PrintJobRequest& request, protocol::Blobs& blobs) {
    if (!raster::fitsDecodedBudget(request.pages)) {
        return Error(protocol::codes::kOutOfMemory, protocol::messages::kDecodedBudgetExceeded);
    }

    auto printer = capabilities_.capabilities(request.printerId);
    if (!printer) return std::move(printer).error();
    const platform::PrinterCapabilities& current = printer.value();
    if (current.printerId != request.printerId || current.dpiX != request.dpiX || current.dpiY != request.dpiY ||
        current.capabilityHash != request.capabilityHash) {
        return Error(protocol::codes::kPrinterChanged, protocol::messages::kCapabilitiesOrPaperChanged);
    }

    if (!pagesMatchBlobs(request.pages, blobs.size())) return pagesBlobsMismatch();

    auto pages = std::make_shared<std::vector<raster::RasterPage>>();
    pages->reserve(request.pages.size());
    for (const auto& reference : request.pages) {
        // The blob moves into the page's shared buffer: the bytes stay where
        // the frame reader put them.
        auto png = std::make_shared<const protocol::ByteBuffer>(std::move(blobs[reference.blobIndex]));
        auto page = decodePng_(std::move(png), reference.widthDots, reference.heightDots);
        if (!page) return std::move(page).error();
        pages->push_back(std::move(page).value());
    }

    PreparedJob job;
    job.pages = std::move(pages);
    job.ticket = ticketOf(request);
    job.clientJobId = request.clientJobId;
    job.name = request.name;
    job.allowPrinterReselect = request.allowPrinterReselect;
    job.manifest = jobManifest(job);
    job.contentHash = platform::sha256HexOfText(job.manifest);
    return job;
}

}  // namespace ks::jobs

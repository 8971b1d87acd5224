#include "printing/raster_print_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/scope_exit.h"
#include "printing/mm_to_dots.h"
#include "printing/page_fit.h"
#include "printing/ticket_capabilities.h"
#include "protocol/error_catalog.h"

namespace ks::printing {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

constexpr std::uint32_t kMaxCopies = 999;

bool fitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

std::int32_t saturated(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

bool bufferMatches(const raster::RasterPage& page) {
    if (page.width == 0 || page.height == 0 || !page.pixels) return false;
    // 32-bit sizes: the product needs 64 bits before the factor 4.
    const std::uint64_t expected = std::uint64_t{page.width} * page.height * 4;
    return page.pixels->size() == expected;
}

// One axis of a page fitted into the placement area: whole dots, at least
// one, never past the area, and centred in it to the dot.
std::uint32_t fittedExtent(double extent, std::uint32_t area) {
    return static_cast<std::uint32_t>(std::clamp<double>(std::round(extent), 1, area));
}

// The page scaled uniformly to fit `area` and centred there. A page of the
// area's own shape gets the area unchanged, one pixel per dot when the sizes
// are equal.
PagePlacement fittedPlacement(const PagePlacement& area, const raster::RasterPage& page) {
    const PageFit fit = fitPage(area.width, area.height, page.width, page.height);
    PagePlacement placement = area;
    placement.width = fittedExtent(fit.width, area.width);
    placement.height = fittedExtent(fit.height, area.height);
    // Far off the paper a shifted corner saturates rather than wraps.
    placement.x = saturated(std::int64_t{area.x} + (area.width - placement.width) / 2);
    placement.y = saturated(std::int64_t{area.y} + (area.height - placement.height) / 2);
    placement.pixelWidth = page.width;
    placement.pixelHeight = page.height;
    placement.pixels = page.pixels->data();
    placement.byteCount = page.pixels->size();
    return placement;
}

}  // namespace

Result<std::uint32_t> RasterPrintEngine::print(const PrintTicket& ticket, const raster::RasterPageList& pages) {
    auto record = capabilities_.capabilities(ticket.printerId);
    if (!record) return std::move(record).error();
    if (!ticketMatchesCapabilities(ticket, record.value())) {
        return Error(codes::kPrinterChanged, messages::kCapabilitiesChanged);
    }
    if (!pages || pages->empty() || ticket.copies < 1 || ticket.copies > kMaxCopies) {
        return Error(codes::kJobInvalid, messages::kPrintJobParameterInvalid);
    }

    const std::int64_t paperWidth = mmToDots(ticket.paperWidthMm, ticket.dpiX);
    const std::int64_t paperHeight = mmToDots(ticket.paperHeightMm, ticket.dpiY);
    if (std::int64_t{ticket.marginLeft} + ticket.marginRight >= paperWidth ||
        std::int64_t{ticket.marginTop} + ticket.marginBottom >= paperHeight) {
        return Error(codes::kJobInvalid, messages::kMarginsTooLarge);
    }
    // Calibration offsets shift the page by whole dots; a shift that leaves
    // the 32-bit coordinate range cannot be drawn and is a broken ticket.
    const std::int64_t x = std::int64_t{ticket.marginLeft} + ticket.offsetX;
    const std::int64_t y = std::int64_t{ticket.marginTop} + ticket.offsetY;
    if (!fitsInt32(x) || !fitsInt32(y)) return Error(codes::kJobInvalid, messages::kPrintJobParameterInvalid);
    for (const auto& page : *pages) {
        if (!bufferMatches(page)) return Error(codes::kPagePixelsInvalid, messages::kPageSizeTicketMismatch);
    }

    const auto jobId = gdi_.beginDocument(ticket);
    if (!jobId) return jobId;
    // From here the document is ended or aborted on every path, an exception
    // from below included.
    platform::ScopeExit abortUnlessEnded([this] { gdi_.abortDocument(); });

    // The area between the margins, shifted by the calibration offsets.
    PagePlacement area;
    area.x = static_cast<std::int32_t>(x);
    area.y = static_cast<std::int32_t>(y);
    area.width = static_cast<std::uint32_t>(paperWidth - ticket.marginLeft - ticket.marginRight);
    area.height = static_cast<std::uint32_t>(paperHeight - ticket.marginTop - ticket.marginBottom);
    for (std::uint32_t copy = 0; copy < ticket.copies; ++copy) {
        for (const auto& page : *pages) {
            const PagePlacement placement = fittedPlacement(area, page);
            if (auto started = gdi_.startPage(); !started) return std::move(started).error();
            if (auto drawn = gdi_.drawPage(placement); !drawn) return std::move(drawn).error();
            if (auto ended = gdi_.endPage(); !ended) return std::move(ended).error();
        }
    }
    if (auto ended = gdi_.endDocument(); !ended) return std::move(ended).error();
    abortUnlessEnded.release();
    return jobId;
}

std::optional<std::wstring> RasterPrintEngine::takeLastWarning() { return gdi_.takeLastWarning(); }

}  // namespace ks::printing

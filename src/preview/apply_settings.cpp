#include "preview/apply_settings.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "preview/job_compatibility.h"
#include "preview/page_selection.h"
#include "printing/mm_to_dots.h"
#include "protocol/error_catalog.h"

namespace ks::preview {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

bool usablePaper(double mm) { return std::isfinite(mm) && mm > 0; }

struct Dots {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Throws what mmToDots throws.
Dots toDots(const PreviewSettings& settings) {
    return {printing::mmToDots(settings.paperWidthMm, settings.dpiX),
            printing::mmToDots(settings.paperHeightMm, settings.dpiY),
            printing::mmToDots(settings.marginLeftMm, settings.dpiX),
            printing::mmToDots(settings.marginTopMm, settings.dpiY),
            printing::mmToDots(settings.marginRightMm, settings.dpiX),
            printing::mmToDots(settings.marginBottomMm, settings.dpiY)};
}

// Rounded separately, margins that add up to the paper can still leave a
// dot between them; in millimetres they leave nothing.
bool printableAreaLeft(const PreviewSettings& settings) {
    return settings.marginLeftMm + settings.marginRightMm < settings.paperWidthMm &&
           settings.marginTopMm + settings.marginBottomMm < settings.paperHeightMm;
}

bool printableAreaLeft(const Dots& dots) {
    if (dots.width < 1 || dots.height < 1) return false;
    if (dots.left < 0 || dots.top < 0 || dots.right < 0 || dots.bottom < 0) return false;
    // In 64 bits: two margins near the int32 limit must not wrap.
    return std::int64_t{dots.left} + dots.right < dots.width && std::int64_t{dots.top} + dots.bottom < dots.height;
}

}  // namespace

Result<void> applySettings(PreviewSessionState& state, const PreviewSettings& settings) {
    const Error invalid(codes::kJobInvalid, messages::kPaperOrResolutionInvalid);
    if (settings.dpiX == 0 || settings.dpiY == 0 || !usablePaper(settings.paperWidthMm) ||
        !usablePaper(settings.paperHeightMm)) {
        return invalid;
    }
    if (settings.pageSelectionMode != 0) {
        const std::uint64_t pageCount = state.job.pages ? state.job.pages->size() : 0;
        if (selectPages(settings, pageCount).empty()) return Error(codes::kJobInvalid, messages::kPageRangeInvalid);
    }
    Dots dots;
    try {
        dots = toDots(settings);
    } catch (const std::invalid_argument&) {
        return invalid;
    } catch (const std::overflow_error&) {
        return invalid;
    }
    if (!printableAreaLeft(dots) || !printableAreaLeft(settings)) return Error(codes::kJobInvalid, messages::kMarginsTooLarge);

    jobs::PreparedJob job = state.job;
    auto& ticket = job.ticket;
    ticket.paperWidthMm = settings.paperWidthMm;
    ticket.paperHeightMm = settings.paperHeightMm;
    ticket.dpiX = settings.dpiX;
    ticket.dpiY = settings.dpiY;
    ticket.orientation = settings.landscape == 1 ? 1 : 0;
    ticket.marginLeft = static_cast<std::uint32_t>(dots.left);
    ticket.marginTop = static_cast<std::uint32_t>(dots.top);
    ticket.marginRight = static_cast<std::uint32_t>(dots.right);
    ticket.marginBottom = static_cast<std::uint32_t>(dots.bottom);
    if (state.targetPrinter && !isCompatible(job, *state.targetPrinter)) {
        return Error(codes::kPrinterChanged, messages::kCapabilitiesOrPageSizeChanged);
    }
    state.settings = settings;
    state.job = std::move(job);
    state.settingsError.reset();
    return {};
}

}  // namespace ks::preview

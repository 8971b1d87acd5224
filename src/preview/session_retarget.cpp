#include "preview/session_retarget.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>

#include "preview/job_compatibility.h"
#include "printing/mm_to_dots.h"
#include "protocol/error_catalog.h"

namespace ks::preview {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

using platform::Resolution;

Error changed(std::wstring_view message) { return Error(codes::kPrinterChanged, message); }

Resolution chooseResolution(const Resolution& session, const platform::PrinterCapabilities& printer) {
    const Resolution current{printer.dpiX, printer.dpiY};
    const auto& listed = printer.resolutions;
    if (listed.empty()) return current;
    const auto offered = [&](const Resolution& wanted) {
        return std::find(listed.begin(), listed.end(), wanted) != listed.end();
    };
    if (offered(session)) return session;
    if (offered(current)) return current;
    return listed.front();
}

std::int32_t rescaled(std::int32_t offset, std::uint32_t from, std::uint32_t to) {
    if (from == 0) throw std::invalid_argument("calibration offset at a resolution of 0");
    const double value = std::round(static_cast<double>(offset) * to / from);
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        throw std::overflow_error("calibration offset exceeds int32 range");
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t marginDots(double mm, std::uint32_t dpi) {
    const std::int32_t dots = printing::mmToDots(mm, dpi);
    if (dots < 0) throw std::invalid_argument("negative margin");
    return static_cast<std::uint32_t>(dots);
}

}  // namespace

Result<void> retargetSession(PreviewSessionState& state, const platform::PrinterCapabilities& printer) {
    const Resolution before{state.settings.dpiX, state.settings.dpiY};
    const Resolution chosen = chooseResolution(before, printer);
    if (chosen.dpiX == 0 || chosen.dpiY == 0) return changed(messages::kNoResolution);

    // Worked out on a copy: a refusal leaves the session as it was.
    PreviewSessionState next = state;
    auto& ticket = next.job.ticket;
    if (!(chosen == before)) {
        try {
            const auto& settings = next.settings;
            ticket.marginLeft = marginDots(settings.marginLeftMm, chosen.dpiX);
            ticket.marginRight = marginDots(settings.marginRightMm, chosen.dpiX);
            ticket.marginTop = marginDots(settings.marginTopMm, chosen.dpiY);
            ticket.marginBottom = marginDots(settings.marginBottomMm, chosen.dpiY);
            ticket.offsetX = rescaled(ticket.offsetX, before.dpiX, chosen.dpiX);
            ticket.offsetY = rescaled(ticket.offsetY, before.dpiY, chosen.dpiY);
        } catch (const std::exception&) {
            return changed(messages::kMarginConversionFailed);
        }
        next.settings.dpiX = ticket.dpiX = chosen.dpiX;
        next.settings.dpiY = ticket.dpiY = chosen.dpiY;
    }
    next.targetPrinter = printer;
    ticket.printerId = printer.printerId;
    ticket.capabilityHash = printer.capabilityHash;
    if (!isCompatible(next.job, printer)) return changed(messages::kCapabilitiesOrPageSizeChanged);
    state = std::move(next);
    return {};
}

}  // namespace ks::preview

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/printer_records.h"

namespace ks::printing {

// The page the client rendered for, in millimetres, and the orientation its
// ticket asks for.
struct RequestedPaper {
    double widthMm = 0;
    double heightMm = 0;
    bool landscape = false;
};

// A driver paper and the orientation to ask for so that the device page has
// the requested shape: a paper used turned by 90° is asked for in landscape.
struct PaperChoice {
    std::uint16_t paperId = 0;
    bool landscape = false;
};

// The driver paper that is the requested size, upright or turned, within
// 0.05 mm per side; the smallest deviation wins. nullopt when none is.
// Papers whose number does not fit a DEVMODE (above 32767) are never chosen.
[[nodiscard]] std::optional<PaperChoice> matchStandardPaper(const std::vector<platform::PaperSize>& papers,
                                                            const RequestedPaper& requested);

// The paper to print on when the driver accepts no paper of the requested
// size: the one that holds the largest share of the page (up to all of it),
// the smaller one on equal shares. nullopt when the list offers nothing.
[[nodiscard]] std::optional<PaperChoice> chooseFallbackPaper(const std::vector<platform::PaperSize>& papers,
                                                             const RequestedPaper& requested);

// The orientation to ask for with a paper defined at exactly the requested
// size (a custom size or form): portrait keeps the page's shape, so only a
// square page leaves the choice to the ticket.
[[nodiscard]] bool landscapeForExactSize(const RequestedPaper& requested);

// The name of the custom form registered for a size in tenths of a
// millimetre: KSRN_500x300 for 50 × 30 mm. Always fits dmFormName.
[[nodiscard]] std::wstring customFormName(int widthTenths, int heightTenths);

// The job's warning after the driver gave another paper than requested:
// the paper's size and whether the page was reduced to fit.
[[nodiscard]] std::wstring substitutedPaperWarning(double actualWidthMm, double actualHeightMm, double scale);

}  // namespace ks::printing

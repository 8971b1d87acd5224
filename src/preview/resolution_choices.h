#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/printer_records.h"

namespace ks::preview {

// The qualities the settings dialog offers and the one it selects.
struct ResolutionChoices {
    std::vector<platform::Resolution> resolutions;
    std::size_t selected = 0;
};

// The printer's resolutions with `current` selected; `current` is added
// when the printer lists none or does not list it, so the dialog can always
// show what the session uses.
[[nodiscard]] ResolutionChoices resolutionChoices(std::vector<platform::Resolution> offered,
                                                  platform::Resolution current);

// "300 DPI", or "600 × 300 DPI" when the two directions differ.
[[nodiscard]] std::wstring resolutionLabel(platform::Resolution resolution);

}  // namespace ks::preview

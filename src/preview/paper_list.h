#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/printer_records.h"

namespace ks::preview {

// One paper the settings dialog offers.
struct PaperEntry {
    double widthMm = 0;
    double heightMm = 0;
    std::wstring label;
};

// The standard papers offered after the printer's own, in list order.
[[nodiscard]] std::span<const PaperEntry> paperPresets();

// The printer's papers in its order, labelled "… mm（驱动）", then the
// presets; a paper equal (within 0.05 mm, either way round) to one already
// listed is left out, so a driver paper hides the preset of its size.
[[nodiscard]] std::vector<PaperEntry> buildPaperList(const std::vector<platform::PaperSize>& printerPapers);

// The first entry within 0.05 mm of `widthMm` × `heightMm` in the same
// orientation, if any.
[[nodiscard]] std::optional<std::size_t> findPaperEntry(const std::vector<PaperEntry>& papers, double widthMm,
                                                        double heightMm);

}  // namespace ks::preview

#pragma once

#include <optional>
#include <string_view>

namespace ks::preview {

struct PaperSizeMm {
    double widthMm = 0;
    double heightMm = 0;

    friend bool operator==(const PaperSizeMm&, const PaperSizeMm&) = default;
};

// A paper size typed by the user: "100 × 80 mm", "100x80", "100*80MM".
// Two plain decimal numbers, each finite and greater than 0, joined by "x",
// "X", "×" or "*"; blanks (spaces, tabs) may stand before each number and
// after each part; the unit, when given, is "m" or "mm" in either case.
// Nothing for anything else.
[[nodiscard]] std::optional<PaperSizeMm> parseCustomPaperSize(std::wstring_view text);

// A margin in millimetres: one plain decimal number ("5", "5.25", ".5"),
// finite and at least 0, with nothing else around it. Nothing otherwise.
[[nodiscard]] std::optional<double> parseMargin(std::wstring_view text);

// `paper` turned to the orientation: portrait keeps width ≤ height,
// landscape width ≥ height.
[[nodiscard]] PaperSizeMm orientPaper(PaperSizeMm paper, bool landscape);

}  // namespace ks::preview

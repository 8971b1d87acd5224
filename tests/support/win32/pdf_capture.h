#pragma once

// Pages printed into the cups-pdf queue "PDF" (scripts/setup --printer) and
// compared dot for dot. A test program runs twice under pdf_round_trip.sh:
// first it prints and leaves each PDF as <case>.pdf beside the raster it
// sent (<case>.expected.pgm, or <case>-<page>.expected.pgm) and the
// resolution (<case>.dpi); the script rasterises every page of the PDF into
// <case>-<page>.pgm; then the program compares.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ks::testing {

inline constexpr std::uint8_t kBlack = 0;
inline constexpr std::uint8_t kWhite = 255;
inline constexpr std::uint8_t kHalf = 127;  // half-transparent black, flattened onto white

// A grey image, one byte per dot.
struct Grey {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dots;
    std::uint8_t at(int x, int y) const { return dots[static_cast<std::size_t>(y) * width + x]; }
    // Dots off the image are dropped, so a pattern fits any size.
    void set(int x, int y, std::uint8_t value) {
        if (x >= 0 && x < width && y >= 0 && y < height) dots[static_cast<std::size_t>(y) * width + x] = value;
    }
};

// The test pattern: a one-dot frame, a one-dot checkerboard, bars 1 to 10
// dots wide, a corner block, and areas meant to be transparent (white on
// paper) and half transparent (grey 127). `mark` (0 to 9) adds that many
// blocks along the top edge, so that pages of one job can be told apart.
Grey pattern(int width, int height, int mark = 0);

void writePgm(const std::filesystem::path& path, const Grey& image);
std::optional<Grey> readPgm(const std::filesystem::path& path);

// Where cups-pdf writes: the Out line of its configuration, which
// scripts/setup points at the checkout's build/pdf.
std::filesystem::path pdfFolder();

std::set<std::filesystem::path> pdfsIn(const std::filesystem::path& folder);

// The next complete PDF of a document named "Kestrune" that was not among
// `before`; cups-pdf takes 0.2–3 s per job. nullopt after a minute.
std::optional<std::filesystem::path> awaitPdf(const std::filesystem::path& folder,
                                              const std::set<std::filesystem::path>& before);

// Counts the dots of `printed` that differ from `sent` placed at (originX,
// originY), leaving out the sent image's last row and column (a rasteriser
// may round the far edge by one dot) and whatever lies off the printed page.
// A dot also matches where it shows `either` (the other value a scaled dot
// may take, sized as `sent`). `firstDifferences` describes the first few.
int differingDots(const Grey& sent, const Grey& printed, int originX, int originY, std::string& firstDifferences,
                  const Grey* either = nullptr);

}  // namespace ks::testing

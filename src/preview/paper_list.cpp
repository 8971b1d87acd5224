#include "preview/paper_list.h"

#include <fmt/xchar.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ks::preview {
namespace {

constexpr double kSameSizeMm = 0.05;

bool sameSize(double widthMm, double heightMm, const PaperEntry& entry) {
    return std::abs(widthMm - entry.widthMm) < kSameSizeMm && std::abs(heightMm - entry.heightMm) < kSameSizeMm;
}

void addUnlisted(std::vector<PaperEntry>& papers, PaperEntry entry) {
    const bool listed = std::any_of(papers.begin(), papers.end(), [&](const PaperEntry& other) {
        return sameSize(entry.widthMm, entry.heightMm, other) || sameSize(entry.heightMm, entry.widthMm, other);
    });
    if (!listed) papers.push_back(std::move(entry));
}

}  // namespace

std::span<const PaperEntry> paperPresets() {
    static const std::array<PaperEntry, 24> presets{{
        {210, 297, L"A4（210 × 297 mm）"},
        {148, 210, L"A5（148 × 210 mm）"},
        {105, 148, L"A6 / 物流标签（105 × 148 mm）"},
        {101.6, 165.1, L"4 × 6.5 英寸标签（101.6 × 165.1 mm）"},
        {101.6, 152.4, L"4 × 6 英寸 / 物流标签（101.6 × 152.4 mm）"},
        {100, 150, L"物流标签（100 × 150 mm）"},
        {100, 100, L"标签（100 × 100 mm）"},
        {100, 80, L"标签（100 × 80 mm）"},
        {101.6, 50.8, L"4 × 2 英寸标签（101.6 × 50.8 mm）"},
        {100, 50, L"标签（100 × 50 mm）"},
        {80, 60, L"标签（80 × 60 mm）"},
        {80, 50, L"标签（80 × 50 mm）"},
        {76.2, 50.8, L"3 × 2 英寸标签（76.2 × 50.8 mm）"},
        {70, 50, L"标签（70 × 50 mm）"},
        {60, 40, L"标签（60 × 40 mm）"},
        {57.15, 101.6, L"2.25 × 4 英寸标签（57.15 × 101.6 mm）"},
        {57.15, 25.4, L"2.25 × 1 英寸标签（57.15 × 25.4 mm）"},
        {50.8, 50.8, L"2 × 2 英寸标签（50.8 × 50.8 mm）"},
        {50, 30, L"标签（50 × 30 mm）"},
        {50.8, 25.4, L"2 × 1 英寸标签（50.8 × 25.4 mm）"},
        {40, 30, L"标签（40 × 30 mm）"},
        {40, 20, L"标签（40 × 20 mm）"},
        {30, 20, L"标签（30 × 20 mm）"},
        {25, 15, L"标签（25 × 15 mm）"},
    }};
    return presets;
}

std::vector<PaperEntry> buildPaperList(const std::vector<platform::PaperSize>& printerPapers) {
    std::vector<PaperEntry> papers;
    for (const platform::PaperSize& paper : printerPapers) {
        const double width = paper.widthMicrometers / 1000.0;
        const double height = paper.heightMicrometers / 1000.0;
        addUnlisted(papers, {width, height, fmt::format(L"{:.1f} × {:.1f} mm（驱动）", width, height)});
    }
    for (const PaperEntry& preset : paperPresets()) addUnlisted(papers, preset);
    return papers;
}

std::optional<std::size_t> findPaperEntry(const std::vector<PaperEntry>& papers, double widthMm, double heightMm) {
    const auto found = std::find_if(papers.begin(), papers.end(),
                                    [&](const PaperEntry& entry) { return sameSize(widthMm, heightMm, entry); });
    if (found == papers.end()) return std::nullopt;
    return static_cast<std::size_t>(found - papers.begin());
}

}  // namespace ks::preview

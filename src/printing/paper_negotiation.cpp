#include "printing/paper_negotiation.h"

#include <fmt/xchar.h>

#include <algorithm>
#include <cmath>

namespace ks::printing {
namespace {

// dmPaperSize is a signed 16-bit field.
constexpr std::uint16_t kLargestDevmodePaper = 32767;
// A few units in the last place of the larger side: sizes that differ by
// less are the same size, whatever rounding produced them.
constexpr double kRelativeEpsilon = 8.881784197001252e-16;
constexpr double kMatchToleranceMicrometres = 50.0;

// How far a paper is from the requested size when used upright or turned;
// nullopt for an orientation that is not within tolerance.
struct Deviation {
    std::optional<double> upright;
    std::optional<double> turned;
};

Deviation deviationOf(const platform::PaperSize& paper, double widthUm, double heightUm, double tolerance) {
    const double paperWidth = paper.widthMicrometers;
    const double paperHeight = paper.heightMicrometers;
    const auto within = [tolerance](double a, double b) -> std::optional<double> {
        if (a > tolerance || b > tolerance) return std::nullopt;
        return a + b;
    };
    return {within(std::fabs(paperWidth - widthUm), std::fabs(paperHeight - heightUm)),
            within(std::fabs(paperHeight - widthUm), std::fabs(paperWidth - heightUm))};
}

// Which way round to ask for a paper that suits the page upright, turned, or
// both equally: only then does the ticket's own orientation decide.
bool askLandscape(bool uprightBetter, bool turnedBetter, bool ticketLandscape) {
    if (uprightBetter == turnedBetter) return ticketLandscape;
    return turnedBetter;
}

}  // namespace

std::optional<PaperChoice> matchStandardPaper(const std::vector<platform::PaperSize>& papers,
                                              const RequestedPaper& requested) {
    const double widthUm = requested.widthMm * 1000.0;
    const double heightUm = requested.heightMm * 1000.0;
    const double epsilon = std::max(widthUm, heightUm) * kRelativeEpsilon;
    const double tolerance = epsilon + kMatchToleranceMicrometres;

    std::optional<PaperChoice> best;
    double bestDeviation = 0;
    bool bestFlagMatches = false;
    for (const auto& paper : papers) {
        if (paper.paperId > kLargestDevmodePaper) continue;
        const Deviation deviation = deviationOf(paper, widthUm, heightUm, tolerance);
        if (!deviation.upright && !deviation.turned) continue;
        const double upright = deviation.upright.value_or(INFINITY);
        const double turned = deviation.turned.value_or(INFINITY);
        const double value = std::min(upright, turned);
        const bool flagMatches = paper.landscape == requested.landscape;
        // On an equal deviation, a later paper takes over only when it was
        // listed for the requested orientation and the earlier one was not.
        const bool better = !best || value < bestDeviation - epsilon ||
                            (std::fabs(value - bestDeviation) <= epsilon && flagMatches && !bestFlagMatches);
        if (!better) continue;
        best = PaperChoice{paper.paperId, askLandscape(upright <= turned, turned <= upright, requested.landscape)};
        bestDeviation = value;
        bestFlagMatches = flagMatches;
    }
    return best;
}

std::optional<PaperChoice> chooseFallbackPaper(const std::vector<platform::PaperSize>& papers,
                                               const RequestedPaper& requested) {
    std::optional<PaperChoice> best;
    double bestFit = -1;
    double bestArea = 0;
    for (const auto& paper : papers) {
        if (paper.paperId > kLargestDevmodePaper) continue;
        const double width = paper.widthMicrometers / 1000.0;
        const double height = paper.heightMicrometers / 1000.0;
        const double upright = std::min({1.0, width / requested.widthMm, height / requested.heightMm});
        const double turned = std::min({1.0, height / requested.widthMm, width / requested.heightMm});
        const double fit = std::max(upright, turned);
        const double area = width * height;
        if (fit < bestFit || (fit == bestFit && area >= bestArea)) continue;
        best = PaperChoice{paper.paperId, askLandscape(upright >= turned, turned >= upright, requested.landscape)};
        bestFit = fit;
        bestArea = area;
    }
    return best;
}

bool landscapeForExactSize(const RequestedPaper& requested) {
    return askLandscape(true, requested.widthMm == requested.heightMm, requested.landscape);
}

std::wstring customFormName(int widthTenths, int heightTenths) {
    return fmt::format(L"KSRN_{}x{}", widthTenths, heightTenths);
}

std::wstring substitutedPaperWarning(double actualWidthMm, double actualHeightMm, double scale) {
    const std::wstring size = scale < 0.999 ? fmt::format(L"已缩小至 {:.0f}%", scale * 100.0) : L"保持原尺寸";
    return fmt::format(L"请求纸张与实际纸张不一致，已使用打印机纸张 {:.1f} × {:.1f} mm；标签{}，从可打印区域左上角打印。",
                       actualWidthMm, actualHeightMm, size);
}

}  // namespace ks::printing

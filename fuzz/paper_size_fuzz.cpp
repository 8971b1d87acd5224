// Feeds arbitrary text, one byte a character (so 0xD7 is "×"), to the
// custom paper size and margin parsers. A size that parses is finite and
// greater than 0 both ways, a margin finite and at least 0; on short inputs
// what they accept must match a reference pattern built on std::wregex.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "preview/settings_input.h"

namespace {

bool positive(double value) { return std::isfinite(value) && value > 0; }

// The number of the reference patterns, read with wcstod.
double numberOf(const std::wstring& text) { return std::wcstod(text.c_str(), nullptr); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text(data, data + size);
    const auto paper = ks::preview::parseCustomPaperSize(text);
    if (paper && (!positive(paper->widthMm) || !positive(paper->heightMm))) std::abort();
    const auto margin = ks::preview::parseMargin(text);
    if (margin && (!std::isfinite(*margin) || *margin < 0)) std::abort();
    if (paper) {
        const auto upright = ks::preview::orientPaper(*paper, false);
        const auto lying = ks::preview::orientPaper(*paper, true);
        if (upright.widthMm > upright.heightMm || lying.widthMm < lying.heightMm) std::abort();
    }

    if (text.size() > 48) return 0;
    static const std::wregex sizePattern(
        L"^[ \t]*([0-9]+\\.?[0-9]*|\\.[0-9]+)[ \t]*[xX\u00D7*][ \t]*([0-9]+\\.?[0-9]*|\\.[0-9]+)[ \t]*([mM][mM]?)?[ "
        L"\t]*$");
    static const std::wregex marginPattern(L"^([0-9]+\\.?[0-9]*|\\.[0-9]+)$");
    std::wsmatch match;
    const bool sizeShaped = std::regex_match(text, match, sizePattern);
    const bool sizeExpected = sizeShaped && positive(numberOf(match[1].str())) && positive(numberOf(match[2].str()));
    if (paper.has_value() != sizeExpected) std::abort();
    if (paper && (paper->widthMm != numberOf(match[1].str()) || paper->heightMm != numberOf(match[2].str()))) {
        std::abort();
    }
    if (margin.has_value() != std::regex_match(text, marginPattern)) std::abort();
    return 0;
}

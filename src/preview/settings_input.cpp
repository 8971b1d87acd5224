#include "preview/settings_input.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

namespace ks::preview {
namespace {

bool blank(wchar_t c) { return c == L' ' || c == L'\t'; }

void skipBlanks(std::wstring_view& text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
}

bool digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Takes a plain decimal number (digits with at most one point, at least one
// digit) off the front of `text`. No sign, exponent, "inf" or hexadecimal:
// what strtod would also take is more than a user types for millimetres.
std::optional<double> takeNumber(std::wstring_view& text) {
    std::string ascii;
    bool point = false;
    bool anyDigit = false;
    std::size_t used = 0;
    for (; used < text.size(); ++used) {
        const wchar_t c = text[used];
        if (digit(c)) {
            anyDigit = true;
        } else if (c == L'.' && !point) {
            point = true;
        } else {
            break;
        }
        ascii.push_back(static_cast<char>(c));
    }
    if (!anyDigit) return std::nullopt;
    text.remove_prefix(used);
    // Too many digits overflow to infinity, which the callers refuse.
    return std::strtod(ascii.c_str(), nullptr);
}

bool takeSeparator(std::wstring_view& text) {
    if (text.empty()) return false;
    const wchar_t c = text.front();
    if (c != L'x' && c != L'X' && c != L'×' && c != L'*') return false;
    text.remove_prefix(1);
    return true;
}

// "m" or "mm" in either case, when there.
void skipMillimetreUnit(std::wstring_view& text) {
    const auto m = [](wchar_t c) { return c == L'm' || c == L'M'; };
    if (text.empty() || !m(text.front())) return;
    text.remove_prefix(1);
    if (!text.empty() && m(text.front())) text.remove_prefix(1);
}

bool positive(double value) { return std::isfinite(value) && value > 0; }

}  // namespace

std::optional<PaperSizeMm> parseCustomPaperSize(std::wstring_view text) {
    skipBlanks(text);
    const std::optional<double> width = takeNumber(text);
    if (!width || !positive(*width)) return std::nullopt;
    skipBlanks(text);
    if (!takeSeparator(text)) return std::nullopt;
    skipBlanks(text);
    const std::optional<double> height = takeNumber(text);
    if (!height || !positive(*height)) return std::nullopt;
    skipBlanks(text);
    skipMillimetreUnit(text);
    skipBlanks(text);
    if (!text.empty()) return std::nullopt;
    return PaperSizeMm{*width, *height};
}

std::optional<double> parseMargin(std::wstring_view text) {
    const std::optional<double> value = takeNumber(text);
    if (!value || !text.empty() || !std::isfinite(*value) || *value < 0) return std::nullopt;
    return value;
}

PaperSizeMm orientPaper(PaperSizeMm paper, bool landscape) {
    if (landscape ? paper.widthMm < paper.heightMm : paper.widthMm > paper.heightMm) {
        std::swap(paper.widthMm, paper.heightMm);
    }
    return paper;
}

}  // namespace ks::preview

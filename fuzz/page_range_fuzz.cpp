// Feeds arbitrary text to the page range parser. The first byte is the page
// count, every further byte one character (so 0xD7 is "×"). A range that
// parses must name sorted, distinct pages below the count, and on short
// inputs the parser must agree with a slow reference built on std::wregex.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "preview/page_selection.h"

namespace {

// A page number as the reference reads it: nothing when it cannot be a
// page of at most 255.
std::optional<std::uint64_t> referenceNumber(const std::wstring& digits) {
    const std::size_t first = digits.find_first_not_of(L'0');
    if (first == std::wstring::npos) return 0;
    if (digits.size() - first > 3) return std::nullopt;
    return std::stoull(digits.substr(first));
}

std::vector<std::uint64_t> referenceRange(const std::wstring& text, std::uint64_t pageCount) {
    static const std::wregex part(LR"(^[ \t]*([0-9]+)[ \t]*(?:-[ \t]*([0-9]+)[ \t]*)?$)");
    std::set<std::uint64_t> pages;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(L',', start);
        const std::wstring piece = text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        std::wsmatch match;
        if (!std::regex_match(piece, match, part)) return {};
        const auto first = referenceNumber(match[1].str());
        const auto last = match[2].matched ? referenceNumber(match[2].str()) : first;
        if (!first || !last || *first < 1 || *last < *first || *last > pageCount) return {};
        for (std::uint64_t page = *first; page <= *last; ++page) pages.insert(page - 1);
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return {pages.begin(), pages.end()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint64_t pageCount = data[0];
    const std::wstring text(data + 1, data + size);
    const std::vector<std::uint64_t> pages = ks::preview::parsePageRange(text, pageCount);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (pages[i] >= pageCount || (i > 0 && pages[i] <= pages[i - 1])) std::abort();
    }
    if (text.size() <= 64 && pages != referenceRange(text, pageCount)) std::abort();
    return 0;
}

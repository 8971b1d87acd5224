#include "preview/page_selection.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace ks::preview {
namespace {

std::wstring_view trimmed(std::wstring_view text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A whole unsigned decimal number; nothing for anything else or on overflow.
std::optional<std::uint64_t> pageNumber(std::wstring_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - L'0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

void sortUnique(std::vector<std::uint64_t>& pages) {
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
}

}  // namespace

std::vector<std::uint64_t> parsePageRange(std::wstring_view text, std::uint64_t pageCount) {
    if (text.empty() || text.back() == L',') return {};
    std::vector<std::uint64_t> pages;
    while (true) {
        const std::size_t comma = text.find(L',');
        const std::wstring_view part = trimmed(text.substr(0, comma));
        const std::size_t hyphen = part.find(L'-');
        const auto first = pageNumber(trimmed(part.substr(0, hyphen)));
        const auto last = hyphen == std::wstring_view::npos ? first : pageNumber(trimmed(part.substr(hyphen + 1)));
        if (!first || !last || *first < 1 || *last < *first || *last > pageCount) return {};
        // Bounded by the page count, whose pages all exist in memory.
        for (std::uint64_t page = *first; page <= *last; ++page) pages.push_back(page - 1);
        if (comma == std::wstring_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    sortUnique(pages);
    return pages;
}

std::vector<std::uint64_t> selectPages(const PreviewSettings& settings, std::uint64_t pageCount) {
    switch (settings.pageSelectionMode) {
        case 1: {
            std::vector<std::uint64_t> pages;
            std::copy_if(settings.selectedPages.begin(), settings.selectedPages.end(), std::back_inserter(pages),
                         [&](std::uint64_t page) { return page < pageCount; });
            sortUnique(pages);
            return pages;
        }
        case 2:
            return parsePageRange(settings.pageRangeText, pageCount);
        default: {
            std::vector<std::uint64_t> pages(pageCount);
            for (std::uint64_t page = 0; page < pageCount; ++page) pages[page] = page;
            return pages;
        }
    }
}

}  // namespace ks::preview

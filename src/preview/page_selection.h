#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "preview/preview_session.h"

namespace ks::preview {

// The 0-based pages `settings` chooses out of `pageCount`, ascending and each
// once: all pages, the selected ones that exist, or the page range text.
[[nodiscard]] std::vector<std::uint64_t> selectPages(const PreviewSettings& settings, std::uint64_t pageCount);

// Parses a page range such as "2-4, 1, 7" (1-based, inclusive) into sorted,
// unique 0-based indices below `pageCount`. Any part that is empty, malformed
// or outside 1…pageCount makes the whole result empty.
[[nodiscard]] std::vector<std::uint64_t> parsePageRange(std::wstring_view text, std::uint64_t pageCount);

}  // namespace ks::preview

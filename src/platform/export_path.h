#pragma once

#include <cstddef>
#include <string_view>

namespace ks::platform {

// The largest diagnostics text written to a file, in UTF-8 bytes.
inline constexpr std::size_t kMaximumExportBytes = 1'048'576;

// True for a path a diagnostics file may be written to: absolute (a drive
// letter, colon and separator, or a \\server\share root), no NUL, and a file
// name that is neither empty, "." nor ".." and names no alternate data
// stream. Device and namespace roots ("\\.\", "\\?\") are refused.
[[nodiscard]] bool isAcceptableExportPath(std::wstring_view path);

// True for a text that may be exported: 1 to kMaximumExportBytes bytes of
// well-formed UTF-8 whose only control characters are TAB, LF and CR.
[[nodiscard]] bool isExportableText(std::string_view utf8);

}  // namespace ks::platform

#pragma once

// Conversions at the boundary between UTF-8 (JSON, protocol identifiers) and
// wide text (everything shown on screen). Wide strings are UTF-16 where
// wchar_t has 16 bits (Windows) and UTF-32 elsewhere, so the same code serves
// the product and the native test build.

#include <optional>
#include <string>
#include <string_view>

namespace ks::protocol {

// Replaces every ill-formed UTF-8 sequence (stray continuation bytes, overlong
// forms, surrogates, values above U+10FFFF, truncated sequences) with U+FFFD.
// Each maximal ill-formed subpart becomes one replacement character.
std::string sanitizeUtf8(std::string_view text);

// True when the text is well-formed UTF-8 (no overlong forms, surrogates,
// values above U+10FFFF or truncated sequences).
bool isWellFormedUtf8(std::string_view text);

// Decodes UTF-8; nullopt when the text is not well-formed.
std::optional<std::wstring> utf8ToWideStrict(std::string_view text);

// Decodes UTF-8, replacing ill-formed sequences with U+FFFD.
std::wstring utf8ToWide(std::string_view text);

// Encodes wide text as UTF-8; unpaired surrogates and invalid code points
// become U+FFFD.
std::string wideToUtf8(std::wstring_view text);

}  // namespace ks::protocol

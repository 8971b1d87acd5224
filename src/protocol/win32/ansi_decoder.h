#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ks::protocol {

// Decodes bytes in the system ANSI code page (CP_ACP), refusing sequences
// that are invalid there.
std::optional<std::wstring> decodeAnsiCodePage(std::string_view bytes);

}  // namespace ks::protocol

#include "protocol/win32/ansi_decoder.h"

#include <windows.h>

#include <climits>

namespace ks::protocol {

std::optional<std::wstring> decodeAnsiCodePage(std::string_view bytes) {
    if (bytes.empty()) return std::wstring{};
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    const int byteCount = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), byteCount, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), byteCount, text.data(), length) != length) {
        return std::nullopt;
    }
    return text;
}

}  // namespace ks::protocol

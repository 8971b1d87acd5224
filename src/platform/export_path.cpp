#include "platform/export_path.h"

#include <algorithm>
#include <cstddef>

#include "protocol/utf8.h"

namespace ks::platform {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "\\server\share\" with a real server name: "\\.\" and "\\?\" open devices
// and raw namespaces, never a place for a report.
bool hasUncRoot(std::wstring_view path) {
    if (path.size() < 2 || !isSeparator(path[0]) || !isSeparator(path[1])) return false;
    const std::size_t serverEnd = path.find_first_of(L"\\/", 2);
    if (serverEnd == std::wstring_view::npos) return false;
    const std::wstring_view server = path.substr(2, serverEnd - 2);
    if (server.empty() || server == L"." || server == L"?") return false;
    const std::size_t shareEnd = path.find_first_of(L"\\/", serverEnd + 1);
    return shareEnd != std::wstring_view::npos && shareEnd > serverEnd + 1;
}

bool hasAbsoluteRoot(std::wstring_view path) {
    return (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && isSeparator(path[2])) || hasUncRoot(path);
}

}  // namespace

bool isAcceptableExportPath(std::wstring_view path) {
    if (path.find(L'\0') != std::wstring_view::npos) return false;
    // Every root ends with a separator, so the last one is never missing.
    if (!hasAbsoluteRoot(path)) return false;
    const std::wstring_view fileName = path.substr(path.find_last_of(L"\\/") + 1);
    return !fileName.empty() && fileName != L"." && fileName != L".." && fileName.find(L':') == std::wstring_view::npos;
}

bool isExportableText(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > kMaximumExportBytes) return false;
    const bool onlyAllowedControls = std::ranges::all_of(utf8, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r';
    });
    return onlyAllowedControls && protocol::isWellFormedUtf8(utf8);
}

}  // namespace ks::platform

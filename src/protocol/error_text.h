#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ks::protocol {

// message + " (Win32=<number>)": the decoration of messages caused by a
// failing Windows call. Pass the error number taken right after that call.
std::wstring withWin32Suffix(std::wstring_view message, std::uint32_t win32Error);

// Decodes bytes in the system's ANSI code page; nullopt when they are not
// valid there. Windows supplies one; elsewhere there is none.
using AnsiDecoder = std::function<std::optional<std::wstring>(std::string_view)>;

// The text of an exception as shown to users: UTF-8 when it is well-formed,
// else the ANSI code page; a fixed text when it is empty or undecodable.
std::wstring exceptionText(const char* what, const AnsiDecoder& decodeAnsi);

}  // namespace ks::protocol

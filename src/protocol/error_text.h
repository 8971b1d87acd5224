#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/result.h"

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

// How a failing operation reports the exception that ended it.
struct ExceptionErrors {
    std::string_view code;
    std::wstring_view prefix;   // followed by the exception's text
    std::wstring_view unknown;  // for what is no standard exception
    std::string_view outOfMemoryCode;
    std::wstring_view outOfMemory;
};

// The exception being handled as an Error; call only inside a catch block.
Error currentExceptionError(const ExceptionErrors& errors, const AnsiDecoder& decodeAnsi);

}  // namespace ks::protocol

#include "protocol/error_text.h"

#include <exception>
#include <new>

#include "protocol/error_catalog.h"
#include "protocol/utf8.h"

namespace ks::protocol {

std::wstring withWin32Suffix(std::wstring_view message, std::uint32_t win32Error) {
    std::wstring text(message);
    text += L" (Win32=";
    text += std::to_wstring(win32Error);
    text += L")";
    return text;
}

Error currentExceptionError(const ExceptionErrors& errors, const AnsiDecoder& decodeAnsi) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return Error(errors.outOfMemoryCode, errors.outOfMemory);
    } catch (const std::exception& exception) {
        return Error(errors.code, std::wstring(errors.prefix) + exceptionText(exception.what(), decodeAnsi));
    } catch (...) {
        return Error(errors.code, errors.unknown);
    }
}

std::wstring exceptionText(const char* what, const AnsiDecoder& decodeAnsi) {
    const std::string_view bytes = what == nullptr ? std::string_view{} : std::string_view{what};
    if (bytes.empty()) return std::wstring(messages::kExceptionDetailMissing);
    if (auto text = utf8ToWideStrict(bytes)) return std::move(*text);
    if (decodeAnsi) {
        if (auto text = decodeAnsi(bytes)) return std::move(*text);
    }
    return std::wstring(messages::kExceptionDetailUndecodable);
}

}  // namespace ks::protocol

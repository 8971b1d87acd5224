#pragma once

// The two texts behind a printer's opaque values: the identity text, whose
// digest is the printerId, and the capability text, whose digest is the
// capabilityHash. Both digests are 64 lower-case hexadecimal characters.
//
// Converting a name to UTF-8 refuses ill-formed wide text (an unpaired
// surrogate, or on 32-bit wchar_t a surrogate value or one above U+10FFFF)
// with std::runtime_error "Unable to convert printer identity to UTF-8".

#include <optional>
#include <string>
#include <string_view>

#include "platform/printer_records.h"

namespace ks::printers {

// The fixed set of characters trimmed from identity parts; independent of
// the process locale.
bool isIdentityWhiteSpace(wchar_t c) noexcept;

// Upper case for identity parts: ASCII a–z only, independent of the process
// locale; every other character is returned unchanged.
wchar_t toIdentityUpper(wchar_t c) noexcept;

// Leading and trailing white space dropped, the rest upper-cased. All white
// space gives the empty string.
std::wstring normaliseIdentityPart(std::wstring_view value);

// UTF-8 of well-formed wide text; throws as described above.
std::string identityPartToUtf8(std::wstring_view value);

// "name=…\ndriver=…\nport=…\n" over the normalised name, driver and port.
std::string identityText(const platform::PrinterInfo& printer);
std::string printerIdOf(const platform::PrinterInfo& printer);
// The printer id, or nullopt when the name, driver or port is ill-formed
// and the printer therefore has no id.
std::optional<std::string> printerIdIfAny(const platform::PrinterInfo& printer);

// Driver, port (both as they are), device values, papers in driver order
// and resolutions sorted; neither the printer name nor the status is part of
// it.
std::string capabilityText(const platform::PrinterCapabilities& capabilities);
std::string capabilityHashOf(const platform::PrinterCapabilities& capabilities);

}  // namespace ks::printers

#pragma once

#include <windows.h>

#include <string>

#include "printing/win32/gdi_print_functions.h"
#include "protocol/result.h"

namespace ks::printing {

// Makes sure the queue has the user form `formName` of exactly width ×
// height tenths of a millimetre: an existing form of that size is used as
// it is, an absent one is registered through a handle opened with
// administrative access (closed again on every path). A form of that name
// with another size is an error, never silently reused. Errors are KSR-2009
// with the queue, the form and the Win32 number in the text.
[[nodiscard]] Result<void> ensureCustomForm(const GdiPrintFunctions& functions, HANDLE printer,
                                            const std::wstring& printerName, const std::wstring& formName,
                                            int widthTenths, int heightTenths);

}  // namespace ks::printing

#include "platform/win32/printer_properties_launcher.h"

#include <winspool.h>

#include "platform/win32/gdi_handles.h"
#include "protocol/error_catalog.h"

namespace ks::platform {
namespace {

// The window shows its own text for this failure; the Win32 number would
// tell the user nothing more.
Error propertiesFailed() {
    return Error(protocol::codes::kPrinterChanged, protocol::messages::kPrinterPropertiesFailed);
}

}  // namespace

PrinterPropertiesFunctions systemPrinterPropertiesFunctions() {
    return {::OpenPrinterW, ::PrinterProperties, ::ClosePrinter};
}

Result<bool> PrinterPropertiesLauncher::Open(HWND owner, const std::wstring& printerName) {
    HANDLE opened = nullptr;
    // OpenPrinterW takes the name as a non-const pointer; it does not write.
    std::wstring name = printerName;
    if (!functions_.openPrinter(name.data(), &opened, nullptr)) return propertiesFailed();
    const PrinterHandleOwner printer(opened, functions_.closePrinter);
    if (!functions_.printerProperties(owner, printer.get())) return propertiesFailed();
    return true;
}

}  // namespace ks::platform

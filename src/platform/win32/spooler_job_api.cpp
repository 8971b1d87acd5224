#include "platform/win32/spooler_job_api.h"

#include <winspool.h>

#include "platform/win32/gdi_handles.h"
#include "protocol/error_catalog.h"
#include "protocol/error_text.h"

namespace ks::platform {

SpoolerJobFunctions systemSpoolerJobFunctions() { return {::OpenPrinterW, ::SetJobW, ::ClosePrinter}; }

Result<bool> SpoolerJobApi::cancel(const std::wstring& printerName, std::uint32_t windowsJobId) {
    HANDLE opened = nullptr;
    // OpenPrinterW takes the name as a non-const pointer; it does not write.
    std::wstring name = printerName;
    if (!functions_.openPrinter(name.data(), &opened, nullptr)) {
        return Error(protocol::codes::kCancelOpenFailed,
                     protocol::withWin32Suffix(protocol::messages::kCancelOpenFailed, ::GetLastError()));
    }
    const PrinterHandleOwner printer(opened, functions_.closePrinter);
    if (!functions_.setJob(printer.get(), windowsJobId, 0, nullptr, JOB_CONTROL_CANCEL)) {
        return Error(protocol::codes::kCancelRefused,
                     protocol::withWin32Suffix(protocol::messages::kCancelRefused, ::GetLastError()));
    }
    return true;
}

}  // namespace ks::platform

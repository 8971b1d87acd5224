#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/printer_records.h"
#include "platform/win32/gdi_handles.h"
#include "platform/winspool_api.h"
#include "protocol/result.h"

namespace ks::platform {

// The spooler and GDI calls WinspoolApi makes, replaceable so that its logic
// (status mapping, filtering, paper and resolution assembly, error numbers)
// can be driven by fakes. Each has the exact signature of the Windows function
// it stands for. The last error is read with ::GetLastError right after each
// call, so a fake reports failure the way Windows does: ::SetLastError.
struct WinspoolFunctions {
    std::function<decltype(::GetDefaultPrinterW)> getDefaultPrinter;
    std::function<decltype(::EnumPrintersW)> enumPrinters;
    std::function<decltype(::OpenPrinterW)> openPrinter;
    std::function<decltype(::ClosePrinter)> closePrinter;
    std::function<decltype(::DocumentPropertiesW)> documentProperties;
    std::function<decltype(::CreateDCW)> createDC;
    std::function<decltype(::DeleteDC)> deleteDC;
    std::function<decltype(::GetDeviceCaps)> getDeviceCaps;
    std::function<decltype(::DeviceCapabilitiesW)> deviceCapabilities;
};

// The real functions of winspool and gdi32.
WinspoolFunctions systemWinspoolFunctions();

// PRINTER_INFO_2W Status bits to the service's status; the first matching rule
// wins, so offline outranks paused, paused outranks paper-out, and paper-out
// outranks the error bits.
[[nodiscard]] PrinterStatus printerStatusFromSpooler(DWORD spoolerStatus) noexcept;

// IWinspoolApi over the Windows spooler. Holds nothing but the function
// table; every call opens and releases its own printer handle and device
// context, on every path, so any thread may call at any time.
class WinspoolApi final : public IWinspoolApi {
public:
    explicit WinspoolApi(WinspoolFunctions functions);

    std::wstring defaultPrinterName() override;
    Result<std::vector<PrinterInfo>> enumeratePrinters() override;
    Result<PrinterCapabilities> queryCapabilities(const PrinterInfo& info) override;

    // OpenPrinterW with no defaults; KSR-2002 with the Win32 suffix when the
    // printer cannot be opened. The handle is closed through this object's
    // function table, so it must not outlive the WinspoolApi.
    [[nodiscard]] Result<PrinterHandleOwner> openPrinter(std::wstring_view name) const;

private:
    [[nodiscard]] std::vector<PaperSize> readPapers(const PrinterInfo& info, const DEVMODEW& devmode) const;
    [[nodiscard]] std::vector<Resolution> readResolutions(const PrinterInfo& info, const DEVMODEW& devmode) const;

    WinspoolFunctions functions_;
};

}  // namespace ks::platform

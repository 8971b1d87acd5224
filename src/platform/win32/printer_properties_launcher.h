#pragma once

#include <windows.h>
#include <winspool.h>

#include <functional>
#include <string>
#include <utility>

#include "protocol/result.h"

namespace ks::platform {

// Opens a printer driver's own properties dialog.
class IPrinterPropertiesLauncher {
public:
    IPrinterPropertiesLauncher() = default;
    IPrinterPropertiesLauncher(const IPrinterPropertiesLauncher&) = delete;
    IPrinterPropertiesLauncher& operator=(const IPrinterPropertiesLauncher&) = delete;
    virtual ~IPrinterPropertiesLauncher() = default;

    // Shows the driver's properties dialog of the queue `printerName`, owned
    // by `owner`, and returns when the user closed it (the calling thread
    // keeps dispatching messages meanwhile). True when the dialog was shown
    // and closed normally; KSR-2007 when the queue cannot be opened or the
    // dialog cannot be shown. UI thread only.
    [[nodiscard]] virtual Result<bool> Open(HWND owner, const std::wstring& printerName) = 0;
};

// The spooler functions PrinterPropertiesLauncher calls.
struct PrinterPropertiesFunctions {
    std::function<decltype(::OpenPrinterW)> openPrinter;
    std::function<decltype(::PrinterProperties)> printerProperties;
    std::function<decltype(::ClosePrinter)> closePrinter;
};

PrinterPropertiesFunctions systemPrinterPropertiesFunctions();

class PrinterPropertiesLauncher final : public IPrinterPropertiesLauncher {
public:
    explicit PrinterPropertiesLauncher(PrinterPropertiesFunctions functions) : functions_(std::move(functions)) {}

    [[nodiscard]] Result<bool> Open(HWND owner, const std::wstring& printerName) override;

private:
    PrinterPropertiesFunctions functions_;
};

}  // namespace ks::platform

#pragma once

#include <string>
#include <vector>

#include "platform/printer_records.h"
#include "protocol/result.h"

namespace ks::platform {

// The only door to the spooler's printer lists and device capabilities. The
// implementation holds no state: every call opens and closes its own handles,
// so any thread may call at any time.
class IWinspoolApi {
public:
    IWinspoolApi() = default;
    IWinspoolApi(const IWinspoolApi&) = delete;
    IWinspoolApi& operator=(const IWinspoolApi&) = delete;
    virtual ~IWinspoolApi() = default;

    // The user's default printer, or empty when there is none or it cannot
    // be read. Never fails.
    virtual std::wstring defaultPrinterName() = 0;

    // The installed printers in spooler order; KSR-2003 when the spooler
    // cannot list them.
    virtual Result<std::vector<PrinterInfo>> enumeratePrinters() = 0;

    // The device capabilities of one printer at its default settings, with
    // printerId and capabilityHash left empty; KSR-2002, KSR-2004, KSR-2005
    // or KSR-2006 on failure.
    virtual Result<PrinterCapabilities> queryCapabilities(const PrinterInfo& info) = 0;
};

}  // namespace ks::platform

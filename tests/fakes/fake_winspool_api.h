#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/printer_records.h"
#include "platform/winspool_api.h"
#include "protocol/result.h"

namespace ks::fakes {

// A spooler whose printers, default printer and per-queue capabilities are
// scripted by the test. Like the real adapter, queryCapabilities copies name,
// driver, port and status from the PrinterInfo it is given and leaves
// printerId and capabilityHash empty. Script it before handing it out; it
// has no lock of its own.
class FakeWinspoolApi final : public platform::IWinspoolApi {
public:
    std::wstring defaultPrinterName() override { return defaultName; }

    Result<std::vector<platform::PrinterInfo>> enumeratePrinters() override {
        ++enumerateCalls;
        if (enumerationError) return *enumerationError;
        return printers;
    }

    Result<platform::PrinterCapabilities> queryCapabilities(const platform::PrinterInfo& info) override {
        queried.push_back(info);
        const auto found = capabilitiesByName_.find(info.name);
        // The spooler's answer for a queue that does not exist (Win32 1801,
        // ERROR_INVALID_PRINTER_NAME).
        if (found == capabilitiesByName_.end()) return Error("KSR-2002", L"无法打开打印机 (Win32=1801)");
        if (!found->second) return found->second.error();
        platform::PrinterCapabilities record = found->second.value();
        record.name = info.name;
        record.driverName = info.driverName;
        record.portName = info.portName;
        record.status = info.status;
        return record;
    }

    // The device values reported for the queue called `name`.
    void setCapabilities(const std::wstring& name, platform::PrinterCapabilities device) {
        capabilitiesByName_.insert_or_assign(name, Result<platform::PrinterCapabilities>(std::move(device)));
    }
    void failCapabilities(const std::wstring& name, Error error) {
        capabilitiesByName_.insert_or_assign(name, Result<platform::PrinterCapabilities>(std::move(error)));
    }

    // Scripted answers.
    std::wstring defaultName;
    std::vector<platform::PrinterInfo> printers;
    std::optional<Error> enumerationError;

    // What was asked.
    int enumerateCalls = 0;
    std::vector<platform::PrinterInfo> queried;

private:
    std::map<std::wstring, Result<platform::PrinterCapabilities>> capabilitiesByName_;
};

}  // namespace ks::fakes

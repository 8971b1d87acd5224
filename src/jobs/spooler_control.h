#pragma once

#include <cstdint>
#include <string_view>

#include "platform/spooler_job_api.h"
#include "printers/printer_catalog.h"
#include "protocol/result.h"

namespace ks::jobs {

// Cancels a job the spooler has accepted, on the queue of its printer.
class ISpoolerControl {
public:
    ISpoolerControl() = default;
    ISpoolerControl(const ISpoolerControl&) = delete;
    ISpoolerControl& operator=(const ISpoolerControl&) = delete;
    virtual ~ISpoolerControl() = default;

    // True when the spooler accepted the cancel. KSR-2001 when no installed
    // printer has `printerId` any more; spooler errors pass through.
    [[nodiscard]] virtual Result<bool> cancel(std::string_view printerId, std::uint32_t windowsJobId) = 0;
};

// Finds the queue by the printer's identity alone: a listing names every
// queue without opening it, so a printer whose device context cannot be
// made at the moment (driver busy, device off) can still have its jobs
// cancelled.
class SpoolerControl final : public ISpoolerControl {
public:
    SpoolerControl(printers::PrinterCatalog& catalog, platform::ISpoolerJobApi& jobs) noexcept
        : catalog_(catalog), jobs_(jobs) {}

    [[nodiscard]] Result<bool> cancel(std::string_view printerId, std::uint32_t windowsJobId) override;

private:
    printers::PrinterCatalog& catalog_;
    platform::ISpoolerJobApi& jobs_;
};

}  // namespace ks::jobs

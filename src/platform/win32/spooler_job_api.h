#pragma once

#include <windows.h>

#include <functional>

#include "platform/spooler_job_api.h"

namespace ks::platform {

// The spooler functions SpoolerJobApi calls.
struct SpoolerJobFunctions {
    std::function<decltype(::OpenPrinterW)> openPrinter;
    std::function<decltype(::SetJobW)> setJob;
    std::function<decltype(::ClosePrinter)> closePrinter;
};

SpoolerJobFunctions systemSpoolerJobFunctions();

class SpoolerJobApi final : public ISpoolerJobApi {
public:
    explicit SpoolerJobApi(SpoolerJobFunctions functions) : functions_(std::move(functions)) {}

    [[nodiscard]] Result<bool> cancel(const std::wstring& printerName, std::uint32_t windowsJobId) override;

private:
    SpoolerJobFunctions functions_;
};

}  // namespace ks::platform

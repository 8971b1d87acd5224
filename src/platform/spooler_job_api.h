#pragma once

#include <cstdint>
#include <string>

#include "protocol/result.h"

namespace ks::platform {

// Job control on a print queue.
class ISpoolerJobApi {
public:
    ISpoolerJobApi() = default;
    ISpoolerJobApi(const ISpoolerJobApi&) = delete;
    ISpoolerJobApi& operator=(const ISpoolerJobApi&) = delete;
    virtual ~ISpoolerJobApi() = default;

    // Asks the queue `printerName` to cancel its job `windowsJobId`. True when
    // the spooler accepted; KSR-4008 when the queue cannot be opened, KSR-4009
    // when it refuses, both with the Win32 number. Any thread may call.
    [[nodiscard]] virtual Result<bool> cancel(const std::wstring& printerName, std::uint32_t windowsJobId) = 0;
};

}  // namespace ks::platform

#pragma once

#include <string_view>

#include "platform/printer_records.h"
#include "protocol/result.h"

namespace ks::printing {

// Fresh capabilities of a printer by its printer id, for the checks made
// before a job is prepared and printed.
class ICapabilitySource {
public:
    ICapabilitySource() = default;
    ICapabilitySource(const ICapabilitySource&) = delete;
    ICapabilitySource& operator=(const ICapabilitySource&) = delete;
    virtual ~ICapabilitySource() = default;

    // The printer's capabilities with printerId and capabilityHash filled;
    // KSR-2001 when no installed printer has that id, or the spooler's error.
    virtual Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) = 0;
};

}  // namespace ks::printing

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/command.h"

namespace ks::protocol {

struct PageReference {
    std::uint32_t widthDots = 0;
    std::uint32_t heightDots = 0;
    std::string format;
    std::uint32_t blobIndex = 0;  // index into the frame's blob list

    friend bool operator==(const PageReference&, const PageReference&) = default;
};

// The payload of jobs.print, jobs.preview and jobs.preview.complete.
struct PrintJobRequest {
    std::string clientJobId;
    std::string name;
    std::string printerId;
    std::uint32_t copies = 0;
    double widthMm = 0;
    double heightMm = 0;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    std::string capabilityHash;
    std::vector<PageReference> pages;
    bool allowPrinterReselect = false;
};

// A request that passed validation.
struct ProtocolRequest {
    std::uint32_t protocol = 0;
    std::string requestId;
    std::string callerId;
    std::int64_t timestampUtcMs = 0;
    CommandId command = CommandId::SystemHello;
    std::optional<PrintJobRequest> job;
    std::optional<std::string> printerId;
    std::optional<std::string> clientJobId;
};

}  // namespace ks::protocol

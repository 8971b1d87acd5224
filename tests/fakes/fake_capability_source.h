#pragma once

#include <string>
#include <vector>
#include <string_view>

#include "platform/printer_records.h"
#include "printing/capability_source.h"
#include "protocol/result.h"

namespace ks::fakes {

// A capability source that answers every id with the scripted record (or
// error) and remembers the ids it was asked for.
class FakeCapabilitySource final : public printing::ICapabilitySource {
public:
    Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) override {
        askedFor.emplace_back(printerId);
        return record;
    }

    Result<platform::PrinterCapabilities> record = platform::PrinterCapabilities{};
    std::vector<std::string> askedFor;
};

}  // namespace ks::fakes

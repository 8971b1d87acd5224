#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "protocol/result.h"

namespace ks::jobs {

// Values outside the named ones are reported as "Unknown".
enum class JobState : std::uint32_t {
    Created = 0,
    Previewing = 1,
    Validating = 2,
    Spooling = 3,
    Queued = 4,
    Printing = 5,
    Completed = 6,
    Failed = 7,
    Cancelled = 8,
};

// One job per client job id, kept for the life of the process.
struct JobRecord {
    std::string jobId;  // "ks-job-" and a decimal number
    std::string clientJobId;
    std::string contentHash;  // 64 lower-case hex characters
    std::string printerId;
    JobState state = JobState::Created;
    std::uint32_t windowsJobId = 0;  // 0 until the spooler accepted the document
    std::optional<Error> error;
    std::optional<std::wstring> warning;
};

}  // namespace ks::jobs

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

// What the status window shows of the most recent job.
struct LatestJobStatus {
    JobState state = JobState::Created;
    std::uint32_t windowsJobId = 0;
    std::string errorCode;         // a KSR-1xxx to KSR-4xxx code, else empty
    std::uint32_t errorClass = 0;  // 0 without error, the code's first digit (1–4), or 6 for any other error

    friend bool operator==(const LatestJobStatus&, const LatestJobStatus&) = default;
};

[[nodiscard]] LatestJobStatus latestJobStatusOf(const JobRecord& record);

}  // namespace ks::jobs

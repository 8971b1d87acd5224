#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "jobs/job_record.h"
#include "platform/mutex.h"

namespace ks::jobs {

// Every job of the process by client job id, never removed, and the summary
// of the record stored last. Each operation takes the store's own lock; any
// thread may call.
class JobStore {
public:
    JobStore() = default;
    JobStore(const JobStore&) = delete;
    JobStore& operator=(const JobStore&) = delete;

    [[nodiscard]] std::optional<JobRecord> find(const std::string& clientJobId) const;
    // Inserts the record or replaces the one of the same client job id.
    void put(const JobRecord& record);
    // Gives the stored record of `clientJobId` the outcome of its print, in
    // place and without allocating, so that a job never stays Spooling
    // because memory ran out after the spooler took its document.
    void settle(const std::string& clientJobId, JobState state, std::uint32_t windowsJobId,
                std::optional<Error> error, std::optional<std::wstring> warning) noexcept;
    [[nodiscard]] std::optional<LatestJobStatus> latest() const;

private:
    mutable platform::RecursiveMutex mutex_;
    std::unordered_map<std::string, JobRecord> records_ KS_GUARDED_BY(mutex_);
    std::optional<LatestJobStatus> latest_ KS_GUARDED_BY(mutex_);
};

}  // namespace ks::jobs

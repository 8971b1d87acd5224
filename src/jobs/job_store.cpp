#include "jobs/job_store.h"

#include <utility>

namespace ks::jobs {

using Lock = platform::MutexLock<platform::RecursiveMutex>;

std::optional<JobRecord> JobStore::find(const std::string& clientJobId) const {
    const Lock lock(mutex_);
    const auto found = records_.find(clientJobId);
    if (found == records_.end()) return std::nullopt;
    return found->second;
}

void JobStore::put(const JobRecord& record) {
    const Lock lock(mutex_);
    records_.insert_or_assign(record.clientJobId, record);
    latest_ = latestJobStatusOf(record);
}

void JobStore::settle(const std::string& clientJobId, JobState state, std::uint32_t windowsJobId,
                      std::optional<Error> error, std::optional<std::wstring> warning) noexcept {
    const Lock lock(mutex_);
    const auto found = records_.find(clientJobId);
    if (found == records_.end()) return;
    JobRecord& record = found->second;
    record.state = state;
    record.windowsJobId = windowsJobId;
    record.error = std::move(error);
    record.warning = std::move(warning);
    // Error codes are eight characters: the summary's copy stays within the
    // string's own buffer.
    latest_ = latestJobStatusOf(record);
}

std::optional<LatestJobStatus> JobStore::latest() const {
    const Lock lock(mutex_);
    return latest_;
}

}  // namespace ks::jobs

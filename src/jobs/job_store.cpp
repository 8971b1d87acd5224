#include "jobs/job_store.h"

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

std::optional<LatestJobStatus> JobStore::latest() const {
    const Lock lock(mutex_);
    return latest_;
}

}  // namespace ks::jobs

#include "jobs/job_manager.h"

#include <exception>
#include <new>
#include <utility>

#include "protocol/error_catalog.h"

namespace ks::jobs {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

using Lock = platform::MutexLock<platform::RecursiveMutex>;

Error conflictError() { return Error(codes::kClientJobIdConflict, messages::kClientJobIdConflict); }
Error jobIdError() { return Error(codes::kJobIdInvalid, messages::kJobIdInvalid); }
Error notFoundError() { return Error(codes::kJobNotFound, messages::kJobNotFound); }

}  // namespace

JobManager::JobManager(printing::IPrintExecutor& executor, ISpoolerControl& spooler, protocol::AnsiDecoder decodeAnsi)
    : executor_(executor), spooler_(spooler), decodeAnsi_(std::move(decodeAnsi)) {}

JobRecord JobManager::newRecord(const std::string& clientJobId, const std::string& contentHash,
                                const std::string& printerId, JobState state) {
    JobRecord record;
    // Taken only for a record that is inserted: a refused submission leaves
    // no gap in the numbering.
    record.jobId = "ks-job-" + std::to_string(counter_.fetch_add(1));
    record.clientJobId = clientJobId;
    record.contentHash = contentHash;
    record.printerId = printerId;
    record.state = state;
    return record;
}

Result<JobRecord> JobManager::registerPreview(const std::string& clientJobId, const std::string& contentHash,
                                              const std::string& printerId) {
    if (clientJobId.empty() || contentHash.empty()) return jobIdError();
    const Lock submission(submissionMutex_);
    if (auto stored = store_.find(clientJobId)) {
        if (stored->contentHash != contentHash) return conflictError();
        return std::move(*stored);
    }
    JobRecord record = newRecord(clientJobId, contentHash, printerId, JobState::Previewing);
    store_.put(record);
    return record;
}

Result<JobRecord> JobManager::submit(const std::string& clientJobId, const std::string& contentHash,
                                     const printing::PrintTicket& ticket, const raster::RasterPageList& pages) {
    if (clientJobId.empty() || contentHash.empty()) return jobIdError();
    if (!pages) return Error(codes::kJobInvalid, messages::kPrintPagesMissing);
    if (pages->empty()) return Error(codes::kJobInvalid, messages::kPrintPagesEmpty);

    {
        const Lock submission(submissionMutex_);
        JobRecord record;
        if (auto stored = store_.find(clientJobId)) {
            if (stored->contentHash != contentHash) return conflictError();
            // Printing, printed, failed or cancelled: never a second print.
            if (stored->state != JobState::Previewing) return std::move(*stored);
            record = std::move(*stored);
            record.printerId = ticket.printerId;
            record.state = JobState::Validating;
        } else {
            record = newRecord(clientJobId, contentHash, ticket.printerId, JobState::Validating);
        }
        store_.put(record);
        store_.settle(clientJobId, JobState::Spooling, 0, std::nullopt, std::nullopt);
    }

    const Lock printLock(printMutex_);
    auto printed = printPages(ticket, pages);
    // Settled without allocating: whatever runs out of memory from here on
    // (the answer's copy) leaves a record that tells what the spooler did.
    if (printed) {
        store_.settle(clientJobId, JobState::Queued, printed.value(), std::nullopt, takeWarning());
    } else {
        store_.settle(clientJobId, JobState::Failed, 0, std::move(printed).error(), std::nullopt);
    }
    return status(clientJobId);
}

std::optional<std::wstring> JobManager::takeWarning() noexcept {
    try {
        return executor_.takeLastWarning();
    } catch (...) {
        // The document is queued; only the driver's remark is lost.
        return std::nullopt;
    }
}

Result<std::uint32_t> JobManager::printPages(const printing::PrintTicket& ticket, const raster::RasterPageList& pages) {
    try {
        return executor_.print(ticket, pages);
    } catch (...) {
        return protocol::currentExceptionError({codes::kSubmissionFailed, messages::kDriverCallFailedPrefix,
                                                messages::kDriverCallFailedUnknown, codes::kOutOfMemory,
                                                messages::kPrintOutOfMemory},
                                               decodeAnsi_);
    }
}

Result<JobRecord> JobManager::status(const std::string& clientJobId) const {
    auto stored = store_.find(clientJobId);
    if (!stored) return notFoundError();
    return std::move(*stored);
}

Result<JobRecord> JobManager::cancel(const std::string& clientJobId) {
    const Lock submission(submissionMutex_);
    auto stored = store_.find(clientJobId);
    if (!stored) return notFoundError();
    JobRecord& record = *stored;
    switch (record.state) {
        case JobState::Cancelled: return std::move(record);
        case JobState::Completed:
        case JobState::Failed: return Error(codes::kJobAlreadyOver, messages::kJobAlreadyOver);
        case JobState::Validating:
        case JobState::Spooling: return Error(codes::kCancelUnconfirmed, messages::kCancelUnconfirmed);
        default: break;
    }
    if (record.windowsJobId != 0) {
        auto accepted = spooler_.cancel(record.printerId, record.windowsJobId);
        if (!accepted) return std::move(accepted).error();
        if (!accepted.value()) return Error(codes::kCancelRefused, messages::kCancelRefusedQueryStatus);
    }
    record.state = JobState::Cancelled;
    store_.put(record);
    return std::move(record);
}

Result<JobRecord> JobManager::cancelPreview(const std::string& clientJobId) {
    const Lock submission(submissionMutex_);
    auto stored = store_.find(clientJobId);
    if (!stored) return notFoundError();
    if (stored->state == JobState::Previewing) {
        stored->state = JobState::Cancelled;
        store_.put(*stored);
    }
    return std::move(*stored);
}

std::optional<LatestJobStatus> JobManager::latestJobStatus() const { return store_.latest(); }

}  // namespace ks::jobs

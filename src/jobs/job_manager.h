#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "jobs/job_record.h"
#include "jobs/job_store.h"
#include "jobs/spooler_control.h"
#include "platform/mutex.h"
#include "printing/print_executor.h"
#include "printing/print_ticket.h"
#include "protocol/error_text.h"
#include "protocol/result.h"
#include "raster/raster_page.h"

namespace ks::jobs {

// Accepts print jobs, one record per client job id for the life of the
// process, and prints them one at a time. A client job id together with the
// job's content hash makes submission idempotent: the same job sent again
// returns the first record instead of printing again, whatever became of it.
//
// Any thread may call. Lock order: the submission mutex, then the store's
// own; the print mutex is taken only once the submission mutex is released,
// so status and cancel are answered while a job prints.
class JobManager {
public:
    // `decodeAnsi` turns an exception's text in the ANSI code page into
    // wide text for the error message.
    JobManager(printing::IPrintExecutor& executor, ISpoolerControl& spooler, protocol::AnsiDecoder decodeAnsi);
    JobManager(const JobManager&) = delete;
    JobManager& operator=(const JobManager&) = delete;

    // A job shown in the preview: a new record in Previewing, or the stored
    // record when it has the same content. KSR-4004 for an empty id or hash,
    // KSR-4002 when the id is taken by other content.
    [[nodiscard]] Result<JobRecord> registerPreview(const std::string& clientJobId, const std::string& contentHash,
                                                    const std::string& printerId);

    // Prints the pages unless the same job was submitted before, and returns
    // the record: Queued with the spooler's job id, or Failed with the error.
    // Refusals that create no record: KSR-4004, KSR-3001 (no pages), KSR-4002.
    [[nodiscard]] Result<JobRecord> submit(const std::string& clientJobId, const std::string& contentHash,
                                           const printing::PrintTicket& ticket, const raster::RasterPageList& pages);

    // The stored record as it is; KSR-4001 for an unknown id.
    [[nodiscard]] Result<JobRecord> status(const std::string& clientJobId) const;

    // Cancels the job in the spooler when it reached it, and marks it
    // Cancelled. KSR-4001 unknown, KSR-4005 over, KSR-4010 while the driver
    // is being called, KSR-4008/4009 from the spooler; the state is kept on
    // every error.
    [[nodiscard]] Result<JobRecord> cancel(const std::string& clientJobId);

    // Ends a job that is still only shown in a preview: Previewing becomes
    // Cancelled. A job in any other state (a client printed it meanwhile) is
    // answered as it stands and never reaches the spooler. KSR-4001 unknown.
    [[nodiscard]] Result<JobRecord> cancelPreview(const std::string& clientJobId);

    [[nodiscard]] std::optional<LatestJobStatus> latestJobStatus() const;

private:
    JobRecord newRecord(const std::string& clientJobId, const std::string& contentHash, const std::string& printerId,
                        JobState state);
    // The executor's outcome as an error or the spooler's job id, whatever it
    // threw turned into an error.
    Result<std::uint32_t> printPages(const printing::PrintTicket& ticket, const raster::RasterPageList& pages)
        KS_REQUIRES(printMutex_);
    // The driver's warning about the document just printed; none when taking
    // it fails.
    std::optional<std::wstring> takeWarning() noexcept KS_REQUIRES(printMutex_);

    printing::IPrintExecutor& executor_;
    ISpoolerControl& spooler_;
    protocol::AnsiDecoder decodeAnsi_;
    JobStore store_;
    // Serialises the lookups and state changes of submit, registerPreview
    // and cancel.
    platform::RecursiveMutex submissionMutex_;
    // One document is spooled at a time across the process.
    platform::RecursiveMutex printMutex_;
    std::atomic<std::uint64_t> counter_{1};
};

}  // namespace ks::jobs

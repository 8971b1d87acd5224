#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "jobs/job_manager.h"
#include "jobs/job_record.h"
#include "jobs/prepared_job.h"
#include "platform/mutex.h"
#include "preview/preview_host.h"
#include "preview/preview_session.h"
#include "printing/capability_source.h"
#include "protocol/error_text.h"
#include "protocol/result.h"

namespace ks::preview {

// The preview state clients see: the job whose preview is being prepared,
// or the one open preview session, never both. Every preview is a job of the
// job manager in state Previewing.
//
// Any thread may call. Lock order: this object's mutex, then a session's
// (for short reads), then the job manager's. The mutex is never held while
// the host is called, so the host may call back from its own thread.
class PreviewCoordinator {
public:
    // The references are borrowed and must outlive the coordinator;
    // `capabilities` is asked before a print from the preview. `decodeAnsi`
    // turns an exception's text in the ANSI code page into wide text.
    PreviewCoordinator(jobs::JobManager& jobs, printing::ICapabilitySource& capabilities, IPreviewHost& host,
                       protocol::AnsiDecoder decodeAnsi = {});

    PreviewCoordinator(const PreviewCoordinator&) = delete;
    PreviewCoordinator& operator=(const PreviewCoordinator&) = delete;

    // Marks the job as being prepared and asks for the preparing window.
    // KSR-1001 for an empty id; KSR-4006 while another preview is prepared or
    // open; the host's error (or KSR-4007) when it refuses, undoing the mark.
    [[nodiscard]] Result<void> Prepare(const std::string& jobId) KS_EXCLUDES(mutex_);

    // Opens the prepared job in a preview: registers it with the job manager
    // and asks for the window. `complete` requires the job to be the one
    // being prepared. Answers the job's status; a job that is past
    // previewing answers its record and opens nothing. KSR-3001 without
    // pages; KSR-4005 when the preparation ended; KSR-4006 when another
    // preview is prepared or open; the job manager's and the host's errors,
    // after which a new session is cancelled again.
    [[nodiscard]] Result<jobs::JobRecord> Open(jobs::PreparedJob job, bool complete) KS_EXCLUDES(mutex_);

    // Ends the preparation of the job; unless `fromUi`, also closes its
    // preparing window. KSR-4005 when the job is not being prepared.
    [[nodiscard]] Result<void> Dismiss(const std::string& jobId, bool fromUi) KS_EXCLUDES(mutex_);

    // Cancels the previewed job with the job manager and ends its session;
    // unless `fromUi`, also closes its window. KSR-4001 when the job is not
    // the open preview (callers fall back to the job manager).
    // From a client, the job is cancelled whatever its state, in the spooler
    // too, and the job manager's errors leave the session open. From the UI
    // (a closing window), only a job still Previewing is cancelled, one that
    // a client printed meanwhile is left as it is, and the session ends
    // whatever the job manager answers.
    [[nodiscard]] Result<jobs::JobRecord> Cancel(const std::string& jobId, bool fromUi) KS_EXCLUDES(mutex_);

    // A client printed the open preview's job itself (`jobs.print` took its
    // record over): the preview has nothing left to print or cancel, so its
    // session ends and its window closes. Nothing happens while a print from
    // the preview runs, after the preview printed the job itself, or when the
    // job is not the open preview.
    void PrintedByClient(const std::string& jobId) KS_EXCLUDES(mutex_);

    // Ends the job's session without touching the job. KSR-4001 when the
    // job is not the open preview.
    [[nodiscard]] Result<void> EndSession(const std::string& jobId) KS_EXCLUDES(mutex_);

    // Prints the open preview of `clientJobId` as its settings stand, on
    // the preview's print thread: the selected pages, under the job's id for
    // the first print and "<id>-preview-<n>" for the n-th. Blocks while the
    // job manager spools. The job manager's record (Queued marks the session
    // printed, Failed carries its error) or: KSR-4001 when the job is not the
    // open preview or `stop` was triggered before submission, KSR-4006 while
    // another print from the preview runs, the settings error, the capability
    // source's error, KSR-2008 for a printer that is not ready, KSR-2007 when
    // the printer or the pages no longer fit; KSR-3003/4003 for what the
    // printing threw. Only a print that reached the job manager uses up its
    // suffix.
    [[nodiscard]] Result<jobs::JobRecord> PrintFromPreview(const std::string& clientJobId, std::stop_token stop)
        KS_EXCLUDES(mutex_);

    [[nodiscard]] bool IsActive(const std::shared_ptr<PreviewSession>& session) const KS_EXCLUDES(mutex_);
    [[nodiscard]] bool IsPreparing(const std::string& jobId) const KS_EXCLUDES(mutex_);
    // A session is open or a job is being prepared.
    [[nodiscard]] bool Busy() const KS_EXCLUDES(mutex_);

private:
    // The active session, if it shows `jobId`.
    std::shared_ptr<PreviewSession> activeFor(const std::string& jobId) const KS_REQUIRES(mutex_);
    // The checks and the submission of a print from the preview; `printNumber`
    // is the count of prints submitted before this one.
    Result<jobs::JobRecord> printStep(const std::shared_ptr<PreviewSession>& session, const jobs::PreparedJob& request,
                                      std::uint64_t printNumber, const std::stop_token& stop) KS_EXCLUDES(mutex_);

    jobs::JobManager& jobs_;
    printing::ICapabilitySource& capabilities_;
    IPreviewHost& host_;
    protocol::AnsiDecoder decodeAnsi_;
    mutable platform::Mutex mutex_;
    std::string preparingJobId_ KS_GUARDED_BY(mutex_);
    std::shared_ptr<PreviewSession> activeSession_ KS_GUARDED_BY(mutex_);
    // The session a print from the preview is running for, if any.
    std::shared_ptr<PreviewSession> printInFlight_ KS_GUARDED_BY(mutex_);
    // Prints submitted from the active session; names the next one.
    std::uint64_t printCount_ KS_GUARDED_BY(mutex_) = 0;
};

}  // namespace ks::preview

#include "preview/preview_coordinator.h"

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "preview/job_compatibility.h"
#include "preview/page_selection.h"
#include "protocol/error_catalog.h"

namespace ks::preview {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

using Lock = platform::MutexLock<platform::Mutex>;

Error activePreviewNotFound() { return Error(codes::kJobNotFound, messages::kActivePreviewNotFound); }

// The host's error, or `rejected` when it declined without one.
Error refusal(const Result<bool>& outcome, std::wstring_view rejected) {
    if (!outcome) return outcome.error();
    return Error(codes::kPreviewFailure, rejected);
}

bool accepted(const Result<bool>& outcome) { return outcome && outcome.value(); }

// The job as the preview prints it: the session's job with only the
// selected pages, in page order. The session's own page list is shared and
// stays whole.
jobs::PreparedJob printRequest(const PreviewSessionState& state) {
    jobs::PreparedJob request = state.job;
    const std::uint64_t pageCount = state.job.pages ? state.job.pages->size() : 0;
    auto pages = std::make_shared<std::vector<raster::RasterPage>>();
    for (const std::uint64_t index : selectPages(state.settings, pageCount)) {
        pages->push_back((*state.job.pages)[static_cast<std::size_t>(index)]);
    }
    request.pages = std::move(pages);
    return request;
}

}  // namespace

PreviewCoordinator::PreviewCoordinator(jobs::JobManager& jobs, printing::ICapabilitySource& capabilities,
                                       IPreviewHost& host, protocol::AnsiDecoder decodeAnsi)
    : jobs_(jobs), capabilities_(capabilities), host_(host), decodeAnsi_(std::move(decodeAnsi)) {}

std::shared_ptr<PreviewSession> PreviewCoordinator::activeFor(const std::string& jobId) const {
    if (activeSession_ && activeSession_->clientJobId() == jobId) return activeSession_;
    return nullptr;
}

Result<void> PreviewCoordinator::Prepare(const std::string& jobId) {
    if (jobId.empty()) return Error(codes::kRequestInvalid, messages::kPreviewJobIdMissing);
    {
        const Lock lock(mutex_);
        if (activeSession_ || !preparingJobId_.empty()) return Error(codes::kPreviewBusy, messages::kPreviewActive);
        preparingJobId_ = jobId;
    }
    const auto shown = host_.ShowPreparing(jobId);
    if (accepted(shown)) return {};
    {
        const Lock lock(mutex_);
        if (preparingJobId_ == jobId) preparingJobId_.clear();
    }
    return refusal(shown, messages::kPreparingWindowRejected);
}

Result<jobs::JobRecord> PreviewCoordinator::Open(jobs::PreparedJob job, bool complete) {
    if (!job.pages) return Error(codes::kJobInvalid, messages::kPreviewPagesMissing);
    if (job.pages->empty()) return Error(codes::kJobInvalid, messages::kPreviewPagesEmpty);
    const std::string jobId = job.clientJobId;

    std::shared_ptr<PreviewSession> session;
    bool newSession = false;
    {
        const Lock lock(mutex_);
        if (complete && preparingJobId_ != jobId) {
            return Error(codes::kJobAlreadyOver, messages::kPreviewPreparationCancelled);
        }
        if (!preparingJobId_.empty() && preparingJobId_ != jobId) {
            return Error(codes::kPreviewBusy, messages::kPreviewPreparing);
        }
        if (activeSession_ && !activeFor(jobId))
            return Error(codes::kPreviewBusy, messages::kPreviewActivePrintOrClose);
        // Registered again for an open session too: that refuses changed
        // content under the same id.
        auto record = jobs_.registerPreview(jobId, job.contentHash, job.ticket.printerId);
        if (!record) return record;
        if (activeSession_) {
            session = activeSession_;
        } else {
            if (record.value().state != jobs::JobState::Previewing) return record;
            session = std::make_shared<PreviewSession>(std::move(job));
            activeSession_ = session;
            preparingJobId_.clear();
            printCount_ = 0;
            newSession = true;
        }
    }

    const auto shown = host_.ShowPreview(session);
    if (accepted(shown)) return jobs_.status(jobId);
    if (!newSession) return refusal(shown, messages::kPreviewWindowRejected);

    // The window will never come: take the preparing window away and leave
    // no previewing job behind. Closing is best effort; the host that could
    // not show a window is likely closed already.
    if (complete) static_cast<void>(host_.ClosePreview(jobId));
    const Lock lock(mutex_);
    if (activeSession_ == session) {
        activeSession_.reset();
        auto cancelled = jobs_.cancelPreview(jobId);
        if (!cancelled) return std::move(cancelled).error();
    }
    return refusal(shown, messages::kPreviewWindowRejected);
}

Result<void> PreviewCoordinator::Dismiss(const std::string& jobId, bool fromUi) {
    {
        const Lock lock(mutex_);
        if (preparingJobId_.empty() || preparingJobId_ != jobId) {
            return Error(codes::kJobAlreadyOver, messages::kPreviewPreparationOver);
        }
        preparingJobId_.clear();
    }
    if (fromUi) return {};
    const auto closed = host_.ClosePreview(jobId);
    if (accepted(closed)) return {};
    return refusal(closed, messages::kPreviewWindowCloseRejected);
}

Result<jobs::JobRecord> PreviewCoordinator::Cancel(const std::string& jobId, bool fromUi) {
    std::shared_ptr<PreviewSession> session;
    {
        const Lock lock(mutex_);
        session = activeFor(jobId);
        if (!session) return activePreviewNotFound();
    }
    auto cancelled = fromUi ? jobs_.cancelPreview(jobId) : jobs_.cancel(jobId);
    if (!cancelled && !fromUi) return cancelled;
    {
        const Lock lock(mutex_);
        if (activeSession_ == session) activeSession_.reset();
    }
    if (!fromUi) {
        const auto closed = host_.ClosePreview(jobId);
        if (!accepted(closed)) return refusal(closed, messages::kPreviewWindowCloseRejected);
    }
    return cancelled;
}

void PreviewCoordinator::PrintedByClient(const std::string& jobId) {
    {
        const Lock lock(mutex_);
        const auto session = activeFor(jobId);
        if (!session || printInFlight_ == session ||
            session->withState([](const PreviewSessionState& state) { return state.printed; })) {
            return;
        }
        activeSession_.reset();
    }
    // Best effort: a window that stays open has no session left and closes
    // without touching the job.
    static_cast<void>(host_.ClosePreview(jobId));
}

Result<void> PreviewCoordinator::EndSession(const std::string& jobId) {
    const Lock lock(mutex_);
    if (!activeFor(jobId)) return activePreviewNotFound();
    activeSession_.reset();
    return {};
}

Result<jobs::JobRecord> PreviewCoordinator::PrintFromPreview(const std::string& clientJobId, std::stop_token stop) {
    std::shared_ptr<PreviewSession> session;
    jobs::PreparedJob request;
    std::uint64_t printNumber = 0;
    {
        const Lock lock(mutex_);
        session = activeFor(clientJobId);
        if (!session) return activePreviewNotFound();
        if (printInFlight_) return Error(codes::kPreviewBusy, messages::kPreviewPrintInProgress);
        auto built = session->withState([](const PreviewSessionState& state) -> Result<jobs::PreparedJob> {
            if (state.settingsError) return *state.settingsError;
            return printRequest(state);
        });
        if (!built) return std::move(built).error();
        request = std::move(built).value();
        printNumber = printCount_;
        // Every print after the first is a job of its own for the job
        // manager, which would otherwise answer the first one's record.
        if (printNumber > 0) request.clientJobId += "-preview-" + std::to_string(printNumber + 1);
        printInFlight_ = session;
    }
    auto result = printStep(session, request, printNumber, stop);
    const Lock lock(mutex_);
    if (printInFlight_ == session) printInFlight_.reset();
    return result;
}

Result<jobs::JobRecord> PreviewCoordinator::printStep(const std::shared_ptr<PreviewSession>& session,
                                                      const jobs::PreparedJob& request, std::uint64_t printNumber,
                                                      const std::stop_token& stop) {
    try {
        if (stop.stop_requested()) return activePreviewNotFound();
        const auto& ticket = request.ticket;
        auto printer = capabilities_.capabilities(ticket.printerId);
        if (!printer) return std::move(printer).error();
        if (printer.value().status != platform::PrinterStatus::Ready) {
            return Error(codes::kPrinterNotReady, messages::kPrinterNotReadyRetry);
        }
        if (printer.value().printerId != ticket.printerId || printer.value().capabilityHash != ticket.capabilityHash ||
            !isCompatible(request, printer.value())) {
            return Error(codes::kPrinterChanged, messages::kCapabilitiesOrPageSizeChanged);
        }
        {
            const Lock lock(mutex_);
            if (activeSession_ != session || stop.stop_requested()) return activePreviewNotFound();
            printCount_ = printNumber + 1;
        }
        auto record = jobs_.submit(request.clientJobId, request.contentHash, ticket, request.pages);
        if (record && record.value().state == jobs::JobState::Queued) {
            session->withState([](PreviewSessionState& state) { state.printed = true; });
        }
        return record;
    } catch (...) {
        return protocol::currentExceptionError({codes::kSubmissionFailed, messages::kProcessingFailedPrefix,
                                                messages::kProcessingFailedUnknown, codes::kOutOfMemory,
                                                messages::kPrintProcessingOutOfMemory},
                                               decodeAnsi_);
    }
}

bool PreviewCoordinator::IsActive(const std::shared_ptr<PreviewSession>& session) const {
    const Lock lock(mutex_);
    return session && activeSession_ == session;
}

bool PreviewCoordinator::IsPreparing(const std::string& jobId) const {
    const Lock lock(mutex_);
    return !preparingJobId_.empty() && preparingJobId_ == jobId;
}

bool PreviewCoordinator::Busy() const {
    const Lock lock(mutex_);
    return activeSession_ || !preparingJobId_.empty();
}

}  // namespace ks::preview

#include "preview/preview_coordinator.h"

#include <utility>

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

}  // namespace

PreviewCoordinator::PreviewCoordinator(jobs::JobManager& jobs, IPreviewHost& host) : jobs_(jobs), host_(host) {}

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
        auto cancelled = jobs_.cancel(jobId);
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
    auto cancelled = jobs_.cancel(jobId);
    if (!cancelled) return cancelled;
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

Result<void> PreviewCoordinator::EndSession(const std::string& jobId) {
    const Lock lock(mutex_);
    if (!activeFor(jobId)) return activePreviewNotFound();
    activeSession_.reset();
    return {};
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

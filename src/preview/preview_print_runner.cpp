#include "preview/preview_print_runner.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "protocol/error_catalog.h"

namespace ks::preview {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

using Lock = platform::MutexLock<platform::Mutex>;

}  // namespace

PreviewPrintRunner::PreviewPrintRunner(PrintFromPreview print, PostPrintDone post, protocol::AnsiDecoder decodeAnsi)
    : print_(std::move(print)), post_(std::move(post)), decodeAnsi_(std::move(decodeAnsi)) {}

PreviewPrintRunner::~PreviewPrintRunner() { stop({}); }

Result<std::uint64_t> PreviewPrintRunner::start(std::shared_ptr<PreviewSession> session, std::uint64_t workId) {
    const Lock lock(mutex_);
    if (stopped_ || current_) return Error(codes::kPreviewBusy, messages::kPreviewPrintBusyOrClosed);
    auto work = std::make_shared<PrintWork>();
    work->session = std::move(session);
    work->id = workId;
    try {
        // The thread's first act is to lock the mutex held here, so it finds
        // the work current.
        thread_ = std::jthread([this, work](std::stop_token stop) { run(work, stop); });
    } catch (const std::exception& exception) {
        return Error(codes::kPreviewFailure, std::wstring(messages::kPrintThreadStartFailedPrefix) +
                                                 protocol::exceptionText(exception.what(), decodeAnsi_));
    } catch (...) {
        return Error(codes::kPreviewFailure, messages::kPrintThreadStartFailedUnknown);
    }
    current_ = std::move(work);
    return workId;
}

Result<jobs::JobRecord> PreviewPrintRunner::printCaught(const PrintWork& work, const std::stop_token& stop) noexcept {
    try {
        try {
            return print_(work.session->clientJobId(), stop);
        } catch (...) {
            return protocol::currentExceptionError({codes::kSubmissionFailed, messages::kProcessingFailedPrefix,
                                                    messages::kProcessingFailedUnknown, codes::kOutOfMemory,
                                                    messages::kPrintOutOfMemory},
                                                   decodeAnsi_);
        }
    } catch (...) {
        // Even the error's text could not be made.
        return Error(codes::kOutOfMemory, messages::kPrintOutOfMemory);
    }
}

void PreviewPrintRunner::run(const std::shared_ptr<PrintWork>& work, const std::stop_token& stop) noexcept {
    Result<jobs::JobRecord> result = printCaught(*work, stop);
    const Lock lock(mutex_);
    work->result = std::move(result);
    // Posting under the lock: stop() cannot slip in between, and a message
    // that leaves finds the result stored.
    if (!stopped_ && post_) static_cast<void>(post_(work->id));
}

std::optional<PreviewPrintOutcome> PreviewPrintRunner::take(std::uint64_t workId) {
    std::shared_ptr<PrintWork> work;
    {
        const Lock lock(mutex_);
        if (!current_ || current_->id != workId || !current_->result) return std::nullopt;
        work = std::move(current_);
    }
    // The result is stored: the thread is only leaving.
    if (thread_.joinable()) thread_.join();
    return PreviewPrintOutcome{work->id, std::move(work->session), std::move(*work->result)};
}

void PreviewPrintRunner::stop(const std::function<void(const std::shared_ptr<PreviewSession>&)>& cancel) {
    std::shared_ptr<PrintWork> work;
    {
        const Lock lock(mutex_);
        stopped_ = true;
        work = std::move(current_);
    }
    thread_.request_stop();
    if (work && cancel) cancel(work->session);
    if (thread_.joinable()) thread_.join();
}

}  // namespace ks::preview

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "jobs/job_record.h"
#include "platform/mutex.h"
#include "preview/preview_session.h"
#include "protocol/error_text.h"
#include "protocol/result.h"

namespace ks::preview {

// Submits one print from the preview; runs on the print thread and may
// block on the driver. The coordinator's PrintFromPreview.
using PrintFromPreview = std::function<Result<jobs::JobRecord>(const std::string& clientJobId, std::stop_token stop)>;

// Tells the UI thread that the print `workId` has its result (a posted
// window message on Windows). False when it could not be sent; the UI thread
// then finds the result by polling.
using PostPrintDone = std::function<bool(std::uint64_t workId)>;

// A finished print from the preview, handed to the UI thread.
struct PreviewPrintOutcome {
    std::uint64_t workId = 0;
    std::shared_ptr<PreviewSession> session;
    Result<jobs::JobRecord> result;
};

// How a preview window's prints reach the host's print thread (both on the
// UI thread): start one for a session and get its work id, and take the
// outcome of a work once it is finished (see PreviewPrintRunner).
struct PreviewPrintFunctions {
    std::function<Result<std::uint64_t>(std::shared_ptr<PreviewSession> session)> start;
    std::function<std::optional<PreviewPrintOutcome>(std::uint64_t workId)> take;
};

// The print thread of the preview host: at most one print at a time, each on
// a thread of its own so that the UI thread never waits for a driver.
//
// start, take and stop belong to the UI thread; the print thread only stores
// its result and posts, under the mutex. The UI thread joins the print thread
// only once its result is there, or at stop after triggering its stop token.
class PreviewPrintRunner {
public:
    PreviewPrintRunner(PrintFromPreview print, PostPrintDone post, protocol::AnsiDecoder decodeAnsi);
    // Stops as stop() does, cancelling nothing.
    ~PreviewPrintRunner();

    PreviewPrintRunner(const PreviewPrintRunner&) = delete;
    PreviewPrintRunner& operator=(const PreviewPrintRunner&) = delete;

    // Prints `session` under `workId` on a new thread. KSR-4006 while a print
    // is current or once stopped; KSR-4007 when the thread cannot start.
    [[nodiscard]] Result<std::uint64_t> start(std::shared_ptr<PreviewSession> session, std::uint64_t workId)
        KS_EXCLUDES(mutex_);

    // The current print's outcome when it is `workId` and finished; the print
    // is then over and its thread joined. Nullopt otherwise, leaving it be.
    [[nodiscard]] std::optional<PreviewPrintOutcome> take(std::uint64_t workId) KS_EXCLUDES(mutex_);

    // Ends printing for good: triggers the stop token, gives the current
    // print's session to `cancel` (so that its job can be cancelled from the
    // UI side), waits for the thread and drops the print.
    void stop(const std::function<void(const std::shared_ptr<PreviewSession>&)>& cancel) KS_EXCLUDES(mutex_);

private:
    struct PrintWork {
        std::shared_ptr<PreviewSession> session;
        std::uint64_t id = 0;
        std::optional<Result<jobs::JobRecord>> result;
    };

    void run(const std::shared_ptr<PrintWork>& work, const std::stop_token& stop) noexcept KS_EXCLUDES(mutex_);
    Result<jobs::JobRecord> printCaught(const PrintWork& work, const std::stop_token& stop) noexcept;

    PrintFromPreview print_;
    PostPrintDone post_;
    protocol::AnsiDecoder decodeAnsi_;
    platform::Mutex mutex_;
    bool stopped_ KS_GUARDED_BY(mutex_) = false;
    std::shared_ptr<PrintWork> current_ KS_GUARDED_BY(mutex_);
    // Touched by the UI thread only: joined before it is replaced.
    std::jthread thread_;
};

}  // namespace ks::preview

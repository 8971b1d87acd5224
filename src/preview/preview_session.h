#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jobs/prepared_job.h"
#include "platform/mutex.h"
#include "platform/printer_records.h"
#include "protocol/result.h"

namespace ks::preview {

// What the user chose in the preview for paper, quality, orientation, pages
// and margins; the prepared job carries the same choices converted to dots.
struct PreviewSettings {
    double paperWidthMm = 0;
    double paperHeightMm = 0;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    std::uint32_t landscape = 0;  // 1 landscape, 0 portrait
    double marginLeftMm = 0;
    double marginTopMm = 0;
    double marginRightMm = 0;
    double marginBottomMm = 0;
    std::uint32_t pageSelectionMode = 0;       // 0 all pages, 1 selected pages, 2 page range
    std::vector<std::uint64_t> selectedPages;  // 0-based, used in mode 1
    std::wstring pageRangeText;                // used in mode 2
};

struct ZoomState {
    bool fit = true;
    double scale = 1.0;
};

// Everything a session holds; reached only through PreviewSession::withState.
struct PreviewSessionState {
    // The job as the preview will print it. Its page list is shared with the
    // request that brought it and never modified.
    jobs::PreparedJob job;
    PreviewSettings settings;
    // The printer the settings were last checked against, when there is one.
    std::optional<platform::PrinterCapabilities> targetPrinter;
    std::uint64_t pageIndex = 0;  // 0-based
    ZoomState zoom;
    // Present while the settings yield no printable page.
    std::optional<Error> settingsError;
    // Set once a print from this session was queued: closing the window
    // then leaves the job alone.
    bool printed = false;
};

// One open preview, shared by the coordinator, posted commands and the
// preview window, which may run on different threads. Every access takes the
// session's own mutex; the coordinator's mutex, when held too, is always
// taken first.
class PreviewSession {
public:
    // The initial settings follow the job: its paper and resolution,
    // landscape when the paper is wider than high, no margins, all pages.
    // Copies are clamped to 1–999.
    explicit PreviewSession(jobs::PreparedJob job);

    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    [[nodiscard]] std::string clientJobId() const KS_EXCLUDES(mutex_);

    // Runs `function(PreviewSessionState&)` with the session locked and
    // returns what it returns. The function must not call back into the
    // session or take the coordinator's mutex.
    template <typename Function>
    decltype(auto) withState(Function&& function) KS_EXCLUDES(mutex_) {
        const platform::MutexLock lock(mutex_);
        return std::forward<Function>(function)(state_);
    }
    template <typename Function>
    decltype(auto) withState(Function&& function) const KS_EXCLUDES(mutex_) {
        const platform::MutexLock lock(mutex_);
        return std::forward<Function>(function)(std::as_const(state_));
    }

private:
    mutable platform::Mutex mutex_;
    PreviewSessionState state_ KS_GUARDED_BY(mutex_);
};

}  // namespace ks::preview

#pragma once

#include <memory>
#include <string>

#include "preview/preview_session.h"
#include "protocol/result.h"

namespace ks::preview {

// The door from any thread to the preview windows on the UI thread. Each
// operation only hands a request over and returns without waiting for a
// window: true when the request is on its way to the UI thread, or an Error.
// None touches a window itself.
class IPreviewHost {
public:
    IPreviewHost() = default;
    IPreviewHost(const IPreviewHost&) = delete;
    IPreviewHost& operator=(const IPreviewHost&) = delete;
    virtual ~IPreviewHost() = default;

    // Shows the session's preview window (or brings an open one forward).
    // KSR-4007 when the session is empty or its job has no pages.
    [[nodiscard]] virtual Result<bool> ShowPreview(std::shared_ptr<PreviewSession> session) = 0;

    // Shows the preparing window for a job whose pages are still on the way.
    [[nodiscard]] virtual Result<bool> ShowPreparing(const std::string& jobId) = 0;

    // Closes the preview window showing the job, without cancelling it, or
    // else the job's preparing window. KSR-4007 for an empty job id.
    [[nodiscard]] virtual Result<bool> ClosePreview(const std::string& jobId) = 0;
};

}  // namespace ks::preview

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "preview/preview_session.h"

namespace ks::preview {

// One request for the UI thread. With a session and flag 0 it shows that
// session; without a session and flag 0 it closes whatever window shows the
// job id; flag 1 shows the preparing window for the job id.
struct PreviewCommand {
    std::shared_ptr<PreviewSession> session;
    std::string jobId;
    std::uint8_t preparing = 0;
};

}  // namespace ks::preview

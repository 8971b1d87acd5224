#pragma once

#include "preview/preview_session.h"
#include "protocol/result.h"

namespace ks::preview {

// Makes `settings` the session's: checks paper and resolution, the page
// selection against the job's pages, converts paper and margins to dots,
// requires a printable area and, when the session has a target printer, that
// the job stays printable on it; then stores the settings, writes paper,
// resolution, orientation and margins into the job and clears the settings
// error. KSR-3001 for unusable settings, KSR-2007 when the target printer
// refuses them; `state` is then left exactly as it was. Call with the
// session locked (inside PreviewSession::withState).
[[nodiscard]] Result<void> applySettings(PreviewSessionState& state, const PreviewSettings& settings);

}  // namespace ks::preview

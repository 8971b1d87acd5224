#pragma once

#include "platform/printer_records.h"
#include "preview/preview_session.h"
#include "protocol/result.h"

namespace ks::preview {

// Points a session at `printer`: picks the resolution (the session's own when
// the printer offers it, else the printer's current one, else its first),
// converts margins and calibration offsets to it, records the printer and
// its digest in the job and checks the pages against the printer. KSR-2007
// when any step fails; `state` is then left exactly as it was. Call with the
// session locked (inside PreviewSession::withState).
[[nodiscard]] Result<void> retargetSession(PreviewSessionState& state, const platform::PrinterCapabilities& printer);

}  // namespace ks::preview

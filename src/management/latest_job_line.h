#pragma once

#include <optional>
#include <string>

#include "jobs/job_record.h"

namespace ks::management {

// The one-line summary of the most recent job shown by the status window and
// the diagnostics report: "最近任务：无" without a job, else the state name,
// followed by the error code in full-width parentheses when it is a
// well-formed KSR-1xxx to KSR-4xxx code.
[[nodiscard]] std::wstring formatLatestJobLine(const std::optional<jobs::LatestJobStatus>& latest);

}  // namespace ks::management

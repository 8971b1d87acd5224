#pragma once

#include <functional>
#include <optional>

#include "jobs/job_record.h"
#include "management/diagnostics_text.h"

namespace ks::management {

// How the management windows read other subsystems' state. Each is called on
// the UI thread at a refresh; an empty one stands for its documented default.
using WindowsVersionProvider = std::function<std::optional<WindowsVersion>()>;
using ServiceRunningProvider = std::function<bool()>;  // empty: running
using LatestJobProvider = std::function<std::optional<jobs::LatestJobStatus>()>;  // empty: no job

}  // namespace ks::management

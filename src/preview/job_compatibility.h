#pragma once

#include "jobs/prepared_job.h"
#include "platform/printer_records.h"

namespace ks::preview {

// Whether `job` can be printed on `printer` as it stands: its resolution is
// one the printer offers (its current one when it lists none) and every page
// holds a complete BGRA buffer.
[[nodiscard]] bool isCompatible(const jobs::PreparedJob& job, const platform::PrinterCapabilities& printer);

}  // namespace ks::preview

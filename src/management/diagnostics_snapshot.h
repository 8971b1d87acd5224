#pragma once

#include "management/diagnostics_text.h"
#include "management/providers.h"
#include "printers/printer_catalog.h"

namespace ks::management {

// Reads everything one diagnostics report shows. A throwing version provider
// gives no version; a catalogue error or an exception while listing gives no
// printers and `printersRead` false; an empty running provider reads as
// running and an empty latest-job provider as no job.
[[nodiscard]] DiagnosticsSnapshot collectDiagnosticsSnapshot(const WindowsVersionProvider& windowsVersion,
                                                             const ServiceRunningProvider& serviceRunning,
                                                             bool previewBusy, printers::PrinterCatalog& catalog,
                                                             const LatestJobProvider& latestJob);

}  // namespace ks::management

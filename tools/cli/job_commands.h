#pragma once

#include <string>
#include <vector>

namespace ks::cli {

// print [--printer ID | --default] [--paper W×H | --paper NAME] [--copies N]
//       [--job-id UUID] [--json] page.png…
// Reads the printer's capabilities, checks every page's pixel size against
// the paper in dots at the printer's resolution, sends the job and shows
// its status. Returns an exit code of cli_io.h; a job that failed is 1.
int printPages(const std::vector<std::wstring>& arguments);

// The status of a job, or its cancellation, by client job id; a job that
// failed is 1, as for print.
int jobStatus(const std::wstring& clientJobId, bool json);
int cancelJob(const std::wstring& clientJobId, bool json);

}  // namespace ks::cli

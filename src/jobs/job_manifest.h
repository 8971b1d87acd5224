#pragma once

// The job manifest: a UTF-8 text that names everything that decides what a
// job prints, so that its digest (the job's contentHash) tells whether two
// submissions under one client job id carry the same content.
//
//   clientJobId=<s>\nname=<s>\nallowPrinterReselect=<0|1>\nprinterId=<s>\n
//   copies=<n>\npaperWidthMm=<d>\npaperHeightMm=<d>\ndpiX=<n>\ndpiY=<n>\n
//   capabilityHash=<s>\noffsetX=0\noffsetY=0\npageCount=<n>\n
//   then per page: page=<index>,width=<n>,height=<n>,sha256=<s>\n
//
// <s> is a string written as its byte length, a colon and its bytes ("0:"
// when empty), so no value can imitate a separator. <d> is the shortest
// decimal that reads back as the same double (50 for 50.0, 62.5 for 62.5).

#include <string>

#include "jobs/prepared_job.h"

namespace ks::jobs {

// The manifest of `job`'s request data, ticket and pages; the job's own
// manifest and contentHash are not read. Throws std::bad_alloc when memory
// runs out.
std::string jobManifest(const PreparedJob& job);

}  // namespace ks::jobs

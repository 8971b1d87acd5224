#include "jobs/job_record.h"

namespace ks::jobs {
namespace {

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// "KSR-" and four digits, the first of them 1 to 4.
bool hasKnownClass(const std::string& code) noexcept {
    return code.size() == 8 && code.starts_with("KSR-") && code[4] >= '1' && code[4] <= '4' && isDigit(code[5]) &&
           isDigit(code[6]) && isDigit(code[7]);
}

}  // namespace

LatestJobStatus latestJobStatusOf(const JobRecord& record) {
    LatestJobStatus latest{record.state, record.windowsJobId, {}, 0};
    if (!record.error) return latest;
    if (hasKnownClass(record.error->code())) {
        latest.errorCode = record.error->code();
        latest.errorClass = static_cast<std::uint32_t>(record.error->code()[4] - '0');
    } else {
        latest.errorClass = 6;
    }
    return latest;
}

}  // namespace ks::jobs

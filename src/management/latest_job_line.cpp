#include "management/latest_job_line.h"

#include <string_view>

#include "protocol/response_encoder.h"
#include "protocol/utf8.h"

namespace ks::management {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Only codes of the service's own families are shown; anything else that
// reached the record (a foreign or truncated code) would mislead.
bool isShownErrorCode(std::string_view code) {
    return code.size() == 8 && code.starts_with("KSR-") && code[4] >= '1' && code[4] <= '4' && isDigit(code[5]) &&
           isDigit(code[6]) && isDigit(code[7]);
}

}  // namespace

std::wstring formatLatestJobLine(const std::optional<jobs::LatestJobStatus>& latest) {
    if (!latest) return L"最近任务：无";
    std::wstring line = L"最近任务：" + protocol::utf8ToWide(protocol::jobStateName(latest->state));
    if (isShownErrorCode(latest->errorCode)) line += L"（" + protocol::utf8ToWide(latest->errorCode) + L"）";
    return line;
}

}  // namespace ks::management

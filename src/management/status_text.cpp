#include "management/status_text.h"

#include <string_view>

namespace ks::management {
namespace {

constexpr std::wstring_view kLatestJobPrefix = L"最近任务：";
constexpr std::wstring_view kNoLatestJob = L"最近任务：无";

}  // namespace

std::wstring statusPanelText(bool serviceRunning, bool previewBusy, const std::wstring& latestJobLine) {
    std::wstring text = L"程序版本：0.1.0\r\nNamed Pipe：";
    text += serviceRunning ? L"运行中" : L"已停止";
    text += L"\r\n当前预览：";
    text += previewBusy ? L"有" : L"无";
    text += L"\r\n";
    text += latestJobLine;
    return text;
}

std::wstring latestJobRowValue(const std::wstring& latestJobLine) {
    if (latestJobLine == kNoLatestJob) return L"暂无任务";
    // A line without the prefix is shown whole rather than cut mid-word.
    if (!latestJobLine.starts_with(kLatestJobPrefix)) return latestJobLine;
    return latestJobLine.substr(kLatestJobPrefix.size());
}

}  // namespace ks::management

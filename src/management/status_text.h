#pragma once

#include <string>

namespace ks::management {

// The status panel's window text: four lines (version, pipe, preview and the
// latest job line) joined by "\r\n". The panel draws its own picture; the text
// is what assistive tools and tests read.
[[nodiscard]] std::wstring statusPanelText(bool serviceRunning, bool previewBusy, const std::wstring& latestJobLine);

// The value of the panel's "最近任务" row: "暂无任务" when there is no job,
// otherwise the latest job line without its "最近任务：" prefix.
[[nodiscard]] std::wstring latestJobRowValue(const std::wstring& latestJobLine);

}  // namespace ks::management

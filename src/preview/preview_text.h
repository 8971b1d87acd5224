#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "preview/preview_window_model.h"
#include "protocol/result.h"

namespace ks::preview {

// The three lines under "纸张信息".
struct PaperInfoLines {
    std::wstring paper;        // "纸张    210 × 297 mm"
    std::wstring quality;      // "质量    600 DPI", or "质量    600 × 300 DPI" when they differ
    std::wstring orientation;  // "方向    纵向" or "方向    横向"
};
[[nodiscard]] PaperInfoLines paperInfoLines(const PreviewView& view);

// An error as windows show it: the code, a full-width colon and the message.
[[nodiscard]] std::wstring errorText(const Error& error);

// KSR-3003 "页面处理内存不足，请减少页数或尺寸后重试" as the status box shows
// it, for when not even that text can be put together.
inline constexpr wchar_t kOutOfMemoryStatus[] = L"KSR-3003：页面处理内存不足，请减少页数或尺寸后重试";

// KSR-4007 for a preview frame that could not be drawn, with the failing
// HRESULT as eight upper-case hexadecimal digits.
[[nodiscard]] Error drawingError(std::uint32_t result);

inline constexpr std::uint32_t kMinimumCopies = 1;
inline constexpr std::uint32_t kMaximumCopies = 999;

// The copies box's text as a number of copies, clamped to 1–999; none when
// the text is not an unsigned decimal number. Numbers too long for any
// integer still count as more than 999.
[[nodiscard]] std::optional<std::uint32_t> parseCopies(std::wstring_view text);

// The status box once a print from the preview is in the Windows queue.
inline constexpr std::wstring_view kPrintQueuedText = L"已提交到 Windows 打印队列；可调整设置后继续打印";

// What the copies box stands for once it loses the focus: unparsable text
// counts as 0, which becomes 1.
[[nodiscard]] std::uint32_t copiesOnFocusLost(std::wstring_view text);

}  // namespace ks::preview

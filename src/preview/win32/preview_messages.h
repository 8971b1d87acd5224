#pragma once

#include <windows.h>

#include <string_view>

namespace ks::preview {

// Posted to the hidden window by the preview host: wParam is the command's
// id, lParam its address (see PreviewCommandQueue).
inline constexpr UINT kPreviewCommandMessage = WM_APP + 0x14;
// Posted to the hidden window when a print from the preview finished, and
// sent on from there to the preview window: wParam is the print's work id.
inline constexpr UINT kPreviewPrintResultMessage = WM_APP + 0x15;

inline constexpr wchar_t kPreparingClassName[] = L"Kestrune.Preparing";
inline constexpr wchar_t kPreviewWindowTitle[] = L"预览 Preview";
inline constexpr std::wstring_view kPreparingText = L"正在准备预览，请稍候…";
// Caption of the message boxes the preview shows.
inline constexpr std::wstring_view kPreviewCaption = L"岚舟";

}  // namespace ks::preview

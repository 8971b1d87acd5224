#include "preview/preview_text.h"

#include <fmt/xchar.h>

#include <algorithm>

#include "protocol/error_catalog.h"
#include "protocol/utf8.h"

namespace ks::preview {

PaperInfoLines paperInfoLines(const PreviewView& view) {
    PaperInfoLines lines;
    lines.paper = fmt::format(L"纸张    {:g} × {:g} mm", view.paperWidthMm, view.paperHeightMm);
    lines.quality = view.dpiX != view.dpiY ? fmt::format(L"质量    {} × {} DPI", view.dpiX, view.dpiY)
                                           : fmt::format(L"质量    {} DPI", view.dpiX);
    lines.orientation = view.landscape ? L"方向    横向" : L"方向    纵向";
    return lines;
}

std::wstring errorText(const Error& error) { return protocol::utf8ToWide(error.code()) + L"：" + error.message(); }

Error drawingError(std::uint32_t result) {
    return Error(protocol::codes::kPreviewFailure,
                 fmt::format(fmt::runtime(protocol::messages::kPreviewDrawFailed), result));
}

std::optional<std::uint32_t> parseCopies(std::wstring_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        // Saturates: anything past the maximum clamps to it anyway.
        value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(c - L'0'), kMaximumCopies + 1);
    }
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(value, kMinimumCopies, kMaximumCopies));
}

std::uint32_t copiesOnFocusLost(std::wstring_view text) { return parseCopies(text).value_or(kMinimumCopies); }

}  // namespace ks::preview

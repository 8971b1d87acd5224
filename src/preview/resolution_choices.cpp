#include "preview/resolution_choices.h"

#include <fmt/xchar.h>

#include <algorithm>
#include <utility>

namespace ks::preview {

ResolutionChoices resolutionChoices(std::vector<platform::Resolution> offered, platform::Resolution current) {
    ResolutionChoices choices{std::move(offered), 0};
    auto& list = choices.resolutions;
    const auto found = std::find(list.begin(), list.end(), current);
    choices.selected = static_cast<std::size_t>(found - list.begin());
    if (found == list.end()) list.push_back(current);
    return choices;
}

std::wstring resolutionLabel(platform::Resolution resolution) {
    if (resolution.dpiX == resolution.dpiY) return fmt::format(L"{} DPI", resolution.dpiX);
    return fmt::format(L"{} × {} DPI", resolution.dpiX, resolution.dpiY);
}

}  // namespace ks::preview

#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/printer_records.h"
#include "preview/paper_list.h"
#include "preview/preview_session.h"
#include "protocol/result.h"

namespace ks::preview {

// Control ids of the settings dialog (resource IDD_PREVIEW_SETTINGS).
namespace settings_control {
inline constexpr int kPaper = 1001;
inline constexpr int kQuality = 1002;
inline constexpr int kOrientation = 1003;
inline constexpr int kAllPages = 1004;
inline constexpr int kSelectedPages = 1005;
inline constexpr int kPageRange = 1006;
inline constexpr int kPageList = 1007;
inline constexpr int kRangeText = 1008;
inline constexpr int kMarginLeft = 1009;
inline constexpr int kMarginTop = 1010;
inline constexpr int kMarginRight = 1011;
inline constexpr int kMarginBottom = 1012;
}  // namespace settings_control

// What the settings dialog starts from and where its result goes.
struct SettingsDialogRequest {
    PreviewSettings settings;                       // the session's, to edit
    std::vector<PaperEntry> papers;                 // offered in the paper list
    std::vector<platform::Resolution> resolutions;  // the selected printer's
    std::uint64_t pageCount = 0;
    // Takes the settings the user confirmed. An error is shown in a message
    // box and the dialog stays open.
    std::function<Result<void>(const PreviewSettings&)> apply;
};

// Shows the settings dialog of `instance` modally over `owner` on the
// calling (UI) thread. IDOK once settings were applied, IDCANCEL when it was
// closed without; anything else means it could not be shown.
[[nodiscard]] INT_PTR showSettingsDialog(HINSTANCE instance, HWND owner, SettingsDialogRequest request);

}  // namespace ks::preview

#pragma once

#include <optional>
#include <string>

#include "preview/preview_window_model.h"
#include "protocol/result.h"

namespace ks::preview {

// The window's own state that the refresh depends on besides the view.
struct PreviewWindowState {
    // Stops printing until it is cleared.
    std::optional<Error> windowError;
    // The last frame could not be drawn: shown like the window error, but no
    // reason not to print, since what prints is the job, not the frame.
    std::optional<Error> drawingError;
    bool printerListEmpty = true;
    bool printerSelected = false;
    bool printerAvailable = false;  // the selected printer's status is Ready
    bool printingEnabled = false;   // offered by the model
    bool settingsEnabled = false;   // offered by the model
    // What the last print left to say (its warning, or that it was queued);
    // shown in place of the printer's readiness while there is no error.
    std::optional<std::wstring> printNotice;
};

// What the window's controls show after a command, a settings change or a
// print event.
struct PreviewRefresh {
    std::wstring pageCounter;  // "1 / 3 页"
    std::wstring zoomLabel;    // "适合窗口" or "150%"
    std::wstring actualSize;   // the "100%" button's caption
    bool previousEnabled = false;
    bool nextEnabled = false;
    std::wstring status;
    bool statusIsError = false;  // drawn red instead of green
    bool printEnabled = false;
    bool copiesEnabled = false;
    bool printerListEnabled = false;
    bool settingsEnabled = false;
};

[[nodiscard]] PreviewRefresh decideRefresh(const PreviewView& view, const PreviewWindowState& window);

}  // namespace ks::preview

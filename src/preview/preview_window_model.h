#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_record.h"
#include "platform/printer_records.h"
#include "preview/preview_session.h"
#include "protocol/result.h"
#include "raster/raster_page.h"

namespace ks::preview {

// How the page is scaled in the window: fitted to the page area, or a fixed
// scale where 1.0 shows one paper dot per screen pixel.
struct PreviewZoom {
    bool fit = true;
    double scale = 1.0;

    friend bool operator==(const PreviewZoom&, const PreviewZoom&) = default;
};

// Margins of the printable area, in device dots at the view's resolution.
struct PreviewMargins {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const PreviewMargins&, const PreviewMargins&) = default;
};

// One consistent copy of what the preview window shows, taken at once so
// that the window never mixes two states of the session.
struct PreviewView {
    raster::RasterPageList pages;  // never empty while a window shows it
    std::uint64_t pageIndex = 0;   // 0-based
    double paperWidthMm = 0;
    double paperHeightMm = 0;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    std::uint32_t copies = 1;
    bool landscape = false;
    PreviewMargins margins;
    PreviewZoom zoom;
    // Present when the current settings yield no printable page.
    std::optional<Error> settingsError;
    // The printer the job is prepared for (64 lower-case hex characters).
    std::string printerId;
    // A print started from the window is being submitted.
    bool printInFlight = false;
};

// What the preview window reads from and does to the preview it shows. The
// window owns its model and calls it only on the UI thread that runs the
// window; the model takes whatever locks the session needs. Operations that
// reach the printer catalogue may block on the spooler.
class IPreviewWindowModel {
public:
    IPreviewWindowModel() = default;
    IPreviewWindowModel(const IPreviewWindowModel&) = delete;
    IPreviewWindowModel& operator=(const IPreviewWindowModel&) = delete;
    virtual ~IPreviewWindowModel() = default;

    // A snapshot of the session.
    [[nodiscard]] virtual PreviewView view() const = 0;

    // Moves to another page; an index past the last page is ignored.
    virtual void setPageIndex(std::uint64_t index) = 0;

    // Stores the zoom; a scale that is not finite or not greater than 0 is
    // ignored and the previous zoom kept.
    virtual void setZoom(PreviewZoom zoom) = 0;

    // Stores the number of copies (the window clamps it to 1–999 first).
    virtual void setCopies(std::uint32_t copies) = 0;

    // The installed printers in catalogue order (id, names and status only),
    // or the catalogue's error.
    [[nodiscard]] virtual Result<std::vector<platform::PrinterCapabilities>> listPrinters() = 0;

    // One printer's full capability record, queried afresh, or the
    // catalogue's error (KSR-2001 when no printer has that id).
    [[nodiscard]] virtual Result<platform::PrinterCapabilities> printerCapabilities(std::string_view printerId) = 0;

    // Re-targets the session to `printer`: picks the resolution, converts
    // margins and offsets, records the printer and checks the pages against
    // it. On error the session keeps its previous target.
    [[nodiscard]] virtual Result<void> retarget(const platform::PrinterCapabilities& printer) = 0;

    // A copy of the session's settings, for the settings dialog to start from.
    [[nodiscard]] virtual PreviewSettings settings() const = 0;

    // Makes `settings` the session's and converts them into the job (see
    // applySettings). On error the session is unchanged.
    [[nodiscard]] virtual Result<void> applySettings(const PreviewSettings& settings) = 0;

    // Whether printing from the window and its settings dialog are offered;
    // the window's own conditions (a ready printer, no error, no print in
    // flight) come on top.
    [[nodiscard]] virtual bool printingEnabled() const = 0;
    [[nodiscard]] virtual bool settingsEnabled() const = 0;

    // Starts printing the session as it stands, on the host's print thread:
    // the print's work id, or KSR-4006/4007 when it cannot start.
    [[nodiscard]] virtual Result<std::uint64_t> startPrint() = 0;

    // The job manager's record or the error of the print `workId`, once it
    // has finished; the print is then over. Nullopt while it runs or when it
    // is not a print of this session. A record stops closing the window
    // from cancelling the job.
    [[nodiscard]] virtual std::optional<Result<jobs::JobRecord>> takePrintResult(std::uint64_t workId) = 0;

    // The user asked to close the window (close box, "关闭", Escape). While
    // closing still cancels the job, the job is cancelled and the session
    // ended; once it no longer does, nothing is done here. Success lets the
    // window destroy itself; an error keeps it open, showing the error.
    [[nodiscard]] virtual Result<void> userClose() = 0;

    // The window is being destroyed (WM_NCDESTROY), whatever the reason:
    // the model drops the host's reference to the window and, when closing
    // still cancels the job and the session is still active, cancels the job
    // from the UI side. The model is destroyed right after.
    virtual void windowDestroyed() noexcept = 0;
};

}  // namespace ks::preview

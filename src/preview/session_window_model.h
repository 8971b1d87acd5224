#pragma once

#include <functional>
#include <memory>

#include "preview/preview_coordinator.h"
#include "preview/preview_print_runner.h"
#include "preview/preview_session.h"
#include "preview/preview_window_model.h"
#include "printers/printer_catalog.h"

namespace ks::preview {

// The preview window's model over a real session: reads and writes the
// session under its lock, reaches printers through the catalogue and closes
// through the coordinator; prints through `printing`.
class SessionWindowModel final : public IPreviewWindowModel {
public:
    // `windowGone` tells the host that the window is being destroyed.
    SessionWindowModel(std::shared_ptr<PreviewSession> session, PreviewCoordinator& coordinator,
                       printers::PrinterCatalog& catalog, std::function<void()> windowGone,
                       PreviewPrintFunctions printing = {});

    [[nodiscard]] PreviewView view() const override;
    void setPageIndex(std::uint64_t index) override;
    void setZoom(PreviewZoom zoom) override;
    void setCopies(std::uint32_t copies) override;
    [[nodiscard]] Result<std::vector<platform::PrinterCapabilities>> listPrinters() override;
    [[nodiscard]] Result<platform::PrinterCapabilities> printerCapabilities(std::string_view printerId) override;
    [[nodiscard]] Result<void> retarget(const platform::PrinterCapabilities& printer) override;
    [[nodiscard]] PreviewSettings settings() const override;
    [[nodiscard]] Result<void> applySettings(const PreviewSettings& settings) override;
    [[nodiscard]] bool printingEnabled() const override { return static_cast<bool>(printing_.start); }
    [[nodiscard]] bool settingsEnabled() const override { return true; }
    [[nodiscard]] Result<std::uint64_t> startPrint() override;
    [[nodiscard]] std::optional<Result<jobs::JobRecord>> takePrintResult(std::uint64_t workId) override;
    [[nodiscard]] Result<void> userClose() override;
    void windowDestroyed() noexcept override;

private:
    // Whether closing the window now cancels the job: no print result came
    // back, the session is still the active one and nothing was printed
    // from it.
    bool closingCancels() const;

    std::shared_ptr<PreviewSession> session_;
    PreviewCoordinator& coordinator_;
    printers::PrinterCatalog& catalog_;
    std::function<void()> windowGone_;
    std::string clientJobId_;
    PreviewPrintFunctions printing_;
    bool closeCancels_ = true;
};

}  // namespace ks::preview

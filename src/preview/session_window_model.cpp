#include "preview/session_window_model.h"

#include <cmath>
#include <utility>

#include "preview/apply_settings.h"
#include "preview/session_retarget.h"
#include "protocol/error_catalog.h"

namespace ks::preview {

SessionWindowModel::SessionWindowModel(std::shared_ptr<PreviewSession> session, PreviewCoordinator& coordinator,
                                       printers::PrinterCatalog& catalog, std::function<void()> windowGone,
                                       PreviewPrintFunctions printing)
    : session_(std::move(session)),
      coordinator_(coordinator),
      catalog_(catalog),
      windowGone_(std::move(windowGone)),
      clientJobId_(session_->clientJobId()),
      printing_(std::move(printing)) {}

PreviewView SessionWindowModel::view() const {
    return session_->withState([](const PreviewSessionState& state) {
        const auto& ticket = state.job.ticket;
        PreviewView view;
        view.pages = state.job.pages;
        view.pageIndex = state.pageIndex;
        view.paperWidthMm = ticket.paperWidthMm;
        view.paperHeightMm = ticket.paperHeightMm;
        view.dpiX = ticket.dpiX;
        view.dpiY = ticket.dpiY;
        view.copies = ticket.copies;
        view.landscape = ticket.orientation == 1;
        view.margins = {static_cast<std::int32_t>(ticket.marginLeft), static_cast<std::int32_t>(ticket.marginTop),
                        static_cast<std::int32_t>(ticket.marginRight), static_cast<std::int32_t>(ticket.marginBottom)};
        view.zoom = {state.zoom.fit, state.zoom.scale};
        view.settingsError = state.settingsError;
        view.printerId = ticket.printerId;
        return view;
    });
}

void SessionWindowModel::setPageIndex(std::uint64_t index) {
    session_->withState([index](PreviewSessionState& state) {
        if (state.job.pages && index < state.job.pages->size()) state.pageIndex = index;
    });
}

void SessionWindowModel::setZoom(PreviewZoom zoom) {
    if (!std::isfinite(zoom.scale) || zoom.scale <= 0) return;
    session_->withState([zoom](PreviewSessionState& state) { state.zoom = {zoom.fit, zoom.scale}; });
}

void SessionWindowModel::setCopies(std::uint32_t copies) {
    session_->withState([copies](PreviewSessionState& state) { state.job.ticket.copies = copies; });
}

Result<std::vector<platform::PrinterCapabilities>> SessionWindowModel::listPrinters() {
    return catalog_.listPrinters();
}

Result<platform::PrinterCapabilities> SessionWindowModel::printerCapabilities(std::string_view printerId) {
    return catalog_.capabilities(printerId);
}

Result<void> SessionWindowModel::retarget(const platform::PrinterCapabilities& printer) {
    return session_->withState([&printer](PreviewSessionState& state) { return retargetSession(state, printer); });
}

Result<std::uint64_t> SessionWindowModel::startPrint() {
    if (!printing_.start) return Error(protocol::codes::kPreviewBusy, protocol::messages::kPreviewPrintBusyOrClosed);
    return printing_.start(session_);
}

std::optional<Result<jobs::JobRecord>> SessionWindowModel::takePrintResult(std::uint64_t workId) {
    if (!printing_.take) return std::nullopt;
    std::optional<PreviewPrintOutcome> outcome = printing_.take(workId);
    if (!outcome || outcome->session != session_) return std::nullopt;
    if (outcome->result) closeCancels_ = false;
    return std::move(outcome->result);
}

PreviewSettings SessionWindowModel::settings() const {
    return session_->withState([](const PreviewSessionState& state) { return state.settings; });
}

Result<void> SessionWindowModel::applySettings(const PreviewSettings& settings) {
    return session_->withState(
        [&settings](PreviewSessionState& state) { return preview::applySettings(state, settings); });
}

bool SessionWindowModel::closingCancels() const {
    return closeCancels_ && coordinator_.IsActive(session_) &&
           !session_->withState([](const PreviewSessionState& state) { return state.printed; });
}

Result<void> SessionWindowModel::userClose() {
    // Cancelling from the window ends the session whatever the job manager
    // answers, and touches only a job that is still just previewed.
    if (closingCancels()) static_cast<void>(coordinator_.Cancel(clientJobId_, /*fromUi=*/true));
    if (coordinator_.IsActive(session_)) return coordinator_.EndSession(clientJobId_);
    return {};
}

void SessionWindowModel::windowDestroyed() noexcept {
    // Destroyed without the user's close (the service stopping): an
    // unprinted job does not stay behind as previewing.
    try {
        if (closingCancels()) static_cast<void>(coordinator_.Cancel(clientJobId_, /*fromUi=*/true));
    } catch (...) {
        // The window is going either way; the job keeps its state.
    }
    if (windowGone_) windowGone_();
}

}  // namespace ks::preview

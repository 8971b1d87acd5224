#include "preview/preview_session.h"

#include <algorithm>

namespace ks::preview {
namespace {

constexpr std::uint32_t kMinCopies = 1;
constexpr std::uint32_t kMaxCopies = 999;

PreviewSessionState initialState(jobs::PreparedJob job) {
    PreviewSessionState state;
    auto& ticket = job.ticket;
    ticket.copies = std::clamp(ticket.copies, kMinCopies, kMaxCopies);
    ticket.orientation = ticket.paperWidthMm > ticket.paperHeightMm ? 1 : 0;
    state.settings.paperWidthMm = ticket.paperWidthMm;
    state.settings.paperHeightMm = ticket.paperHeightMm;
    state.settings.dpiX = ticket.dpiX;
    state.settings.dpiY = ticket.dpiY;
    state.settings.landscape = ticket.orientation;
    state.job = std::move(job);
    return state;
}

}  // namespace

PreviewSession::PreviewSession(jobs::PreparedJob job) : state_(initialState(std::move(job))) {}

std::string PreviewSession::clientJobId() const {
    const platform::MutexLock lock(mutex_);
    return state_.job.clientJobId;
}

}  // namespace ks::preview

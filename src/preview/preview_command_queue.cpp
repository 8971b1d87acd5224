#include "preview/preview_command_queue.h"

#include <utility>

#include "protocol/error_catalog.h"

namespace ks::preview {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

using Lock = platform::MutexLock<platform::Mutex>;

Error previewFailure(std::wstring_view message) { return Error(codes::kPreviewFailure, message); }

}  // namespace

PreviewCommandQueue::PreviewCommandQueue(PostCommand post) : post_(std::move(post)) {}

Result<void> PreviewCommandQueue::bind(PreviewCoordinator& coordinator, printers::PrinterCatalog& catalog) {
    const Lock lock(mutex_);
    if (closed_ || coordinator_ != nullptr || catalog_ != nullptr) {
        return previewFailure(messages::kPreviewAlreadyBound);
    }
    coordinator_ = &coordinator;
    catalog_ = &catalog;
    return {};
}

Result<bool> PreviewCommandQueue::ShowPreview(std::shared_ptr<PreviewSession> session) {
    const bool hasPages = session && session->withState([](const PreviewSessionState& state) {
        return state.job.pages && !state.job.pages->empty();
    });
    if (!hasPages) return previewFailure(messages::kPreviewSessionNoPages);
    auto command = std::make_unique<PreviewCommand>();
    command->jobId = session->clientJobId();
    command->session = std::move(session);
    return post(std::move(command));
}

Result<bool> PreviewCommandQueue::ShowPreparing(const std::string& jobId) {
    auto command = std::make_unique<PreviewCommand>();
    command->jobId = jobId;
    command->preparing = 1;
    return post(std::move(command));
}

Result<bool> PreviewCommandQueue::ClosePreview(const std::string& jobId) {
    if (jobId.empty()) return previewFailure(messages::kPreviewCloseJobIdMissing);
    auto command = std::make_unique<PreviewCommand>();
    command->jobId = jobId;
    return post(std::move(command));
}

Result<bool> PreviewCommandQueue::post(std::unique_ptr<PreviewCommand> command) {
    // A command that does not reach the table dies with `command` when this
    // returns, after the lock is released.
    const Lock lock(mutex_);
    if (closed_ || coordinator_ == nullptr || catalog_ == nullptr || !post_) {
        return previewFailure(messages::kPreviewHostNotBound);
    }
    const std::uint64_t id = ++counter_;
    const auto [entry, inserted] = pending_.try_emplace(id);
    if (!inserted) return previewFailure(messages::kPreviewMessageIdsExhausted);
    // The entry holds the command before the message leaves, so the UI thread
    // finds it however soon the message arrives; it waits for this lock.
    if (!post_(id, command.get())) {
        pending_.erase(entry);
        return previewFailure(messages::kPreviewPostFailed);
    }
    entry->second = std::move(command);
    return true;
}

std::unique_ptr<PreviewCommand> PreviewCommandQueue::take(std::uint64_t id, const PreviewCommand* address) {
    const Lock lock(mutex_);
    const auto entry = pending_.find(id);
    if (entry == pending_.end() || entry->second.get() != address || address == nullptr) return nullptr;
    auto command = std::move(entry->second);
    pending_.erase(entry);
    return command;
}

std::optional<std::vector<std::unique_ptr<PreviewCommand>>> PreviewCommandQueue::close() {
    const Lock lock(mutex_);
    if (closed_) return std::nullopt;
    closed_ = true;
    std::vector<std::unique_ptr<PreviewCommand>> commands;
    commands.reserve(pending_.size());
    for (auto& entry : pending_) commands.push_back(std::move(entry.second));
    pending_.clear();
    return commands;
}

std::optional<std::uint64_t> PreviewCommandQueue::nextId() {
    const Lock lock(mutex_);
    if (closed_) return std::nullopt;
    return ++counter_;
}

void PreviewCommandQueue::unbind() {
    const Lock lock(mutex_);
    coordinator_ = nullptr;
    catalog_ = nullptr;
}

PreviewCoordinator* PreviewCommandQueue::coordinator() const {
    const Lock lock(mutex_);
    return coordinator_;
}

printers::PrinterCatalog* PreviewCommandQueue::catalog() const {
    const Lock lock(mutex_);
    return catalog_;
}

}  // namespace ks::preview

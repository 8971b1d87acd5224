#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/mutex.h"
#include "preview/preview_command.h"
#include "preview/preview_host.h"
#include "protocol/result.h"

namespace ks::printers {
class PrinterCatalog;
}

namespace ks::preview {

class PreviewCoordinator;

// Hands `command` to the UI thread under `id` (a posted window message on
// Windows). True when it is on its way; the command stays owned by the
// queue either way.
using PostCommand = std::function<bool(std::uint64_t id, PreviewCommand* command)>;

// The pending-command table between the threads that ask for windows and the
// UI thread that makes them. A command is owned by exactly one place at a
// time: the posting thread, then the table, then whoever takes it out (the
// UI thread receiving its message, or the shutdown that closes the queue),
// so it is destroyed exactly once even when its message is lost.
//
// Any thread may call. The mutex guards only the fields below and is held
// while posting, which never waits for the UI thread.
class PreviewCommandQueue final : public IPreviewHost {
public:
    explicit PreviewCommandQueue(PostCommand post);

    // Keeps both references until unbind(). KSR-4007 when already bound or
    // closed.
    [[nodiscard]] Result<void> bind(PreviewCoordinator& coordinator, printers::PrinterCatalog& catalog)
        KS_EXCLUDES(mutex_);

    // Each posts one command. Besides its own refusals: KSR-4007 when
    // unbound or closed, when the ids ran out or when posting failed.
    [[nodiscard]] Result<bool> ShowPreview(std::shared_ptr<PreviewSession> session) override KS_EXCLUDES(mutex_);
    [[nodiscard]] Result<bool> ShowPreparing(const std::string& jobId) override KS_EXCLUDES(mutex_);
    [[nodiscard]] Result<bool> ClosePreview(const std::string& jobId) override KS_EXCLUDES(mutex_);

    // The command posted under `id`, if it is still pending and is the one at
    // `address`; otherwise null and the table is left as it is (a stale or
    // forged message).
    [[nodiscard]] std::unique_ptr<PreviewCommand> take(std::uint64_t id, const PreviewCommand* address)
        KS_EXCLUDES(mutex_);

    // Closes the queue for good and hands back every command still pending;
    // nullopt when it was closed already.
    [[nodiscard]] std::optional<std::vector<std::unique_ptr<PreviewCommand>>> close() KS_EXCLUDES(mutex_);

    // The next number of the counter that numbers the commands, for other
    // work that must never share an id with one; nullopt once closed.
    [[nodiscard]] std::optional<std::uint64_t> nextId() KS_EXCLUDES(mutex_);

    // Forgets the references given to bind().
    void unbind() KS_EXCLUDES(mutex_);

    // What bind() received; null before bind() and after unbind().
    [[nodiscard]] PreviewCoordinator* coordinator() const KS_EXCLUDES(mutex_);
    [[nodiscard]] printers::PrinterCatalog* catalog() const KS_EXCLUDES(mutex_);

private:
    Result<bool> post(std::unique_ptr<PreviewCommand> command) KS_EXCLUDES(mutex_);

    PostCommand post_;
    mutable platform::Mutex mutex_;
    bool closed_ KS_GUARDED_BY(mutex_) = false;
    PreviewCoordinator* coordinator_ KS_GUARDED_BY(mutex_) = nullptr;
    printers::PrinterCatalog* catalog_ KS_GUARDED_BY(mutex_) = nullptr;
    std::uint64_t counter_ KS_GUARDED_BY(mutex_) = 0;
    std::unordered_map<std::uint64_t, std::unique_ptr<PreviewCommand>> pending_ KS_GUARDED_BY(mutex_);
};

}  // namespace ks::preview

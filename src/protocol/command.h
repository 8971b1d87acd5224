#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ks::protocol {

// Internal command numbers; never sent on the wire.
enum class CommandId : std::uint32_t {
    SystemHello = 0,
    SystemHealth = 1,
    PrintersList = 2,
    PrintersCapabilities = 3,
    JobsPreview = 4,
    JobsPrint = 5,
    JobsStatus = 6,
    JobsCancel = 7,
    SettingsGetCalibration = 8,
    SettingsOpenCalibration = 9,
    JobsPreviewPrepare = 10,
    JobsPreviewComplete = 11,
    JobsPreviewDismiss = 12,
};

// The member that carries a command's payload in the request object.
enum class PayloadKind { None, Printer, JobReference, Job };

// Looks a command name up, exactly and case-sensitively.
std::optional<CommandId> findCommand(std::string_view name);

PayloadKind payloadOf(CommandId command);

// The request member name for a payload kind ("printer", "jobReference",
// "job"); empty for None.
std::string_view payloadMemberName(PayloadKind kind);

// Only the three job commands may carry blobs.
bool acceptsBlobs(CommandId command);

}  // namespace ks::protocol

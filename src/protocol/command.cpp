#include "protocol/command.h"

#include <array>

namespace ks::protocol {
namespace {

struct CommandEntry {
    std::string_view name;
    CommandId id;
    PayloadKind payload;
};

// Searched in this order; the first equal name wins.
constexpr std::array<CommandEntry, 13> kCommands{{
    {"system.hello", CommandId::SystemHello, PayloadKind::None},
    {"system.health", CommandId::SystemHealth, PayloadKind::None},
    {"printers.list", CommandId::PrintersList, PayloadKind::None},
    {"printers.capabilities", CommandId::PrintersCapabilities, PayloadKind::Printer},
    {"jobs.preview", CommandId::JobsPreview, PayloadKind::Job},
    {"jobs.preview.prepare", CommandId::JobsPreviewPrepare, PayloadKind::JobReference},
    {"jobs.preview.complete", CommandId::JobsPreviewComplete, PayloadKind::Job},
    {"jobs.preview.dismiss", CommandId::JobsPreviewDismiss, PayloadKind::JobReference},
    {"jobs.print", CommandId::JobsPrint, PayloadKind::Job},
    {"jobs.status", CommandId::JobsStatus, PayloadKind::JobReference},
    {"jobs.cancel", CommandId::JobsCancel, PayloadKind::JobReference},
    {"settings.getCalibration", CommandId::SettingsGetCalibration, PayloadKind::None},
    {"settings.openCalibration", CommandId::SettingsOpenCalibration, PayloadKind::None},
}};

}  // namespace

std::optional<CommandId> findCommand(std::string_view name) {
    for (const auto& entry : kCommands) {
        if (entry.name == name) return entry.id;
    }
    return std::nullopt;
}

PayloadKind payloadOf(CommandId command) {
    for (const auto& entry : kCommands) {
        if (entry.id == command) return entry.payload;
    }
    return PayloadKind::None;
}

std::string_view payloadMemberName(PayloadKind kind) {
    switch (kind) {
        case PayloadKind::Printer: return "printer";
        case PayloadKind::JobReference: return "jobReference";
        case PayloadKind::Job: return "job";
        case PayloadKind::None: break;
    }
    return {};
}

bool acceptsBlobs(CommandId command) { return payloadOf(command) == PayloadKind::Job; }

}  // namespace ks::protocol

#include "printers/printer_catalog.h"

#include <utility>

#include "printers/printer_identity.h"
#include "protocol/error_catalog.h"

namespace ks::printers {
namespace {

// The catalogue's part of a capability record: identity and digest.
platform::PrinterCapabilities withDigests(platform::PrinterCapabilities record, std::string printerId) {
    record.printerId = std::move(printerId);
    record.capabilityHash = capabilityHashOf(record);
    return record;
}

}  // namespace

Result<std::vector<platform::PrinterCapabilities>> PrinterCatalog::listPrinters() {
    auto printers = winspool_.enumeratePrinters();
    if (!printers) return std::move(printers).error();
    std::vector<platform::PrinterCapabilities> entries;
    entries.reserve(printers.value().size());
    for (const auto& info : printers.value()) {
        auto printerId = printerIdIfAny(info);
        if (!printerId) continue;
        platform::PrinterCapabilities entry;
        entry.printerId = std::move(*printerId);
        entry.name = info.name;
        entry.driverName = info.driverName;
        entry.portName = info.portName;
        entry.status = info.status;
        entries.push_back(std::move(entry));
    }
    return entries;
}

Result<platform::PrinterCapabilities> PrinterCatalog::capabilities(std::string_view printerId) {
    auto printers = winspool_.enumeratePrinters();
    if (!printers) return std::move(printers).error();
    for (const auto& info : printers.value()) {
        if (printerIdIfAny(info) != printerId) continue;
        auto record = winspool_.queryCapabilities(info);
        if (!record) return record;
        return withDigests(std::move(record).value(), std::string(printerId));
    }
    return Error(protocol::codes::kPrinterNotFound, protocol::messages::kPrinterNotFound);
}

Result<std::vector<platform::PrinterCapabilities>> PrinterCatalog::listPrintersWithCapabilities() {
    auto printers = winspool_.enumeratePrinters();
    if (!printers) return std::move(printers).error();
    std::vector<platform::PrinterCapabilities> records;
    records.reserve(printers.value().size());
    for (const auto& info : printers.value()) {
        auto printerId = printerIdIfAny(info);
        if (!printerId) continue;
        auto record = winspool_.queryCapabilities(info);
        if (!record) return std::move(record).error();
        records.push_back(withDigests(std::move(record).value(), std::move(*printerId)));
    }
    return records;
}

}  // namespace ks::printers

#include "printers/printer_catalog.h"

#include <utility>

#include "printers/printer_identity.h"
#include "protocol/error_catalog.h"

namespace ks::printers {

Result<std::vector<platform::PrinterCapabilities>> PrinterCatalog::listPrinters() {
    auto printers = winspool_.enumeratePrinters();
    if (!printers) return std::move(printers).error();
    std::vector<platform::PrinterCapabilities> entries;
    entries.reserve(printers.value().size());
    for (const auto& info : printers.value()) {
        platform::PrinterCapabilities entry;
        entry.printerId = printerIdOf(info);
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
        if (printerIdOf(info) != printerId) continue;
        auto record = winspool_.queryCapabilities(info);
        if (!record) return record;
        record.value().printerId = std::string(printerId);
        record.value().capabilityHash = capabilityHashOf(record.value());
        return record;
    }
    return Error(protocol::codes::kPrinterNotFound, protocol::messages::kPrinterNotFound);
}

Result<std::vector<platform::PrinterCapabilities>> PrinterCatalog::listPrintersWithCapabilities() {
    auto printers = winspool_.enumeratePrinters();
    if (!printers) return std::move(printers).error();
    std::vector<platform::PrinterCapabilities> records;
    records.reserve(printers.value().size());
    for (const auto& info : printers.value()) {
        auto record = winspool_.queryCapabilities(info);
        if (!record) return std::move(record).error();
        record.value().printerId = printerIdOf(info);
        record.value().capabilityHash = capabilityHashOf(record.value());
        records.push_back(std::move(record).value());
    }
    return records;
}

}  // namespace ks::printers

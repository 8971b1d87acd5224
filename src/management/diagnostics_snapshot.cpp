#include "management/diagnostics_snapshot.h"

#include <exception>

namespace ks::management {
namespace {

std::optional<WindowsVersion> readWindowsVersion(const WindowsVersionProvider& provider) {
    if (!provider) return std::nullopt;
    try {
        return provider();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void readPrinters(printers::PrinterCatalog& catalog, DiagnosticsSnapshot& snapshot) {
    try {
        const auto printers = catalog.listPrintersWithCapabilities();
        if (!printers) return;
        for (const auto& record : printers.value()) snapshot.printers.push_back(toPrinterDiagnostics(record));
        snapshot.printersRead = true;
    } catch (const std::exception&) {
        snapshot.printers.clear();
        snapshot.printersRead = false;
    }
}

}  // namespace

DiagnosticsSnapshot collectDiagnosticsSnapshot(const WindowsVersionProvider& windowsVersion,
                                               const ServiceRunningProvider& serviceRunning, bool previewBusy,
                                               printers::PrinterCatalog& catalog, const LatestJobProvider& latestJob) {
    DiagnosticsSnapshot snapshot;
    snapshot.windowsVersion = readWindowsVersion(windowsVersion);
    readPrinters(catalog, snapshot);
    snapshot.serviceRunning = serviceRunning ? serviceRunning() : true;
    snapshot.previewBusy = previewBusy;
    if (latestJob) snapshot.latestJob = latestJob();
    return snapshot;
}

}  // namespace ks::management

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jobs/job_record.h"
#include "platform/printer_records.h"

namespace ks::management {

// The running system's version, as RtlGetVersion and GetNativeSystemInfo
// report it.
struct WindowsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t architecture = 0;  // 0 x86, 1 x64, 2 ARM64, 3 other

    friend bool operator==(const WindowsVersion&, const WindowsVersion&) = default;
};

// What the diagnostics report tells about one printer.
struct PrinterDiagnostics {
    std::wstring name;
    std::wstring driverName;
    std::wstring portName;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    std::vector<platform::PaperSize> papers;
    platform::PrinterStatus status = platform::PrinterStatus::Ready;
    std::string capabilityHash;  // UTF-8

    friend bool operator==(const PrinterDiagnostics&, const PrinterDiagnostics&) = default;
};

// Everything one report is built from, read at one refresh.
struct DiagnosticsSnapshot {
    std::optional<WindowsVersion> windowsVersion;
    bool serviceRunning = false;
    bool previewBusy = false;
    std::vector<PrinterDiagnostics> printers;
    bool printersRead = false;  // false: the printer list could not be obtained
    std::optional<jobs::LatestJobStatus> latestJob;
};

[[nodiscard]] PrinterDiagnostics toPrinterDiagnostics(const platform::PrinterCapabilities& record);

// The plain-text report, "\r\n" line ends throughout.
[[nodiscard]] std::wstring buildDiagnosticsText(const DiagnosticsSnapshot& snapshot);

}  // namespace ks::management

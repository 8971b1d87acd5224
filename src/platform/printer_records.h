#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ks::platform {

// Mapped spooler status. Values outside the named ones are reported as
// "Unknown".
enum class PrinterStatus : std::uint32_t {
    Ready = 0,
    Offline = 1,
    Paused = 2,
    PaperOut = 3,
    Error = 4,
};

// One installed printer as the spooler lists it.
struct PrinterInfo {
    std::wstring name;  // queue name, used for every later spooler call
    std::wstring driverName;
    std::wstring portName;
    PrinterStatus status = PrinterStatus::Ready;

    friend bool operator==(const PrinterInfo&, const PrinterInfo&) = default;
};

// One paper the driver offers.
struct PaperSize {
    std::uint16_t paperId = 0;  // DMPAPER value or a driver-specific number
    std::uint32_t widthMicrometers = 0;
    std::uint32_t heightMicrometers = 0;
    bool landscape = false;  // the printer's default orientation is landscape

    friend bool operator==(const PaperSize&, const PaperSize&) = default;
};

struct Resolution {
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;

    friend bool operator==(const Resolution&, const Resolution&) = default;
};

// The capability record of one printer, in device dots of its default
// settings. printerId and capabilityHash are filled by the printer catalogue.
struct PrinterCapabilities {
    std::string printerId;
    std::wstring name;
    std::wstring driverName;
    std::wstring portName;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    std::vector<PaperSize> papers;
    std::uint32_t physicalWidthDots = 0;
    std::uint32_t physicalHeightDots = 0;
    std::int32_t printableLeftDots = 0;
    std::int32_t printableTopDots = 0;
    std::uint32_t printableWidthDots = 0;
    std::uint32_t printableHeightDots = 0;
    PrinterStatus status = PrinterStatus::Ready;
    std::string capabilityHash;
    std::vector<Resolution> resolutions;

    friend bool operator==(const PrinterCapabilities&, const PrinterCapabilities&) = default;
};

}  // namespace ks::platform

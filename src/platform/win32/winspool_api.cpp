#include "platform/win32/winspool_api.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "protocol/error_catalog.h"
#include "protocol/error_text.h"

namespace ks::platform {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

// Local printers and connections, as the spooler lists them.
constexpr DWORD kEnumerationFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

Error win32Error(std::string_view code, std::wstring_view message, DWORD lastError) {
    return Error(code, protocol::withWin32Suffix(message, lastError));
}

std::wstring textOrEmpty(const wchar_t* text) { return text == nullptr ? std::wstring() : std::wstring(text); }

// A zero-filled buffer of at least `bytes` bytes, suitably aligned for the
// spooler structures written into it (new[] aligns for any scalar type).
std::unique_ptr<std::byte[]> zeroedBuffer(std::size_t bytes) { return std::make_unique<std::byte[]>(bytes); }

// tenths of a millimetre → micrometres; nullopt for a dimension that is not
// positive or does not fit the record's 32 bits.
std::optional<std::uint32_t> micrometresFromTenths(LONG tenths) {
    if (tenths <= 0) return std::nullopt;
    const std::uint64_t micrometres = static_cast<std::uint64_t>(tenths) * 100;
    if (micrometres > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(micrometres);
}

}  // namespace

WinspoolFunctions systemWinspoolFunctions() {
    return {::GetDefaultPrinterW, ::EnumPrintersW, ::OpenPrinterW,  ::ClosePrinter,       ::DocumentPropertiesW,
            ::CreateDCW,          ::DeleteDC,      ::GetDeviceCaps, ::DeviceCapabilitiesW};
}

PrinterStatus printerStatusFromSpooler(DWORD spoolerStatus) noexcept {
    constexpr DWORD kErrorBits = PRINTER_STATUS_ERROR | PRINTER_STATUS_NOT_AVAILABLE |
                                 PRINTER_STATUS_USER_INTERVENTION | PRINTER_STATUS_DOOR_OPEN;
    if ((spoolerStatus & PRINTER_STATUS_OFFLINE) != 0) return PrinterStatus::Offline;
    if ((spoolerStatus & PRINTER_STATUS_PAUSED) != 0) return PrinterStatus::Paused;
    if ((spoolerStatus & PRINTER_STATUS_PAPER_OUT) != 0) return PrinterStatus::PaperOut;
    if ((spoolerStatus & kErrorBits) != 0) return PrinterStatus::Error;
    return PrinterStatus::Ready;
}

WinspoolApi::WinspoolApi(WinspoolFunctions functions) : functions_(std::move(functions)) {}

std::wstring WinspoolApi::defaultPrinterName() {
    DWORD length = 0;
    // The sizing call fails by design (insufficient buffer); only the length
    // it reports matters.
    static_cast<void>(functions_.getDefaultPrinter(nullptr, &length));
    if (length == 0) return {};
    std::wstring name(length, L'\0');
    if (!functions_.getDefaultPrinter(name.data(), &length)) return {};
    name.resize(length == 0 ? 0 : std::min<std::size_t>(length - 1, name.size()));
    return name;
}

Result<std::vector<PrinterInfo>> WinspoolApi::enumeratePrinters() {
    DWORD needed = 0;
    DWORD returned = 0;
    // Cleared first so that a spooler that fails without setting an error
    // reports 0 rather than whatever an earlier call left behind.
    ::SetLastError(0);
    if (!functions_.enumPrinters(kEnumerationFlags, nullptr, 2, nullptr, 0, &needed, &returned)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) {
            return win32Error(codes::kPrinterEnumerationFailed, messages::kPrinterEnumerationFailed, error);
        }
    }
    if (needed == 0) return std::vector<PrinterInfo>{};

    const auto buffer = zeroedBuffer(needed);
    returned = 0;
    if (!functions_.enumPrinters(kEnumerationFlags, nullptr, 2, reinterpret_cast<LPBYTE>(buffer.get()), needed, &needed,
                                 &returned)) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kPrinterEnumerationFailed, messages::kPrinterEnumerationFailed, error);
    }

    const auto* entries = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.get());
    std::vector<PrinterInfo> printers;
    printers.reserve(returned);
    for (DWORD i = 0; i < returned; ++i) {
        const PRINTER_INFO_2W& entry = entries[i];
        PrinterInfo info{textOrEmpty(entry.pPrinterName), textOrEmpty(entry.pDriverName), textOrEmpty(entry.pPortName),
                         printerStatusFromSpooler(entry.Status)};
        // Entries without a name, driver or port cannot be opened or printed
        // to (some connections have no port); duplicates are the spooler's
        // business and stay.
        if (info.name.empty() || info.driverName.empty() || info.portName.empty()) continue;
        printers.push_back(std::move(info));
    }
    return printers;
}

Result<PrinterHandleOwner> WinspoolApi::openPrinter(std::wstring_view name) const {
    std::wstring mutableName(name);  // OpenPrinterW takes a non-const name
    HANDLE handle = nullptr;
    if (!functions_.openPrinter(mutableName.data(), &handle, nullptr)) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kPrinterOpenFailed, messages::kPrinterOpenFailed, error);
    }
    return PrinterHandleOwner(handle, functions_.closePrinter);
}

Result<PrinterCapabilities> WinspoolApi::queryCapabilities(const PrinterInfo& info) {
    auto opened = openPrinter(info.name);
    if (!opened) return std::move(opened).error();
    const PrinterHandleOwner printer = std::move(opened).value();

    std::wstring deviceName = info.name;  // DocumentPropertiesW takes a non-const name
    const LONG devmodeSize =
        functions_.documentProperties(nullptr, printer.get(), deviceName.data(), nullptr, nullptr, 0);
    if (devmodeSize < 1) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kPrinterSettingsUnreadable, messages::kDevmodeUnreadable, error);
    }
    // At least a whole DEVMODEW, so that reading dmOrientation stays inside
    // the buffer even when a driver reports a smaller size.
    const auto devmodeBuffer =
        zeroedBuffer(std::max<std::size_t>(static_cast<std::size_t>(devmodeSize), sizeof(DEVMODEW)));
    auto* devmode = reinterpret_cast<DEVMODEW*>(devmodeBuffer.get());
    if (functions_.documentProperties(nullptr, printer.get(), deviceName.data(), devmode, nullptr, DM_OUT_BUFFER) !=
        IDOK) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kPrinterSettingsUnreadable, messages::kDevmodeUnreadable, error);
    }

    const DeviceContextOwner dc(functions_.createDC(L"WINSPOOL", info.name.c_str(), nullptr, devmode),
                                functions_.deleteDC);
    if (!dc) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kDeviceContextFailed, messages::kDeviceContextFailed, error);
    }

    const int dpiX = functions_.getDeviceCaps(dc.get(), LOGPIXELSX);
    const int dpiY = functions_.getDeviceCaps(dc.get(), LOGPIXELSY);
    const int physicalWidth = functions_.getDeviceCaps(dc.get(), PHYSICALWIDTH);
    const int physicalHeight = functions_.getDeviceCaps(dc.get(), PHYSICALHEIGHT);
    const int printableWidth = functions_.getDeviceCaps(dc.get(), HORZRES);
    const int printableHeight = functions_.getDeviceCaps(dc.get(), VERTRES);
    const int offsetX = functions_.getDeviceCaps(dc.get(), PHYSICALOFFSETX);
    const int offsetY = functions_.getDeviceCaps(dc.get(), PHYSICALOFFSETY);
    // The offsets may legitimately be 0 (or negative on odd drivers); every
    // other value is a size or a density and must be positive to print at all.
    if (std::min({dpiX, dpiY, physicalWidth, physicalHeight, printableWidth, printableHeight}) < 1) {
        return Error(codes::kDeviceCapabilitiesInvalid, messages::kDeviceCapabilitiesInvalid);
    }

    PrinterCapabilities capabilities;
    capabilities.name = info.name;
    capabilities.driverName = info.driverName;
    capabilities.portName = info.portName;
    capabilities.dpiX = static_cast<std::uint32_t>(dpiX);
    capabilities.dpiY = static_cast<std::uint32_t>(dpiY);
    capabilities.papers = readPapers(info, *devmode);
    capabilities.physicalWidthDots = static_cast<std::uint32_t>(physicalWidth);
    capabilities.physicalHeightDots = static_cast<std::uint32_t>(physicalHeight);
    capabilities.printableLeftDots = offsetX;
    capabilities.printableTopDots = offsetY;
    capabilities.printableWidthDots = static_cast<std::uint32_t>(printableWidth);
    capabilities.printableHeightDots = static_cast<std::uint32_t>(printableHeight);
    capabilities.status = info.status;
    capabilities.resolutions = readResolutions(info, *devmode);
    // The resolution the dots above are measured in is always offered, so the
    // list is never empty.
    const Resolution current{capabilities.dpiX, capabilities.dpiY};
    if (std::find(capabilities.resolutions.begin(), capabilities.resolutions.end(), current) ==
        capabilities.resolutions.end()) {
        capabilities.resolutions.push_back(current);
    }
    return capabilities;
}

// A paper query that fails leaves the list empty rather than failing the
// whole query: the device values alone still describe the default paper.
std::vector<PaperSize> WinspoolApi::readPapers(const PrinterInfo& info, const DEVMODEW& devmode) const {
    const int count =
        functions_.deviceCapabilities(info.name.c_str(), info.portName.c_str(), DC_PAPERS, nullptr, &devmode);
    if (count < 1) return {};
    const auto paperCount = static_cast<std::size_t>(count);
    std::vector<WORD> ids(paperCount);
    std::vector<POINT> sizes(paperCount);
    // Both lists must describe the same papers: with a count mismatch no index
    // can be trusted to pair an id with its size.
    if (functions_.deviceCapabilities(info.name.c_str(), info.portName.c_str(), DC_PAPERS,
                                      reinterpret_cast<LPWSTR>(ids.data()), &devmode) != count ||
        functions_.deviceCapabilities(info.name.c_str(), info.portName.c_str(), DC_PAPERSIZE,
                                      reinterpret_cast<LPWSTR>(sizes.data()), &devmode) != count) {
        return {};
    }
    // Orientation is a property of the printer's default settings, not of a
    // paper: every paper carries the same flag.
    const bool landscape = devmode.dmOrientation == DMORIENT_LANDSCAPE;
    std::vector<PaperSize> papers;
    papers.reserve(paperCount);
    for (std::size_t i = 0; i < paperCount; ++i) {
        const auto width = micrometresFromTenths(sizes[i].x);
        const auto height = micrometresFromTenths(sizes[i].y);
        if (!width || !height) continue;
        papers.push_back(PaperSize{ids[i], *width, *height, landscape});
    }
    return papers;
}

std::vector<Resolution> WinspoolApi::readResolutions(const PrinterInfo& info, const DEVMODEW& devmode) const {
    const int count =
        functions_.deviceCapabilities(info.name.c_str(), info.portName.c_str(), DC_ENUMRESOLUTIONS, nullptr, &devmode);
    if (count < 1) return {};
    // DC_ENUMRESOLUTIONS fills pairs of LONGs: x, then y.
    std::vector<LONG> pairs(static_cast<std::size_t>(count) * 2);
    if (functions_.deviceCapabilities(info.name.c_str(), info.portName.c_str(), DC_ENUMRESOLUTIONS,
                                      reinterpret_cast<LPWSTR>(pairs.data()), &devmode) != count) {
        return {};
    }
    std::vector<Resolution> resolutions;
    resolutions.reserve(static_cast<std::size_t>(count) + 1);
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        if (pairs[i] > 0 && pairs[i + 1] > 0) {
            resolutions.push_back(
                Resolution{static_cast<std::uint32_t>(pairs[i]), static_cast<std::uint32_t>(pairs[i + 1])});
        }
    }
    return resolutions;
}

}  // namespace ks::platform

#include "printing/win32/driver_settings.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "protocol/error_catalog.h"
#include "protocol/error_text.h"

namespace ks::printing {

DriverSettings::DriverSettings(const GdiPrintFunctions& functions, HANDLE printer, std::wstring printerName,
                               std::size_t size)
    : functions_(&functions),
      printer_(printer),
      printerName_(std::move(printerName)),
      size_(size),
      buffer_(std::make_unique<std::byte[]>(size)) {}

Result<DriverSettings> DriverSettings::read(const GdiPrintFunctions& functions, HANDLE printer,
                                            std::wstring printerName) {
    const LONG size = functions.documentProperties(nullptr, printer, printerName.data(), nullptr, nullptr, 0);
    if (size < 1) {
        const DWORD error = ::GetLastError();
        return Error(protocol::codes::kPrinterSettingsUnreadable,
                     protocol::withWin32Suffix(protocol::messages::kPrinterSettingsUnreadable, error));
    }
    // The driver's size covers its private bytes after DEVMODEW; never less
    // than the public part, which this code reads and writes.
    DriverSettings settings(functions, printer, std::move(printerName),
                            std::max(static_cast<std::size_t>(size), sizeof(DEVMODEW)));
    if (!settings.readDefaults()) {
        const DWORD error = ::GetLastError();
        return Error(protocol::codes::kPrinterSettingsUnreadable,
                     protocol::withWin32Suffix(protocol::messages::kPrinterSettingsUnreadable, error));
    }
    return settings;
}

bool DriverSettings::readDefaults() {
    std::fill_n(buffer_.get(), size_, std::byte{0});
    const LONG result = functions_->documentProperties(nullptr, printer_, printerName_.data(), &devmode(), nullptr,
                                                       DM_OUT_BUFFER);
    return result == IDOK && fits();
}

bool DriverSettings::apply() {
    // The driver reads its input while it writes its output: it gets a copy,
    // so that neither depends on how it orders the two.
    const auto input = std::make_unique<std::byte[]>(size_);
    std::memcpy(input.get(), buffer_.get(), size_);
    const LONG result =
        functions_->documentProperties(nullptr, printer_, printerName_.data(), &devmode(),
                                       reinterpret_cast<DEVMODEW*>(input.get()), DM_IN_BUFFER | DM_OUT_BUFFER);
    return result == IDOK && fits();
}

// A DEVMODE whose own sizes reach past the buffer would make the driver (or
// CreateDCW) read beyond it on the next call.
bool DriverSettings::fits() const noexcept {
    const DEVMODEW& mode = devmode();
    return std::size_t{mode.dmSize} + mode.dmDriverExtra <= size_;
}

}  // namespace ks::printing

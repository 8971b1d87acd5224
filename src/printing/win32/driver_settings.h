#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "printing/win32/gdi_print_functions.h"
#include "protocol/result.h"

namespace ks::printing {

// One printer's DEVMODE in a buffer of the size its driver asked for: the
// public DEVMODEW followed by the driver's private bytes. Every answer the
// driver writes is checked to stay inside that buffer before it is used or
// handed back to the driver. Borrows the function table and the printer
// handle, which must outlive it.
class DriverSettings {
public:
    // Asks the driver for the size of its DEVMODE and reads its defaults;
    // KSR-2004 "无法读取打印机设置" with the Win32 suffix when it cannot.
    [[nodiscard]] static Result<DriverSettings> read(const GdiPrintFunctions& functions, HANDLE printer,
                                                     std::wstring printerName);

    // Replaces the contents with the driver's defaults again; false when
    // the driver does not answer IDOK with a DEVMODE that fits the buffer.
    [[nodiscard]] bool readDefaults();

    // Hands the current contents to the driver for validation and takes the
    // driver's merged answer; true when it answered IDOK with a DEVMODE that
    // fits the buffer.
    [[nodiscard]] bool apply();

    DEVMODEW& devmode() noexcept { return *reinterpret_cast<DEVMODEW*>(buffer_.get()); }
    const DEVMODEW& devmode() const noexcept { return *reinterpret_cast<const DEVMODEW*>(buffer_.get()); }

private:
    DriverSettings(const GdiPrintFunctions& functions, HANDLE printer, std::wstring printerName, std::size_t size);

    [[nodiscard]] bool fits() const noexcept;

    const GdiPrintFunctions* functions_;
    HANDLE printer_;
    std::wstring printerName_;
    std::size_t size_;
    std::unique_ptr<std::byte[]> buffer_;
};

}  // namespace ks::printing

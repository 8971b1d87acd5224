#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/gdi_handles.h"
#include "printing/capability_source.h"
#include "printing/gdi_print_api.h"
#include "printing/page_geometry.h"
#include "printing/win32/gdi_print_functions.h"

namespace ks::printing {

// IGdiPrintApi over the spooler and GDI, reached only through the function
// table. The printer handle and device context of the open document are
// owned here and closed through the same table; the destructor aborts a
// document that is still open. Not movable: the owners borrow the table.
class GdiPrintApi final : public IGdiPrintApi {
public:
    GdiPrintApi(ICapabilitySource& capabilities, GdiPrintFunctions functions);
    ~GdiPrintApi() override;

    Result<std::uint32_t> beginDocument(const PrintTicket& ticket) override;
    std::optional<std::wstring> takeLastWarning() override;
    Result<void> startPage() override;
    Result<void> drawPage(const PagePlacement& placement) override;
    Result<void> endPage() override;
    Result<void> endDocument() override;
    void abortDocument() override;

private:
    // Reads the device page of a fresh DC and decides whether pages must be
    // kept inside the printable area (and reduced); leaves a warning then.
    [[nodiscard]] Result<void> measureDevicePage(HDC dc, const PrintTicket& ticket, const std::wstring& printerName,
                                                 bool exactPaper);
    void closeDocument() noexcept;

    ICapabilitySource& capabilities_;
    GdiPrintFunctions functions_;
    // Declared before the DC: members are destroyed in reverse, and the DC
    // goes before the printer it was made for.
    platform::PrinterHandleOwner printer_;
    platform::DeviceContextOwner dc_;
    bool documentOpen_ = false;
    DevicePage page_;
    std::optional<std::wstring> pendingWarning_;
};

}  // namespace ks::printing

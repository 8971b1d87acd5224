#include "printing/win32/gdi_print_api.h"

#include <fmt/xchar.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "printing/mm_to_dots.h"
#include "printing/paper_negotiation.h"
#include "printing/ticket_capabilities.h"
#include "printing/win32/driver_paper.h"
#include "printing/win32/driver_settings.h"
#include "protocol/error_catalog.h"
#include "protocol/error_text.h"

namespace ks::printing {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

constexpr wchar_t kDocumentName[] = L"Kestrune";
// A device page this close to the requested size (in dots, each way) is the
// requested paper: drivers round millimetres to dots their own way.
constexpr int kExactPaperSlackDots = 2;
constexpr std::uint64_t kMaxDrawSize = 0x7FFFFFFF;

Error win32Error(std::string_view code, std::wstring_view message, DWORD lastError) {
    return Error(code, protocol::withWin32Suffix(message, lastError));
}

bool validPlacement(const PagePlacement& placement) {
    if (placement.pixels == nullptr || placement.pixelWidth == 0 || placement.pixelHeight == 0 ||
        placement.width == 0 || placement.height == 0) {
        return false;
    }
    if (std::max({placement.width, placement.height, placement.pixelWidth, placement.pixelHeight}) > kMaxDrawSize) {
        return false;
    }
    return placement.byteCount == std::uint64_t{placement.pixelWidth} * placement.pixelHeight * 4;
}

}  // namespace

GdiPrintApi::GdiPrintApi(ICapabilitySource& capabilities, GdiPrintFunctions functions)
    : capabilities_(capabilities), functions_(std::move(functions)) {}

GdiPrintApi::~GdiPrintApi() { abortDocument(); }

Result<std::uint32_t> GdiPrintApi::beginDocument(const PrintTicket& ticket) {
    abortDocument();
    pendingWarning_.reset();
    page_ = DevicePage{};

    auto record = capabilities_.capabilities(ticket.printerId);
    if (!record) return std::move(record).error();
    if (!ticketMatchesCapabilities(ticket, record.value())) {
        return Error(codes::kPrinterChanged, messages::kCapabilitiesChanged);
    }
    const std::wstring& name = record.value().name;

    std::wstring openName = name;  // OpenPrinterW takes a non-const name
    HANDLE handle = nullptr;
    if (!functions_.openPrinter(openName.data(), &handle, nullptr)) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kPrinterOpenFailed, messages::kPrinterOpenFailed, error);
    }
    platform::PrinterHandleOwner printer(handle, functions_.closePrinter);

    auto settings = DriverSettings::read(functions_, printer.get(), name);
    if (!settings) return std::move(settings).error();
    auto paper = negotiatePaper(functions_, printer.get(), record.value(), ticket, settings.value());
    if (!paper) return std::move(paper).error();

    platform::DeviceContextOwner dc(functions_.createDC(L"WINSPOOL", name.c_str(), nullptr, &settings.value().devmode()),
                                    functions_.deleteDC);
    if (!dc) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kDeviceContextFailed, messages::kDeviceContextFailed, error);
    }
    if (auto measured = measureDevicePage(dc.get(), ticket, name, paper.value() == PaperOutcome::Exact); !measured) {
        return std::move(measured).error();
    }

    DOCINFOW document{};
    document.cbSize = sizeof(document);
    document.lpszDocName = kDocumentName;
    const int jobId = functions_.startDoc(dc.get(), &document);
    if (jobId <= 0) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kSubmissionFailed, messages::kSpoolerRejectedJob, error);
    }
    printer_ = std::move(printer);
    dc_ = std::move(dc);
    documentOpen_ = true;
    return static_cast<std::uint32_t>(jobId);
}

Result<void> GdiPrintApi::measureDevicePage(HDC dc, const PrintTicket& ticket, const std::wstring& printerName,
                                            bool exactPaper) {
    const int dpiX = functions_.getDeviceCaps(dc, LOGPIXELSX);
    const int dpiY = functions_.getDeviceCaps(dc, LOGPIXELSY);
    const int physicalWidth = functions_.getDeviceCaps(dc, PHYSICALWIDTH);
    const int physicalHeight = functions_.getDeviceCaps(dc, PHYSICALHEIGHT);
    const int offsetX = functions_.getDeviceCaps(dc, PHYSICALOFFSETX);
    const int offsetY = functions_.getDeviceCaps(dc, PHYSICALOFFSETY);
    // The paper sizes and resolutions were checked against the DEVMODE
    // limits, so neither conversion can leave the 32-bit range.
    const std::int32_t wantedWidth = mmToDots(ticket.paperWidthMm, ticket.dpiX);
    const std::int32_t wantedHeight = mmToDots(ticket.paperHeightMm, ticket.dpiY);
    if (dpiX < 1 || dpiY < 1 || static_cast<std::uint32_t>(dpiX) != ticket.dpiX ||
        static_cast<std::uint32_t>(dpiY) != ticket.dpiY || physicalWidth < 1 || physicalHeight < 1) {
        return Error(codes::kPrinterChanged,
                     fmt::format(fmt::runtime(messages::kDriverPaperOrDpiMismatch), printerName, ticket.paperWidthMm,
                                 ticket.paperHeightMm, ticket.dpiX, ticket.dpiY, wantedWidth, wantedHeight, dpiX, dpiY,
                                 physicalWidth, physicalHeight));
    }
    page_.physicalOffsetX = offsetX;
    page_.physicalOffsetY = offsetY;
    if (exactPaper && std::abs(physicalWidth - wantedWidth) < kExactPaperSlackDots &&
        std::abs(physicalHeight - wantedHeight) < kExactPaperSlackDots) {
        return {};
    }

    const int printableWidth = functions_.getDeviceCaps(dc, HORZRES);
    const int printableHeight = functions_.getDeviceCaps(dc, VERTRES);
    if (printableWidth < 1 || printableHeight < 1) return Error(codes::kPrinterChanged, messages::kNoPrintableArea);
    page_.printableWidth = printableWidth;
    page_.printableHeight = printableHeight;
    // Pages start at the printable area's corner on a paper they were not
    // rendered for.
    page_.physicalOffsetX = 0;
    page_.physicalOffsetY = 0;
    page_.scale = std::min({1.0, static_cast<double>(printableWidth) / wantedWidth,
                            static_cast<double>(printableHeight) / wantedHeight});
    pendingWarning_ =
        substitutedPaperWarning(physicalWidth * 25.4 / dpiX, physicalHeight * 25.4 / dpiY, page_.scale);
    return {};
}

std::optional<std::wstring> GdiPrintApi::takeLastWarning() { return std::exchange(pendingWarning_, std::nullopt); }

Result<void> GdiPrintApi::startPage() {
    if (documentOpen_ && functions_.startPage(dc_.get()) > 0) return {};
    const DWORD error = documentOpen_ ? ::GetLastError() : ERROR_INVALID_HANDLE;
    return win32Error(codes::kPrinterNotReady, messages::kStartPageFailed, error);
}

Result<void> GdiPrintApi::drawPage(const PagePlacement& placement) {
    if (!documentOpen_ || !validPlacement(placement)) {
        return Error(codes::kPagePixelsInvalid, messages::kPixelBufferInvalid);
    }
    const DeviceRect target = targetRect(page_, placement);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(placement.pixelWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(placement.pixelHeight);  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int lines = functions_.stretchDIBits(dc_.get(), target.x, target.y, target.width, target.height, 0, 0,
                                               static_cast<int>(placement.pixelWidth),
                                               static_cast<int>(placement.pixelHeight), placement.pixels, &info,
                                               DIB_RGB_COLORS, SRCCOPY);
    if (lines == 0 || lines == static_cast<int>(GDI_ERROR)) {
        const DWORD error = ::GetLastError();
        return win32Error(codes::kRasterOutputFailed, messages::kRasterOutputFailed, error);
    }
    return {};
}

Result<void> GdiPrintApi::endPage() {
    if (documentOpen_ && functions_.endPage(dc_.get()) > 0) return {};
    const DWORD error = documentOpen_ ? ::GetLastError() : ERROR_INVALID_HANDLE;
    return win32Error(codes::kPrinterNotReady, messages::kEndPageFailed, error);
}

Result<void> GdiPrintApi::endDocument() {
    if (documentOpen_ && functions_.endDoc(dc_.get()) > 0) {
        closeDocument();
        return {};
    }
    const DWORD error = documentOpen_ ? ::GetLastError() : ERROR_INVALID_HANDLE;
    return win32Error(codes::kPrinterNotReady, messages::kEndDocFailed, error);
}

void GdiPrintApi::abortDocument() {
    if (!documentOpen_) return;
    // AbortDoc's own failure changes nothing: the document is given up and
    // its DC and printer are released either way.
    static_cast<void>(functions_.abortDoc(dc_.get()));
    closeDocument();
}

void GdiPrintApi::closeDocument() noexcept {
    documentOpen_ = false;
    dc_.reset();
    printer_.reset();
}

}  // namespace ks::printing
